// What keeps the program safe from its converter and its fields: a converter that never ends is stopped with
// everything it started, the program never starts itself as its converter, a program file is never handed
// to the association, the help is the one beside the program, and a long double-byte row is read whole.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlwapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <string>
#include <thread>

#include "MainWindowHarness.h"
#include "RunningProgram.h"
#include "resource.h"

namespace {

const char PreferencesKey[] = "Software\\Pelrin\\Dodavirid\\Preferences";
const std::string Hang = "hang-" + std::to_string(GetCurrentProcessId()) + ".exe";

int Running(const std::string& name)
{
    int count = 0;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        count += lstrcmpiA(entry.szExeFile, name.c_str()) == 0;
    CloseHandle(snapshot);
    return count;
}

std::string Row(MainWindowHarness& window, int fromEnd)
{
    int count = static_cast<int>(SendMessageA(window.Dialog().Messages().Handle(), LVM_GETITEMCOUNT, 0, 0));
    return window.Dialog().Messages().RowText(count - fromEnd).c_str();
}

class GuardsTest : public ::testing::Test {
protected:
    void SetUp() override { SHDeleteKeyA(HKEY_CURRENT_USER, PreferencesKey); }
    void TearDown() override { SHDeleteKeyA(HKEY_CURRENT_USER, PreferencesKey); }
    void SetConverter(const std::string& path)
    {
        SHSetValueA(HKEY_CURRENT_USER, PreferencesKey, "Trivane", REG_SZ, path.c_str(), path.size() + 1);
    }
    RunningProgram folder_;
};

TEST_F(GuardsTest, AConverterThatNeverEndsIsStoppedWithAllItStarted)
{
    folder_.Copy(WindowsPath(DODAVIRID_PATH), "dodavirid.exe");
    folder_.Copy(WindowsPath(CHILD_PATH), Hang);
    SetConverter(folder_.In(Hang));
    // At start-up it prints a line, starts a child and sleeps; at Compile it does the same without the line.
    SetEnvironmentVariableA("DODAVIRID_TEST_CHILD", "out 48616E670D0A hang");
    ASSERT_TRUE(folder_.Start());
    std::vector<ListRow> rows = folder_.Rows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1].text, "Hang");
    EXPECT_EQ(rows[2].text, "ERROR! trivane.exe が 10 秒以内に終了しなかったので停止しました．");
    EXPECT_EQ(rows[2].image, 2);
    EXPECT_TRUE(WaitFor([] { return Running(Hang) == 0; }, 5000));

    MainWindowHarness window;
    window.Dialog().SetCompileTimeLimit(2000);
    SetDlgItemTextA(window.Window(), IDC_MML_FILE, "hang");
    SetDlgItemTextA(window.Window(), IDC_SMF_FILE, "x");
    std::atomic<int> most(0);
    std::atomic<bool> compiling(true);
    std::thread watch([&] {
        while (compiling)
            most = std::max(most.load(), Running(Hang));
    });
    SendMessageA(window.Window(), WM_COMMAND, ID_FILE_COMPILE, 0);
    compiling = false;
    watch.join();
    EXPECT_EQ(most, 2) << "the converter and its child";
    EXPECT_EQ(Row(window, 1), "ERROR! trivane.exe が 2 秒以内に終了しなかったので停止しました．");
    window.PumpUntil([] { return false; }, 100);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(window.Window(), IDC_PLAY)));
    EXPECT_TRUE(WaitFor([] { return Running(Hang) == 0; }, 5000));
    SetEnvironmentVariableA("DODAVIRID_TEST_CHILD", nullptr);
}

TEST_F(GuardsTest, NeverStartsItselfAsItsConverter)
{
    folder_.Copy(WindowsPath(DODAVIRID_PATH), "dodavirid.exe");
    SetConverter(folder_.In("DODAVIRID"));  // another spelling, and the ".exe" that a command line adds
    ASSERT_TRUE(folder_.Start());
    ASSERT_EQ(folder_.Rows().size(), 3u);
    EXPECT_EQ(folder_.Rows()[1].text, "ERROR! trivane.exe が見つかりませんでした．");
    folder_.Type(IDC_MML_FILE, "a");
    folder_.Type(IDC_SMF_FILE, "b");
    ASSERT_TRUE(WaitFor([&] { return folder_.Enabled(IDC_COMPILE); }));
    folder_.ClickCompile();
    ASSERT_TRUE(WaitFor([&] { return folder_.Rows().size() == 3u; }));
    EXPECT_EQ(folder_.Rows()[1].text, "ERROR! trivane.exe が見つかりませんでした．");
}

