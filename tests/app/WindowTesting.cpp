// Helpers of the window tests.
#include "WindowTesting.h"

#include <shlwapi.h>

#include <fstream>
#include <sstream>

namespace {
const char PreferencesKey[] = "Software\\Pelrin\\Dodavirid\\Preferences";
}

void ResetPreferencesKey()
{
    SHDeleteKeyA(HKEY_CURRENT_USER, PreferencesKey);
}

void SetPreferenceString(const char* name, const char* value)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, PreferencesKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value), lstrlenA(value) + 1);
    RegCloseKey(key);
}

std::string ReadPreference(const char* name, DWORD& type)
{
    type = REG_NONE;
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, PreferencesKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::string();
    char data[2048] = {};
    DWORD size = sizeof(data) - 1;
    std::string value;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) == ERROR_SUCCESS)
        value.assign(data, size);
    else
        type = REG_NONE;
    RegCloseKey(key);
    return value;
}

std::string FakeConverterPath()
{
    return WindowsPath(FAKE_CONVERTER_PATH);
}

FakeConverterLog::FakeConverterLog()
{
    char folder[MAX_PATH];
    GetTempPathA(sizeof(folder), folder);
    char file[MAX_PATH];
    GetTempFileNameA(folder, "cmd", 0, file);
    path_ = file;
    SetEnvironmentVariableA("FAKE_CONVERTER_LOG", path_.c_str());
    SetEnvironmentVariableA("FAKE_CONVERTER_OUTPUT", nullptr);
}

FakeConverterLog::~FakeConverterLog()
{
    DeleteFileA(path_.c_str());
    SetEnvironmentVariableA("FAKE_CONVERTER_LOG", nullptr);
    SetEnvironmentVariableA("FAKE_CONVERTER_OUTPUT", nullptr);
}

void FakeConverterLog::SetOutput(const char* output)
{
    SetEnvironmentVariableA("FAKE_CONVERTER_OUTPUT", output);
}

std::string FakeConverterLog::Text() const
{
    std::ifstream in(path_, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void PostKey(HWND window, UINT virtualKey, bool alt)
{
    UINT scan = MapVirtualKeyA(virtualKey, 0);
    LPARAM down = 1 | (scan << 16) | (alt ? (1 << 29) : 0);
    LPARAM up = down | (1u << 30) | (1u << 31);
    PostMessageA(window, alt ? WM_SYSKEYDOWN : WM_KEYDOWN, virtualKey, down);
    PostMessageA(window, alt ? WM_SYSKEYUP : WM_KEYUP, virtualKey, up);
}

void PostChars(HWND window, const char* text)
{
    for (const char* c = text; *c; ++c)
        PostMessageA(window, WM_CHAR, static_cast<unsigned char>(*c), 1);
}
