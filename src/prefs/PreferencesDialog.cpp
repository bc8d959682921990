// The settings dialog.
#include "PreferencesDialog.h"

#include <algorithm>
#include <string>

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
    {WM_INITDIALOG, 0, 0, Call<&PreferencesDialog::OnInitDialog>},
    {WM_COMMAND, IDOK, AnyCode, Call<&PreferencesDialog::OnCloseCmd>},
    {WM_COMMAND, IDCANCEL, AnyCode, Call<&PreferencesDialog::OnCloseCmd>},
    {WM_COMMAND, IDC_CONVERTER_PATH, EN_CHANGE, Call<&PreferencesDialog::OnFieldChanged>},
    {WM_COMMAND, IDC_EDITOR, EN_CHANGE, Call<&PreferencesDialog::OnFieldChanged>},
    {WM_COMMAND, IDC_EDITOR_WITH_LINE, EN_CHANGE, Call<&PreferencesDialog::OnFieldChanged>},
    {WM_COMMAND, IDC_PLAYER, EN_CHANGE, Call<&PreferencesDialog::OnFieldChanged>},
    {WM_COMMAND, IDC_BROWSE_CONVERTER, BN_CLICKED, Call<&PreferencesDialog::OnBrowseConverter>},
    {WM_COMMAND, IDC_BROWSE_EDITOR, BN_CLICKED, Call<&PreferencesDialog::OnBrowseEditor>},
    {WM_COMMAND, IDC_BROWSE_EDITOR_WITH_LINE, BN_CLICKED, Call<&PreferencesDialog::OnBrowseEditorWithLine>},
    {WM_COMMAND, IDC_BROWSE_PLAYER, BN_CLICKED, Call<&PreferencesDialog::OnBrowsePlayer>},
};

INT_PTR PreferencesDialog::Run(HWND owner)
{
    return RunModal(IDD_PREFERENCES, owner);
}

INT_PTR PreferencesDialog::OnInitDialog()
{
    CenterDialog(window_, GetParent(window_));
    converterPath_ = GetDlgItem(window_, IDC_CONVERTER_PATH);
    editor_ = GetDlgItem(window_, IDC_EDITOR);
    editorWithLine_ = GetDlgItem(window_, IDC_EDITOR_WITH_LINE);
    player_ = GetDlgItem(window_, IDC_PLAYER);
    // The user may type only what the store keeps; a text set here is a stored value, which fits.
    for (HWND field : {converterPath_, editor_, editorWithLine_, player_})
        SendMessageA(field, EM_LIMITTEXT, FieldBytes, 0);
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
    // Nothing is checked: an empty field or a template without %f is the user's to choose. A field that
    // cannot be read for want of memory keeps its setting as it was.
    if (id == IDOK) {
        ReadWindowText(converterPath_, preferences_.ConverterPath);
        ReadWindowText(editor_, preferences_.MyEditor);
        ReadWindowText(editorWithLine_, preferences_.MyEditorWithLine);
        ReadWindowText(player_, preferences_.MyPlayer);
        preferences_.UseMyEditor = SendDlgItemMessageA(window_, IDC_EDITOR_CUSTOM, BM_GETCHECK, 0, 0) != 0;
        preferences_.UseMyPlayer = SendDlgItemMessageA(window_, IDC_PLAYER_CUSTOM, BM_GETCHECK, 0, 0) != 0;
    }
    EndDialog(window_, id);
    return 0;
}

INT_PTR PreferencesDialog::OnFieldChanged(int id)
{
    // The limit counts characters, a double-byte one as one, while the store keeps bytes in code page 932.
    // What an input took past the bytes that fit is taken back as the limit takes it back: the characters
    // just before the caret, where the input went. (The program sets only stored values, which fit.)
    HWND field = GetDlgItem(window_, id);
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(field)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(field, &text[0], static_cast<int>(text.size()))));
    auto bytesOf = [&text](size_t from, size_t count) {
        return WideCharToMultiByte(CP_ACP, 0, text.data() + from, static_cast<int>(count), nullptr, 0, nullptr,
                                   nullptr);
    };
    int excess = bytesOf(0, text.size()) - FieldBytes;
    if (excess <= 0)
        return 0;
    DWORD caret = 0;
    SendMessageW(field, EM_GETSEL, 0, reinterpret_cast<LPARAM>(&caret));
    size_t end = std::min<size_t>(caret, text.size()), start = end;
    for (; excess > 0 && start > 0; --start)
        excess -= bytesOf(start - 1, 1);
    text.erase(start, end - start);
    SetWindowTextW(field, text.c_str());
    SendMessageW(field, EM_SETSEL, start, start);
    MessageBeep(MB_OK);
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
