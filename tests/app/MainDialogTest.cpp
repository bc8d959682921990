// The real main window from the real template, driven with real messages and keystrokes through the real
// message loop's filter and idle steps. The converter is the stand-in FakeConverter.cpp, found beside this
// program by the default name "trivane.exe".
#include <gtest/gtest.h>

#include <windows.h>
#include <dlgs.h>
#include <shlobj.h>
#include <process.h>
#include <shlwapi.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "CenterDialog.h"
#include "Dpi.h"
#include "MainWindowHarness.h"
#include "ProcessEnvironment.h"
#include "resource.h"

// Declared for newer systems than the program is built for.
extern "C" __declspec(dllimport) BOOL WINAPI
    QueryActCtxSettingsW(DWORD, HANDLE, PCWSTR, PCWSTR, PWSTR, SIZE_T, SIZE_T*);

namespace {

const char SettingsKey[] = "Software\\Pelrin\\Dodavirid\\Preferences";
const char NotFound[] = "ERROR! trivane.exe が見つかりませんでした．\n「設定」で正しいパスを指定してください．\n";
const char Crashed[] = "ERROR! trivane.exe が終了コード 0xC0000005 で異常終了しました．\n";

// The message list's rows, each ended by a line feed.
std::string Rows(MainWindowHarness& window)
{
    std::string rows;
    for (int i = 0; i < ListView_GetItemCount(window.Item(IDC_MESSAGES)); ++i)
        rows = rows + window.Dialog().Messages().RowText(i).c_str() + "\n";
    return rows;
}

// Each test starts as on a fresh machine, with no settings, before its window is made.
struct FreshSettings {
    FreshSettings() { SHDeleteKeyA(HKEY_CURRENT_USER, SettingsKey); }
};

class MainWindowTest : public testing::Test, FreshSettings {
protected:
    HWND Item(int id) const { return window_.Item(id); }
    std::string Text(int id) const { return DialogItemText(window_.Window(), id); }
    // The button and the menu item as two digits, 1 for enabled.
    std::string Enabled(int id, UINT command) const
    {
        bool grayed = GetMenuState(GetMenu(window_.Window()), command, MF_BYCOMMAND) & MF_GRAYED;
        return std::string{IsWindowEnabled(Item(id)) ? '1' : '0', grayed ? '0' : '1'};
    }
    // A command as its button (code 0) or accelerator (code 1) sends it, with what the converter is to print.
    void Command(int id, const char* converterOutput, int code = 0)
    {
        SetEnvironmentVariableA("FAKE_CONVERTER_OUTPUT", converterOutput);
        SendMessageA(window_.Window(), WM_COMMAND, MAKEWPARAM(id, code), LPARAM(Item(id)));
    }

