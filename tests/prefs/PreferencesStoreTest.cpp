// The settings store against Wine's real registry. Each test starts without the key, writes the values it
// needs in their raw form, and reads back what a save left there.
#include "PreferencesStore.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

// Failures show a byte string as its text.
void PrintTo(const ByteString& text, std::ostream* out)
{
    *out << '"' << text.c_str() << '"';
}

namespace {

struct RawValue {
    DWORD type = REG_NONE;
    std::string bytes;
    bool present = false;
};

class PreferencesStoreTest : public testing::Test {
protected:
    void SetUp() override { RegDeleteKeyA(HKEY_CURRENT_USER, PreferencesKeyPath); }
    void TearDown() override { RegDeleteKeyA(HKEY_CURRENT_USER, PreferencesKeyPath); }

    static void Put(const char* name, DWORD type, const std::string& bytes)
    {
        Put(name, type, bytes, static_cast<DWORD>(bytes.size()));
    }
    static void Put(const char* name, DWORD type, const std::string& bytes, DWORD size)
    {
        HKEY key = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CURRENT_USER, PreferencesKeyPath, 0, nullptr, 0, KEY_WRITE,
                                                 nullptr, &key, nullptr));
        EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(bytes.data()), size));
        RegCloseKey(key);
    }
    static void PutString(const char* name, const std::string& text, DWORD type = REG_SZ)
    {
        Put(name, type, text + '\0');
    }
    static void PutNumber(const char* name, DWORD number)
    {
        Put(name, REG_DWORD, std::string(reinterpret_cast<const char*>(&number), sizeof number));
    }

    static RawValue Get(const char* name)
    {
        RawValue value;
        HKEY key = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, PreferencesKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
            return value;
        char buffer[4096];
        DWORD size = sizeof buffer;
        if (RegQueryValueExA(key, name, nullptr, &value.type, reinterpret_cast<BYTE*>(buffer), &size) ==
            ERROR_SUCCESS) {
            value.present = true;
            value.bytes.assign(buffer, size);
        }
        RegCloseKey(key);
        return value;
    }
    static void ExpectNumber(const char* name, DWORD number)
    {
        RawValue value = Get(name);
        EXPECT_EQ(static_cast<DWORD>(REG_DWORD), value.type) << name;
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(&number), sizeof number), value.bytes) << name;
    }
    static void ExpectString(const char* name, const std::string& text)
    {
        RawValue value = Get(name);
        EXPECT_EQ(static_cast<DWORD>(REG_SZ), value.type) << name;
        EXPECT_EQ(text + '\0', value.bytes) << name;
    }

    // A record whose every field differs from its default, to see which ones a load or SetDefaults touches.
    static Preferences Filled()
    {
        Preferences preferences;
        preferences.UseMyEditor = true;
        preferences.UseMyPlayer = true;
        preferences.MyEditor = "before editor";
        preferences.MyEditorWithLine = "before editor with line";
        preferences.MyPlayer = "before player";
        preferences.ConverterPath = "before converter";
        return preferences;
    }
};

TEST_F(PreferencesStoreTest, WithoutTheKeyTheDefaultsStayAndSavingCreatesAllSixValues)
{
    Preferences preferences = Filled();
    SetDefaults(preferences);
    LoadPreferences(preferences);
    EXPECT_FALSE(preferences.UseMyEditor);
    EXPECT_FALSE(preferences.UseMyPlayer);
    EXPECT_EQ("", preferences.MyEditor);
    EXPECT_EQ("", preferences.MyEditorWithLine);
    EXPECT_EQ("", preferences.MyPlayer);
    EXPECT_EQ("trivane.exe", preferences.ConverterPath);

    SavePreferences(preferences);
    ExpectNumber("UseMyEditor", 0);
    ExpectNumber("UseMyPlayer", 0);
    ExpectString("Trivane", "trivane.exe");
    ExpectString("MyEditor", "");
    ExpectString("MyEditorWithLine", "");
    ExpectString("MyPlayer", "");
}

