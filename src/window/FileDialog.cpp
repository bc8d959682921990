// The common file dialogs.
#include "FileDialog.h"

#include <commdlg.h>

namespace {

// A hook that leaves every message to the dialog: with a hook and the older structure size the system keeps
// the plain explorer-style dialog on every version, and OFN_ENABLESIZING keeps it resizable.
UINT_PTR CALLBACK PassiveHook(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

}  // namespace

FileDialog::FileDialog(Kind kind, const char* defaultExtension) : kind_(kind), defaultExtension_(defaultExtension) {}

void FileDialog::AddFilter(const char* description, const char* pattern)
{
    // Each part keeps its NUL inside the string; the string's own NUL closes the list.
    filter_.Append(description, lstrlenA(description) + 1);
    filter_.Append(pattern, lstrlenA(pattern) + 1);
}

bool FileDialog::Run(HWND owner, const ByteString& initialName)
{
    char file[MAX_PATH] = {};
    lstrcpynA(file, initialName.c_str(), sizeof(file));
    char fileTitle[256] = {};

    OPENFILENAMEA dialog = {};
    // The size of the older structure: the dialog then looks the same on every system version.
    dialog.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    dialog.hwndOwner = owner;
    dialog.hInstance = GetModuleHandleA(nullptr);
    dialog.lpstrFilter = filter_.c_str();
    dialog.nFilterIndex = 0;
    dialog.lpstrFile = file;
    dialog.nMaxFile = sizeof(file);
    dialog.lpstrFileTitle = fileTitle;
    dialog.nMaxFileTitle = sizeof(fileTitle);
    // Neither FILEMUSTEXIST nor PATHMUSTEXIST: a name typed for a file yet to be written is accepted.
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_ENABLEHOOK | OFN_EXPLORER | OFN_ENABLESIZING;
    dialog.lpstrDefExt = defaultExtension_;
    dialog.lpfnHook = PassiveHook;

    BOOL accepted = kind_ == Open ? GetOpenFileNameA(&dialog) : GetSaveFileNameA(&dialog);
    if (!accepted)
        return false;
    path_ = file;
    return true;
}
