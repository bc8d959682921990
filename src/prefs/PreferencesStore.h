// The settings in the registry: HKEY_CURRENT_USER\Software\Pelrin\Dodavirid\Preferences.
#pragma once

#include <windows.h>

#include "Preferences.h"

extern const char* const PreferencesKeyPath;

// Overwrites each field whose value in the registry is valid; the others keep what they held.
void LoadPreferences(Preferences& preferences);
// Writes the values of `preferences`, creating the key when it is missing. With `loaded`, the record as it
// was last loaded or saved, only the values that differ from it and those that the store does not hold in
// the form they are written in (missing, of another type, a REG_DWORD other than four bytes of 0 or 1, a
// REG_EXPAND_SZ, too long): another instance of the program may have changed the rest since. Without it, all six.
void SavePreferences(const Preferences& preferences, const Preferences* loaded = nullptr);
// The string reader of LoadPreferences: takes a REG_SZ or REG_EXPAND_SZ value of at most 1024 bytes, its
// NUL included, verbatim; leaves `field` alone otherwise.
void ReadStringValue(HKEY key, const char* name, ByteString& field);
