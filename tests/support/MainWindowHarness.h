// The real main window for the tests of its commands: created from its template in the test's own process,
// on the test's thread, with the message loop that feeds it; and the means to drive the modal dialogs that
// its commands open, from a second thread, while the test thread sits in their modal loops.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <functional>
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
        created_ = dialog_.Create();
        if (created_) {
            ShowWindow(dialog_.Handle(), SW_SHOW);
            SetForegroundWindow(dialog_.Handle());
            PumpUntil([] { return false; }, 0);
        }
    }

    ~MainWindowHarness()
    {
        Close();
        application_.RemoveMessageLoop();
    }

    bool Created() const { return created_; }
    MainDialog& Dialog() { return dialog_; }
    HWND Window() const { return dialog_.Handle(); }

    // Runs the loop's steps, as the program's loop does, until `done` holds or `limit` milliseconds have
    // passed; returns whether `done` held.
    template <typename Condition>
    bool PumpUntil(Condition done, DWORD limit = 20000)
    {
        DWORD start = GetTickCount();
        for (;;) {
            MSG message;
            while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
                if (message.message != WM_QUIT)
                    loop_.ProcessMessage(message);
            }
            loop_.RunIdleHandlers();
            if (done())
                return true;
            if (GetTickCount() - start >= limit)
                return false;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        }
    }

    // Closes the window as Escape does, which saves the settings; the loop's quit message is dropped.
    void Close()
    {
        if (Window())
            SendMessageA(Window(), WM_COMMAND, IDCANCEL, 0);
        PumpUntil([] { return true; });
    }

private:
    Application application_;
    MessageLoop loop_;
    MainDialog dialog_;
    bool created_ = false;
};

// The first visible top-level window of `thread` that `matches` accepts, waited for up to 20 s; null if none.
inline HWND WaitForWindowOf(DWORD thread, const std::function<bool(HWND)>& matches)
{
    struct Search {
        const std::function<bool(HWND)>* matches;
        HWND found;
        static BOOL CALLBACK Visit(HWND window, LPARAM context)
        {
            auto* search = reinterpret_cast<Search*>(context);
            if (IsWindowVisible(window) && (*search->matches)(window)) {
                search->found = window;
                return FALSE;
            }
            return TRUE;
        }
    } search = {&matches, nullptr};
    for (int attempt = 0; attempt < 2000 && !search.found; ++attempt) {
        EnumThreadWindows(thread, Search::Visit, reinterpret_cast<LPARAM>(&search));
        if (!search.found)
            Sleep(10);
    }
    return search.found;
}

// The dialog of `thread` whose owner is `owner`.
inline HWND WaitForDialogOwnedBy(DWORD thread, HWND owner)
{
    return WaitForWindowOf(thread, [owner](HWND window) { return GetWindow(window, GW_OWNER) == owner; });
}

// Sends `command` to `window`, whose handler runs a modal dialog, and meanwhile runs `drive` on a second
// thread with that dialog once it is shown. `drive` must end the dialog; it runs no assertions itself, but
// records what it sees for the test thread to check afterwards.
template <typename Drive>
void RunModalCommand(HWND window, UINT command, Drive drive)
{
    DWORD thread = GetCurrentThreadId();
    std::thread driver([&] {
        HWND dialog = WaitForDialogOwnedBy(thread, window);
        if (dialog)
            drive(dialog);
    });
    SendMessageA(window, WM_COMMAND, command, 0);
    driver.join();
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
    HWND target = focus ? focus : dialog;
    PostMessageA(target, WM_KEYDOWN, key, 1);
    PostMessageA(target, WM_KEYUP, key, 0xC0000001);
}
