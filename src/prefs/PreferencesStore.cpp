// The settings in the per-user registry. Every failure is silent: a missing key, or a value that is missing,
// of another type or too long, leaves the fields as they were, and a failed write loses only its own value.
#include "PreferencesStore.h"

#include <cstring>

#include "Handles.h"

const char* const PreferencesKeyPath = "Software\\Pelrin\\Dodavirid\\Preferences";

namespace {

// Write access is asked for when loading too, so a key that could not be saved back is not read either.
const REGSAM ReadWrite = KEY_READ | KEY_WRITE;
// A string value may hold this many bytes with its NUL, as many as a window text the program reads.
const DWORD StringValueBytes = 1024;

// The values and the fields they hold, in the order they are written; the strings are read first.
const struct {
    const char* name;
    bool Preferences::*field;
} Flags[] = {{"UseMyEditor", &Preferences::UseMyEditor}, {"UseMyPlayer", &Preferences::UseMyPlayer}};
const struct {
    const char* name;
    ByteString Preferences::*field;
} Strings[] = {{"Trivane", &Preferences::ConverterPath},
               {"MyEditor", &Preferences::MyEditor},
               {"MyEditorWithLine", &Preferences::MyEditorWithLine},
               {"MyPlayer", &Preferences::MyPlayer}};

HKEY OpenPreferencesKey()
{
    HKEY key = nullptr;
    return RegOpenKeyExA(HKEY_CURRENT_USER, PreferencesKeyPath, 0, ReadWrite, &key) == ERROR_SUCCESS ? key : nullptr;
}

HKEY CreatePreferencesKey()
{
    HKEY key = nullptr;
    LONG result = RegCreateKeyExA(HKEY_CURRENT_USER, PreferencesKeyPath, 0, nullptr, REG_OPTION_NON_VOLATILE, ReadWrite,
                                  nullptr, &key, nullptr);
    return result == ERROR_SUCCESS ? key : nullptr;
}

// A flag is taken only from a REG_DWORD that fits four bytes; any non-zero number means true. A shorter one
// is read into the zeroed number as far as it goes, a longer one fails the query and is ignored. `exact`
// tells whether it is in the form it is written in: four bytes, 0 or 1.
bool QueryFlag(HKEY key, const char* name, bool& flag, bool* exact = nullptr)
{
    DWORD value = 0;
    DWORD type = REG_NONE;
    DWORD size = sizeof value;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
        type != REG_DWORD)
        return false;
    flag = value != 0;
    if (exact)
        *exact = size == sizeof value && value <= 1;
    return true;
}

// A string is taken from a REG_SZ or REG_EXPAND_SZ of at most StringValueBytes whose data ends with a NUL,
// verbatim: %NAME% references stay for whoever runs the command. `exact` tells whether it is a REG_SZ.
bool QueryString(HKEY key, const char* name, ByteString& text, bool* exact = nullptr)
{
    char buffer[StringValueBytes];
    DWORD type = REG_NONE;
    DWORD size = sizeof buffer;
    // A value that does not fit fails here whole (ERROR_MORE_DATA): it is never cut to the buffer.
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS)
        return false;
    // The query does not terminate what was stored without a NUL; such a value is not taken.
    if ((type != REG_SZ && type != REG_EXPAND_SZ) || size == 0 || buffer[size - 1] != '\0')
        return false;
    text = buffer;
    if (exact)
        *exact = type == REG_SZ;
    return true;
}

void WriteFlag(HKEY key, const char* name, bool flag)
{
    const DWORD value = flag ? 1 : 0;
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

// A registry string ends at its first NUL, so only the bytes before one are written, and the NUL with them.
void WriteString(HKEY key, const char* name, const ByteString& text)
{
    const DWORD size = static_cast<DWORD>(std::strlen(text.c_str())) + 1;
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()), size);
}

}  // namespace

void ReadStringValue(HKEY key, const char* name, ByteString& field)
{
    ByteString text;
    if (QueryString(key, name, text))
        field = text;
}

void LoadPreferences(Preferences& preferences)
{
    KeyHandle key(OpenPreferencesKey());
    if (!key)
        return;
    for (const auto& value : Strings)
        ReadStringValue(key.Get(), value.name, preferences.*value.field);
    for (const auto& value : Flags)
        QueryFlag(key.Get(), value.name, preferences.*value.field);
}

void SavePreferences(const Preferences& preferences, const Preferences* loaded)
{
    KeyHandle key(CreatePreferencesKey());
    if (!key)
        return;
    // A value is left alone only when this record did not change it and the store holds it as it is written.
    for (const auto& value : Flags) {
        const bool flag = preferences.*value.field;
        bool stored = false, exact = false;
        if (!loaded || flag != loaded->*value.field || !QueryFlag(key.Get(), value.name, stored, &exact) || !exact)
            WriteFlag(key.Get(), value.name, flag);
    }
    for (const auto& value : Strings) {
        const ByteString& text = preferences.*value.field;
        ByteString stored;
        bool exact = false;
        if (!loaded || text != loaded->*value.field || !QueryString(key.Get(), value.name, stored, &exact) || !exact)
            WriteString(key.Get(), value.name, text);
    }
}
