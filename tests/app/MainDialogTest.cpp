// The real main window from the real template, driven with real messages and keystrokes through the real
// message loop's filter and idle steps.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "Application.h"
#include "CenterDialog.h"
#include "MainDialog.h"
#include "MessageLoop.h"
#include "VersionInfo.h"
#include "WindowTesting.h"
#include "resource.h"

namespace {

const char NotFoundError[] = "ERROR! trivane.exe が見つかりませんでした．";
const char NotFoundHint[] = "「設定」で正しいパスを指定してください．";

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetPreferencesKey();
        SetPreferenceString("Trivane", FakeConverterPath().c_str());
    }

    void TearDown() override
    {
        dialog_.reset();
        application_.RemoveMessageLoop();
        // Whatever the test left queued must not reach the next test's window.
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        }
        ResetPreferencesKey();
    }

    // As RunApplication starts the program, but the loop is driven by Pump, which never blocks.
    void Open()
    {
        application_.AddMessageLoop(&loop_);
        dialog_ = std::make_unique<MainDialog>();
        ASSERT_TRUE(dialog_->Create());
        ShowWindow(Window(), SW_SHOW);
        Settle();
    }

    // The steps of MessageLoop::Run until `done` holds: the idle handlers run once whenever the queue has run
    // dry after a message that re-arms them. False when `done` still does not hold after five seconds.
    bool Pump(const std::function<bool()>& done)
    {
        DWORD start = GetTickCount();
        for (;;) {
            MSG message;
            while (idle_ && !PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE)) {
                ++idleRuns_;
                if (!loop_.RunIdleHandlers())
                    idle_ = false;
            }
            if (done())
                return true;
            if (GetTickCount() - start > 5000)
                return false;
            if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
                MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
                continue;
            }
            if (message.message == WM_QUIT) {
                exitCode_ = static_cast<int>(message.wParam);
                continue;
            }
            loop_.ProcessMessage(message);
            if (MessageLoop::RearmsIdle(message.message))
                idle_ = true;
        }
    }

    // Processes everything queued, then lets the idle step run once more.
    void Settle()
    {
        idle_ = true;
        int runs = idleRuns_;
        ASSERT_TRUE(Pump([&] { return idleRuns_ > runs; }));
    }

    HWND Window() const { return dialog_->Handle(); }
    HWND Item(int id) const { return GetDlgItem(Window(), id); }
    bool Enabled(int id) const { return IsWindowEnabled(Item(id)) != FALSE; }
    bool Checked(int id) const { return IsDlgButtonChecked(Window(), id) == BST_CHECKED; }
    bool MenuGrayed(UINT command) const
    {
        return (GetMenuState(GetMenu(Window()), command, MF_BYCOMMAND) & MF_GRAYED) != 0;
    }
    std::string Text(int id) const
    {
        char text[1100] = {};
        GetDlgItemTextA(Window(), id, text, sizeof(text));
        return text;
    }
    int RowCount() const
    {
        return static_cast<int>(SendMessageA(dialog_->Messages().Handle(), LVM_GETITEMCOUNT, 0, 0));
    }
    std::string Row(int index) const { return dialog_->Messages().RowText(index).c_str(); }
    int RowImage(int index) const
    {
        LVITEMA item = {};
        item.mask = LVIF_IMAGE;
        item.iItem = index;
        SendMessageA(dialog_->Messages().Handle(), LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
        return item.iImage;
    }
    void Command(int id, int code = 0)
    {
        SendMessageA(Window(), WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(Item(id)));
    }
    // Types into a control the way the keyboard does: it gets the focus, then its characters arrive.
    void Type(int id, const char* text)
    {
        SetFocus(Item(id));
        PostChars(Item(id), text);
        Settle();
    }
    void FillFileFields(const char* mml, const char* smf)
    {
        SetDlgItemTextA(Window(), IDC_MML_FILE, mml);
        SetDlgItemTextA(Window(), IDC_SMF_FILE, smf);
        Settle();
    }

    FakeConverterLog converter_;
    Application application_;
    MessageLoop loop_;
    std::unique_ptr<MainDialog> dialog_;
    bool idle_ = true;
    int idleRuns_ = 0;
    int exitCode_ = -1;
};

