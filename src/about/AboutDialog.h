// The About box, from template IDD_ABOUT: the program's icon, name, file version and copyright.
#pragma once

#include <windows.h>

#include "DialogBase.h"

class AboutDialog : public DialogBase<AboutDialog> {
public:
    // Shows the box modally over `owner` and returns when it is closed.
    void Run(HWND owner);

private:
    friend class DialogBase<AboutDialog>;
    static const Route routes_[];

    INT_PTR OnInitDialog();
    INT_PTR OnCloseCmd(int id);
};
