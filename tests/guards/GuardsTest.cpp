// What keeps the program safe from its converter and its fields: a converter that never ends is stopped with
// everything it started, the program never starts itself as its converter, a program file is never handed
// to the association, and a long converter path and a long double-byte row are used whole.
#include <gtest/gtest.h>

#include <shlwapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <atomic>

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
    PROCESSENTRY32 entry = {sizeof entry};
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

void SetValue(HKEY root, const std::string& key, const char* name, const std::string& value)
{
    SHSetValueA(root, key.c_str(), name, REG_SZ, value.c_str(), value.size() + 1);
}

class GuardsTest : public ::testing::Test {
protected:
    GuardsTest() { folder_.Copy(WindowsPath(DODAVIRID_PATH), "dodavirid.exe"); }
    void SetUp() override { SHDeleteKeyA(HKEY_CURRENT_USER, PreferencesKey); }
    void TearDown() override { SHDeleteKeyA(HKEY_CURRENT_USER, PreferencesKey); }
    RunningProgram folder_;
};

TEST_F(GuardsTest, AConverterThatNeverEndsIsStoppedWithAllItStarted)
{
    folder_.Copy(WindowsPath(CHILD_PATH), Hang);
    SetValue(HKEY_CURRENT_USER, PreferencesKey, "Trivane", folder_.In(Hang));
    // At start-up it prints a line, starts a child and sleeps; at Compile, the argument "hang" does the same.
    SetEnvironmentVariableA("DODAVIRID_TEST_CHILD", "out 48616E670D0A hang");
    ASSERT_TRUE(folder_.Start());
    std::vector<ListRow> rows = folder_.Rows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[1].text, "Hang");
    EXPECT_EQ(rows[2].text, "ERROR! trivane.exe が 10 秒以内に終了しなかったので停止しました．");
    EXPECT_TRUE(WaitFor([] { return Running(Hang) == 0; }, 5000));

    SetEnvironmentVariableA("DODAVIRID_TEST_CHILD", nullptr);
    MainWindowHarness window;
    window.Dialog().SetCompileTimeLimit(2000);
    SetDlgItemTextA(window.Window(), IDC_MML_FILE, "hang");
    SetDlgItemTextA(window.Window(), IDC_SMF_FILE, "x");
    std::atomic<int> most(0);
    std::thread watch([&] {
        for (DWORD end = GetTickCount() + 1500; GetTickCount() < end;)
            most = std::max(most.load(), Running(Hang));
    });
    SendMessageA(window.Window(), WM_COMMAND, ID_FILE_COMPILE, 0);
    watch.join();
    EXPECT_EQ(most, 2) << "the converter and its child";
    EXPECT_TRUE(WaitFor([] { return Running(Hang) == 0; }, 5000));
    EXPECT_EQ(Row(window, 1), "ERROR! trivane.exe が 2 秒以内に終了しなかったので停止しました．");
    window.PumpUntil([] { return false; }, 100);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(window.Window(), IDC_PLAY)));
}

TEST_F(GuardsTest, NeverStartsItselfAsItsConverter)
{
    // Another spelling, the ".exe" that a command line adds, and the quotes of a path copied from the desktop.
    SetValue(HKEY_CURRENT_USER, PreferencesKey, "Trivane", "\"" + folder_.In("DODAVIRID") + "\"");
    ASSERT_TRUE(folder_.Start());
    EXPECT_EQ(folder_.Rows().at(1).text, "ERROR! trivane.exe が見つかりませんでした．");
    PostMessageA(folder_.Window(), WM_COMMAND, ID_FILE_COMPILE, 0);
    ASSERT_TRUE(WaitFor([&] { return folder_.Rows().size() == 3u && folder_.Rows()[0].text[0] == '"'; }));
    EXPECT_EQ(folder_.Rows()[1].text, "ERROR! trivane.exe が見つかりませんでした．");
}

// Windows' list view stops a copy before a double-byte character that would not fit whole, Wine's does not:
// the test's list view copies as Windows does.
LRESULT CALLBACK CopyAsWindows(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR)
{
    if (message != LVM_GETITEMTEXTA)
        return DefSubclassProc(list, message, wParam, lParam);
    char whole[4096] = {};
    LVITEMA all = {0, 0, 0, 0, 0, whole, sizeof whole};
    DefSubclassProc(list, message, wParam, reinterpret_cast<LPARAM>(&all));
    auto* item = reinterpret_cast<LVITEMA*>(lParam);
    int end = 0;
    while (whole[end] && NextCharOffset932(whole, end) < item->cchTextMax)
        end = NextCharOffset932(whole, end);
    lstrcpynA(item->pszText, whole, end + 1);
    return end;
}

TEST_F(GuardsTest, LongPathsAndRowsAreWholeAndTheShellGetsNoProgram)
{
    // A converter path as long as a field holds (1,023 bytes, or one less) starts the converter at start-up too.
    folder_.Copy(WindowsPath(CHILD_PATH), Hang);
    std::string longPath = folder_.In("");
    while ((longPath + Hang).size() < 1022)
        longPath += ".\\";
    SetValue(HKEY_CURRENT_USER, PreferencesKey, "Trivane", longPath + Hang);
    SetEnvironmentVariableA("DODAVIRID_TEST_CHILD", "out 4F4B0D0A");
    MainWindowHarness window;
    EXPECT_EQ(Row(window, 1), "OK");
    folder_.Copy(WindowsPath(CHILD_PATH), "song.exe");
    SetEnvironmentVariableA("DODAVIRID_TEST_CHILD", "sleep 3000");  // what song.exe would do if it were run
    // Spelt as folders, which the system's full path name turns back into the program.
    const std::string mml = folder_.In("song.exe\\."), smf = folder_.In("song.exe\\y\\..");
    SetDlgItemTextA(window.Window(), IDC_MML_FILE, mml.c_str());
    SetDlgItemTextA(window.Window(), IDC_SMF_FILE, smf.c_str());
    // A row whose line number lies past the first buffers: two bytes first put a double-byte character across
    // the last byte of each buffer it is read into. A double-click on it must find the number.
    SetWindowSubclass(window.Dialog().Messages().Handle(), CopyAsWindows, 1, 0);
    std::string text = "xy";
    while (text.size() < 600)
        text += "\x82\xA0";
    window.Dialog().Messages().AddOutput((text + " in line 12").c_str());
    SendMessageA(window.Window(), WM_COMMAND, ID_FILE_EDIT, 0);
    SendMessageA(window.Window(), WM_COMMAND, ID_FILE_PLAY, 0);
    NMITEMACTIVATE click = {{window.Dialog().Messages().Handle(), IDC_MESSAGES, static_cast<UINT>(NM_DBLCLK)}, 2};
    SendMessageA(window.Window(), WM_NOTIFY, IDC_MESSAGES, reinterpret_cast<LPARAM>(&click));
    const std::string refused = " はプログラムなので開きませんでした．|";
    EXPECT_EQ(Row(window, 3) + "|" + Row(window, 2) + "|" + Row(window, 1) + "|",
              "ERROR! " + mml + refused + "ERROR! " + smf + refused + "ERROR! " + mml + refused);
    EXPECT_EQ(Running("song.exe"), 0);
    SetEnvironmentVariableA("DODAVIRID_TEST_CHILD", nullptr);
}

}  // namespace
