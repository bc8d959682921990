// The message loop of the user-interface thread.
#include "MessageLoop.h"

int MessageLoop::Run()
{
    bool idle = true;
    for (;;) {
        while (idle && !PeekMessageA(&message_, nullptr, 0, 0, PM_NOREMOVE)) {
            if (!RunIdleHandlers())
                idle = false;
        }
        BOOL result = GetMessageA(&message_, nullptr, 0, 0);
        if (result == -1)
            continue;  // nothing was fetched; keep going as if it had not happened
        if (result == 0)
            return static_cast<int>(message_.wParam);
        ProcessMessage(message_);
        if (RearmsIdle(message_.message))
            idle = true;
    }
}

void MessageLoop::ProcessMessage(MSG& message)
{
    // The filter added last goes first, so a window created later (a modeless tool window) sees its keys
    // before the main window's dialog navigation swallows them.
    for (auto it = filters_.rbegin(); it != filters_.rend(); ++it) {
        if ((*it)->FilterMessage(message))
            return;
    }
    TranslateMessage(&message);
    DispatchMessageA(&message);
}

bool MessageLoop::RunIdleHandlers()
{
    for (IdleHandler* handler : idleHandlers_)
        handler->OnIdle();
    return false;
}

bool MessageLoop::RearmsIdle(UINT message)
{
    // Mouse moves, paints and the caret blink (0x0118, the system timer) arrive all the time and change no
    // control state; letting them re-arm the idle step would run it continuously.
    switch (message) {
        case WM_MOUSEMOVE:
        case WM_NCMOUSEMOVE:
        case WM_PAINT:
        case 0x0118:
            return false;
        default:
            return true;
    }
}