TEST_F(GuardsTest, ProgramFilesAreNeverOpenedThroughTheAssociation)
{
    folder_.Copy(WindowsPath(RECORDER_PATH), "song.exe");
    const std::string record = folder_.In("record.txt");
    folder_.Forget("record.txt");
    SetEnvironmentVariableA("DODAVIRID_RECORD", record.c_str());
    MainWindowHarness window;
    SetDlgItemTextA(window.Window(), IDC_MML_FILE, folder_.In("song.exe").c_str());
    SetDlgItemTextA(window.Window(), IDC_SMF_FILE, folder_.In("song.exe").c_str());
    window.Dialog().Messages().AddOutput("ERROR! in line 3");
    const std::string refused = "ERROR! " + folder_.In("song.exe") + " はプログラムなので開きませんでした．";
    SendMessageA(window.Window(), WM_COMMAND, ID_FILE_EDIT, 0);
    EXPECT_EQ(Row(window, 1), refused);
    SendMessageA(window.Window(), WM_COMMAND, ID_FILE_PLAY, 0);
    EXPECT_EQ(Row(window, 1), refused);
    NMITEMACTIVATE click = {};
    click.hdr.hwndFrom = window.Dialog().Messages().Handle();
    click.hdr.idFrom = IDC_MESSAGES;
    click.hdr.code = NM_DBLCLK;
    click.iItem = 3;
    SendMessageA(window.Window(), WM_NOTIFY, IDC_MESSAGES, reinterpret_cast<LPARAM>(&click));
    EXPECT_EQ(Row(window, 1), refused);
    EXPECT_EQ(Row(window, 4), "ERROR! in line 3");
    Sleep(1000);  // a program started through the shell would have written its record by now
    EXPECT_EQ(GetFileAttributesA(record.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(GuardsTest, HelpIsTheOneBesideTheProgram)
{
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    std::string beside = std::string(self, std::strrchr(self, '\\') + 1) + "dodavirid.txt";
    // Text: Wine runs a file whose content is a program, whatever its name.
    for (const std::string& path : {beside, folder_.In("dodavirid.txt")}) {
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        CloseHandle(file);
    }
    folder_.Forget("dodavirid.txt");
    SetCurrentDirectoryA(folder_.In("").c_str());
    const std::string record = folder_.In("record.txt");
    folder_.Forget("record.txt");
    SetEnvironmentVariableA("DODAVIRID_RECORD", record.c_str());
    char oldClass[64] = {};
    DWORD size = sizeof oldClass;
    SHGetValueA(HKEY_CLASSES_ROOT, ".txt", nullptr, nullptr, oldClass, &size);
    SHSetValueA(HKEY_CLASSES_ROOT, ".txt", nullptr, REG_SZ, "GuardsTest.txt", 15);
    std::string command = "\"" + WindowsPath(RECORDER_PATH) + "\" \"%1\"";
    SHSetValueA(HKEY_CLASSES_ROOT, "GuardsTest.txt\\shell\\open\\command", nullptr, REG_SZ, command.c_str(),
                command.size() + 1);
    MainWindowHarness window;
    SendMessageA(window.Window(), WM_COMMAND, ID_HELP_CONTENTS, 0);
    std::string text;
    EXPECT_TRUE(WaitFor([&] {
        char bytes[4096] = {};
        HANDLE file = CreateFileA(record.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        DWORD read = 0;
        ReadFile(file, bytes, sizeof bytes - 1, &read, nullptr);
        CloseHandle(file);
        text = bytes;
        return !text.empty();
    }));
    EXPECT_EQ(text.substr(0, text.find('\t')), command.substr(0, command.size() - 4) + "\"" + beside + "\"");
    SHSetValueA(HKEY_CLASSES_ROOT, ".txt", nullptr, REG_SZ, oldClass, std::strlen(oldClass) + 1);
    SHDeleteKeyA(HKEY_CLASSES_ROOT, "GuardsTest.txt");
    SetCurrentDirectoryA("C:\\");
    DeleteFileA(beside.c_str());
}

// Windows' list view stops a copy before a double-byte character that would not fit whole, Wine's does not:
// the test's list view copies as Windows does.
LRESULT CALLBACK CopyAsWindows(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR)
{
    if (message != LVM_GETITEMTEXTA)
        return DefSubclassProc(list, message, wParam, lParam);
    auto* item = reinterpret_cast<LVITEMA*>(lParam);
    char whole[4096] = {};
    LVITEMA all = *item;
    all.pszText = whole;
    all.cchTextMax = sizeof whole;
    DefSubclassProc(list, message, wParam, reinterpret_cast<LPARAM>(&all));
    int end = 0;
    while (whole[end] && NextCharOffset932(whole, end) < item->cchTextMax)
        end = NextCharOffset932(whole, end);
    std::memcpy(item->pszText, whole, end);
    item->pszText[end] = '\0';
    return end;
}

TEST_F(GuardsTest, ALongDoubleByteRowIsReadWhole)
{
    MainWindowHarness window;
    SetWindowSubclass(window.Dialog().Messages().Handle(), CopyAsWindows, 1, 0);
    // Two bytes first put a double-byte character across the last byte of each buffer it is read into.
    std::string text = "xy";
    for (int i = 0; i < 300; ++i)
        text += "\x82\xA0";
    text += " in line 12";
    window.Dialog().Messages().AddOutput(text.c_str());
    EXPECT_EQ(Row(window, 1), text);
}

}  // namespace
