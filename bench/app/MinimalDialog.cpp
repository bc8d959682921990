// The yardstick for start-up: a modeless dialog from a template in memory, shown at once, with the plainest
// message loop. It ends when its window is closed. Built with RUN_CHILD, it first runs the console program
// named by its command line, hidden, and reads its output through a pipe to the end, as dodavirid.exe runs
// its converter once before it shows its window.
#include <windows.h>

namespace {

INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_COMMAND && LOWORD(wParam) == IDCANCEL) {
        DestroyWindow(window);
        PostQuitMessage(2);
        return TRUE;
    }
    return FALSE;
}

// A DLGTEMPLATE with no menu, the default class, a title and no controls, WORD-aligned as the system needs.
struct Template {
    DLGTEMPLATE header;
    WORD menu = 0;
    WORD windowClass = 0;
    WCHAR title[14] = L"MinimalDialog";
};

#ifdef RUN_CHILD
void RunChild(char* commandLine)
{
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    if (!CreatePipe(&read, &write, &inheritable, 8192))
        return;
    SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    startup.hStdOutput = write;
    startup.hStdError = write;
    PROCESS_INFORMATION process = {};
    BOOL started = CreateProcessA(nullptr, commandLine, nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                                  &startup, &process);
    CloseHandle(write);
    char buffer[8192];
    DWORD count = 0;
    while (started && ReadFile(read, buffer, sizeof buffer, &count, nullptr) && count > 0) {
    }
    if (started) {
        WaitForSingleObject(process.hProcess, INFINITE);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
    }
    CloseHandle(read);
}
#endif

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int)
{
#ifdef RUN_CHILD
    RunChild(commandLine);
#else
    (void)commandLine;
#endif
    static Template dialog = {};
    dialog.header.style = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_CENTER;
    dialog.header.cx = 280;
    dialog.header.cy = 241;
    HWND window = CreateDialogIndirectParamA(instance, &dialog.header, nullptr, DialogProc, 0);
    if (!window)
        return 0;
    ShowWindow(window, SW_SHOWDEFAULT);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        if (!IsDialogMessageA(window, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    return static_cast<int>(message.wParam);
}