TEST_F(PreferencesStoreTest, FlagsComeOnlyFromDwordsOfAtMostFourBytesAndAreSavedAsZeroOrOne)
{
    PutString("UseMyEditor", "1");
    PutNumber("UseMyPlayer", 5);
    Preferences preferences;
    LoadPreferences(preferences);
    EXPECT_FALSE(preferences.UseMyEditor);
    EXPECT_TRUE(preferences.UseMyPlayer);

    SavePreferences(preferences);
    ExpectNumber("UseMyEditor", 0);
    ExpectNumber("UseMyPlayer", 1);

    // Four bytes of another type, and a DWORD longer than four bytes, leave the flags as they were.
    Put("UseMyEditor", REG_BINARY, std::string("\0\0\0\0", 4));
    Put("UseMyPlayer", REG_DWORD, std::string("\1\0\0\0\0\0\0\0", 8));
    preferences = Filled();
    preferences.UseMyPlayer = false;
    LoadPreferences(preferences);
    EXPECT_TRUE(preferences.UseMyEditor);
    EXPECT_FALSE(preferences.UseMyPlayer);
    PutNumber("UseMyEditor", 0);
    LoadPreferences(preferences);
    EXPECT_FALSE(preferences.UseMyEditor);

    // A DWORD of fewer than four bytes is still a number: what it holds decides, the missing bytes are zero.
    Put("UseMyEditor", REG_DWORD, std::string("\1", 1));
    Put("UseMyPlayer", REG_DWORD, std::string("\0\0", 2));
    preferences = Filled();
    preferences.UseMyEditor = false;
    LoadPreferences(preferences);
    EXPECT_TRUE(preferences.UseMyEditor);
    EXPECT_FALSE(preferences.UseMyPlayer);
}

TEST_F(PreferencesStoreTest, StringsOfUpTo1023BytesLoadAndLongerOnesAreIgnoredWhole)
{
    PutString("MyEditor", std::string(1023, 'e'));
    PutString("MyPlayer", std::string(1024, 'p'));
    Preferences preferences = Filled();
    LoadPreferences(preferences);
    EXPECT_EQ(std::string(1023, 'e'), preferences.MyEditor.c_str());
    EXPECT_EQ(1023, preferences.MyEditor.Length());
    EXPECT_EQ("before player", preferences.MyPlayer);
}

TEST_F(PreferencesStoreTest, AnEmptyStringOverridesTheDefaultButAValueOfNoBytesIsIgnored)
{
    PutString("Trivane", "");
    Put("MyEditor", REG_SZ, "");
    Preferences preferences = Filled();
    LoadPreferences(preferences);
    EXPECT_EQ("", preferences.ConverterPath);
    EXPECT_EQ("before editor", preferences.MyEditor);
}

TEST_F(PreferencesStoreTest, ExpandableStringsLoadVerbatimAndAreSavedBackAsPlainStrings)
{
    const char* path = "%ProgramFiles%\\Trivane\\trivane.exe";
    PutString("Trivane", path, REG_EXPAND_SZ);
    Preferences preferences;
    LoadPreferences(preferences);
    EXPECT_EQ(path, preferences.ConverterPath);

    SavePreferences(preferences);
    ExpectString("Trivane", path);
}

TEST_F(PreferencesStoreTest, AMalformedValueIsSkippedAndTheOthersStillLoad)
{
    // The platform counts a NUL that directly follows the data in, as callers forget it; so the stored text
    // is cut from a longer one to keep its NUL out.
    Put("Trivane", REG_SZ, std::string("no terminator!"), 13);
    PutNumber("MyEditor", 7);
    PutString("MyEditorWithLine", "edit.exe \"%f\" /l%l");
    Put("MyPlayer", REG_SZ, std::string("play.exe\0ignored\0", 17));
    PutString("UseMyEditor", "yes");
    PutNumber("UseMyPlayer", 0);
    Preferences preferences = Filled();
    LoadPreferences(preferences);
    EXPECT_EQ("before converter", preferences.ConverterPath);
    EXPECT_EQ("before editor", preferences.MyEditor);
    EXPECT_EQ("edit.exe \"%f\" /l%l", preferences.MyEditorWithLine);
    EXPECT_EQ("play.exe", preferences.MyPlayer);
    EXPECT_TRUE(preferences.UseMyEditor);
    EXPECT_FALSE(preferences.UseMyPlayer);
}

TEST_F(PreferencesStoreTest, JapaneseTextRoundTripsByteForByteAndIsStoredAsJapanese)
{
    // 表 and ソ end in 0x5C, the byte of '\', which a byte-wise path routine would take for a separator.
    Preferences saved;
    SetDefaults(saved);
    saved.MyEditor = "C:\\表計算\\エディタ.exe \"%f\"";
    saved.ConverterPath = "D:\\ソフト\\trivane.exe";
    SavePreferences(saved);

    Preferences loaded;
    LoadPreferences(loaded);
    EXPECT_EQ(saved.MyEditor, loaded.MyEditor);
    EXPECT_EQ(saved.ConverterPath, loaded.ConverterPath);

    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, PreferencesKeyPath, 0, KEY_READ, &key));
    wchar_t text[256] = L"";
    DWORD size = sizeof text;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(key, L"Trivane", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size));
    RegCloseKey(key);
    EXPECT_STREQ(L"D:\\ソフト\\trivane.exe", text);
}

}  // namespace
