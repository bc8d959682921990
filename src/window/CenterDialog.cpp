// Centring a window.
#include "CenterDialog.h"

void CenterDialog(HWND window, HWND reference)
{
    LONG style = GetWindowLongA(window, GWL_STYLE);
    bool child = (style & WS_CHILD) != 0;
    if (!reference)
        reference = child ? GetParent(window) : GetWindow(window, GW_OWNER);

    RECT area;
    RECT centre;
    if (child) {
        HWND parent = GetParent(window);
        GetClientRect(parent, &area);
        if (reference) {
            GetClientRect(reference, &centre);
            MapWindowPoints(reference, parent, reinterpret_cast<POINT*>(&centre), 2);
        } else {
            centre = area;
        }
    } else {
        // A hidden or minimised owner gives no useful place: the window then goes to the middle of the screen.
        if (reference) {
            LONG referenceStyle = GetWindowLongA(reference, GWL_STYLE);
            if (!(referenceStyle & WS_VISIBLE) || (referenceStyle & WS_MINIMIZE))
                reference = nullptr;
        }
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
        if (reference)
            GetWindowRect(reference, &centre);
        else
            centre = area;
    }

    RECT bounds;
    GetWindowRect(window, &bounds);
    int width = bounds.right - bounds.left;
    int height = bounds.bottom - bounds.top;
    int x = (centre.left + centre.right) / 2 - width / 2;
    int y = (centre.top + centre.bottom) / 2 - height / 2;
    // The left and top edges win over the right and bottom ones: a window too big for the area keeps its
    // caption and its left side visible.
    if (x < area.left)
        x = area.left;
    else if (x + width > area.right)
        x = area.right - width;
    if (y < area.top)
        y = area.top;
    else if (y + height > area.bottom)
        y = area.bottom - height;
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
