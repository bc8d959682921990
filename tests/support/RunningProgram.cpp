#include "RunningProgram.h"

#include <commctrl.h>

#include "resource.h"

bool WaitFor(const std::function<bool()>& done, DWORD milliseconds)
{
    for (DWORD start = GetTickCount(); GetTickCount() - start < milliseconds; Sleep(20)) {
        if (done())
            return true;
    }
    return done();
}

std::string WindowsPath(const std::string& unixPath)
{
    std::string path = "Z:" + unixPath;
    for (char& c : path) {
        if (c == '/')
            c = '\\';
    }
    return path;
}

RunningProgram::RunningProgram() : ownFolder_(true)
{
    static int instances = 0;
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    folder_ = std::string(temp) + "dodavirid-" + std::to_string(GetCurrentProcessId()) + "-" +
              std::to_string(++instances);
    CreateDirectoryA(folder_.c_str(), nullptr);
}

RunningProgram::RunningProgram(const std::string& folder) : folder_(folder) {}

RunningProgram::~RunningProgram()
{
    if (process_.hProcess) {
        if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT)
            TerminateProcess(process_.hProcess, 99);
        WaitForSingleObject(process_.hProcess, 5000);
        CloseHandle(process_.hProcess);
        CloseHandle(process_.hThread);
    }
    for (const std::string& name : files_)
        DeleteFileA(In(name).c_str());
    if (ownFolder_)
        RemoveDirectoryA(folder_.c_str());
}

void RunningProgram::Copy(const std::string& from, const std::string& name)
{
    CopyFileA(from.c_str(), In(name).c_str(), FALSE);
    files_.push_back(name);
}

bool RunningProgram::Start(const std::string& arguments)
{
    std::string commandLine = "\"" + In("dodavirid.exe") + "\"";
    if (!arguments.empty())
        commandLine += " " + arguments;
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

std::string RunningProgram::Text(int id) const
{
    char text[1024] = {};
    SendMessageA(Item(id), WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

std::vector<ListRow> RunningProgram::Rows() const
{
    std::vector<ListRow> rows;
    const SIZE_T size = 4096;
    char* remote = static_cast<char*>(
        VirtualAllocEx(process_.hProcess, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    if (!remote)
        return rows;
    HWND list = Item(IDC_MESSAGES);
    int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        LVITEMA item = {};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.iItem = i;
        item.pszText = remote + sizeof item;
        item.cchTextMax = static_cast<int>(size - sizeof item);
        WriteProcessMemory(process_.hProcess, remote, &item, sizeof item, nullptr);
        SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(remote));
        char text[4096] = {};
        ReadProcessMemory(process_.hProcess, remote, &item, sizeof item, nullptr);
        ReadProcessMemory(process_.hProcess, remote + sizeof item, text, size - sizeof item - 1, nullptr);
        rows.push_back(ListRow{text, item.iImage});
    }
    VirtualFreeEx(process_.hProcess, remote, 0, MEM_RELEASE);
    return rows;
}

void RunningProgram::Type(int id, const std::string& text)
{
    for (unsigned char c : text)
        PostMessageA(Item(id), WM_CHAR, c, 1);
}

void RunningProgram::Set(int id, const std::string& text)
{
    SendMessageA(Item(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void RunningProgram::ClickCompile()
{
    PostMessageA(Item(IDC_COMPILE), BM_CLICK, 0, 0);
}

void RunningProgram::Press(BYTE key, BYTE modifier)
{
    SetForegroundWindow(window_);
    WaitFor([&] { return GetForegroundWindow() == window_; }, 10000);
    if (modifier)
        keybd_event(modifier, 0, 0, 0);
    keybd_event(key, 0, 0, 0);
    keybd_event(key, 0, KEYEVENTF_KEYUP, 0);
    if (modifier)
        keybd_event(modifier, 0, KEYEVENTF_KEYUP, 0);
}

int RunningProgram::ExitCode() const
{
    if (WaitForSingleObject(process_.hProcess, 10000) != WAIT_OBJECT_0)
        return -1;
    DWORD code = 0;
    GetExitCodeProcess(process_.hProcess, &code);
    return static_cast<int>(code);
}
