// The settings dialog, from template IDD_PREFERENCES: the converter's path and how the MML and SMF files are
// opened. It works on its own copy of the settings, which the caller takes back only after OK.
#pragma once

#include <windows.h>

#include "Preferences.h"

class PreferencesDialog {
public:
    explicit PreferencesDialog(const Preferences& preferences) : preferences_(preferences) {}

    // Runs the dialog modally over `owner`: IDOK, IDCANCEL, or -1 when it could not be created.
    INT_PTR Run(HWND owner);
    // The settings as the controls held them when OK was pressed; as given, after any other ending.
    const Preferences& Record() const { return preferences_; }

private:
    typedef INT_PTR (*Handler)(PreferencesDialog& dialog, WPARAM wParam);
    struct Route {
        UINT message;
        int id;    // command identifier; unused for WM_INITDIALOG
        int code;  // notification code, or AnyCode
        Handler handler;
    };
    static const int AnyCode = -1;
    static const Route routes_[];

    template <INT_PTR (PreferencesDialog::*Method)()>
    static INT_PTR Call(PreferencesDialog& dialog, WPARAM)
    {
        return (dialog.*Method)();
    }
    static INT_PTR CallInitDialog(PreferencesDialog& dialog, WPARAM wParam);
    static INT_PTR CallCloseCmd(PreferencesDialog& dialog, WPARAM wParam);
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static bool Matches(const Route& route, UINT message, WPARAM wParam);

    BOOL OnInitDialog();
    INT_PTR OnCloseCmd(int id);
    INT_PTR OnBrowseConverter();
    INT_PTR OnBrowseEditor();
    INT_PTR OnBrowseEditorWithLine();
    INT_PTR OnBrowsePlayer();

    Preferences preferences_;
    HWND window_ = nullptr;
    HWND converterPath_ = nullptr;
    HWND editor_ = nullptr;
    HWND editorWithLine_ = nullptr;
    HWND player_ = nullptr;
};
