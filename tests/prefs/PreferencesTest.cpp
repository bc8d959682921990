// The settings against Wine's real registry: the store value by value in raw forms, and the settings dialog
// opened from the real main window's Options menu and ended every way, over settings that went through the registry.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlwapi.h>

#include <string>
#include <tuple>

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
    const std::string typed = "new-ed.exe " + std::string(1500, 'x');
    const Preferences changed = {
        false, true, typed.substr(0, 1023).c_str(), "", "new-play.exe \"%f\"", "Z:\\elsewhere\\new-trivane.exe"};
    // Escape, the close box, Cancel, Enter, and once more Escape.
    for (int ending = 0; ending < 5; ++ending) {
        std::string shown;
        RunModalCommand(window.Window(), ID_OPTIONS_SETTINGS, [&](HWND dialog) {
            shown = Shown(dialog);
            SetDlgItemTextA(dialog, IDC_CONVERTER_PATH, changed.ConverterPath.c_str());
            SetDlgItemTextA(dialog, IDC_EDITOR, typed.c_str());
            SetDlgItemTextA(dialog, IDC_EDITOR_WITH_LINE, "");
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
        EXPECT_EQ(shown, Describe(ending < 4 ? Before : changed)) << ending;
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
