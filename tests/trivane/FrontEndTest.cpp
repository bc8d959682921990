// End to end under Wine: the real dodavirid.exe with the real trivane.exe beside it, driven from outside as
// a user drives it. The sample songs compile with no error row and enable Play; the broken song shows its
// error rows with the numbers of the lines that hold the mistakes.
#include "TrivaneTesting.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shlwapi.h>

#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "RunningProgram.h"
#include "resource.h"

namespace {

const char PreferencesKey[] = "Software\\Pelrin\\Dodavirid\\Preferences";

// The program in a fresh folder with trivane.exe beside it. The first compile types the names, so that the
// window's idle step enables Compile; later ones set them, as Compile then stays enabled.
class FrontEnd : public RunningProgram {
public:
    FrontEnd()
    {
        Copy(HostPath(DODAVIRID_EXE), "dodavirid.exe");
        Copy(HostPath(TRIVANE_EXE), "trivane.exe");
    }

    // The rows of the compile of `mml`, once its summary line has arrived.
    std::vector<ListRow> RowsOfCompile(const std::string& mml) const
    {
        std::vector<ListRow> rows;
        WaitFor([&] {
            rows = Rows();
            bool summary = false;
            for (const ListRow& row : rows)
                summary = summary || row.text.rfind("トラック ", 0) == 0;
            return !rows.empty() && rows[0].text.find(mml) != std::string::npos && summary;
        });
        return rows;
    }
};

std::string AllText(const std::vector<ListRow>& rows)
{
    std::string text;
    for (const ListRow& row : rows)
        text += std::to_string(row.image) + " " + row.text + "\n";
    return text;
}

class FrontEndTest : public ::testing::Test {
protected:
    // The front-end keeps its settings in the registry; the default converter path is the one under test.
    void SetUp() override { SHDeleteKeyA(HKEY_CURRENT_USER, PreferencesKey); }
    void TearDown() override { SHDeleteKeyA(HKEY_CURRENT_USER, PreferencesKey); }
};

TEST_F(FrontEndTest, CompilesTheSamplesAndShowsTheBrokenSongsLines)
{
    FrontEnd program;
    program.Copy(HostPath(TRIVANE_TEST_DATA_DIR "/broken.mml"), "broken.mml");
    const char* samples[] = {"hello", "march", "evening"};
    for (const char* sample : samples) {
        program.Copy(HostPath(std::string(TRIVANE_SAMPLES_DIR "/") + sample + ".mml"), std::string(sample) + ".mml");
        program.Forget(std::string(sample) + ".mid");
    }
    ASSERT_TRUE(program.Start());
    std::vector<ListRow> start = program.Rows();
    ASSERT_EQ(start.size(), 2u);
    EXPECT_EQ(start[1].text.rfind("Trivane version 2.0.0.1", 0), 0u) << start[1].text;
    EXPECT_EQ(start[1].image, 0);

    // The broken song first, while Play is still disabled: its mistakes are error rows naming their lines.
    program.Type(IDC_MML_FILE, program.In("broken.mml"));
    program.Type(IDC_SMF_FILE, program.In("broken.mid"));
    ASSERT_TRUE(WaitFor([&] { return program.Enabled(IDC_COMPILE); }));
    program.ClickCompile();
    std::vector<ListRow> rows = program.RowsOfCompile("broken.mml");
    ASSERT_TRUE(WaitFor([&] { return program.Enabled(IDC_EDIT); }));
    EXPECT_FALSE(program.Enabled(IDC_PLAY));
    std::set<int> reported;
    for (const ListRow& row : rows) {
        std::size_t at = row.text.find("in line ");
        if (row.image == 2 && at != std::string::npos)
            reported.insert(std::atoi(row.text.c_str() + at + 8));
    }
    EXPECT_EQ(reported, MarkedErrorLines(ReadBytes(program.In("broken.mml")))) << AllText(rows);
    EXPECT_EQ(GetFileAttributesA(program.In("broken.mid").c_str()), INVALID_FILE_ATTRIBUTES);

    for (const char* sample : samples) {
        SCOPED_TRACE(sample);
        std::string mml = std::string(sample) + ".mml";
        std::string smf = program.In(std::string(sample) + ".mid");
        program.Set(IDC_MML_FILE, program.In(mml));
        program.Set(IDC_SMF_FILE, smf);
        program.ClickCompile();
        rows = program.RowsOfCompile(mml);
        ASSERT_TRUE(WaitFor([&] { return program.Enabled(IDC_PLAY); }));
        for (const ListRow& row : rows)
            EXPECT_EQ(row.image, 0) << AllText(rows);
        std::string bytes = ReadBytes(smf);
        SmfListing listing;
        EXPECT_EQ(CheckSmf(std::vector<std::uint8_t>(bytes.begin(), bytes.end()), listing), "");
    }
}

}  // namespace