TEST_F(MainWindowTest, StartsWithTheVersionAndBannerRowsAndAppliesItsStatesAtTheFirstIdleStep)
{
    application_.AddMessageLoop(&loop_);
    dialog_ = std::make_unique<MainDialog>();
    ASSERT_TRUE(dialog_->Create());

    // Initialised but not yet idle: the menu changed at once, the buttons still show the template's states.
    EXPECT_FALSE(IsWindowVisible(Window()));
    EXPECT_TRUE(MenuGrayed(ID_FILE_COMPILE));
    EXPECT_TRUE(MenuGrayed(ID_FILE_PLAY));
    EXPECT_TRUE(MenuGrayed(ID_FILE_EDIT));
    EXPECT_FALSE(MenuGrayed(ID_FILE_OPEN_MML));
    EXPECT_TRUE(Enabled(IDC_COMPILE));
    EXPECT_FALSE(Checked(IDC_FORMAT1));
    ASSERT_EQ(RowCount(), 2);
    EXPECT_EQ(Row(0), "Dodavirid Version 2.0.0.1");
    EXPECT_EQ(Row(1), "Fake converter 1.0");
    EXPECT_EQ(converter_.Text(), "\"" + FakeConverterPath() + "\"\r\n");

    ShowWindow(Window(), SW_SHOW);
    Settle();
    EXPECT_FALSE(Enabled(IDC_COMPILE));
    EXPECT_FALSE(Enabled(IDC_PLAY));
    EXPECT_FALSE(Enabled(IDC_EDIT));
    EXPECT_TRUE(Checked(IDC_FORMAT1));
    EXPECT_FALSE(Checked(IDC_FORMAT0));
    EXPECT_FALSE(Enabled(IDC_AUTO_PLAY));
    EXPECT_FALSE(Enabled(IDC_AUTO_COMPILE));
    EXPECT_EQ(Text(IDC_TRANSPOSE), "0");
    EXPECT_EQ(Text(IDC_MML_FILE), "");
    EXPECT_EQ(GetFocus(), Item(IDC_MML_FILE));
    char title[64] = {};
    GetWindowTextA(Window(), title, sizeof(title));
    EXPECT_STREQ(title, "Dodavirid");
}

TEST_F(MainWindowTest, ReportsAMissingConverterAtStart)
{
    SetPreferenceString("Trivane", "Z:\\nowhere\\trivane.exe");
    Open();
    ASSERT_EQ(RowCount(), 3);
    EXPECT_EQ(Row(0), "Dodavirid Version 2.0.0.1");
    EXPECT_EQ(Row(1), NotFoundError);
    EXPECT_EQ(Row(2), NotFoundHint);
    EXPECT_EQ(RowImage(0), 0);
    EXPECT_EQ(RowImage(1), 2);
    EXPECT_EQ(RowImage(2), 0);
}

TEST_F(MainWindowTest, TranspositionStaysWithinAnOctave)
{
    Open();
    HWND field = Item(IDC_TRANSPOSE);
    struct Typed {
        const char* keys;
        const char* text;
    } table[] = {{"13", "0"}, {"99", "0"}, {"12", "12"}, {"\b\b", "0"}, {"7", "7"}};
    for (const Typed& row : table) {
        SetFocus(field);
        SendMessageA(field, EM_SETSEL, 0, -1);
        if (row.keys[0] == '\b')
            SendMessageA(field, EM_SETSEL, 2, 2);  // the caret at the end, so backspaces clear the field
        PostChars(field, row.keys);
        Settle();
        EXPECT_EQ(Text(IDC_TRANSPOSE), row.text) << "typed " << row.keys;
    }

    // The arrow keys reach the up-down through the field and stop at the ends of the range.
    SetDlgItemTextA(Window(), IDC_TRANSPOSE, "11");
    SetFocus(field);
    for (int i = 0; i < 3; ++i)
        PostKey(field, VK_UP);
    Settle();
    EXPECT_EQ(Text(IDC_TRANSPOSE), "12");
    SetDlgItemTextA(Window(), IDC_TRANSPOSE, "-11");
    for (int i = 0; i < 3; ++i)
        PostKey(field, VK_DOWN);
    Settle();
    EXPECT_EQ(Text(IDC_TRANSPOSE), "-12");
}

