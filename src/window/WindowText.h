// Reading a window's text the way every window of the program reads its fields.
#pragma once

#include <windows.h>

#include "ByteString.h"

// At most the first 1023 bytes of the window's text.
ByteString WindowText(HWND window);
