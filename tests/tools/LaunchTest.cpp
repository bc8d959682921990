// Edit, Play and the double-click on a message, through the real main window: each command starts a
// recording stand-in for the editor or player, through a command template or through a file association
// registered in the test prefix's registry, and the test reads back how the stand-in was started.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlwapi.h>

#include <string>
#include <vector>

#include "MainWindowHarness.h"
#include "RunningProgram.h"
#include "resource.h"

namespace {

const std::string Recorder = WindowsPath(RECORDER_PATH);

struct Launch {
    std::string commandLine;
    std::string directory;
};

void WriteFile(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    CloseHandle(file);
}

// Wine's shell reads associations from HKEY_CLASSES_ROOT alone, without the per-user classes that Windows
// merges in, so the test's associations go there; the prefix is the build's own.
void SetClassValue(const std::string& key, const std::string& value)
{
    SHSetValueA(HKEY_CLASSES_ROOT, key.c_str(), nullptr, REG_SZ, value.c_str(), value.size() + 1);
}

class LaunchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // A working directory of the test's own, apart from the folder of the files it opens.
        char temp[MAX_PATH];
        GetTempPathA(sizeof(temp), temp);
        work_ = std::string(temp) + "dodavirid-launch-" + std::to_string(GetCurrentProcessId());
        songs_ = work_ + "\\my songs";
        CreateDirectoryA(work_.c_str(), nullptr);
        CreateDirectoryA(songs_.c_str(), nullptr);
        SetCurrentDirectoryA(work_.c_str());
        record_ = work_ + "\\record.txt";
        DeleteFileA(record_.c_str());
        SetEnvironmentVariableA("DODAVIRID_RECORD", record_.c_str());
        ASSERT_TRUE(window_.Created());
    }

    void TearDown() override
    {
        SHDeleteKeyA(HKEY_CLASSES_ROOT, ".mml");
        SHDeleteKeyA(HKEY_CLASSES_ROOT, ".mid");
        SHDeleteKeyA(HKEY_CLASSES_ROOT, "DodaviridTest.file");
        // The stand-ins have written their records by now: every test waited for its last one.
        SetCurrentDirectoryA("C:\\");
        for (const char* name : {"\\my songs\\tune.mml", "\\my songs\\tune.mid", "\\record.txt"})
            DeleteFileA((work_ + name).c_str());
        RemoveDirectoryA(songs_.c_str());
        RemoveDirectoryA(work_.c_str());
    }

    // The messages a compile might have shown, replacing those of the start-up.
    void ShowMessages(const char* output)
    {
        window_.Dialog().Messages().Clear();
        window_.Dialog().Messages().AddOutput(output);
    }

    void SetField(int id, const std::string& text) { SetDlgItemTextA(window_.Window(), id, text.c_str()); }

    // A double-click of the mouse at the middle of a row's rectangle; row -1 is the blank below the last row.
    void DoubleClickRow(int row)
    {
        HWND list = GetDlgItem(window_.Window(), IDC_MESSAGES);
        int last = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)) - 1;
        RECT rect = {};
        rect.left = LVIR_BOUNDS;
        SendMessageA(list, LVM_GETITEMRECT, row < 0 ? last : row, reinterpret_cast<LPARAM>(&rect));
        POINT point = {(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
        if (row < 0)
            point.y += 3 * (rect.bottom - rect.top);
        LPARAM at = MAKELPARAM(point.x, point.y);
        SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageA(list, WM_LBUTTONUP, 0, at);
        SendMessageA(list, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
        SendMessageA(list, WM_LBUTTONUP, 0, at);
    }

    // Waits until the stand-in has been started `count` times in all and returns every start so far.
    std::vector<Launch> WaitForLaunches(size_t count)
    {
        std::vector<Launch> launches;
        window_.PumpUntil([&] {
            launches = ReadLaunches();
            return launches.size() >= count;
        });
        return launches;
    }

    std::vector<Launch> ReadLaunches()
    {
        // The stand-in holds the file exclusively while it writes, so a file that opens is complete.
        std::vector<Launch> launches;
        HANDLE file = CreateFileA(record_.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return launches;
        std::string text(65536, '\0');
        DWORD read = 0;
        ReadFile(file, &text[0], text.size(), &read, nullptr);
        CloseHandle(file);
        text.resize(read);
        for (size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
            std::string line = text.substr(start, end - start);
            size_t tab = line.rfind('\t');
            launches.push_back({line.substr(0, tab), line.substr(tab + 1)});
        }
        return launches;
    }

    MainWindowHarness window_;
    std::string work_;
    std::string songs_;
    std::string record_;
};

TEST_F(LaunchTest, DoubleClickOnAMessageThatNamesALineOpensTheEditorAtIt)
{
    Preferences& settings = window_.Dialog().Settings();
    settings.UseMyEditor = true;
    settings.MyEditor = ("\"" + Recorder + "\" plain \"%f\"").c_str();
    settings.MyEditorWithLine = ("\"" + Recorder + "\" -n%l \"%f\"").c_str();
    std::string mml = songs_ + "\\a%lb.mml";
    SetField(IDC_MML_FILE, mml);
    ShowMessages(
        "Trivane compiling\r\n"
        "ERROR! in line 12: unknown command 'q'\r\n"
        "ERROR! in line : no number\r\n"
        "Warning: in line 3: tempo is not set\r\n");

    // Neither a row without a line, nor one whose marker has no number, nor the blank below the rows.
    DoubleClickRow(0);
    DoubleClickRow(2);
    DoubleClickRow(-1);
    DoubleClickRow(1);
    std::vector<Launch> launches = WaitForLaunches(1);
    ASSERT_EQ(launches.size(), 1u);
    EXPECT_EQ(launches[0].commandLine, "\"" + Recorder + "\" -n12 \"" + mml + "\"");
    EXPECT_EQ(launches[0].directory, work_);

    // A warning's line is as good as an error's.
    DoubleClickRow(3);
    launches = WaitForLaunches(2);
    ASSERT_EQ(launches.size(), 2u);
    EXPECT_EQ(launches[1].commandLine, "\"" + Recorder + "\" -n3 \"" + mml + "\"");
}

TEST_F(LaunchTest, EditAndPlayRunTheirTemplatesWithTheFieldsAsTheyStand)
{
    Preferences& settings = window_.Dialog().Settings();
    settings.UseMyEditor = true;
    settings.UseMyPlayer = true;
    settings.MyEditor = ("\"" + Recorder + "\" edit \"%f\" %l").c_str();
    settings.MyEditorWithLine = "unused.exe %f";
    settings.MyPlayer = ("\"" + Recorder + "\" play %f").c_str();
    SetField(IDC_MML_FILE, songs_ + "\\tune.mml");
    SetField(IDC_SMF_FILE, songs_ + "\\tune.mid");

    // Edit from the menu, Play from its button.
    SendMessageA(window_.Window(), WM_COMMAND, ID_FILE_EDIT, 0);
    ASSERT_EQ(WaitForLaunches(1).size(), 1u);
    HWND play = GetDlgItem(window_.Window(), IDC_PLAY);
    SendMessageA(window_.Window(), WM_COMMAND, MAKEWPARAM(IDC_PLAY, BN_CLICKED), reinterpret_cast<LPARAM>(play));
    std::vector<Launch> launches = WaitForLaunches(2);
    ASSERT_EQ(launches.size(), 2u);
    EXPECT_EQ(launches[0].commandLine, "\"" + Recorder + "\" edit \"" + songs_ + "\\tune.mml\" %l");
    // No quotes are added: a path with a blank reaches the player as two arguments.
    EXPECT_EQ(launches[1].commandLine, "\"" + Recorder + "\" play " + songs_ + "\\tune.mid");
    EXPECT_EQ(launches[1].directory, work_);
}

TEST_F(LaunchTest, WithoutTheirFlagsTheCommandsOpenTheFilesThroughTheirAssociation)
{
    SetClassValue(".mml", "DodaviridTest.file");
    SetClassValue(".mid", "DodaviridTest.file");
    SetClassValue("DodaviridTest.file\\shell\\open\\command", "\"" + Recorder + "\" associated \"%1\"");
    Preferences& settings = window_.Dialog().Settings();
    settings.UseMyEditor = false;
    settings.UseMyPlayer = false;
    settings.MyEditor = ("\"" + Recorder + "\" template \"%f\"").c_str();
    settings.MyEditorWithLine = settings.MyEditor;
    settings.MyPlayer = settings.MyEditor;
    std::string mml = songs_ + "\\tune.mml";
    std::string mid = songs_ + "\\tune.mid";
    WriteFile(mml);
    WriteFile(mid);
    SetField(IDC_MML_FILE, mml);
    SetField(IDC_SMF_FILE, mid);
    ShowMessages("ERROR! in line 12: unknown command 'q'");

    SendMessageA(window_.Window(), WM_COMMAND, ID_FILE_EDIT, 0);
    ASSERT_EQ(WaitForLaunches(1).size(), 1u);
    SendMessageA(window_.Window(), WM_COMMAND, ID_FILE_PLAY, 0);
    ASSERT_EQ(WaitForLaunches(2).size(), 2u);
    // The association is given the file alone: the line is dropped.
    DoubleClickRow(0);
    std::vector<Launch> launches = WaitForLaunches(3);
    ASSERT_EQ(launches.size(), 3u);
    EXPECT_EQ(launches[0].commandLine, "\"" + Recorder + "\" associated \"" + mml + "\"");
    EXPECT_EQ(launches[1].commandLine, "\"" + Recorder + "\" associated \"" + mid + "\"");
    EXPECT_EQ(launches[2].commandLine, "\"" + Recorder + "\" associated \"" + mml + "\"");
}

}  // namespace
