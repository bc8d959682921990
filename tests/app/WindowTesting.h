// What the window tests share: the registry key of the settings, Windows names of the build's files, the
// recording fake converter, and sending input the way the keyboard does.
#pragma once

#include <windows.h>

#include <string>

#include "RunningProgram.h"

// The settings key, removed whole so that each test starts as on a fresh machine.
void ResetPreferencesKey();
void SetPreferenceString(const char* name, const char* value);
// The value of a settings entry, its type in `type`; empty and REG_NONE when missing.
std::string ReadPreference(const char* name, DWORD& type);

// The recording fake converter (FakeConverter.cpp): its Windows path, the file that collects its command
// lines, and what it prints.
std::string FakeConverterPath();
class FakeConverterLog {
public:
    FakeConverterLog();   // a fresh, empty log named in FAKE_CONVERTER_LOG, and the default output
    ~FakeConverterLog();  // removes the log and the variables
    void SetOutput(const char* output);
    // The command lines recorded so far, each followed by CR LF.
    std::string Text() const;

private:
    std::string path_;
};

// Keystrokes as the keyboard driver posts them to the focused window (WM_KEYDOWN/WM_KEYUP, with Alt
// WM_SYSKEYDOWN/WM_SYSKEYUP) and typed characters (WM_CHAR).
void PostKey(HWND window, UINT virtualKey, bool alt = false);
void PostChars(HWND window, const char* text);
