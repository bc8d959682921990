// The unpacked release, used as a new user uses it: dodavirid.exe started from its folder with no settings,
// a song with mistakes and then every sample song compiled through the window with the default converter
// path, and the window closed with Escape, then once more with File, Exit. Run by package-test.sh, which
// unpacks the ZIP into a fresh folder and a fresh Wine prefix and names the release in RELEASE_DIR and the
// songs in SONGS (Linux paths), the song with mistakes first.
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "RunningProgram.h"

namespace {

TEST(Release, CompilesTheSongsThroughTheWindowAndEndsWithItsCodes)
{
    RunningProgram program(WindowsPath(std::getenv("RELEASE_DIR")));
    ASSERT_TRUE(program.Start());
    EXPECT_EQ(program.Rows().at(1).text.rfind("Trivane version 2.0.0.1", 0), 0u);
    // Typed once, so that the window's idle step enables Compile, which then stays enabled.
    program.Type(IDC_MML_FILE, "a");
    program.Type(IDC_SMF_FILE, "a");
    ASSERT_TRUE(WaitFor([&] { return program.Enabled(IDC_COMPILE); }));

    std::istringstream songs(std::getenv("SONGS"));
    for (std::string song, first = "yes"; songs >> song; first.clear()) {
        program.Set(IDC_MML_FILE, WindowsPath(song));
        program.Set(IDC_SMF_FILE, WindowsPath(song.substr(0, song.size() - 4) + ".mid"));
        program.ClickCompile();
        // The converter's summary; errors for the song with mistakes, and neither error nor warning for a sample.
        std::string text;
        for (const ListRow& row : program.Rows())
            text += std::to_string(row.image) + " " + row.text + "\n";
        EXPECT_NE(text.find("トラック "), text.npos) << text;
        EXPECT_TRUE(!first.empty() || text.find("\n1 ") == text.npos) << text;
        EXPECT_EQ(text.find("\n2 ") != text.npos, !first.empty()) << text;
        EXPECT_TRUE(WaitFor([&] { return program.Enabled(IDC_EDIT) && program.Enabled(IDC_PLAY) == first.empty(); }));
    }

    program.Press(VK_ESCAPE);
    EXPECT_EQ(program.ExitCode(), 2);
    ASSERT_TRUE(program.Start());
    PostMessageA(program.Window(), WM_COMMAND, ID_FILE_EXIT, 0);
    EXPECT_EQ(program.ExitCode(), ID_FILE_EXIT);
}

}  // namespace
