// Placing a window over another, inside the area where it can be seen.
#pragma once

#include <windows.h>

// Centres `window` over `reference` (by default its parent when it is a child, else its owner) and moves it
// back inside its parent's client area, or the desktop work area for a top-level window. A top-level window
// whose reference is hidden or minimised is centred on the work area.
void CenterDialog(HWND window, HWND reference = nullptr);