    MainWindowHarness window_;
};

TEST_F(MainWindowTest, StartsWithOnlyTheFieldsUsableAndTabsThroughTheControls)
{
    EXPECT_EQ(Enabled(IDC_COMPILE, ID_FILE_COMPILE) + Enabled(IDC_PLAY, ID_FILE_PLAY) + Enabled(IDC_EDIT, ID_FILE_EDIT),
              "000000");
    EXPECT_TRUE(IsDlgButtonChecked(window_.Window(), IDC_FORMAT1));

    // Tab goes from the first field through the options (the chosen radio button), the buttons and the list,
    // and passes the disabled boxes by.
    for (int id : {IDC_COMPILE, IDC_PLAY, IDC_EDIT})
        EnableWindow(Item(id), TRUE);
    std::vector<int> order = {GetDlgCtrlID(GetFocus())};
    for (int i = 0; i < 12; ++i)
        order.push_back(GetDlgCtrlID(GetNextDlgTabItem(window_.Window(), Item(order.back()), FALSE)));
    EXPECT_EQ(order, std::vector<int>({IDC_MML_FILE, IDC_BROWSE_MML, IDC_SMF_FILE, IDC_BROWSE_SMF, IDC_INVERT_ANGLE,
                                       IDC_INVERT_PAREN, IDC_FORMAT1, IDC_TRANSPOSE, IDC_COMPILE, IDC_PLAY, IDC_EDIT,
                                       IDC_MESSAGES, IDC_MML_FILE}));
}

TEST(MainWindowStart, SaysWhenTheConverterIsMissingOrCrashedAndTakesAPathInQuotes)
{
    // The converter's path as set, the status its banner run ends with, and the rows after the version row.
    const std::string cases[][3] = {
        {"Z:\\nowhere\\t.exe", "", NotFound},
        {"\"" + std::string(ProgramFolder().c_str()) + "\\trivane.exe\"", "", "Fake converter 1.0\n"},
        {"trivane.exe", "C0000005", "Fake converter 1.0\n" + std::string(Crashed)}};
    for (const auto& [path, status, rows] : cases) {
        SHSetValueA(HKEY_CURRENT_USER, SettingsKey, "Trivane", REG_SZ, path.c_str(), path.size() + 1);
        SetEnvironmentVariableA("FAKE_CONVERTER_STATUS", status.empty() ? nullptr : status.c_str());
        MainWindowHarness window;
        EXPECT_EQ(Rows(window), "Dodavirid Version 2.0.0.1\n" + rows) << path;
    }
    SetEnvironmentVariableA("FAKE_CONVERTER_STATUS", nullptr);
}

TEST_F(MainWindowTest, TranspositionStaysWithinAnOctave)
{
    // What the field held, then characters typed over all of it, or the arrow keys (^ and v), and the result.
    const char* const table[][3] = {{"0", "13", "0"},  {"0", "99", "0"},    {"0", "12", "12"},
                                    {"12", "\b", "0"}, {"11", "^^^", "12"}, {"-11", "vvv", "-12"}};
    for (const auto& row : table) {
        SetDlgItemTextA(window_.Window(), IDC_TRANSPOSE, row[0]);
        SendMessageA(Item(IDC_TRANSPOSE), EM_SETSEL, 0, -1);
        for (const char* c = row[1]; *c; ++c) {
            UINT arrow = *c == '^' ? VK_UP : *c == 'v' ? VK_DOWN : 0;
            PostMessageA(Item(IDC_TRANSPOSE), arrow ? WM_KEYDOWN : WM_CHAR, arrow ? arrow : *c, 1);
        }
        window_.Settle();
        EXPECT_EQ(Text(IDC_TRANSPOSE), row[2]) << row[0] << " " << row[1];
    }
}

TEST_F(MainWindowTest, CompilePassesTheOptionsAndEnablesEditAlwaysAndPlayOnlyWithoutAnError)
{
    // Options chosen first: the idle step that the file fields cause must leave them as the user set them.
    for (int id : {IDC_FORMAT0, IDC_INVERT_PAREN, IDC_INVERT_ANGLE})
        SendMessageA(Item(id), BM_CLICK, 0, 0);
    SetDlgItemTextA(window_.Window(), IDC_TRANSPOSE, "-3");
    SetDlgItemTextA(window_.Window(), IDC_MML_FILE, "C:\\my music\\a.mml");
    SetDlgItemTextA(window_.Window(), IDC_SMF_FILE, "C:\\my music\\a.mid");
    window_.Settle();
    EXPECT_FALSE(IsDlgButtonChecked(window_.Window(), IDC_FORMAT1));
    const std::string line = " -x -v -f -t-3 \"C:\\my music\\a.mml\" \"C:\\my music\\a.mid\"\n";

    // Enter presses the default button, through the loop's dialog keyboard handling.
    SetEnvironmentVariableA("FAKE_CONVERTER_OUTPUT", "ERROR! Unknown command in line 3\r\n");
    PressKey(window_.Window(), Item(IDC_MML_FILE), VK_RETURN);
    window_.Settle();
    EXPECT_EQ(Rows(window_), "\"trivane.exe\"" + line + "ERROR! Unknown command in line 3\n");
    EXPECT_EQ(Enabled(IDC_EDIT, ID_FILE_EDIT) + " " + Enabled(IDC_PLAY, ID_FILE_PLAY), "11 00");

    // A second failed compile, with no good one before it: a converter that crashed after it printed.
    SetEnvironmentVariableA("FAKE_CONVERTER_STATUS", "C0000005");
    Command(IDC_COMPILE, "partial output\r\n");
    SetEnvironmentVariableA("FAKE_CONVERTER_STATUS", nullptr);
    window_.Settle();
    EXPECT_EQ(Rows(window_) + Enabled(IDC_PLAY, ID_FILE_PLAY),
              "\"trivane.exe\"" + line + "partial output\n" + Crashed + "00");

    window_.Dialog().Settings().ConverterPath = "Z:\\nowhere\\t.exe";
    Command(IDC_COMPILE, "");
    window_.Settle();
    EXPECT_EQ(Rows(window_) + Enabled(IDC_PLAY, ID_FILE_PLAY), "\"Z:\\nowhere\\t.exe\"" + line + NotFound + "00");

    // The menu item at once, the button at the next idle step; a failed compile after it takes nothing back.
    window_.Dialog().Settings().ConverterPath = "trivane.exe";
    Command(ID_FILE_COMPILE, "Warning: no tempo\r\n", 1);
    EXPECT_EQ(Enabled(IDC_PLAY, ID_FILE_PLAY), "01");
    window_.Settle();
    EXPECT_EQ(Rows(window_), "\"trivane.exe\"" + line + "Warning: no tempo\n");
    Command(IDC_COMPILE, "ERROR! again\r\n");
    window_.Settle();
    EXPECT_EQ(Enabled(IDC_PLAY, ID_FILE_PLAY), "11");
}

TEST_F(MainWindowTest, ADropOrCtrlONamesBothFilesAndCompileFollowsTheFields)
{
    SendMessageA(Item(IDC_MML_FILE), WM_CHAR, 'a', 1);
    window_.Settle();
    EXPECT_EQ(Enabled(IDC_COMPILE, ID_FILE_COMPILE), "00");
    const struct {
        int target;
        std::string names, fields;  // the names apart by '|'
    } drops[] = {{IDC_SMF_FILE, "C:\\my.songs\\d", "C:\\my.songs\\d C:\\my.songs\\d.mid"},
                 {0, "C:\\songs\\notes.txt|C:\\b.mml", "C:\\songs\\notes.txt C:\\songs\\notes.mid"}};
    for (const auto& drop : drops) {
        // A drop handle as the shell makes one: DROPFILES, then NUL-terminated names and a closing NUL.
        std::string list = drop.names + '\0';
        std::replace(list.begin(), list.end(), '|', '\0');
        auto* files = static_cast<DROPFILES*>(GlobalAlloc(GPTR, sizeof(DROPFILES) + list.size() + 1));
        files->pFiles = sizeof(DROPFILES);
        memcpy(files + 1, list.data(), list.size());
        SendMessageA(drop.target ? Item(drop.target) : window_.Window(), WM_DROPFILES, WPARAM(files), 0);
        EXPECT_EQ(Text(IDC_MML_FILE) + " " + Text(IDC_SMF_FILE), drop.fields);
    }
    // The menu item follows at once, the button only at the loop's next idle step.
    EXPECT_EQ(Enabled(IDC_COMPILE, ID_FILE_COMPILE), "01");
    window_.Settle();
    EXPECT_EQ(Enabled(IDC_COMPILE, ID_FILE_COMPILE), "11");

    // Given the focus as a click gives it, a field selects its whole text: the control itself keeps its caret.
    SendMessageA(Item(IDC_SMF_FILE), EM_SETSEL, 3, 3);
    SetFocus(Item(IDC_SMF_FILE));
    EXPECT_EQ(SendMessageA(Item(IDC_SMF_FILE), EM_GETSEL, 0, 0), MAKELONG(0, Text(IDC_SMF_FILE).size()));

    // Ctrl+O opens an MML file, with the default extension added to a bare name, and names its SMF file.
    char folder[MAX_PATH];
    GetTempPathA(sizeof folder, folder);
    const std::string base = folder + std::string("browsed");
    // The open dialog keeps an added extension only when that file exists.
    CloseHandle(CreateFileA((base + ".mml").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    // Through the loop's filter and the accelerator table, with the focus in a field. The dialog is given the
    // "all files" filter, so that only the default extension can complete the bare name.
    auto open = [&] { PressKey(window_.Window(), GetFocus(), 'O'), window_.Settle(); };
    EXPECT_TRUE(RunModal(window_.Window(), open, [&](HWND dialog) {
        SendDlgItemMessageA(dialog, cmb1, CB_SETCURSEL, 1, 0);
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(cmb1, CBN_SELENDOK), LPARAM(GetDlgItem(dialog, cmb1)));
        SetDlgItemTextA(dialog, GetDlgItem(dialog, cmb13) ? cmb13 : edt1, base.c_str());
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    }));
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    EXPECT_EQ(Text(IDC_MML_FILE) + " " + Text(IDC_SMF_FILE), base + ".mml " + base + ".mid");
    DeleteFileA((base + ".mml").c_str());
}

TEST(CenterDialog, KeepsTheLeftAndTopEdgesOfAWindowTooBigForTheWorkArea)
{
    RECT area, placed;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 4000, 4000, nullptr, nullptr, nullptr, nullptr);
    CenterDialog(window);
    GetWindowRect(window, &placed);
    EXPECT_TRUE(placed.left == area.left && placed.top == area.top) << placed.left << "," << placed.top;
    DestroyWindow(window);
}

// What the window draws at its DPI: the message signs as drawn for that size, and the column, which leaves
// room for two edges and a vertical scroll bar. At the prefix's 96 DPI, and in a run of this test as a child
// process started with LogPixels at 144, the value that Wine takes a new process's DPI from. Each moves on to
// monitors of 192 and 96 DPI: Wine gives every monitor one DPI and sends no WM_DPICHANGED, so the message is
// sent here as the system sends it.
TEST(MainWindowDpi, SignsAndColumnFollowTheWindowsDpi)
{
    const bool child = std::getenv("DODAVIRID_TEST_DPI") != nullptr;
    if (!child) {
        const DWORD logPixels = 144;
        SHSetValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", "LogPixels", REG_DWORD, &logPixels, 4);
        SetEnvironmentVariableA("DODAVIRID_TEST_DPI", "144");
        const std::string self = ProgramPath().c_str(), quoted = "\"" + self + "\"";
        EXPECT_EQ(_spawnl(_P_WAIT, self.c_str(), quoted.c_str(), "--gtest_brief=1", "--gtest_filter=MainWindowDpi.*",
                          nullptr),
                  0)
            << "the run at 144 DPI";
        SHDeleteValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", "LogPixels");
        SetEnvironmentVariableA("DODAVIRID_TEST_DPI", nullptr);
    }
    // The system's loader reads the program's manifest, which the test carries, as aware of each monitor.
    WCHAR awareness[64] = {};
    QueryActCtxSettingsW(0, nullptr, L"http://schemas.microsoft.com/SMI/2016/WindowsSettings", L"dpiAwareness",
                         awareness, 64, nullptr);
    EXPECT_STREQ(awareness, L"PerMonitorV2, System");

    MainWindowHarness window;
    const UINT start = child ? 144 : 96;
    EXPECT_EQ(WindowDpi(window.Window()), start);
    HWND list = window.Item(IDC_MESSAGES);
    for (UINT moved : {0u, 192u, 96u}) {  // 0: as the window starts
        RECT bounds;
        GetWindowRect(window.Window(), &bounds);
        if (moved)
            SendMessageA(window.Window(), WM_DPICHANGED, MAKEWPARAM(moved, moved), LPARAM(&bounds)), window.Settle();
        const UINT dpi = moved ? moved : start;
        HIMAGELIST images = ListView_GetImageList(list, LVSIL_SMALL);
        int size = 0;
        ImageList_GetIconSize(images, &size, &size);
        GetWindowRect(list, &bounds);
        const int margin = bounds.right - bounds.left - ListView_GetColumnWidth(list, 0);
        EXPECT_EQ(
            std::to_string(size) + " " + std::to_string(ImageList_GetImageCount(images)) + " " + std::to_string(margin),
            std::to_string(dpi / 6) + " 3 " +
                std::to_string(2 * MetricForDpi(SM_CXEDGE, dpi) + MetricForDpi(SM_CXVSCROLL, dpi)))
            << dpi;
    }
}

}  // namespace
