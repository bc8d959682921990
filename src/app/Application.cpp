// The application object and the run of the main window.
#include "Application.h"

#include "MainDialog.h"
#include "MessageLoop.h"

Application* Application::current_ = nullptr;

Application::Application() : mainThreadId_(GetCurrentThreadId())
{
    current_ = this;
}

Application::~Application()
{
    if (current_ == this)
        current_ = nullptr;
}

MessageLoop* Application::CurrentMessageLoop() const
{
    auto found = loops_.find(GetCurrentThreadId());
    return found == loops_.end() ? nullptr : found->second;
}

int RunApplication(int showCommand)
{
    Application* application = Application::Current();
    MessageLoop loop;
    // The main window looks its loop up while it initialises, so the loop is registered before it exists.
    application->AddMessageLoop(&loop);
    int result = 0;
    {
        MainDialog dialog;
        if (dialog.Create()) {
            ShowWindow(dialog.Handle(), showCommand);
            result = loop.Run();
        }
        application->RemoveMessageLoop();
    }
    return result;
}