TEST_F(MainWindowTest, CompileIsEnabledWhileBothFileFieldsHoldText)
{
    Open();
    Type(IDC_MML_FILE, "a.mml");
    EXPECT_FALSE(Enabled(IDC_COMPILE));
    EXPECT_TRUE(MenuGrayed(ID_FILE_COMPILE));

    SetFocus(Item(IDC_SMF_FILE));
    PostChars(Item(IDC_SMF_FILE), " ");
    // The menu follows at once, the button only at the next idle step.
    ASSERT_TRUE(Pump([&] { return !MenuGrayed(ID_FILE_COMPILE); }));
    Settle();
    EXPECT_TRUE(Enabled(IDC_COMPILE));

    SetFocus(Item(IDC_MML_FILE));
    SendMessageA(Item(IDC_MML_FILE), EM_SETSEL, 0, -1);
    PostChars(Item(IDC_MML_FILE), "\b");
    Settle();
    EXPECT_EQ(Text(IDC_MML_FILE), "");
    EXPECT_FALSE(Enabled(IDC_COMPILE));
    EXPECT_TRUE(MenuGrayed(ID_FILE_COMPILE));
}

TEST_F(MainWindowTest, CompileHandsTheOptionsToTheConverterInItsOrder)
{
    Open();
    FillFileFields("C:\\my music\\song.mml", "C:\\my music\\song.mid");
    std::string quoted = "\"" + FakeConverterPath() + "\" ";
    std::string files = "\"C:\\my music\\song.mml\" \"C:\\my music\\song.mid\"\r\n";

    // Enter presses the default button, through the loop's dialog keyboard handling.
    std::string before = converter_.Text();
    SetFocus(Item(IDC_MML_FILE));
    PostKey(Item(IDC_MML_FILE), VK_RETURN);
    Settle();
    EXPECT_EQ(converter_.Text().substr(before.size()), quoted + files);
    EXPECT_EQ(Row(0), (quoted + files).substr(0, quoted.size() + files.size() - 2));

    // The options set in another order than the converter wants them; -3 with the up-down's keys.
    before = converter_.Text();
    SendMessageA(Item(IDC_FORMAT0), BM_CLICK, 0, 0);
    SendMessageA(Item(IDC_INVERT_PAREN), BM_CLICK, 0, 0);
    SendMessageA(Item(IDC_INVERT_ANGLE), BM_CLICK, 0, 0);
    SetFocus(Item(IDC_TRANSPOSE));
    for (int i = 0; i < 3; ++i)
        PostKey(Item(IDC_TRANSPOSE), VK_DOWN);
    Settle();
    Command(ID_FILE_COMPILE, 1);  // as the accelerator would send it
    Settle();
    EXPECT_EQ(converter_.Text().substr(before.size()), quoted + "-x -v -f -t-3 " + files);

    // The button's other notifications are no click.
    before = converter_.Text();
    Command(IDC_COMPILE, BN_SETFOCUS);
    Settle();
    EXPECT_EQ(converter_.Text(), before);
}

TEST_F(MainWindowTest, CompilesEnablePlayOnlyWithoutErrorsAndEditAlways)
{
    Open();
    FillFileFields("a.mml", "a.mid");

    converter_.SetOutput("Compiling a.mml\r\nERROR! Unknown command in line 3\r\n");
    Command(IDC_COMPILE);
    // Menu items at once; the buttons wait for the idle step.
    EXPECT_FALSE(MenuGrayed(ID_FILE_EDIT));
    EXPECT_TRUE(MenuGrayed(ID_FILE_PLAY));
    EXPECT_FALSE(Enabled(IDC_EDIT));
    Settle();
    EXPECT_TRUE(Enabled(IDC_EDIT));
    EXPECT_FALSE(Enabled(IDC_PLAY));
    ASSERT_EQ(RowCount(), 3);
    EXPECT_EQ(RowImage(2), 2);

    converter_.SetOutput("Warning: tempo missing\r\nDone\r\n");
    Command(IDC_COMPILE);
    EXPECT_FALSE(MenuGrayed(ID_FILE_PLAY));
    EXPECT_FALSE(Enabled(IDC_PLAY));
    Settle();
    EXPECT_TRUE(Enabled(IDC_PLAY));
    EXPECT_EQ(RowImage(1), 1);

    // A failed compile after a good one takes nothing back.
    converter_.SetOutput("ERROR! again\r\n");
    Command(IDC_COMPILE);
    Settle();
    EXPECT_TRUE(Enabled(IDC_PLAY));
    EXPECT_FALSE(MenuGrayed(ID_FILE_PLAY));
}

