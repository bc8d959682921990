// The About box, opened from the real main window's Help menu, and the Help menu's other commands with the
// shell's handlers for text files and web addresses pointed at a recording stand-in.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlwapi.h>

#include <string>

#include "MainWindowHarness.h"
#include "RunningProgram.h"
#include "links.h"
#include "resource.h"

namespace {

struct AboutBox {
    std::string version;
    RECT rect;
};

RECT WorkArea()
{
    RECT area;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}

bool Inside(const RECT& inner, const RECT& outer)
{
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

class AboutTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(window_.Created()); }

    // Opens the box from the menu, reads it and closes it with `key`.
    AboutBox Open(WPARAM key)
    {
        AboutBox box = {};
        RunModalCommand(window_.Window(), ID_HELP_ABOUT, [&](HWND dialog) {
            box.version = DialogItemText(dialog, IDC_ABOUT_VERSION);
            GetWindowRect(dialog, &box.rect);
            PressKey(dialog, GetDlgItem(dialog, IDOK), key);
        });
        return box;
    }

    MainWindowHarness window_;
};

TEST_F(AboutTest, ShowsTheFileVersionEachTimeItOpens)
{
    AboutBox first = Open(VK_ESCAPE);
    AboutBox second = Open(VK_RETURN);
    EXPECT_EQ(first.version, "Version 2.0.0.1");
    EXPECT_EQ(second.version, "Version 2.0.0.1");
}

TEST_F(AboutTest, StaysInsideTheWorkAreaWhenTheMainWindowIsNearItsEdges)
{
    RECT area = WorkArea();
    RECT main;
    GetWindowRect(window_.Window(), &main);
    int width = main.right - main.left;
    int height = main.bottom - main.top;
    // Centred on the main window, the box would stick out past the corner the window hangs over.
    const POINT corners[] = {{area.right - width / 4, area.bottom - height / 4},
                             {area.left - width * 3 / 4, area.top - height * 3 / 4}};
    for (const POINT& corner : corners) {
        SetWindowPos(window_.Window(), nullptr, corner.x, corner.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        AboutBox box = Open(VK_ESCAPE);
        EXPECT_TRUE(Inside(box.rect, area))
            << "box " << box.rect.left << "," << box.rect.top << " - " << box.rect.right << "," << box.rect.bottom;
        EXPECT_EQ(box.version, "Version 2.0.0.1");
    }
}

// Points a class of the shell at another command for the length of a test, and puts back what was there:
// the old value, or no value, or no key at all (a prefix may have no key for .txt, and an empty one would
// hide the shell's own fallback).
class ScopedClassValue {
public:
    ScopedClassValue(const std::string& key, const std::string& value) : key_(key)
    {
        HKEY existing;
        hadKey_ = RegOpenKeyExA(HKEY_CLASSES_ROOT, key_.c_str(), 0, KEY_READ, &existing) == ERROR_SUCCESS;
        if (hadKey_)
            RegCloseKey(existing);
        char old[1024] = {};
        DWORD size = sizeof(old);
        hadValue_ = SHGetValueA(HKEY_CLASSES_ROOT, key_.c_str(), nullptr, nullptr, old, &size) == ERROR_SUCCESS;
        old_ = old;
        SHSetValueA(HKEY_CLASSES_ROOT, key_.c_str(), nullptr, REG_SZ, value.c_str(), value.size() + 1);
    }
    ~ScopedClassValue()
    {
        if (!hadKey_)
            SHDeleteKeyA(HKEY_CLASSES_ROOT, key_.c_str());
        else if (hadValue_)
            SHSetValueA(HKEY_CLASSES_ROOT, key_.c_str(), nullptr, REG_SZ, old_.c_str(), old_.size() + 1);
        else
            SHDeleteValueA(HKEY_CLASSES_ROOT, key_.c_str(), nullptr);
    }

private:
    std::string key_;
    bool hadKey_;
    bool hadValue_;
    std::string old_;
};

// The record of the stand-in's starts: one line each, its command line, a tab and its current directory.
std::string ReadRecord(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::string();
    std::string text(65536, '\0');
    DWORD read = 0;
    ReadFile(file, &text[0], text.size(), &read, nullptr);
    CloseHandle(file);
    text.resize(read);
    return text;
}

size_t CountLines(const std::string& text)
{
    size_t lines = 0;
    for (size_t at = 0; (at = text.find("\r\n", at)) != std::string::npos; at += 2)
        ++lines;
    return lines;
}

TEST_F(AboutTest, HelpAndTheWebSitesGoToTheShellsHandlers)
{
    // The help file is looked for in the current directory, wherever the program lies.
    char temp[MAX_PATH];
    GetTempPathA(sizeof(temp), temp);
    std::string work = std::string(temp) + "dodavirid-help-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(work.c_str(), nullptr);
    SetCurrentDirectoryA(work.c_str());
    std::string help = work + "\\dodavirid.txt";
    CloseHandle(CreateFileA(help.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    std::string record = work + "\\record.txt";
    DeleteFileA(record.c_str());
    SetEnvironmentVariableA("DODAVIRID_RECORD", record.c_str());

    const std::string recorder = "\"" + WindowsPath(RECORDER_PATH) + "\"";
    ScopedClassValue text(".txt", "DodaviridTest.text");
    ScopedClassValue textCommand("DodaviridTest.text\\shell\\open\\command", recorder + " text \"%1\"");
    ScopedClassValue web("https\\shell\\open\\command", recorder + " web \"%1\"");

    // F1 through the window's accelerators, the sites from the menu.
    PostMessageA(window_.Window(), WM_KEYDOWN, VK_F1, 1);
    PostMessageA(window_.Window(), WM_KEYUP, VK_F1, 0xC0000001);
    ASSERT_TRUE(window_.PumpUntil([&] { return CountLines(ReadRecord(record)) >= 1; }));
    SendMessageA(window_.Window(), WM_COMMAND, ID_HELP_CONVERTER_SITE, 0);
    ASSERT_TRUE(window_.PumpUntil([&] { return CountLines(ReadRecord(record)) >= 2; }));
    SendMessageA(window_.Window(), WM_COMMAND, ID_HELP_MAKER_SITE, 0);
    ASSERT_TRUE(window_.PumpUntil([&] { return CountLines(ReadRecord(record)) >= 3; }));

    std::string expected = recorder + " text \"" + help + "\"\t" + work + "\r\n";
    expected += recorder + " web \"" DODAVIRID_CONVERTER_SITE "\"\t" + work + "\r\n";
    expected += recorder + " web \"" DODAVIRID_MAKER_SITE "\"\t" + work + "\r\n";
    EXPECT_EQ(ReadRecord(record), expected);
    SetCurrentDirectoryA(temp);
    DeleteFileA(record.c_str());
    DeleteFileA(help.c_str());
    RemoveDirectoryA(work.c_str());
    SHDeleteKeyA(HKEY_CLASSES_ROOT, "DodaviridTest.text");
}

}  // namespace
