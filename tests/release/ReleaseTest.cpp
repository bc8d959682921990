// The unpacked release, used as a new user uses it: dodavirid.exe started from its folder with no settings,
// every sample song compiled through the window with the default converter path, a song with mistakes
// compiled after them, and the window closed with Escape. Run by package-test.sh, which unpacks the ZIP into
// a fresh folder and a fresh Wine prefix and names them in RELEASE_DIR and BROKEN_SONG (Linux paths).
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "RunningProgram.h"
#include "TrivaneTesting.h"
#include "resource.h"

namespace {

std::string Variable(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::vector<std::string> SampleSongs(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*.mml").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return names;
    do
        names.push_back(found.cFileName);
    while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

std::string AllText(const std::vector<ListRow>& rows)
{
    std::string text;
    for (const ListRow& row : rows)
        text += std::to_string(row.image) + " " + row.text + "\n";
    return text;
}

// The rows of the compile of `mml`: the command line naming it first, and the converter's summary last.
std::vector<ListRow> RowsOfCompile(const RunningProgram& program, const std::string& mml)
{
    std::vector<ListRow> rows;
    WaitFor([&] {
        rows = program.Rows();
        return rows.size() > 1 && rows[0].text.find(mml) != std::string::npos &&
               rows.back().text.find("トラック ") != std::string::npos;
    });
    return rows;
}

std::string Setting(const char* name, DWORD& type)
{
    type = REG_NONE;
    char data[1024] = {};
    DWORD size = sizeof data;
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Pelrin\\Dodavirid\\Preferences", 0, KEY_READ, &key) !=
        ERROR_SUCCESS)
        return "(no key)";
    LONG result = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    return result == ERROR_SUCCESS ? std::string(data, size) : "(no value)";
}

TEST(Release, CompilesEverySampleThroughTheWindowAndKeepsItsSettings)
{
    const std::string release = WindowsPath(Variable("RELEASE_DIR"));
    ASSERT_NE(Variable("RELEASE_DIR"), "");
    DWORD type = REG_NONE;
    ASSERT_EQ(Setting("Trivane", type), "(no key)") << "a new user has no settings";

    const std::string samples = release + "\\samples";
    const std::vector<std::string> songs = SampleSongs(samples);
    ASSERT_GE(songs.size(), 3u);

    RunningProgram program(release);
    ASSERT_TRUE(program.Start());
    std::vector<ListRow> start = program.Rows();
    ASSERT_EQ(start.size(), 2u) << AllText(start);
    EXPECT_EQ(start[0].text, "Dodavirid Version 2.0.0.1");
    EXPECT_EQ(start[1].text.rfind("Trivane version 2.0.0.1", 0), 0u) << start[1].text;

    bool first = true;
    for (const std::string& song : songs) {
        SCOPED_TRACE(song);
        std::string mml = samples + "\\" + song;
        std::string smf = mml.substr(0, mml.size() - 4) + ".mid";
        // Typed the first time, so that the window's idle step enables Compile; set afterwards.
        if (first) {
            program.Type(IDC_MML_FILE, mml);
            program.Type(IDC_SMF_FILE, smf);
            ASSERT_TRUE(WaitFor([&] { return program.Enabled(IDC_COMPILE); }));
            first = false;
        } else {
            program.Set(IDC_MML_FILE, mml);
            program.Set(IDC_SMF_FILE, smf);
        }
        program.ClickCompile();
        std::vector<ListRow> rows = RowsOfCompile(program, song);
        for (const ListRow& row : rows)
            EXPECT_EQ(row.image, 0) << AllText(rows);
        ASSERT_TRUE(WaitFor([&] { return program.Enabled(IDC_PLAY) && program.Enabled(IDC_EDIT); }));
        std::string bytes = ReadBytes(smf);
        ASSERT_FALSE(bytes.empty()) << smf;
        SmfListing listing;
        EXPECT_EQ(CheckSmf(std::vector<std::uint8_t>(bytes.begin(), bytes.end()), listing), "");
    }

    // A song with mistakes: error rows naming exactly its marked lines, and no file written.
    const std::string broken = WindowsPath(Variable("BROKEN_SONG"));
    const std::string brokenSmf = broken.substr(0, broken.size() - 4) + ".mid";
    program.Set(IDC_MML_FILE, broken);
    program.Set(IDC_SMF_FILE, brokenSmf);
    program.ClickCompile();
    std::vector<ListRow> rows = RowsOfCompile(program, "broken.mml");
    std::set<int> reported;
    for (const ListRow& row : rows) {
        std::size_t at = row.text.find("in line ");
        if (row.image == 2 && at != std::string::npos)
            reported.insert(std::atoi(row.text.c_str() + at + 8));
    }
    EXPECT_EQ(reported, MarkedErrorLines(ReadBytes(broken))) << AllText(rows);
    EXPECT_EQ(GetFileAttributesA(brokenSmf.c_str()), INVALID_FILE_ATTRIBUTES);

    program.Press(VK_ESCAPE);
    EXPECT_EQ(program.ExitCode(), 2);
    EXPECT_EQ(Setting("Trivane", type), std::string("trivane.exe") + '\0');
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    for (const char* name : {"UseMyEditor", "UseMyPlayer"}) {
        EXPECT_EQ(Setting(name, type), std::string(4, '\0')) << name;
        EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD)) << name;
    }
    for (const char* name : {"MyEditor", "MyEditorWithLine", "MyPlayer"}) {
        EXPECT_EQ(Setting(name, type), std::string(1, '\0')) << name;
        EXPECT_EQ(type, static_cast<DWORD>(REG_SZ)) << name;
    }
}

}  // namespace
