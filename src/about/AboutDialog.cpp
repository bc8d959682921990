// The About box.
#include "AboutDialog.h"

#include "ByteString.h"
#include "CenterDialog.h"
#include "VersionInfo.h"
#include "resource.h"

// Any notification code: the OK button, Enter, Escape and the close box all end the box.
const AboutDialog::Route AboutDialog::routes_[] = {
    {WM_INITDIALOG, 0, CallInitDialog},
    {WM_COMMAND, IDOK, CallCloseCmd},
    {WM_COMMAND, IDCANCEL, CallCloseCmd},
};

void AboutDialog::Run(HWND owner)
{
    // `this` travels as the initialisation value, so the dialog procedure knows its object from WM_INITDIALOG
    // on. A box that cannot be created is simply not shown.
    DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_ABOUT), owner, DialogProc,
                    reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK AboutDialog::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(window, DWLP_USER, lParam);
        reinterpret_cast<AboutDialog*>(lParam)->window_ = window;
    }
    auto* dialog = reinterpret_cast<AboutDialog*>(GetWindowLongPtrA(window, DWLP_USER));
    if (!dialog)
        return FALSE;
    // No exception may unwind through the system's frames.
    try {
        for (const Route& route : routes_) {
            if (route.message == message && (message != WM_COMMAND || LOWORD(wParam) == route.id)) {
                // WM_INITDIALOG's result says whether the system sets the focus; any other handled
                // message answers TRUE, and the handlers' results (0) need no DWLP_MSGRESULT.
                INT_PTR result = route.handler(*dialog, wParam);
                return message == WM_INITDIALOG ? result : TRUE;
            }
        }
    } catch (...) {
    }
    return FALSE;
}

INT_PTR AboutDialog::CallInitDialog(AboutDialog& dialog, WPARAM)
{
    return dialog.OnInitDialog();
}

INT_PTR AboutDialog::CallCloseCmd(AboutDialog& dialog, WPARAM wParam)
{
    return dialog.OnCloseCmd(LOWORD(wParam));
}

BOOL AboutDialog::OnInitDialog()
{
    CenterDialog(window_, GetParent(window_));
    // Read afresh each time: the template's own text is only a placeholder.
    ByteString version;
    version.Format("Version %s", FormatFileVersion().c_str());
    SetDlgItemTextA(window_, IDC_ABOUT_VERSION, version.c_str());
    return TRUE;  // the focus goes to the first control that takes it, the OK button
}

INT_PTR AboutDialog::OnCloseCmd(int id)
{
    EndDialog(window_, id);
    return 0;
}
