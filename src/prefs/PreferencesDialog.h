// The settings dialog, from template IDD_PREFERENCES: the converter's path and how the MML and SMF files are
// opened. It works on its own copy of the settings, which the caller takes back only after OK.
#pragma once

#include <windows.h>

#include "DialogBase.h"
#include "Preferences.h"

class PreferencesDialog : public DialogBase<PreferencesDialog> {
public:
    explicit PreferencesDialog(const Preferences& preferences) : preferences_(preferences) {}

    // Runs the dialog modally over `owner`: IDOK, IDCANCEL, or -1 when it could not be created.
    INT_PTR Run(HWND owner);
    // The settings as the controls held them when OK was pressed; as given, after any other ending.
    const Preferences& Record() const { return preferences_; }

private:
    friend class DialogBase<PreferencesDialog>;
    static const Route routes_[];

    INT_PTR OnInitDialog();
    INT_PTR OnCloseCmd(int id);
    // EN_CHANGE of a text field: keeps it within what the store holds.
    INT_PTR OnFieldChanged(int id);
    INT_PTR OnBrowseConverter();
    INT_PTR OnBrowseEditor();
    INT_PTR OnBrowseEditorWithLine();
    INT_PTR OnBrowsePlayer();

    Preferences preferences_;
    HWND converterPath_ = nullptr;
    HWND editor_ = nullptr;
    HWND editorWithLine_ = nullptr;
    HWND player_ = nullptr;
};
