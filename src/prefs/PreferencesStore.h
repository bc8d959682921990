// The settings in the registry: HKEY_CURRENT_USER\Software\Pelrin\Dodavirid\Preferences.
#pragma once

#include <windows.h>

#include "Preferences.h"

extern const char* const PreferencesKeyPath;

// Overwrites each field whose value in the registry is valid; the others keep what they held.
void LoadPreferences(Preferences& preferences);
// Writes all six values, creating the key when it is missing.
void SavePreferences(const Preferences& preferences);
// The string reader of LoadPreferences: takes a REG_SZ or REG_EXPAND_SZ value of at most 1024 bytes, its
// NUL included, verbatim; leaves `field` alone otherwise.
void ReadStringValue(HKEY key, const char* name, ByteString& field);
