// The application object: which message loop serves which thread, so that a window created on a thread finds
// the loop that must feed it keys and idle time. Start-up and shut-down of the process around it.
#pragma once

#include <windows.h>

#include <map>

class MessageLoop;

class Application {
public:
    // Remembers the creating thread as the main thread and becomes the process's application object.
    Application();
    ~Application();
    Application(const Application&) = delete;
    Application& operator=(const Application&) = delete;

    // The application object in use; null before one is made.
    static Application* Current() { return current_; }

    void AddMessageLoop(MessageLoop* loop) { loops_[GetCurrentThreadId()] = loop; }
    void RemoveMessageLoop() { loops_.erase(GetCurrentThreadId()); }
    // The loop of the current thread, or null.
    MessageLoop* CurrentMessageLoop() const;
    DWORD MainThreadId() const { return mainThreadId_; }

private:
    static Application* current_;
    DWORD mainThreadId_;
    std::map<DWORD, MessageLoop*> loops_;
};

// Creates the loop and the main window, shows the window with `showCommand` and runs the loop. Returns the
// loop's exit code, or 0 when the main window cannot be created. Needs an Application object.
int RunApplication(int showCommand);
