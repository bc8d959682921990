// dodavirid.exe started as a user starts it, from a folder of its own, and driven from outside: the start-up
// rows, the ways to close it with their exit codes, and the settings it leaves in the registry.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "RunningProgram.h"
#include "WindowTesting.h"
#include "resource.h"

namespace {

// The program in a fresh folder, with the recording converter beside it as trivane.exe or with none.
class Program : public RunningProgram {
public:
    explicit Program(bool withConverter)
    {
        Copy(WindowsPath(DODAVIRID_PATH), "dodavirid.exe");
        if (withConverter)
            Copy(FakeConverterPath(), "trivane.exe");
    }
};

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override { ResetPreferencesKey(); }
    void TearDown() override { ResetPreferencesKey(); }
    FakeConverterLog converter_;
};

TEST_F(ProgramTest, ShowsTheConverterBannerBesideItsVersionAndIgnoresItsCommandLine)
{
    Program program(true);
    ASSERT_TRUE(program.Start("song.mml"));
    std::vector<ListRow> rows = program.Rows();
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
    Program program(false);
    ASSERT_TRUE(program.Start("song.mml"));
    std::vector<ListRow> rows = program.Rows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].text, "Dodavirid Version 2.0.0.1");
    EXPECT_EQ(rows[1].text, "ERROR! trivane.exe が見つかりませんでした．");
    EXPECT_EQ(rows[1].image, 2);
    EXPECT_EQ(rows[2].text, "「設定」で正しいパスを指定してください．");
    EXPECT_EQ(rows[2].image, 0);
}

TEST_F(ProgramTest, EscapeEndsWithCode2AndLeavesTheSixSettings)
{
    Program program(true);
    ASSERT_TRUE(program.Start("song.mml"));
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
    Program program(true);
    ASSERT_TRUE(program.Start("song.mml"));
    program.Press(VK_F4, VK_MENU);
    EXPECT_EQ(program.ExitCode(), 2);
}

TEST_F(ProgramTest, FileExitEndsWith32787)
{
    Program program(true);
    ASSERT_TRUE(program.Start("song.mml"));
    PostMessageA(program.Window(), WM_COMMAND, MAKEWPARAM(ID_FILE_EXIT, 0), 0);
    EXPECT_EQ(program.ExitCode(), ID_FILE_EXIT);
    DWORD type = 0;
    ReadPreference("MyPlayer", type);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
}

}  // namespace
