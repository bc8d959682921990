// The settings dialog.
#include "PreferencesDialog.h"

#include "CenterDialog.h"
#include "FileDialog.h"
#include "WindowText.h"
#include "resource.h"

namespace {

// What the user browses for. The default extension is bare, as the file dialog expects it: a program name
// typed without one becomes a .exe.
const char ProgramExtension[] = "exe";

void ShowChoice(HWND window, int chosen, int other)
{
    SendDlgItemMessageA(window, chosen, BM_SETCHECK, BST_CHECKED, 0);
    SendDlgItemMessageA(window, other, BM_SETCHECK, BST_UNCHECKED, 0);
}

// The first filter pair of a Browse button's file dialog; "all files" always follows it.
struct Filter {
    const char* description;
    const char* pattern;
};
const Filter ConverterFilter = {"trivane.exe", "trivane.exe"};
const Filter ProgramsFilter = {"プログラム", "*.exe;*.cmd;*.bat;*.com"};

// The chosen path replaces the field's text as it is: no quotes and no %f, which the user adds.
void BrowseForProgram(HWND field, const Filter& first)
{
    FileDialog dialog(FileDialog::Open, ProgramExtension);
    dialog.AddFilter(first.description, first.pattern);
    dialog.AddFilter("すべてのファイル", "*.*");
    // Always from an empty name: the field may hold a whole command line rather than a path.
    if (dialog.Run(GetActiveWindow(), ByteString()))
        SetWindowTextA(field, dialog.Path().c_str());
}

}  // namespace

// Tested in this order. OK and Cancel take any code, so Enter, Escape and the close box end the dialog too.
const PreferencesDialog::Route PreferencesDialog::routes_[] = {
    {WM_INITDIALOG, 0, 0, CallInitDialog},
    {WM_COMMAND, IDOK, AnyCode, CallCloseCmd},
    {WM_COMMAND, IDCANCEL, AnyCode, CallCloseCmd},
    {WM_COMMAND, IDC_BROWSE_CONVERTER, BN_CLICKED, Call<&PreferencesDialog::OnBrowseConverter>},
    {WM_COMMAND, IDC_BROWSE_EDITOR, BN_CLICKED, Call<&PreferencesDialog::OnBrowseEditor>},
    {WM_COMMAND, IDC_BROWSE_EDITOR_WITH_LINE, BN_CLICKED, Call<&PreferencesDialog::OnBrowseEditorWithLine>},
    {WM_COMMAND, IDC_BROWSE_PLAYER, BN_CLICKED, Call<&PreferencesDialog::OnBrowsePlayer>},
};

INT_PTR PreferencesDialog::Run(HWND owner)
{
    return RunModal(IDD_PREFERENCES, owner);
}

INT_PTR PreferencesDialog::CallInitDialog(PreferencesDialog& dialog, WPARAM, LPARAM)
{
    return dialog.OnInitDialog();
}

INT_PTR PreferencesDialog::CallCloseCmd(PreferencesDialog& dialog, WPARAM wParam, LPARAM)
{
    return dialog.OnCloseCmd(LOWORD(wParam));
}

BOOL PreferencesDialog::OnInitDialog()
{
    CenterDialog(window_, GetParent(window_));
    converterPath_ = GetDlgItem(window_, IDC_CONVERTER_PATH);
    editor_ = GetDlgItem(window_, IDC_EDITOR);
    editorWithLine_ = GetDlgItem(window_, IDC_EDITOR_WITH_LINE);
    player_ = GetDlgItem(window_, IDC_PLAYER);
    SetWindowTextA(converterPath_, preferences_.ConverterPath.c_str());
    SetWindowTextA(editor_, preferences_.MyEditor.c_str());
    SetWindowTextA(editorWithLine_, preferences_.MyEditorWithLine.c_str());
    SetWindowTextA(player_, preferences_.MyPlayer.c_str());
    // Both buttons of a pair are set, so the pair is right whatever the template checks.
    if (preferences_.UseMyEditor)
        ShowChoice(window_, IDC_EDITOR_CUSTOM, IDC_EDITOR_ASSOC);
    else
        ShowChoice(window_, IDC_EDITOR_ASSOC, IDC_EDITOR_CUSTOM);
    if (preferences_.UseMyPlayer)
        ShowChoice(window_, IDC_PLAYER_CUSTOM, IDC_PLAYER_ASSOC);
    else
        ShowChoice(window_, IDC_PLAYER_ASSOC, IDC_PLAYER_CUSTOM);
    return TRUE;  // the focus goes to the first tab stop, the converter's path
}

INT_PTR PreferencesDialog::OnCloseCmd(int id)
{
    // Nothing is checked: an empty field or a template without %f is the user's to choose.
    if (id == IDOK) {
        preferences_.ConverterPath = WindowText(converterPath_);
        preferences_.MyEditor = WindowText(editor_);
        preferences_.MyEditorWithLine = WindowText(editorWithLine_);
        preferences_.MyPlayer = WindowText(player_);
        preferences_.UseMyEditor = SendDlgItemMessageA(window_, IDC_EDITOR_CUSTOM, BM_GETCHECK, 0, 0) != 0;
        preferences_.UseMyPlayer = SendDlgItemMessageA(window_, IDC_PLAYER_CUSTOM, BM_GETCHECK, 0, 0) != 0;
    }
    EndDialog(window_, id);
    return 0;
}

INT_PTR PreferencesDialog::OnBrowseConverter()
{
    BrowseForProgram(converterPath_, ConverterFilter);
    return 0;
}

INT_PTR PreferencesDialog::OnBrowseEditor()
{
    BrowseForProgram(editor_, ProgramsFilter);
    return 0;
}

INT_PTR PreferencesDialog::OnBrowseEditorWithLine()
{
    BrowseForProgram(editorWithLine_, ProgramsFilter);
    return 0;
}

INT_PTR PreferencesDialog::OnBrowsePlayer()
{
    BrowseForProgram(player_, ProgramsFilter);
    return 0;
}