TEST_F(MainWindowTest, CompileWithoutAConverterSaysSoAndDoesNotEnablePlay)
{
    Open();
    FillFileFields("a.mml", "a.mid");
    dialog_->Settings().ConverterPath = "Z:\\nowhere\\trivane.exe";
    Command(IDC_COMPILE);
    Settle();
    ASSERT_EQ(RowCount(), 3);
    EXPECT_EQ(Row(0), "\"Z:\\nowhere\\trivane.exe\" \"a.mml\" \"a.mid\"");
    EXPECT_EQ(Row(1), NotFoundError);
    EXPECT_EQ(RowImage(1), 2);
    EXPECT_EQ(Row(2), NotFoundHint);
    EXPECT_FALSE(Enabled(IDC_PLAY));
    EXPECT_TRUE(MenuGrayed(ID_FILE_PLAY));
    EXPECT_TRUE(Enabled(IDC_EDIT));
    EXPECT_FALSE(MenuGrayed(ID_FILE_EDIT));
}

TEST_F(MainWindowTest, FileFieldsSelectTheirWholeTextWhenEntered)
{
    Open();
    const char mml[] = "C:\\songs\\a.mml";
    const char smf[] = "C:\\songs\\long name.mid";
    FillFileFields(mml, smf);
    auto selection = [&](int id) {
        DWORD start = 0, end = 0;
        SendMessageA(Item(id), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        return std::make_pair(start, end);
    };
    const auto wholeMml = std::make_pair(DWORD(0), DWORD(lstrlenA(mml)));
    const auto wholeSmf = std::make_pair(DWORD(0), DWORD(lstrlenA(smf)));

    // Focus set directly, as a click sets it: the edit control itself would keep its caret.
    SendMessageA(Item(IDC_SMF_FILE), EM_SETSEL, 3, 3);
    SetFocus(Item(IDC_SMF_FILE));
    Settle();
    EXPECT_EQ(selection(IDC_SMF_FILE), wholeSmf);

    // Tab from the MML field's Browse button, and the MML label's mnemonic.
    SendMessageA(Item(IDC_SMF_FILE), EM_SETSEL, 3, 3);
    SetFocus(Item(IDC_BROWSE_MML));
    Settle();
    PostKey(Item(IDC_BROWSE_MML), VK_TAB);
    Settle();
    ASSERT_EQ(GetFocus(), Item(IDC_SMF_FILE));
    EXPECT_EQ(selection(IDC_SMF_FILE), wholeSmf);

    SendMessageA(Item(IDC_MML_FILE), EM_SETSEL, 3, 3);
    PostMessageA(GetFocus(), WM_SYSCHAR, 'm', 1 << 29);
    Settle();
    ASSERT_EQ(GetFocus(), Item(IDC_MML_FILE));
    EXPECT_EQ(selection(IDC_MML_FILE), wholeMml);
}

// A drop handle as the shell makes one: DROPFILES followed by NUL-terminated names and a closing NUL.
HDROP MakeDrop(const char* const* names, int count)
{
    std::string list;
    for (int i = 0; i < count; ++i) {
        list += names[i];
        list += '\0';
    }
    list += '\0';
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + list.size());
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), list.data(), list.size());
    GlobalUnlock(memory);
    return static_cast<HDROP>(memory);
}

