// Edit, Play, the double-click on a message and the Help menu, through the real main window: the About box,
// and the commands that start a recording stand-in, through a command template or through a shell association
// registered for the test's process, for which the test reads back how the stand-in was started and where.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlwapi.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>

#include "MainWindowHarness.h"
#include "RunningProgram.h"
#include "links.h"
#include "resource.h"

namespace {

const std::string Recorder = "\"" + WindowsPath(RECORDER_PATH) + "\"";

// The stand-in's record, once it can be opened: each stand-in holds the file exclusively while it writes.
std::string Read(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

TEST(Launch, TheAboutBoxShowsTheFileVersionEachTimeItOpensAndClosesWithEnterOrEscape)
{
    MainWindowHarness window;
    ASSERT_TRUE(window.Created());
    for (WPARAM key : {VK_RETURN, VK_ESCAPE}) {
        std::string version;
        RunModalCommand(window.Window(), ID_HELP_ABOUT, [&](HWND dialog) {
            version = DialogItemText(dialog, IDC_ABOUT_VERSION);
            PressKey(dialog, GetDlgItem(dialog, IDOK), key);
        });
        EXPECT_EQ(version, "Version 2.0.0.1");
    }
}

TEST(Launch, TemplatesOrTheShellGetTheFileAndTheLineOfTheMessageDoubleClickedAndHelpGoesToTheShell)
{
    // A working folder of the test's own, apart from the folder of the files.
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    const std::string work = temp + std::string("dodavirid-launch");
    const std::string mml = work + "\\my songs\\a%lb.mml", mid = work + "\\my songs\\b.mid", record = work + "\\rec";
    const std::string files[] = {mml, mid, work + "\\dodavirid.txt", record};
    CreateDirectoryA(work.c_str(), nullptr);
    CreateDirectoryA((work + "\\my songs").c_str(), nullptr);
    SetCurrentDirectoryA(work.c_str());
    for (const std::string& file : files)
        CloseHandle(CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    SetEnvironmentVariableA("DODAVIRID_RECORD", record.c_str());
    MainWindowHarness window;
    ASSERT_TRUE(window.Created());
    // The shell's classes, for this process only, in a key of the test's own: Wine's shell reads
    // HKEY_CLASSES_ROOT alone, without the per-user classes that Windows merges in.
    HKEY classes = nullptr;
    RegCreateKeyA(HKEY_CURRENT_USER, "Software\\DodaviridTest", &classes);
    ASSERT_EQ(RegOverridePredefKey(HKEY_CLASSES_ROOT, classes), ERROR_SUCCESS);
    for (const char* extension : {".mml", ".mid", ".txt"})
        SHSetValueA(HKEY_CLASSES_ROOT, extension, nullptr, REG_SZ, "DodaviridTest.file", 19);
    for (const char* name : {"DodaviridTest.file", "https"}) {
        const std::string command = Recorder + (name[0] == 'h' ? " web \"%1\"" : " file \"%1\"");
        SHSetValueA(HKEY_CLASSES_ROOT, (name + std::string("\\shell\\open\\command")).c_str(), nullptr, REG_SZ,
                    command.c_str(), command.size() + 1);
    }
    SetDlgItemTextA(window.Window(), IDC_MML_FILE, mml.c_str());
    SetDlgItemTextA(window.Window(), IDC_SMF_FILE, mid.c_str());
    window.Dialog().Messages().Clear();
    window.Dialog().Messages().AddOutput(
        "Trivane\r\nERROR! in line 12: q\r\nERROR! in line : x\r\nWarning: in line 3: t");
    HWND list = GetDlgItem(window.Window(), IDC_MESSAGES);

    // Each step is a command, F1 (-1), or a double-click on a message row (0, then the row; row 4 is the blank
    // below the last), and the arguments of the start that follows, if any.
    const struct {
        int command, row;
        std::string arguments;
    } steps[] = {
        {0, 0, ""},
        {0, 2, ""},
        {0, 4, ""},
        {0, 1, "-n12 \"" + mml + "\""},
        {0, 3, "-n3 \"" + mml + "\""},
        {ID_FILE_EDIT, 0, "edit \"" + mml + "\" %l"},
        {IDC_PLAY, 0, "play " + mid},  // no quotes are added
        // Without their flags, through the association, which is given the file alone.
        {ID_FILE_EDIT, 0, "file \"" + mml + "\""},
        {ID_FILE_PLAY, 0, "file \"" + mid + "\""},
        {0, 1, "file \"" + mml + "\""},
        {-1, 0, "file \"" + files[2] + "\""},
        {ID_HELP_CONVERTER_SITE, 0, "web \"" DODAVIRID_CONVERTER_SITE "\""},
        {ID_HELP_MAKER_SITE, 0, "web \"" DODAVIRID_MAKER_SITE "\""},
    };
    Preferences& settings = window.Dialog().Settings();
    settings.MyEditor = (Recorder + " edit \"%f\" %l").c_str();
    settings.MyEditorWithLine = (Recorder + " -n%l \"%f\"").c_str();
    settings.MyPlayer = (Recorder + " play %f").c_str();
    std::string expected;
    for (const auto& step : steps) {
        settings.UseMyEditor = settings.UseMyPlayer = &step < &steps[7];
        if (step.command > 0) {
            LPARAM button = reinterpret_cast<LPARAM>(GetDlgItem(window.Window(), step.command));
            SendMessageA(window.Window(), WM_COMMAND, MAKEWPARAM(step.command, BN_CLICKED), button);
        } else if (step.command < 0) {
            PressKey(window.Window(), nullptr, VK_F1);
        } else {
            // The middle of the row, or three rows below the last one.
            RECT rect = {LVIR_BOUNDS, 0, 0, 0};
            SendMessageA(list, LVM_GETITEMRECT, std::min(step.row, 3), reinterpret_cast<LPARAM>(&rect));
            int y = (rect.top + rect.bottom) / 2 + (step.row > 3 ? 3 * (rect.bottom - rect.top) : 0);
            for (UINT message : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP})
                SendMessageA(list, message, message == WM_LBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(rect.left + 20, y));
        }
        if (!step.arguments.empty())
            expected += Recorder + " " + step.arguments + "\t" + work + "\r\n";
        window.PumpUntil([&] {
            std::string text = Read(record);
            return std::count(text.begin(), text.end(), '\n') >= std::count(expected.begin(), expected.end(), '\n');
        });
    }
    EXPECT_EQ(Read(record), expected);
    RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
}

}  // namespace
