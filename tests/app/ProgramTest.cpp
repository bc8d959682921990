// dodavirid.exe started as a user starts it, from a folder of its own, and driven from outside: the start-up
// rows, the ways to close it with their exit codes, and the settings it leaves in the registry.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "WindowTesting.h"
#include "resource.h"

namespace {

// Polls `done` for up to ten seconds.
bool WaitFor(const std::function<bool()>& done)
{
    for (DWORD start = GetTickCount(); GetTickCount() - start < 10000; Sleep(20)) {
        if (done())
            return true;
    }
    return done();
}

struct Row {
    std::string text;
    int image;
};

// The program in a fresh folder, with or without a converter beside it.
class RunningProgram {
public:
    explicit RunningProgram(bool withConverter)
    {
        char temp[MAX_PATH];
        GetTempPathA(sizeof(temp), temp);
        folder_ =
            std::string(temp) + "dodavirid-" + std::to_string(GetTickCount()) + "-" + std::to_string(++instances_);
        CreateDirectoryA(folder_.c_str(), nullptr);
        CopyFileA(WindowsPath(DODAVIRID_PATH).c_str(), (folder_ + "\\dodavirid.exe").c_str(), FALSE);
        if (withConverter)
            CopyFileA(FakeConverterPath().c_str(), (folder_ + "\\trivane.exe").c_str(), FALSE);
    }

    ~RunningProgram()
    {
        if (process_.hProcess) {
            if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT)
                TerminateProcess(process_.hProcess, 99);
            WaitForSingleObject(process_.hProcess, 5000);
            CloseHandle(process_.hProcess);
            CloseHandle(process_.hThread);
        }
        DeleteFileA((folder_ + "\\dodavirid.exe").c_str());
        DeleteFileA((folder_ + "\\trivane.exe").c_str());
        RemoveDirectoryA(folder_.c_str());
    }

    // Starts it with a file name on its command line, which it must ignore, and waits for its window to settle.
    bool Start()
    {
        std::string commandLine = "\"" + folder_ + "\\dodavirid.exe\" song.mml";
        STARTUPINFOA startup = {};
        startup.cb = sizeof(startup);
        if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, folder_.c_str(), &startup,
                            &process_))
            return false;
        return WaitFor([&] {
            window_ = FindWindowA("#32770", "Dodavirid");
            DWORD owner = 0;
            GetWindowThreadProcessId(window_, &owner);
            // Shown, and past its first idle step, which disables Compile, Play and Edit.
            return window_ && owner == process_.dwProcessId && IsWindowVisible(window_) &&
                   !IsWindowEnabled(Item(IDC_PLAY));
        });
    }

    HWND Window() const { return window_; }
    HWND Item(int id) const { return GetDlgItem(window_, id); }

    // The list rows, read through a buffer in the program's own memory: a list view answers with pointers
    // into the process that owns it.
    std::vector<Row> Rows() const
    {
        std::vector<Row> rows;
        HWND list = Item(IDC_MESSAGES);
        const SIZE_T size = 4096;
        char* remote = static_cast<char*>(
            VirtualAllocEx(process_.hProcess, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
        if (!remote)
            return rows;
        int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            LVITEMA item = {};
            item.mask = LVIF_TEXT | LVIF_IMAGE;
            item.iItem = i;
            item.pszText = remote + sizeof(item);
            item.cchTextMax = static_cast<int>(size - sizeof(item));
            WriteProcessMemory(process_.hProcess, remote, &item, sizeof(item), nullptr);
            SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(remote));
            char text[4096] = {};
            ReadProcessMemory(process_.hProcess, remote, &item, sizeof(item), nullptr);
            ReadProcessMemory(process_.hProcess, remote + sizeof(item), text, size - sizeof(item) - 1, nullptr);
            rows.push_back(Row{text, item.iImage});
        }
        VirtualFreeEx(process_.hProcess, remote, 0, MEM_RELEASE);
        return rows;
    }

    std::string Text(int id) const
    {
        char text[1024] = {};
        SendMessageA(Item(id), WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text));
        return text;
    }

    // The exit code once the process has ended, or -1 when it has not within ten seconds.
    int ExitCode() const
    {
        if (WaitForSingleObject(process_.hProcess, 10000) != WAIT_OBJECT_0)
            return -1;
        DWORD code = 0;
        GetExitCodeProcess(process_.hProcess, &code);
        return static_cast<int>(code);
    }

    // Key presses go to the active window, as from the keyboard.
    void Press(BYTE key, BYTE modifier = 0)
    {
        SetForegroundWindow(window_);
        WaitFor([&] { return GetForegroundWindow() == window_; });
        if (modifier)
            keybd_event(modifier, 0, 0, 0);
        keybd_event(key, 0, 0, 0);
        keybd_event(key, 0, KEYEVENTF_KEYUP, 0);
        if (modifier)
            keybd_event(modifier, 0, KEYEVENTF_KEYUP, 0);
    }

