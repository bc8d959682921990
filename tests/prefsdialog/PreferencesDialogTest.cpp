// The settings dialog, opened from the real main window's Options menu with the settings loaded from the
// test prefix's registry: what it shows, what OK, Cancel, Escape and the close box leave behind, in the main
// window's record and in the registry, and what a Browse button puts in its field.
#include <gtest/gtest.h>

#include <windows.h>
#include <dlgs.h>
#include <shlwapi.h>

#include <string>

#include "MainWindowHarness.h"
#include "PreferencesStore.h"
#include "resource.h"

namespace {

struct Stored {
    std::string converter;
    std::string editor;
    std::string editorWithLine;
    std::string player;
    DWORD useMyEditor;
    DWORD useMyPlayer;
};

// What the registry holds when each test begins.
const Stored Before = {
    "Z:\\nowhere\\old-trivane.exe", "old-ed.exe \"%f\"", "old-ed.exe -n%l \"%f\"", "old-play.exe %f", 1, 0};

void Store(const Stored& values)
{
    SHDeleteKeyA(HKEY_CURRENT_USER, PreferencesKeyPath);
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, PreferencesKeyPath, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    auto text = [key](const char* name, const std::string& value) {
        RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), value.size() + 1);
    };
    text("Trivane", values.converter);
    text("MyEditor", values.editor);
    text("MyEditorWithLine", values.editorWithLine);
    text("MyPlayer", values.player);
    RegSetValueExA(key, "UseMyEditor", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&values.useMyEditor), 4);
    RegSetValueExA(key, "UseMyPlayer", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&values.useMyPlayer), 4);
    RegCloseKey(key);
}

Stored Load()
{
    Stored values = {};
    auto text = [](const char* name) {
        char value[1024] = {};
        DWORD size = sizeof(value);
        SHGetValueA(HKEY_CURRENT_USER, PreferencesKeyPath, name, nullptr, value, &size);
        return std::string(value);
    };
    values.converter = text("Trivane");
    values.editor = text("MyEditor");
    values.editorWithLine = text("MyEditorWithLine");
    values.player = text("MyPlayer");
    DWORD size = 4;
    SHGetValueA(HKEY_CURRENT_USER, PreferencesKeyPath, "UseMyEditor", nullptr, &values.useMyEditor, &size);
    size = 4;
    SHGetValueA(HKEY_CURRENT_USER, PreferencesKeyPath, "UseMyPlayer", nullptr, &values.useMyPlayer, &size);
    return values;
}

void ExpectStored(const Stored& actual, const Stored& expected)
{
    EXPECT_EQ(actual.converter, expected.converter);
    EXPECT_EQ(actual.editor, expected.editor);
    EXPECT_EQ(actual.editorWithLine, expected.editorWithLine);
    EXPECT_EQ(actual.player, expected.player);
    EXPECT_EQ(actual.useMyEditor, expected.useMyEditor);
    EXPECT_EQ(actual.useMyPlayer, expected.useMyPlayer);
}

Stored FromRecord(const Preferences& record)
{
    return {record.ConverterPath.c_str(), record.MyEditor.c_str(), record.MyEditorWithLine.c_str(),
            record.MyPlayer.c_str(),      record.UseMyEditor,      record.UseMyPlayer};
}

// What the dialog's controls show: the four fields, and which button of each pair is checked (1 for the
// template, 0 for the association, anything else when both or neither are).
Stored Shown(HWND dialog)
{
    auto pair = [dialog](int association, int custom) -> DWORD {
        bool a = IsDlgButtonChecked(dialog, association) == BST_CHECKED;
        bool c = IsDlgButtonChecked(dialog, custom) == BST_CHECKED;
        return a == c ? 2 : c;
    };
    return {DialogItemText(dialog, IDC_CONVERTER_PATH),   DialogItemText(dialog, IDC_EDITOR),
            DialogItemText(dialog, IDC_EDITOR_WITH_LINE), DialogItemText(dialog, IDC_PLAYER),
            pair(IDC_EDITOR_ASSOC, IDC_EDITOR_CUSTOM),    pair(IDC_PLAYER_ASSOC, IDC_PLAYER_CUSTOM)};
}

// Types new values over every field and turns both radio pairs around.
void ChangeEverything(HWND dialog)
{
    SetDlgItemTextA(dialog, IDC_CONVERTER_PATH, "Z:\\elsewhere\\new-trivane.exe");
    SetDlgItemTextA(dialog, IDC_EDITOR, "new-ed.exe %f");
    SetDlgItemTextA(dialog, IDC_EDITOR_WITH_LINE, "");
    SetDlgItemTextA(dialog, IDC_PLAYER, "new-play.exe \"%f\"");
    SendDlgItemMessageA(dialog, IDC_EDITOR_ASSOC, BM_CLICK, 0, 0);
    SendDlgItemMessageA(dialog, IDC_PLAYER_CUSTOM, BM_CLICK, 0, 0);
}

const Stored Changed = {"Z:\\elsewhere\\new-trivane.exe", "new-ed.exe %f", "", "new-play.exe \"%f\"", 0, 1};

class PreferencesDialogTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(window_.Created()); }

    // Runs the settings dialog with `drive` and returns what it showed when it opened.
    template <typename Drive>
    Stored RunSettings(Drive drive)
    {
        Stored shown = {};
        RunModalCommand(window_.Window(), ID_OPTIONS_SETTINGS, [&](HWND dialog) {
            shown = Shown(dialog);
            drive(dialog);
        });
        return shown;
    }

    // Registered before the window exists, which loads the settings as it initialises.
    struct StoreFirst {
        StoreFirst() { Store(Before); }
    } storeFirst_;
    MainWindowHarness window_;
};

TEST_F(PreferencesDialogTest, OkTakesEffectAtOnceWhileTheRegistryWaitsForTheWindowToClose)
{
    Stored shown = RunSettings([](HWND dialog) {
        ChangeEverything(dialog);
        PressKey(dialog, GetDlgItem(dialog, IDC_CONVERTER_PATH), VK_RETURN);
    });
    ExpectStored(shown, Before);
    ExpectStored(FromRecord(window_.Dialog().Settings()), Changed);
    ExpectStored(Load(), Before);

    // The next compile already runs the converter named in the dialog.
    SetDlgItemTextA(window_.Window(), IDC_MML_FILE, "Z:\\songs\\a.mml");
    SetDlgItemTextA(window_.Window(), IDC_SMF_FILE, "Z:\\songs\\a.mid");
    SendMessageA(window_.Window(), WM_COMMAND, ID_FILE_COMPILE, 0);
    std::string commandLine = window_.Dialog().Messages().RowText(0).c_str();
    EXPECT_EQ(commandLine.rfind("\"Z:\\elsewhere\\new-trivane.exe\" ", 0), 0u) << commandLine;

    // The dialog opens again on the record as OK left it.
    shown = RunSettings([](HWND dialog) { SendDlgItemMessageA(dialog, IDCANCEL, BM_CLICK, 0, 0); });
    ExpectStored(shown, Changed);

    window_.Close();
    ExpectStored(Load(), Changed);
}

TEST_F(PreferencesDialogTest, OkKeepsTheFirst1023BytesOfALongerField)
{
    // Shorter than the edit control's own limit, longer than what the program reads of a field.
    const std::string tooLong = "long-ed.exe " + std::string(1500, 'x');
    RunSettings([&tooLong](HWND dialog) {
        SetDlgItemTextA(dialog, IDC_EDITOR, tooLong.c_str());
        SendDlgItemMessageA(dialog, IDOK, BM_CLICK, 0, 0);
    });
    EXPECT_EQ(tooLong.substr(0, 1023), window_.Dialog().Settings().MyEditor.c_str());
}

TEST_F(PreferencesDialogTest, CancelEscapeAndTheCloseBoxLeaveEverythingAsItWas)
{
    RunSettings([](HWND dialog) {
        ChangeEverything(dialog);
        SendDlgItemMessageA(dialog, IDCANCEL, BM_CLICK, 0, 0);
    });
    RunSettings([](HWND dialog) {
        ChangeEverything(dialog);
        PressKey(dialog, GetDlgItem(dialog, IDC_CONVERTER_PATH), VK_ESCAPE);
    });
    Stored shown = RunSettings([](HWND dialog) {
        ChangeEverything(dialog);
        PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    });
    ExpectStored(shown, Before);
    ExpectStored(FromRecord(window_.Dialog().Settings()), Before);
    window_.Close();
    ExpectStored(Load(), Before);
}

TEST_F(PreferencesDialogTest, BrowseFillsItsFieldWithTheChosenProgramAndCancelKeepsIt)
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof(temp), temp);
    const std::string typed = std::string(temp) + "editor";
    // The open dialog completes a typed name only to a file that exists.
    CloseHandle(CreateFileA((typed + ".exe").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    std::string chosen;
    std::string kept;
    RunSettings([&](HWND dialog) {
        DWORD thread = GetWindowThreadProcessId(dialog, nullptr);
        // Accept a name typed without an extension, which the default extension completes.
        PostMessageA(GetDlgItem(dialog, IDC_BROWSE_EDITOR), BM_CLICK, 0, 0);
        HWND files = WaitForDialogOwnedBy(thread, dialog);
        if (!files)
            return;
        SetDlgItemTextA(files, cmb13, typed.c_str());
        SetDlgItemTextA(files, edt1, typed.c_str());
        PostMessageA(files, WM_COMMAND, IDOK, 0);
        for (int i = 0; i < 2000 && IsWindow(files); ++i)
            Sleep(10);
        chosen = DialogItemText(dialog, IDC_EDITOR);

        PostMessageA(GetDlgItem(dialog, IDC_BROWSE_PLAYER), BM_CLICK, 0, 0);
        files = WaitForDialogOwnedBy(thread, dialog);
        if (!files)
            return;
        PostMessageA(files, WM_COMMAND, IDCANCEL, 0);
        for (int i = 0; i < 2000 && IsWindow(files); ++i)
            Sleep(10);
        kept = DialogItemText(dialog, IDC_PLAYER);
        SendDlgItemMessageA(dialog, IDCANCEL, BM_CLICK, 0, 0);
    });
    DeleteFileA((typed + ".exe").c_str());
    EXPECT_EQ(chosen, typed + ".exe");
    EXPECT_EQ(kept, Before.player);
}

}  // namespace
