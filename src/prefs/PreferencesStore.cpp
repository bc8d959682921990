// The settings in the per-user registry. Every failure is silent: a missing key, or a value that is missing,
// of another type or too long, leaves the fields as they were, and a failed write loses only its own value.
#include "PreferencesStore.h"

#include <cstring>

const char* const PreferencesKeyPath = "Software\\Pelrin\\Dodavirid\\Preferences";

namespace {

// Write access is asked for when loading too, so a key that could not be saved back is not read either.
const REGSAM ReadWrite = KEY_READ | KEY_WRITE;
// A string value may hold this many bytes with its NUL, as many as a window text the program reads.
const DWORD StringValueBytes = 1024;

const char* const UseMyEditorValue = "UseMyEditor";
const char* const UseMyPlayerValue = "UseMyPlayer";
const char* const ConverterPathValue = "Trivane";
const char* const MyEditorValue = "MyEditor";
const char* const MyEditorWithLineValue = "MyEditorWithLine";
const char* const MyPlayerValue = "MyPlayer";

// An open registry key, closed with the object; null when the open failed.
class RegistryKey {
public:
    explicit RegistryKey(HKEY key) : key_(key) {}
    ~RegistryKey()
    {
        if (key_)
            RegCloseKey(key_);
    }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;

    HKEY Get() const { return key_; }

private:
    HKEY key_;
};

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
// is read into the zeroed number as far as it goes, a longer one fails the query and is ignored.
void ReadFlag(HKEY key, const char* name, bool& flag)
{
    DWORD value = 0;
    DWORD type = REG_NONE;
    DWORD size = sizeof value;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS)
        return;
    if (type == REG_DWORD)
        flag = value != 0;
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
    char buffer[StringValueBytes];
    DWORD type = REG_NONE;
    DWORD size = sizeof buffer;
    // A value that does not fit fails here whole (ERROR_MORE_DATA): it is never cut to the buffer.
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS)
        return;
    if (type != REG_SZ && type != REG_EXPAND_SZ)
        return;
    // The query does not terminate what was stored without a NUL; such a value is not taken.
    if (size == 0 || buffer[size - 1] != '\0')
        return;
    // REG_EXPAND_SZ is taken verbatim: %NAME% references stay for whoever runs the command.
    field = buffer;
}

void LoadPreferences(Preferences& preferences)
{
    RegistryKey key(OpenPreferencesKey());
    if (!key.Get())
        return;
    ReadStringValue(key.Get(), ConverterPathValue, preferences.ConverterPath);
    ReadStringValue(key.Get(), MyEditorValue, preferences.MyEditor);
    ReadStringValue(key.Get(), MyEditorWithLineValue, preferences.MyEditorWithLine);
    ReadStringValue(key.Get(), MyPlayerValue, preferences.MyPlayer);
    ReadFlag(key.Get(), UseMyEditorValue, preferences.UseMyEditor);
    ReadFlag(key.Get(), UseMyPlayerValue, preferences.UseMyPlayer);
}

void SavePreferences(const Preferences& preferences)
{
    RegistryKey key(CreatePreferencesKey());
    if (!key.Get())
        return;
    WriteFlag(key.Get(), UseMyEditorValue, preferences.UseMyEditor);
    WriteFlag(key.Get(), UseMyPlayerValue, preferences.UseMyPlayer);
    WriteString(key.Get(), ConverterPathValue, preferences.ConverterPath);
    WriteString(key.Get(), MyEditorValue, preferences.MyEditor);
    WriteString(key.Get(), MyEditorWithLineValue, preferences.MyEditorWithLine);
    WriteString(key.Get(), MyPlayerValue, preferences.MyPlayer);
}