TEST_F(MainWindowTest, ADropOnTheWindowOrEitherFieldSetsBothFields)
{
    Open();
    SetDlgItemTextA(Window(), IDC_SMF_FILE, "C:\\earlier.mid");
    const char* three[] = {"C:\\songs\\notes.txt", "C:\\songs\\b.mml", "C:\\songs\\c.mml"};
    SendMessageA(Window(), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(three, 3)), 0);
    EXPECT_EQ(Text(IDC_MML_FILE), "C:\\songs\\notes.txt");
    EXPECT_EQ(Text(IDC_SMF_FILE), "C:\\songs\\notes.mid");
    Settle();
    EXPECT_TRUE(Enabled(IDC_COMPILE));

    const char* onSmf[] = {"C:\\my.songs\\d"};
    PostMessageA(Item(IDC_SMF_FILE), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(onSmf, 1)), 0);
    Settle();
    EXPECT_EQ(Text(IDC_MML_FILE), "C:\\my.songs\\d");
    EXPECT_EQ(Text(IDC_SMF_FILE), "C:\\my.songs\\d.mid");

    const char* onMml[] = {"C:\\songs\\e.mml"};
    PostMessageA(Item(IDC_MML_FILE), WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop(onMml, 1)), 0);
    Settle();
    EXPECT_EQ(Text(IDC_MML_FILE), "C:\\songs\\e.mml");
    EXPECT_EQ(Text(IDC_SMF_FILE), "C:\\songs\\e.mid");
}

// Answers the next file dialog that this process opens, from another thread while the dialog's own loop
// runs: picks the "all files" filter, so that only the default extension can complete a bare name, types
// `name` and presses OK; or presses Cancel when `name` is empty. `title` receives the dialog's title.
void AnswerFileDialog(HWND mainWindow, std::string name, std::string* title)
{
    std::thread([=] {
        HWND dialog = nullptr;
        for (DWORD start = GetTickCount(); !dialog && GetTickCount() - start < 5000; Sleep(10)) {
            HWND candidate = nullptr;
            while ((candidate = FindWindowExA(nullptr, candidate, "#32770", nullptr)) != nullptr) {
                DWORD process = 0;
                GetWindowThreadProcessId(candidate, &process);
                if (candidate != mainWindow && process == GetCurrentProcessId() && IsWindowVisible(candidate))
                    dialog = candidate;
            }
        }
        if (!dialog)
            return;
        char text[256] = {};
        GetWindowTextA(dialog, text, sizeof(text));
        *title = text;
        if (name.empty()) {
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
            return;
        }
        HWND filter = GetDlgItem(dialog, 0x470);  // cmb1, the file type box
        SendMessageA(filter, CB_SETCURSEL, 1, 0);
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(0x470, CBN_SELENDOK), reinterpret_cast<LPARAM>(filter));
        // The file name box is the combo box cmb13 in some versions of the dialog, the edit edt1 in others.
        SetDlgItemTextA(dialog, GetDlgItem(dialog, 0x47c) ? 0x47c : 0x480, name.c_str());
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    }).detach();
}

