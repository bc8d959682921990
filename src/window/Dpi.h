// Sizes at the DPI of a window. The program declares itself aware of each monitor's DPI, so the system
// stretches none of its windows: whatever is drawn in pixels is drawn at the window's own DPI.
#pragma once

#include <windows.h>

// Sent when the window moves to a monitor of another DPI; the headers declare it only for newer systems than
// the program is built for, and older ones never send it.
#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif

// The DPI that the window's monitor gives it; on systems without per-monitor DPI, the system's.
UINT WindowDpi(HWND window);
// GetSystemMetrics at `dpi`, rather than at the DPI that the system started with.
int MetricForDpi(int index, UINT dpi);
// `pixels` at 96 DPI, at `dpi`.
inline int ScaleForDpi(int pixels, UINT dpi)
{
    return MulDiv(pixels, static_cast<int>(dpi), 96);
}
