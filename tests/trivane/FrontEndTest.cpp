// End to end under Wine: the real dodavirid.exe with the real trivane.exe beside it, driven from outside as
// a user drives it. The sample songs compile with no error row and enable Play; the broken song shows its
// error rows with the numbers of the lines that hold the mistakes.
#include "TrivaneTesting.h"

#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shlwapi.h>

#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "resource.h"

namespace {

const char PreferencesKey[] = "Software\\Pelrin\\Dodavirid\\Preferences";

bool WaitFor(const std::function<bool()>& done)
{
    for (DWORD start = GetTickCount(); GetTickCount() - start < 20000; Sleep(20)) {
        if (done())
            return true;
    }
    return done();
}

struct Row {
    std::string text;
    int image;
};

class FrontEnd {
public:
    FrontEnd()
    {
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        folder_ = std::string(temp) + "trivane-front-end-" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(folder_.c_str(), nullptr);
        Copy(HostPath(DODAVIRID_EXE), "dodavirid.exe");
        Copy(HostPath(TRIVANE_EXE), "trivane.exe");
    }

    ~FrontEnd()
    {
        if (process_.hProcess) {
            PostMessageA(window_, WM_COMMAND, MAKEWPARAM(ID_FILE_EXIT, 0), 0);
            if (WaitForSingleObject(process_.hProcess, 10000) != WAIT_OBJECT_0)
                TerminateProcess(process_.hProcess, 99);
            CloseHandle(process_.hProcess);
            CloseHandle(process_.hThread);
        }
        for (const std::string& name : files_)
            DeleteFileA(In(name).c_str());
        RemoveDirectoryA(folder_.c_str());
    }

    std::string In(const std::string& name) const { return folder_ + "\\" + name; }

    void Copy(const std::string& from, const std::string& name)
    {
        CopyFileA(from.c_str(), In(name).c_str(), FALSE);
        files_.push_back(name);
    }
    void Forget(const std::string& name) { files_.push_back(name); }

    bool Start()
    {
        std::string commandLine = "\"" + In("dodavirid.exe") + "\"";
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, folder_.c_str(), &startup,
                            &process_))
            return false;
        return WaitFor([&] {
            window_ = FindWindowA("#32770", "Dodavirid");
            DWORD owner = 0;
            GetWindowThreadProcessId(window_, &owner);
            return window_ && owner == process_.dwProcessId && IsWindowVisible(window_);
        });
    }

    HWND Item(int id) const { return GetDlgItem(window_, id); }
    bool Enabled(int id) const { return IsWindowEnabled(Item(id)) != FALSE; }

    // Typed into a field the first time, as the keyboard posts it, so that the window's idle step enables
    // Compile; set directly later, when Compile stays enabled.
    void Type(int id, const std::string& text)
    {
        for (unsigned char c : text)
            PostMessageA(Item(id), WM_CHAR, c, 1);
    }
    void Set(int id, const std::string& text)
    {
        SendMessageA(Item(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    void Compile() { PostMessageA(Item(IDC_COMPILE), BM_CLICK, 0, 0); }

    // The list rows, read through a buffer in the program's memory, where a list view writes its answers.
    std::vector<Row> Rows() const
    {
        std::vector<Row> rows;
        const SIZE_T size = 4096;
        char* remote = static_cast<char*>(
            VirtualAllocEx(process_.hProcess, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
        if (!remote)
            return rows;
        HWND list = Item(IDC_MESSAGES);
        int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            LVITEMA item = {};
            item.mask = LVIF_TEXT | LVIF_IMAGE;
            item.iItem = i;
            item.pszText = remote + sizeof item;
            item.cchTextMax = static_cast<int>(size - sizeof item);
            WriteProcessMemory(process_.hProcess, remote, &item, sizeof item, nullptr);
            SendMessageA(list, LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(remote));
            char text[4096] = {};
            ReadProcessMemory(process_.hProcess, remote, &item, sizeof item, nullptr);
            ReadProcessMemory(process_.hProcess, remote + sizeof item, text, size - sizeof item - 1, nullptr);
            rows.push_back(Row{text, item.iImage});
        }
        VirtualFreeEx(process_.hProcess, remote, 0, MEM_RELEASE);
        return rows;
    }

    // The rows of the compile of `mml`, once its summary line has arrived.
    std::vector<Row> RowsOfCompile(const std::string& mml) const
    {
        std::vector<Row> rows;
        WaitFor([&] {
            rows = Rows();
            bool summary = false;
            for (const Row& row : rows)
                summary = summary || row.text.rfind("トラック ", 0) == 0;
            return !rows.empty() && rows[0].text.find(mml) != std::string::npos && summary;
        });
        return rows;
    }

private:
    std::string folder_;
    std::vector<std::string> files_;
    PROCESS_INFORMATION process_ = {};
    HWND window_ = nullptr;
};

std::string AllText(const std::vector<Row>& rows)
{
    std::string text;
    for (const Row& row : rows)
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
    std::vector<Row> start = program.Rows();
    ASSERT_EQ(start.size(), 2u);
    EXPECT_EQ(start[1].text.rfind("Trivane version 2.0.0.1", 0), 0u) << start[1].text;
    EXPECT_EQ(start[1].image, 0);

    // The broken song first, while Play is still disabled: its mistakes are error rows naming their lines.
    program.Type(IDC_MML_FILE, program.In("broken.mml"));
    program.Type(IDC_SMF_FILE, program.In("broken.mid"));
    ASSERT_TRUE(WaitFor([&] { return program.Enabled(IDC_COMPILE); }));
    program.Compile();
    std::vector<Row> rows = program.RowsOfCompile("broken.mml");
    ASSERT_TRUE(WaitFor([&] { return program.Enabled(IDC_EDIT); }));
    EXPECT_FALSE(program.Enabled(IDC_PLAY));
    std::set<int> reported;
    for (const Row& row : rows) {
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
        program.Compile();
        rows = program.RowsOfCompile(mml);
        ASSERT_TRUE(WaitFor([&] { return program.Enabled(IDC_PLAY); }));
        for (const Row& row : rows)
            EXPECT_EQ(row.image, 0) << AllText(rows);
        std::string bytes = ReadBytes(smf);
        SmfListing listing;
        EXPECT_EQ(CheckSmf(std::vector<std::uint8_t>(bytes.begin(), bytes.end()), listing), "");
    }
}

}  // namespace
