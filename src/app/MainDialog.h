// The main window: a modeless dialog from template IDD_MAIN with the file fields, the compiler options, the
// Compile, Play and Edit commands and the message list. Its routing table sends each message, control
// notification, menu command and accelerator to one of its On... handlers.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "ByteString.h"
#include "ChildProcess.h"
#include "CompileOptions.h"
#include "ControlStateTable.h"
#include "DialogBase.h"
#include "Handles.h"
#include "MessageList.h"
#include "MessageLoop.h"
#include "Preferences.h"
#include "WindowText.h"

class MainDialog : public MessageFilter, public IdleHandler, public DialogBase<MainDialog> {
public:
    MainDialog();
    ~MainDialog();

    // Creates the window, still hidden; it initialises inside this call. Needs the current thread's message
    // loop registered with the Application. False when the window cannot be created.
    bool Create();

    Preferences& Settings() { return preferences_; }
    MessageList& Messages() { return messages_; }

    // Accelerators, then the dialog keyboard handling (Tab, mnemonics, Enter, Escape).
    bool FilterMessage(MSG& message) override;
    // Applies the pending control states.
    bool OnIdle() override;

    // How long a converter run may take before it is stopped, in milliseconds. The start-up run only prints
    // the converter's banner, yet the window waits for it; a compile of a long song may take longer.
    static const DWORD BannerTimeLimit = 10000;
    static const DWORD CompileTimeLimit = 60000;
    void SetCompileTimeLimit(DWORD milliseconds) { compileTimeLimit_ = milliseconds; }

private:
    friend class DialogBase<MainDialog>;
    static const Route routes_[];
    // Posted to itself once the dialog manager has fitted the window to a new DPI, so that what the program
    // draws itself follows.
    static const UINT ApplyDpiMessage = WM_APP + 1;

    static LRESULT CALLBACK FileFieldProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR);

    // The window itself (MainDialog.cpp).
    INT_PTR OnInitDialog();
    void SetUpMessageList();
    // The icons, the message signs and the column at the window's DPI.
    void SetIcon(IconHandle& held, WPARAM which, int widthMetric, int heightMetric);
    void SetMessageImages();
    int MessageColumnWidth() const;
    INT_PTR OnDpiChanged(WPARAM wParam, LPARAM);
    INT_PTR OnApplyDpi();
    INT_PTR OnTransposeChanged();
    INT_PTR OnCancel();
    INT_PTR OnExit();
    INT_PTR OnEndSession(WPARAM ending, LPARAM);
    // Writes what this window changed in the settings, and what the store does not hold in its right form.
    void SaveSettings();
    void CloseMainWindow(int exitCode);
    void EnableCommand(UINT command, bool enabled);
    // The converter's path from the settings, without the quotes that a path copied from the desktop has.
    ByteString ConverterPath() const;

    // The file fields (FileFields.cpp).
    INT_PTR OnBrowseMml();
    INT_PTR OnBrowseSmf();
    INT_PTR OnDropFiles(WPARAM drop, LPARAM);
    INT_PTR OnFileFieldFocus(int id);
    INT_PTR OnFileFieldChanged();
    void SetMmlFile(const ByteString& path);

    // Compile (Compile.cpp).
    INT_PTR OnCompile();
    CompileOptions ReadCompileOptions() const;

    // Editor, player, settings, About and help (MainDialogTools.cpp).
    void ReportProgramFile(const ByteString& file);
    INT_PTR OnEdit();
    INT_PTR OnPlay();
    INT_PTR OnMessageDoubleClick(const NMHDR* notification);
    INT_PTR OnSettings();
    INT_PTR OnAbout();
    INT_PTR OnHelpContents();
    INT_PTR OnConverterSite();
    INT_PTR OnMakerSite();

    ControlStateTable controlStates_;
    Preferences preferences_;
    Preferences storedPreferences_;  // the settings as this window last loaded or saved them
    UINT dpi_ = 96;
    HWND mmlField_ = nullptr;
    HWND smfField_ = nullptr;
    HWND transposeField_ = nullptr;
    MessageList messages_;
    HWND transposeSpin_ = nullptr;
    AcceleratorHandle accelerators_;
    HMENU menu_ = nullptr;
    IconHandle bigIcon_;
    IconHandle smallIcon_;
    DWORD compileTimeLimit_ = CompileTimeLimit;
};

// The two rows shown when the converter cannot be started: an error, then where to fix it.
extern const char ConverterNotFoundMessage[];
// The error row shown after a converter run that started: when it had to be stopped after `timeLimit`
// milliseconds, or when an exception ended it. Empty when it ended by itself.
ByteString ConverterFailureMessage(const RunOutcome& outcome, DWORD timeLimit);
