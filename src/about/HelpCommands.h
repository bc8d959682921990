// The help text and the two web sites of the Help menu, each handed to the shell.
#pragma once

#include <windows.h>

// The help file's name: beside the program's executable, or else in the current directory.
extern const char HelpFileName[];

// `owner` owns any message the shell shows.
void OpenHelpContents(HWND owner);
void OpenConverterSite(HWND owner);
void OpenMakerSite(HWND owner);
