// The base of every dialog of the program. A dialog class derives from DialogBase<itself> and keeps only its
// own routing table and handlers; the base holds the one dialog procedure: it stores `this` when the dialog
// initialises, finds the first row of the table that matches a message, calls its handler inside a guard
// that lets no exception unwind through the system's frames, and returns the handler's result the way the
// dialog manager expects it.
#pragma once

#include <windows.h>

#include <iterator>

template <typename Dialog>
class DialogBase {
public:
    HWND Handle() const { return window_; }

protected:
    DialogBase() = default;
    ~DialogBase() = default;
    DialogBase(const DialogBase&) = delete;
    DialogBase& operator=(const DialogBase&) = delete;

    typedef INT_PTR (*Handler)(Dialog& dialog, WPARAM wParam, LPARAM lParam);
    // One row of a routing table. For WM_COMMAND: the command or control identifier and the notification
    // code, or AnyCode, which serves a menu item (code 0) and its accelerator (code 1) alike; for WM_NOTIFY:
    // the sender's identifier and the notification code; any other message matches by itself. A row marked
    // ThenDefault leaves the message to the dialog manager's own processing after its handler.
    struct Route {
        UINT message;
        int id;
        int code;
        Handler handler;
        bool thenDefault = false;
    };
    static const int AnyCode = -1;
    static const bool ThenDefault = true;

    // The handler of a row, made from a member function, which gets what its parameters ask for: nothing,
    // the command's identifier (int), the notification (const NMHDR*), or the message's own parameters.
    template <auto Method>
    static INT_PTR Call(Dialog& dialog, WPARAM wParam, LPARAM lParam)
    {
        return Invoke(dialog, Method, wParam, lParam);
    }

    // `this` travels as the initialisation value, so that the dialog procedure knows its object from
    // WM_INITDIALOG on.
    HWND CreateModeless(int templateId, HWND parent)
    {
        return CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId), parent, DialogProc,
                                  reinterpret_cast<LPARAM>(this));
    }
    INT_PTR RunModal(int templateId, HWND owner)
    {
        return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId), owner, DialogProc,
                               reinterpret_cast<LPARAM>(this));
    }

    HWND window_ = nullptr;

private:
    static INT_PTR Invoke(Dialog& dialog, INT_PTR (Dialog::*method)(), WPARAM, LPARAM) { return (dialog.*method)(); }
    static INT_PTR Invoke(Dialog& dialog, INT_PTR (Dialog::*method)(int id), WPARAM wParam, LPARAM)
    {
        return (dialog.*method)(LOWORD(wParam));
    }
    static INT_PTR Invoke(Dialog& dialog, INT_PTR (Dialog::*method)(const NMHDR*), WPARAM, LPARAM lParam)
    {
        return (dialog.*method)(reinterpret_cast<const NMHDR*>(lParam));
    }
    static INT_PTR Invoke(Dialog& dialog, INT_PTR (Dialog::*method)(WPARAM, LPARAM), WPARAM wParam, LPARAM lParam)
    {
        return (dialog.*method)(wParam, lParam);
    }

    static bool Matches(const Route& route, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (route.message != message)
            return false;
        if (message == WM_COMMAND)
            return LOWORD(wParam) == route.id && (route.code == AnyCode || HIWORD(wParam) == route.code);
        if (message == WM_NOTIFY) {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            return header && static_cast<int>(header->idFrom) == route.id &&
                   static_cast<int>(header->code) == route.code;
        }
        return true;
    }

    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_INITDIALOG) {
            SetWindowLongPtrA(window, DWLP_USER, lParam);
            reinterpret_cast<DialogBase*>(lParam)->window_ = window;
        }
        auto* base = reinterpret_cast<DialogBase*>(GetWindowLongPtrA(window, DWLP_USER));
        if (!base)
            return FALSE;  // the few messages before WM_INITDIALOG (WM_SETFONT) need nothing of ours
        if (message == WM_NCDESTROY) {
            // The object may outlive its window; from here on it must not touch the handle.
            base->window_ = nullptr;
            SetWindowLongPtrA(window, DWLP_USER, 0);
            return FALSE;
        }
        try {
            for (const Route& route : Dialog::routes_) {
                if (!Matches(route, message, wParam, lParam))
                    continue;
                INT_PTR result = route.handler(static_cast<Dialog&>(*base), wParam, lParam);
                if (route.thenDefault)
                    return FALSE;
                if (message == WM_INITDIALOG)
                    return result;  // whether the system gives the focus to the first tab stop
                // Any other handler's result goes through DWLP_MSGRESULT; TRUE tells the dialog manager
                // that the message was handled. A handler that destroyed the window leaves nothing to set.
                if (IsWindow(window))
                    SetWindowLongPtrA(window, DWLP_MSGRESULT, result);
                return TRUE;
            }
        } catch (...) {
        }
        return FALSE;
    }
};
