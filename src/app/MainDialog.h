// The main window: a modeless dialog from template IDD_MAIN with the file fields, the compiler options, the
// Compile, Play and Edit commands and the message list. Its routing table sends each message, control
// notification, menu command and accelerator to one of its On... handlers.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "ByteString.h"
#include "CompileOptions.h"
#include "ControlStateTable.h"
#include "Handles.h"
#include "MessageList.h"
#include "MessageLoop.h"
#include "Preferences.h"
#include "WindowText.h"

class MainDialog : public MessageFilter, public IdleHandler {
public:
    MainDialog();
    ~MainDialog();
    MainDialog(const MainDialog&) = delete;
    MainDialog& operator=(const MainDialog&) = delete;

    // Creates the window, still hidden; it initialises inside this call. Needs the current thread's message
    // loop registered with the Application. False when the window cannot be created.
    bool Create();

    HWND Handle() const { return window_; }
    Preferences& Settings() { return preferences_; }
    MessageList& Messages() { return messages_; }

    // Accelerators, then the dialog keyboard handling (Tab, mnemonics, Enter, Escape).
    bool FilterMessage(MSG& message) override;
    // Applies the pending control states.
    bool OnIdle() override;

private:
    typedef INT_PTR (*Handler)(MainDialog& dialog, WPARAM wParam, LPARAM lParam);
    struct Route {
        UINT message;
        int id;    // command or control identifier; unused for messages that carry none
        int code;  // notification code, or AnyCode
        Handler handler;
    };
    static const int AnyCode = -1;
    static const Route routes_[];

    template <INT_PTR (MainDialog::*Method)()>
    static INT_PTR Call(MainDialog& dialog, WPARAM, LPARAM)
    {
        return (dialog.*Method)();
    }
    static INT_PTR CallInitDialog(MainDialog& dialog, WPARAM, LPARAM);
    static INT_PTR CallDropFiles(MainDialog& dialog, WPARAM wParam, LPARAM);
    static INT_PTR CallFileFieldFocus(MainDialog& dialog, WPARAM wParam, LPARAM);
    static INT_PTR CallMessageDoubleClick(MainDialog& dialog, WPARAM, LPARAM lParam);

    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK FileFieldProc(HWND field, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR);
    static bool Matches(const Route& route, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);

    // The window itself (MainDialog.cpp).
    bool OnInitDialog();
    void SetUpMessageList();
    INT_PTR OnTransposeChanged();
    INT_PTR OnCancel();
    INT_PTR OnExit();
    void CloseMainWindow(int exitCode);
    void EnableCommand(UINT command, bool enabled);

    // The file fields (FileFields.cpp).
    INT_PTR OnBrowseMml();
    INT_PTR OnBrowseSmf();
    INT_PTR OnDropFiles(HDROP drop);
    INT_PTR OnFileFieldFocus(int id);
    INT_PTR OnFileFieldChanged();
    void SetMmlFile(const ByteString& path);

    // Compile (Compile.cpp).
    INT_PTR OnCompile();
    CompileOptions ReadCompileOptions() const;

    // Editor, player, settings, About and help (MainDialogTools.cpp).
    INT_PTR OnEdit();
    INT_PTR OnPlay();
    INT_PTR OnMessageDoubleClick(const NMHDR* notification);
    INT_PTR OnSettings();
    INT_PTR OnAbout();
    INT_PTR OnHelpContents();
    INT_PTR OnConverterSite();
    INT_PTR OnMakerSite();

    HWND window_ = nullptr;
    ControlStateTable controlStates_;
    Preferences preferences_;
    HWND mmlField_ = nullptr;
    HWND smfField_ = nullptr;
    HWND transposeField_ = nullptr;
    MessageList messages_;
    HWND transposeSpin_ = nullptr;
    AcceleratorHandle accelerators_;
    HMENU menu_ = nullptr;
    IconHandle bigIcon_;
    IconHandle smallIcon_;
};

// The two rows shown when the converter cannot be started: an error, then where to fix it.
extern const char ConverterNotFoundMessage[];
