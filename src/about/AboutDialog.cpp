// The About box.
#include "AboutDialog.h"

#include "ByteString.h"
#include "CenterDialog.h"
#include "VersionInfo.h"
#include "resource.h"

// Any notification code: the OK button, Enter, Escape and the close box all end the box.
const AboutDialog::Route AboutDialog::routes_[] = {
    {WM_INITDIALOG, 0, 0, Call<&AboutDialog::OnInitDialog>},
    {WM_COMMAND, IDOK, AnyCode, Call<&AboutDialog::OnCloseCmd>},
    {WM_COMMAND, IDCANCEL, AnyCode, Call<&AboutDialog::OnCloseCmd>},
};

void AboutDialog::Run(HWND owner)
{
    // A box that cannot be created is simply not shown.
    RunModal(IDD_ABOUT, owner);
}

INT_PTR AboutDialog::OnInitDialog()
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
