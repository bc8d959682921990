// The file fields of the main window: Browse, drops, the derived SMF name, select-on-focus and Compile's state.
#include "FileDialog.h"
#include "FileNames.h"
#include "MainDialog.h"
#include "resource.h"

INT_PTR MainDialog::OnBrowseMml()
{
    FileDialog dialog(FileDialog::Open, "mml");
    dialog.AddFilter("MML ファイル (*.mml)", "*.mml");
    dialog.AddFilter("すべてのファイル", "*.*");
    if (dialog.Run(GetActiveWindow(), WindowText(mmlField_)))
        SetMmlFile(dialog.Path());
    return 0;
}

INT_PTR MainDialog::OnBrowseSmf()
{
    FileDialog dialog(FileDialog::Save, "mid");
    dialog.AddFilter("標準 MIDI ファイル (*.mid)", "*.mid");
    dialog.AddFilter("すべてのファイル", "*.*");
    if (dialog.Run(GetActiveWindow(), WindowText(smfField_)))
        SetWindowTextA(smfField_, dialog.Path().c_str());
    return 0;
}

INT_PTR MainDialog::OnDropFiles(WPARAM wParam, LPARAM)
{
    // The drop handle is ours to release, whatever happens to the name.
    HDROP drop = reinterpret_cast<HDROP>(wParam);
    DropHandle owned(drop);
    UINT length = DragQueryFileA(drop, 0, nullptr, 0);
    ByteString name;
    char* buffer = name.GetBuffer(static_cast<int>(length));
    DragQueryFileA(drop, 0, buffer, length + 1);
    name.ReleaseBuffer();
    SetMmlFile(name);
    return 0;
}

void MainDialog::SetMmlFile(const ByteString& path)
{
    SetWindowTextA(mmlField_, path.c_str());
    // The name is derived from what the field kept, so both fields agree even for a name longer than it holds.
    SetWindowTextA(smfField_, DeriveSmfName(WindowText(mmlField_)).c_str());
}

INT_PTR MainDialog::OnFileFieldFocus(int id)
{
    // A field entered by Tab or its mnemonic is usually entered to be replaced whole.
    HWND field = GetDlgItem(window_, id);
    SendMessageA(field, EM_SETSEL, 0, -1);
    SendMessageA(field, EM_SCROLLCARET, 0, 0);
    return 0;
}

INT_PTR MainDialog::OnFileFieldChanged()
{
    bool enabled = GetWindowTextLengthA(mmlField_) > 0 && GetWindowTextLengthA(smfField_) > 0;
    controlStates_.SetControlEnabled(IDC_COMPILE, enabled);
    EnableCommand(ID_FILE_COMPILE, enabled);
    return 0;
}
