// The message loop's own rules: filters newest first, idle handlers once per batch of re-arming messages.
#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "Application.h"
#include "MessageLoop.h"

namespace {

const UINT Probe = WM_APP + 1;
const UINT Finish = WM_APP + 2;

struct RecordingFilter : MessageFilter {
    explicit RecordingFilter(bool takes) : takes(takes) {}
    bool FilterMessage(MSG& message) override
    {
        if (message.message == Probe)
            ++seen;
        if (message.message == Finish)
            PostQuitMessage(finishCode);
        return takes && message.message == Probe;
    }
    bool takes;
    int seen = 0;
    int finishCode = 0;
};

// On its first run it queues the four messages that must not re-arm it, and a timer whose message will.
struct RecordingIdle : IdleHandler {
    bool OnIdle() override
    {
        if (++runs == 1) {
            PostThreadMessageA(GetCurrentThreadId(), WM_MOUSEMOVE, 0, 0);
            PostThreadMessageA(GetCurrentThreadId(), WM_NCMOUSEMOVE, 0, 0);
            PostThreadMessageA(GetCurrentThreadId(), 0x0118, 0, 0);
            PostThreadMessageA(GetCurrentThreadId(), WM_PAINT, 0, 0);
            // The timer's message arrives only after the queue has run dry: a wrongly re-armed loop would
            // run this handler again before it.
            SetTimer(nullptr, 0, 30, nullptr);
        }
        return true;  // ignored: the loop stops idling after one step whatever a handler says
    }
    int runs = 0;
};

struct FinishOnTimer : MessageFilter {
    explicit FinishOnTimer(RecordingIdle& idle) : idle(idle) {}
    bool FilterMessage(MSG& message) override
    {
        if (message.message == WM_TIMER) {
            KillTimer(nullptr, message.wParam);
            PostQuitMessage(idle.runs);
            return true;
        }
        return false;
    }
    RecordingIdle& idle;
};

TEST(MessageLoop, OffersMessagesToTheNewestFilterFirst)
{
    MessageLoop loop;
    RecordingFilter older(false);
    RecordingFilter newer(true);
    older.finishCode = 77;
    loop.AddMessageFilter(&older);
    loop.AddMessageFilter(&newer);
    PostThreadMessageA(GetCurrentThreadId(), Probe, 0, 0);
    PostThreadMessageA(GetCurrentThreadId(), Finish, 0, 0);
    EXPECT_EQ(loop.Run(), 77);
    EXPECT_EQ(newer.seen, 1);
    EXPECT_EQ(older.seen, 0);
}

TEST(MessageLoop, MouseMovesPaintsAndTheCaretBlinkDoNotRunTheIdleHandlersAgain)
{
    MessageLoop loop;
    RecordingIdle idle;
    FinishOnTimer finish(idle);
    loop.AddIdleHandler(&idle);
    loop.AddMessageFilter(&finish);
    // The loop starts idle-armed, so the handler runs once before anything arrives, and not again until
    // the timer's message, which ends the run with the count so far.
    EXPECT_EQ(loop.Run(), 1);
    EXPECT_EQ(idle.runs, 1);
}

}  // namespace

namespace {

BOOL CALLBACK CountWindow(HWND, LPARAM count)
{
    ++*reinterpret_cast<int*>(count);
    return TRUE;
}

// This test program carries none of the program's resources, so the main window's template is missing: the
// run ends at once with 0, without a window and without waiting in a loop.
TEST(RunApplication, EndsWithZeroWhenTheMainWindowCannotBeCreated)
{
    Application application;
    EXPECT_EQ(RunApplication(SW_SHOWNORMAL), 0);
    int windows = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountWindow, reinterpret_cast<LPARAM>(&windows));
    EXPECT_EQ(windows, 0);
    EXPECT_EQ(application.CurrentMessageLoop(), nullptr);
}

}  // namespace