TEST_F(MainWindowTest, BrowseAddsTheBareDefaultExtensionAndCancelChangesNothing)
{
    Open();
    char folder[MAX_PATH];
    GetTempPathA(sizeof(folder), folder);
    std::string base = std::string(folder) + "browsed";
    // The open dialog keeps an added extension only when that file exists.
    CloseHandle(CreateFileA((base + ".mml").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    std::string title;

    AnswerFileDialog(Window(), base, &title);
    Command(IDC_BROWSE_MML);
    EXPECT_EQ(Text(IDC_MML_FILE), base + ".mml");
    EXPECT_EQ(Text(IDC_SMF_FILE), base + ".mid");

    AnswerFileDialog(Window(), base + "2", &title);
    Command(IDC_BROWSE_SMF);
    EXPECT_EQ(Text(IDC_SMF_FILE), base + "2.mid");
    EXPECT_EQ(Text(IDC_MML_FILE), base + ".mml");

    title.clear();
    AnswerFileDialog(Window(), "", &title);
    // Ctrl+O through the loop's filter and the accelerator table, with the focus in a field.
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    SetFocus(Item(IDC_SMF_FILE));
    PostKey(Item(IDC_SMF_FILE), 'O');
    Settle();
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    EXPECT_FALSE(title.empty()) << "Ctrl+O opened a dialog";
    EXPECT_EQ(Text(IDC_MML_FILE), base + ".mml");
    EXPECT_EQ(Text(IDC_SMF_FILE), base + "2.mid");
    DeleteFileA((base + ".mml").c_str());
}

TEST_F(MainWindowTest, EscapeClosesWithCode2AndSavesTheSettings)
{
    Open();
    DWORD type = 0;
    ReadPreference("UseMyPlayer", type);
    ASSERT_EQ(type, static_cast<DWORD>(REG_NONE)) << "nothing is saved before the window closes";
    PostKey(GetFocus(), VK_ESCAPE);
    ASSERT_TRUE(Pump([&] { return exitCode_ != -1; }));
    EXPECT_EQ(exitCode_, 2);
    EXPECT_EQ(dialog_->Handle(), nullptr);
    EXPECT_EQ(ReadPreference("Trivane", type), FakeConverterPath() + '\0');
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    ReadPreference("UseMyPlayer", type);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
}

TEST_F(MainWindowTest, TheCloseBoxClosesWithCode2AndFileExitWith32787)
{
    Open();
    // WM_CLOSE has no row of its own: the default processing turns it into IDCANCEL.
    PostMessageA(Window(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(Pump([&] { return exitCode_ != -1; }));
    EXPECT_EQ(exitCode_, 2);

    dialog_.reset();
    exitCode_ = -1;
    dialog_ = std::make_unique<MainDialog>();
    ASSERT_TRUE(dialog_->Create());
    PostMessageA(Window(), WM_COMMAND, MAKEWPARAM(ID_FILE_EXIT, 0), 0);
    ASSERT_TRUE(Pump([&] { return exitCode_ != -1; }));
    EXPECT_EQ(exitCode_, ID_FILE_EXIT);
}

TEST_F(MainWindowTest, MessagesWithoutARowGetTheDefaultProcessing)
{
    Open();
    EXPECT_EQ(SendMessageA(Window(), DM_GETDEFID, 0, 0), MAKELRESULT(IDC_COMPILE, DC_HASDEFID));
    Command(4711);
    Command(IDC_FILE_GROUP);
    Settle();
    EXPECT_TRUE(IsWindow(Window()));
    EXPECT_EQ(exitCode_, -1);
}

TEST_F(MainWindowTest, AControlTheUserChangedIsNotSetBack)
{
    Open();
    SendMessageA(Item(IDC_FORMAT0), BM_CLICK, 0, 0);
    FillFileFields("a.mml", "a.mid");  // changes the table, so the idle step applies it
    EXPECT_TRUE(Enabled(IDC_COMPILE));
    EXPECT_TRUE(Checked(IDC_FORMAT0));
    EXPECT_FALSE(Checked(IDC_FORMAT1));
}

TEST(CenterDialog, CentresOnTheWorkAreaWhenTheOwnerIsHiddenAndKeepsTheLeftAndTopEdgesInside)
{
    RECT area;
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    HWND owner = CreateWindowExA(0, "STATIC", "", WS_POPUP, 3, 3, 10, 10, nullptr, nullptr, nullptr, nullptr);
    HWND small = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 101, 51, owner, nullptr, nullptr, nullptr);
    HWND large = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, area.right - area.left + 200,
                                 area.bottom - area.top + 100, owner, nullptr, nullptr, nullptr);
    RECT placed;
    CenterDialog(small);  // its owner is hidden, so it goes to the middle of the work area
    GetWindowRect(small, &placed);
    EXPECT_EQ(placed.left, (area.left + area.right) / 2 - 50);
    EXPECT_EQ(placed.top, (area.top + area.bottom) / 2 - 25);
    CenterDialog(large);
    GetWindowRect(large, &placed);
    EXPECT_EQ(placed.left, area.left);
    EXPECT_EQ(placed.top, area.top);
    DestroyWindow(large);
    DestroyWindow(small);
    DestroyWindow(owner);
}

TEST(FormatFileVersion, ReadsTheVersionResourceOrSaysZero)
{
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof(self));
    EXPECT_EQ(FormatFileVersion(self), "2.0.0.1");
    EXPECT_EQ(FormatFileVersion(FakeConverterPath().c_str()), "0.0.0.0");
    EXPECT_EQ(FormatFileVersion("Z:\\nowhere\\none.exe"), "0.0.0.0");
}

}  // namespace
