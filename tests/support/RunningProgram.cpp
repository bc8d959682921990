#include "RunningProgram.h"

#include <commctrl.h>

bool WaitFor(const std::function<bool()>& done, DWORD milliseconds)
{
    for (DWORD start = GetTickCount(); !done() && GetTickCount() - start < milliseconds;)
        Sleep(20);
    return done();
}

std::string WindowsPath(const std::string& unixPath)
{
    std::string path = "Z:" + unixPath;
    for (char& c : path)
        c = c == '/' ? '\\' : c;
    return path;
}

RunningProgram::RunningProgram() : ownFolder_(true)
{
    static int instances = 0;
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    folder_ = temp + ("dodavirid-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++instances));
    CreateDirectoryA(folder_.c_str(), nullptr);
}

RunningProgram::~RunningProgram()
{
    End();
    for (const std::string& name : files_)
        DeleteFileA(In(name).c_str());
    if (ownFolder_)
        RemoveDirectoryA(folder_.c_str());
}

void RunningProgram::End()
{
    TerminateProcess(process_.hProcess, 99);  // fails on one that has ended, which keeps its exit code
    WaitForSingleObject(process_.hProcess, 5000);
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
    process_ = {};
}

bool RunningProgram::Start(const std::string& arguments)
{
    End();
    std::string commandLine = "\"" + In("dodavirid.exe") + "\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, folder_.c_str(), &startup,
                        &process_))
        return false;
    return WaitFor([&] {
        window_ = FindWindowA("#32770", "Dodavirid");
        DWORD owner = 0;
        GetWindowThreadProcessId(window_, &owner);
        return window_ && owner == process_.dwProcessId && IsWindowVisible(window_) && !Enabled(IDC_PLAY);
    });
}

std::vector<ListRow> RunningProgram::Rows() const
{
    // One block in the program: the item structure, then the text buffer that it points to.
    struct Block {
        LVITEMA item;
        char text[4096];
    } block;
    auto* remote = static_cast<Block*>(
        VirtualAllocEx(process_.hProcess, nullptr, sizeof block, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    std::vector<ListRow> rows;
    for (int i = 0; remote && i < SendMessageA(Item(IDC_MESSAGES), LVM_GETITEMCOUNT, 0, 0); ++i) {
        block = {};
        block.item.mask = LVIF_TEXT | LVIF_IMAGE;
        block.item.iItem = i;
        block.item.pszText = remote->text;
        block.item.cchTextMax = sizeof block.text;
        WriteProcessMemory(process_.hProcess, remote, &block, sizeof block, nullptr);
        SendMessageA(Item(IDC_MESSAGES), LVM_GETITEMA, 0, LPARAM(remote));
        ReadProcessMemory(process_.hProcess, remote, &block, sizeof block, nullptr);
        rows.push_back(ListRow{std::string(block.text, strnlen(block.text, sizeof block.text)), block.item.iImage});
    }
    VirtualFreeEx(process_.hProcess, remote, 0, MEM_RELEASE);
    return rows;
}

void RunningProgram::Press(BYTE key)
{
    SetForegroundWindow(window_);
    WaitFor([&] { return GetForegroundWindow() == window_; }, 10000);
    keybd_event(key, 0, 0, 0);
    keybd_event(key, 0, KEYEVENTF_KEYUP, 0);
}

int RunningProgram::ExitCode() const
{
    DWORD code = 0;
    if (WaitForSingleObject(process_.hProcess, 10000) != WAIT_OBJECT_0 || !GetExitCodeProcess(process_.hProcess, &code))
        return -1;
    return static_cast<int>(code);
}
