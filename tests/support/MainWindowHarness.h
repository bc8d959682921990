// The real main window for the tests of its commands: created from its template in the test's own process,
// on the test's thread, with the message loop that feeds it; and the means to drive the modal dialogs that
// its commands open, from a second thread, while the test thread sits in their modal loops.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <thread>

#include "Application.h"
#include "MainDialog.h"
#include "MessageLoop.h"

class MainWindowHarness {
public:
    MainWindowHarness()
    {
        INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_WIN95_CLASSES};
        InitCommonControlsEx(&classes);
        application_.AddMessageLoop(&loop_);
        dialog_.Create();
        ShowWindow(dialog_.Handle(), SW_SHOW);
        SetForegroundWindow(dialog_.Handle());
        Settle();
    }

    ~MainWindowHarness()
    {
        Close();
        application_.RemoveMessageLoop();
    }

    bool Created() const { return Window() != nullptr; }
    MainDialog& Dialog() { return dialog_; }
    HWND Window() const { return dialog_.Handle(); }
    HWND Item(int id) const { return GetDlgItem(Window(), id); }

    // Runs the loop's steps, as the program's loop does, until `done` holds or `limit` milliseconds have
    // passed; returns whether `done` held. Everything queued is handled, and the idle step run, before the
    // first look at `done`.
    template <typename Condition>
    bool PumpUntil(Condition done, DWORD limit = 20000)
    {
        for (DWORD start = GetTickCount();; MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT)) {
            MSG message;
            while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
                if (message.message != WM_QUIT)
                    loop_.ProcessMessage(message);
            }
            loop_.RunIdleHandlers();
            if (done() || GetTickCount() - start >= limit)
                return done();
        }
    }
    void Settle() { PumpUntil(Always); }

    // Closes the window as Escape does, which saves the settings; the loop's quit message is dropped.
    void Close()
    {
        SendMessageA(Window(), WM_COMMAND, IDCANCEL, 0);
        Settle();
    }

private:
    Application application_;
    MessageLoop loop_;
    MainDialog dialog_;
    static bool Always() { return true; }
};

// The first visible window of `thread` owned by `owner`, waited for up to 20 s; null if none came.
inline HWND WaitForDialogOwnedBy(DWORD thread, HWND owner)
{
    for (int attempt = 0; attempt < 2000; ++attempt, Sleep(10)) {
        for (HWND window = GetTopWindow(nullptr); window; window = GetWindow(window, GW_HWNDNEXT)) {
            if (GetWindow(window, GW_OWNER) == owner && GetWindowThreadProcessId(window, nullptr) == thread &&
                IsWindowVisible(window))
                return window;
        }
    }
    return nullptr;
}

// Runs `open` on this thread, which makes `window` show a modal dialog, and meanwhile runs `drive` on a
// second thread with that dialog once it is shown. `drive` must end the dialog; it runs no assertions itself,
// but records what it sees for the test thread to check afterwards. False when no dialog came.
template <typename Open, typename Drive>
bool RunModal(HWND window, Open open, Drive drive)
{
    DWORD thread = GetCurrentThreadId();
    HWND dialog = nullptr;
    std::thread driver([&] {
        if ((dialog = WaitForDialogOwnedBy(thread, window)) != nullptr)
            drive(dialog);
    });
    open();
    driver.join();
    return dialog != nullptr;
}

// The same for a command sent to `window`, whose handler runs the modal dialog.
template <typename Drive>
bool RunModalCommand(HWND window, UINT command, Drive drive)
{
    return RunModal(
        window, [&] { SendMessageA(window, WM_COMMAND, command, 0); }, drive);
}

inline std::string DialogItemText(HWND dialog, int id)
{
    char text[1024] = {};
    GetDlgItemTextA(dialog, id, text, sizeof(text));
    return text;
}

// Keys go to the control with the focus, as the keyboard would send them; the dialog's own loop turns
// Enter and Escape into its default button and Cancel.
inline void PressKey(HWND dialog, HWND focus, WPARAM key)
{
    PostMessageA(focus ? focus : dialog, WM_KEYDOWN, key, 1);
    PostMessageA(focus ? focus : dialog, WM_KEYUP, key, 0xC0000001);
}
