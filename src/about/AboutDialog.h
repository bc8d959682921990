// The About box, from template IDD_ABOUT: the program's icon, name, file version and copyright.
#pragma once

#include <windows.h>

class AboutDialog {
public:
    // Shows the box modally over `owner` and returns when it is closed.
    void Run(HWND owner);

private:
    typedef INT_PTR (*Handler)(AboutDialog& dialog, WPARAM wParam);
    struct Route {
        UINT message;
        int id;  // command identifier; unused for WM_INITDIALOG
        Handler handler;
    };
    static const Route routes_[];

    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static INT_PTR CallInitDialog(AboutDialog& dialog, WPARAM wParam);
    static INT_PTR CallCloseCmd(AboutDialog& dialog, WPARAM wParam);

    BOOL OnInitDialog();
    INT_PTR OnCloseCmd(int id);

    HWND window_ = nullptr;
};
