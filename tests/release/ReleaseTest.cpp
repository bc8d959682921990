// The unpacked release, used as a new user uses it: dodavirid.exe started from its folder with no settings,
// a song with mistakes and then every sample song compiled through the window with the default converter
// path, and the window closed with Escape, then once more with File, Exit. Run by package-test.sh, which
// unpacks the ZIP into a fresh folder and a fresh Wine prefix and names the release in RELEASE_DIR and the
// songs in SONGS (Linux paths), the song with mistakes first.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlwapi.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "RunningProgram.h"

namespace {

// A setting as its type and value, such as "1trivane.exe" for a string and "40" for the number 0.
std::string Setting(const char* name)
{
    char data[1024] = "(none)";
    DWORD type = REG_NONE, size = sizeof data;
    SHGetValueA(HKEY_CURRENT_USER, "Software\\Pelrin\\Dodavirid\\Preferences", name, &type, data, &size);
    return std::to_string(type) + (type == REG_DWORD ? std::to_string(*reinterpret_cast<DWORD*>(data)) : data);
}

TEST(Release, CompilesTheSongsThroughTheWindowAndKeepsItsSettings)
{
    ASSERT_EQ(Setting("Trivane"), "0(none)") << "a new user has no settings";
    RunningProgram program(WindowsPath(std::getenv("RELEASE_DIR")));
    ASSERT_TRUE(program.Start());
    std::vector<ListRow> rows = program.Rows();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].text.rfind("Trivane version 2.0.0.1", 0), 0u) << rows[1].text;
    // Typed once, so that the window's idle step enables Compile, which then stays enabled.
    program.Type(IDC_MML_FILE, "a");
    program.Type(IDC_SMF_FILE, "a");
    ASSERT_TRUE(WaitFor([&] { return program.Enabled(IDC_COMPILE); }));

    std::istringstream songs(std::getenv("SONGS"));
    for (std::string song, first = "yes"; songs >> song; first.clear()) {
        program.Set(IDC_MML_FILE, WindowsPath(song));
        program.Set(IDC_SMF_FILE, WindowsPath(song.substr(0, song.size() - 4) + ".mid"));
        program.ClickCompile();
        // The command line comes first, the converter's summary last; errors only for the song with mistakes.
        std::string text;
        EXPECT_TRUE(WaitFor([&] {
            rows = program.Rows();
            text.clear();
            for (const ListRow& row : rows)
                text += std::to_string(row.image) + " " + row.text + "\n";
            return text.find(song.substr(song.rfind('/') + 1)) < text.find('\n') && text.find("トラック ") != text.npos;
        })) << text;
        EXPECT_EQ(text.find("\n1 "), text.npos) << text;
        EXPECT_EQ(text.find("\n2 ") != text.npos, !first.empty()) << text;
        EXPECT_TRUE(WaitFor([&] { return program.Enabled(IDC_EDIT) && program.Enabled(IDC_PLAY) == first.empty(); }));
    }

    program.Press(VK_ESCAPE);
    EXPECT_EQ(program.ExitCode(), 2);
    std::string settings;
    for (const char* name : {"Trivane", "UseMyEditor", "UseMyPlayer", "MyEditor", "MyEditorWithLine", "MyPlayer"})
        settings += Setting(name) + ",";
    EXPECT_EQ(settings, "1trivane.exe,40,40,1,1,1,");
    ASSERT_TRUE(program.Start());
    PostMessageA(program.Window(), WM_COMMAND, ID_FILE_EXIT, 0);
    EXPECT_EQ(program.ExitCode(), ID_FILE_EXIT);
}

}  // namespace
