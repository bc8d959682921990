// The settings against Wine's real registry: the store value by value in raw forms, what two windows write
// when they close or the session ends, and the settings dialog opened from the real main window's Options menu
// and ended every way, over settings that went through the registry.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlwapi.h>

#include <cstdlib>
#include <string>
#include <tuple>
#include <utility>

#include "MainWindowHarness.h"
#include "PreferencesStore.h"
#include "resource.h"

namespace {

// A record as one line: the converter, the three templates, then both flags.
std::string Describe(const Preferences& p)
{
    return std::string(p.ConverterPath.c_str()) + "|" + p.MyEditor.c_str() + "|" + p.MyEditorWithLine.c_str() + "|" +
           p.MyPlayer.c_str() + "|" + (p.UseMyEditor ? "1" : "0") + (p.UseMyPlayer ? "1" : "0");
}

TEST(PreferencesStore, TakesAValueOnlyInItsOwnFormAndWhole)
{
    // UseMyEditor and MyPlayer alone, loaded over false and "old"; the last `cut` bytes of the string are
    // held back, so that no NUL follows what is stored.
    const std::tuple<DWORD, std::string, DWORD, std::string, size_t, std::string> cases[] = {
        {REG_DWORD, {"\5\0\0\0", 4}, REG_SZ, {"play.exe\0ignored\0", 17}, 0, "1play.exe"},
        {REG_DWORD, {"\1", 1}, REG_EXPAND_SZ, {"%TEMP%\\p.exe\0", 13}, 0, "1%TEMP%\\p.exe"},  // missing bytes are 0
        {REG_DWORD, {"\1\0\0\0\0\0\0\0", 8}, REG_SZ, {"\0", 1}, 0, "0"},
        {REG_BINARY, {"\1\0\0\0", 4}, REG_SZ, "", 0, "0old"},
        {REG_SZ, {"1\0", 2}, REG_SZ, "no NUL!", 1, "0old"},
        {REG_DWORD, {"\0\0\0\0", 4}, REG_DWORD, {"\7\0\0\0", 4}, 0, "0old"},
        {REG_DWORD, {"\1\0\0\0", 4}, REG_SZ, std::string(1023, 'p') + '\0', 0, "1" + std::string(1023, 'p')},
        {REG_DWORD, {"\1\0\0\0", 4}, REG_SZ, std::string(1024, 'p') + '\0', 0, "1old"},
    };
    for (const auto& [flagType, flag, type, text, cut, loaded] : cases) {
        SHDeleteKeyA(HKEY_CURRENT_USER, PreferencesKeyPath);
        SHSetValueA(HKEY_CURRENT_USER, PreferencesKeyPath, "UseMyEditor", flagType, flag.data(), flag.size());
        SHSetValueA(HKEY_CURRENT_USER, PreferencesKeyPath, "MyPlayer", type, text.data(), text.size() - cut);
        Preferences p = {false, false, "old", "old", "old", "old"};
        LoadPreferences(p);
        EXPECT_EQ((p.UseMyEditor ? "1" : "0") + std::string(p.MyPlayer.c_str()), loaded) << flag.size() << text;
    }
}

// Each value in the store as its type and its text or number, in the order they are written.
std::string Stored()
{
    std::string values;
    KeyHandle key;
    RegOpenKeyExA(HKEY_CURRENT_USER, PreferencesKeyPath, 0, KEY_READ, key.Receive());
    for (const char* name : {"UseMyEditor", "UseMyPlayer", "Trivane", "MyEditor", "MyEditorWithLine", "MyPlayer"}) {
        char data[64] = {};
        DWORD type = REG_NONE, size = sizeof data;
        RegQueryValueExA(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
        values += std::to_string(type) + ":" + (type == REG_DWORD ? std::to_string(data[0]) : data) + "|";
    }
    return values;
}

TEST(PreferencesStore, AWindowWritesWhatItChangedAndWhatIsNotInFormWhenItClosesOrTheSessionEnds)
{
    // A flag of 5, an expandable string and a binary value; the rest is missing.
    SHDeleteKeyA(HKEY_CURRENT_USER, PreferencesKeyPath);
    SHSetValueA(HKEY_CURRENT_USER, PreferencesKeyPath, "UseMyPlayer", REG_DWORD, "\5\0\0\0", 4);
    SHSetValueA(HKEY_CURRENT_USER, PreferencesKeyPath, "Trivane", REG_EXPAND_SZ, "%T%\\t.exe", 10);
    SHSetValueA(HKEY_CURRENT_USER, PreferencesKeyPath, "MyEditorWithLine", REG_BINARY, "x", 1);
    {
        MainWindowHarness first, second;
        second.Dialog().Settings().MyPlayer = "second-play";
        // The session ends with the second window open (the messages as the system sends them); the first
        // then changes two values and closes; the second, closed last, keeps both.
        SendMessageA(second.Window(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF);
        SendMessageA(second.Window(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF);
        EXPECT_EQ(Stored(), "4:0|4:1|1:%T%\\t.exe|1:|1:|1:second-play|");
        first.Dialog().Settings().MyEditor = "first-ed";
        first.Dialog().Settings().MyPlayer = "first-play";
        first.Close();
    }
    EXPECT_EQ(Stored(), "4:0|4:1|1:%T%\\t.exe|1:first-ed|1:|1:first-play|");
}

TEST(ReadWindowText, LeavesTheValueAsItWasWhenThereIsNoMemory)
{
    ByteString value = "old";
    // Every block the heap gives, of every size down to a pointer's, chained through their first bytes.
    void* chain = nullptr;
    for (size_t size = 1 << 20; size >= sizeof chain; size /= 2) {
        for (void* block; (block = std::malloc(size)) != nullptr; chain = block)
            *static_cast<void**>(block) = chain;
    }
    const bool read = ReadWindowText(GetDesktopWindow(), value);
    for (void* block = chain; block; block = chain) {
        chain = *static_cast<void**>(block);
        std::free(block);
    }
    EXPECT_EQ((read ? "read " : "") + std::string(value.c_str()), "old");
}

// What the dialog's controls show, as Describe writes a record; 2 for a radio pair with both or neither.
std::string Shown(HWND dialog)
{
    auto pair = [dialog](int association, int custom) {
        bool a = IsDlgButtonChecked(dialog, association), c = IsDlgButtonChecked(dialog, custom);
        return a == c ? "2" : c ? "1" : "0";
    };
    return DialogItemText(dialog, IDC_CONVERTER_PATH) + "|" + DialogItemText(dialog, IDC_EDITOR) + "|" +
           DialogItemText(dialog, IDC_EDITOR_WITH_LINE) + "|" + DialogItemText(dialog, IDC_PLAYER) + "|" +
           pair(IDC_EDITOR_ASSOC, IDC_EDITOR_CUSTOM) + pair(IDC_PLAYER_ASSOC, IDC_PLAYER_CUSTOM);
}

// What the registry holds as each dialog test starts; 表 and ソ end in 0x5C, the byte of '\'.
const Preferences Before = {
    true, false, "old-ed.exe \"%f\"", "old-ed.exe -n%l \"%f\"", "old-play.exe %f", "Z:\\表計算\\ソフト\\trivane.exe"};

TEST(PreferencesDialog, OkTakesEveryFieldAtOnceOtherEndingsNothingAndTheRegistryWaitsForTheClose)
{
    SavePreferences(Before);
    MainWindowHarness window;  // which loads the settings as it starts
    ASSERT_TRUE(window.Created());
    // Pasted into two fields, which take as much as the store keeps: 1,511 bytes, and 1,202 bytes of mostly
    // double-byte characters, which the control's limit counts as one each.
    const std::string typed = "new-ed.exe " + std::string(1500, 'x');
    std::string wide = "Z:";
    while (wide.size() < 1202)
        wide += "\x82\xA0";
    const Preferences changed = {false,
                                 true,
                                 typed.substr(0, 1023).c_str(),
                                 wide.substr(0, 1022).c_str(),
                                 "new-play.exe \"%f\"",
                                 "Z:\\elsewhere\\new-trivane.exe"};
    // Escape, the close box, Cancel, Enter, and once more Escape.
    for (int ending = 0; ending < 5; ++ending) {
        std::string shown, lengths;
        RunModalCommand(window.Window(), ID_OPTIONS_SETTINGS, [&](HWND dialog) {
            shown = Shown(dialog);
            SetDlgItemTextA(dialog, IDC_CONVERTER_PATH, changed.ConverterPath.c_str());
            for (const auto& [id, text] :
                 {std::pair(IDC_EDITOR, &typed), std::pair(IDC_EDITOR_WITH_LINE, &std::as_const(wide))}) {
                SendDlgItemMessageA(dialog, id, EM_SETSEL, 0, -1);
                SendDlgItemMessageA(dialog, id, EM_REPLACESEL, TRUE, LPARAM(text->c_str()));
                lengths += std::to_string(GetWindowTextLengthA(GetDlgItem(dialog, id))) + " ";
            }
            SetDlgItemTextA(dialog, IDC_PLAYER, changed.MyPlayer.c_str());
            SendDlgItemMessageA(dialog, IDC_EDITOR_ASSOC, BM_CLICK, 0, 0);
            SendDlgItemMessageA(dialog, IDC_PLAYER_CUSTOM, BM_CLICK, 0, 0);
            if (ending == 1)
                PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
            else if (ending == 2)
                SendDlgItemMessageA(dialog, IDCANCEL, BM_CLICK, 0, 0);
            else
                PressKey(dialog, GetDlgItem(dialog, IDC_CONVERTER_PATH), ending == 3 ? VK_RETURN : VK_ESCAPE);
        });
        EXPECT_EQ(shown + " " + lengths, Describe(ending < 4 ? Before : changed) + " 1023 1022 ") << ending;
        EXPECT_EQ(Describe(window.Dialog().Settings()), Describe(ending < 3 ? Before : changed)) << ending;
    }
    Preferences stored;
    LoadPreferences(stored);
    EXPECT_EQ(Describe(stored), Describe(Before));
    window.Close();
    LoadPreferences(stored);
    EXPECT_EQ(Describe(stored), Describe(changed));
}

}  // namespace
