// The yardstick for start-up: a modeless dialog from a template in memory, shown at once, with the plainest
// message loop. It ends when its window is closed.
#include <windows.h>

namespace {

INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
        DestroyWindow(window);
        PostQuitMessage(2);
        return TRUE;
    }
    return FALSE;
}

// A DLGTEMPLATE with no menu, the default class, a title and no controls, WORD-aligned as the system needs.
struct Template {
    DLGTEMPLATE header;
    WORD menu = 0;
    WORD windowClass = 0;
    WCHAR title[14] = L"MinimalDialog";
};

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    static Template dialog = {};
    dialog.header.style = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_CENTER;
    dialog.header.cx = 280;
    dialog.header.cy = 241;
    HWND window = CreateDialogIndirectParamA(instance, &dialog.header, nullptr, DialogProc, 0);
    if (!window)
        return 0;
    ShowWindow(window, SW_SHOWDEFAULT);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageA(window, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return static_cast<int>(message.wParam);
}
