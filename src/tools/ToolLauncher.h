// Opening the MML file in an editor, also at a line, and the SMF file in a player: through the desktop's
// file association, or through the command templates of the settings. Every launch is fire and forget.
#pragma once

#include <windows.h>

#include "ByteString.h"
#include "Preferences.h"

// Starts a command line whose first token names the program; nothing is waited for, nothing reported.
void LaunchCommand(const ByteString& commandLine);

// `owner` owns any message the shell shows when the file has no association. Each returns false, having
// opened nothing, when the file is a program that the association would run (RunsWhenOpened); a template
// gets the file as an argument and runs whatever the file is.
bool OpenEditor(const Preferences& preferences, HWND owner, const ByteString& mmlFile);
// Through the association the line is dropped: an associated program is only ever given the file.
bool OpenEditorAtLine(const Preferences& preferences, HWND owner, const ByteString& mmlFile, int line);
bool OpenPlayer(const Preferences& preferences, HWND owner, const ByteString& smfFile);
