// The user-interface thread's message loop, with the two hooks the main window plugs into: message filters,
// which see each message before it is translated and dispatched, and idle handlers, which run once each time
// the queue has run dry after a message that can change what the window shows.
#pragma once

#include <windows.h>

#include <vector>

class MessageFilter {
public:
    // True when the message was handled and must not be dispatched.
    virtual bool FilterMessage(MSG& message) = 0;

protected:
    ~MessageFilter() = default;
};

class IdleHandler {
public:
    // The result is ignored.
    virtual bool OnIdle() = 0;

protected:
    ~IdleHandler() = default;
};

class MessageLoop {
public:
    // The loop does not own what it is given; nothing is ever removed.
    void AddMessageFilter(MessageFilter* filter) { filters_.push_back(filter); }
    void AddIdleHandler(IdleHandler* handler) { idleHandlers_.push_back(handler); }

    // Runs until WM_QUIT and returns its exit code.
    int Run();

    // The steps of Run, public so that a caller can drive the loop without blocking in GetMessage.
    // Offers the message to the filters, the last added first, then translates and dispatches it if none took it.
    void ProcessMessage(MSG& message);
    // Runs every idle handler in the order added; returns false, so idle processing stops until re-armed.
    bool RunIdleHandlers();
    // Whether processing this message re-arms idle processing.
    static bool RearmsIdle(UINT message);

private:
    std::vector<MessageFilter*> filters_;
    std::vector<IdleHandler*> idleHandlers_;
    MSG message_ = {};
};