private:
    static int instances_;
    std::string folder_;
    PROCESS_INFORMATION process_ = {};
    HWND window_ = nullptr;
};

int RunningProgram::instances_ = 0;

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override { ResetPreferencesKey(); }
    void TearDown() override { ResetPreferencesKey(); }
    FakeConverterLog converter_;
};

TEST_F(ProgramTest, ShowsTheConverterBannerBesideItsVersionAndIgnoresItsCommandLine)
{
    RunningProgram program(true);
    ASSERT_TRUE(program.Start());
    std::vector<Row> rows = program.Rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].text, "Dodavirid Version 2.0.0.1");
    EXPECT_EQ(rows[1].text, "Fake converter 1.0");
    EXPECT_EQ(rows[1].image, 0);
    EXPECT_EQ(converter_.Text(), "\"trivane.exe\"\r\n") << "found by its bare default name";
    EXPECT_EQ(program.Text(IDC_MML_FILE), "");
    EXPECT_EQ(program.Text(IDC_SMF_FILE), "");

    // A compile through the running window reaches the converter beside it.
    // Typed, not set: the idle step that applies control states follows posted input, as from the keyboard.
    PostChars(program.Item(IDC_MML_FILE), "a b.mml");
    PostChars(program.Item(IDC_SMF_FILE), "a b.mid");
    ASSERT_TRUE(WaitFor([&] { return IsWindowEnabled(program.Item(IDC_COMPILE)) != FALSE; }));
    PostMessageA(program.Item(IDC_COMPILE), BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return IsWindowEnabled(program.Item(IDC_PLAY)) != FALSE; }));
    EXPECT_EQ(converter_.Text(), "\"trivane.exe\"\r\n\"trivane.exe\" \"a b.mml\" \"a b.mid\"\r\n");
}

TEST_F(ProgramTest, SaysWhenNoConverterIsBesideIt)
{
    RunningProgram program(false);
    ASSERT_TRUE(program.Start());
    std::vector<Row> rows = program.Rows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].text, "Dodavirid Version 2.0.0.1");
    EXPECT_EQ(rows[1].text, "ERROR! trivane.exe が見つかりませんでした．");
    EXPECT_EQ(rows[1].image, 2);
    EXPECT_EQ(rows[2].text, "「設定」で正しいパスを指定してください．");
    EXPECT_EQ(rows[2].image, 0);
}

TEST_F(ProgramTest, EscapeEndsWithCode2AndLeavesTheSixSettings)
{
    RunningProgram program(true);
    ASSERT_TRUE(program.Start());
    program.Press(VK_ESCAPE);
    EXPECT_EQ(program.ExitCode(), 2);

    DWORD type = 0;
    for (const char* name : {"UseMyEditor", "UseMyPlayer"}) {
        EXPECT_EQ(ReadPreference(name, type), std::string(4, '\0')) << name;
        EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD)) << name;
    }
    EXPECT_EQ(ReadPreference("Trivane", type), std::string("trivane.exe") + '\0');
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    for (const char* name : {"MyEditor", "MyEditorWithLine", "MyPlayer"}) {
        EXPECT_EQ(ReadPreference(name, type), std::string(1, '\0')) << name;
        EXPECT_EQ(type, static_cast<DWORD>(REG_SZ)) << name;
    }
}

TEST_F(ProgramTest, AltF4EndsWithCode2)
{
    RunningProgram program(true);
    ASSERT_TRUE(program.Start());
    program.Press(VK_F4, VK_MENU);
    EXPECT_EQ(program.ExitCode(), 2);
}

TEST_F(ProgramTest, FileExitEndsWith32787)
{
    RunningProgram program(true);
    ASSERT_TRUE(program.Start());
    PostMessageA(program.Window(), WM_COMMAND, MAKEWPARAM(ID_FILE_EXIT, 0), 0);
    EXPECT_EQ(program.ExitCode(), ID_FILE_EXIT);
    DWORD type = 0;
    ReadPreference("MyPlayer", type);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
}

}  // namespace
