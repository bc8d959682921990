// Telling a program from a document by its name, before it is handed to the shell's default verb, which
// would run a program rather than open it; and telling whether a path names this very program.
#pragma once

#include "ByteString.h"

// Whether the shell's default verb would run `fileName` rather than open it: its extension is one that runs
// (.exe, .bat, .lnk, .js, .reg, .url and the like) or one of `pathExt` (the PATHEXT variable: extensions with
// their dots, separated by ';'), or its file name has no extension at all, so that the shell looks it up as
// a command. Letter case does not count, and dots and blanks at the end are dropped, as Windows drops them.
// A name that ends in a folder separator names a folder, which is no program. Judges the text alone.
bool IsProgramFile(const ByteString& fileName, const ByteString& pathExt);

// The same judgement as the shell makes it (ProgramLookup.cpp, Windows only): on the text, on the full path
// name the system makes of it (C:\x\tool.exe\. and C:\x\tool.exe\y\.. name tool.exe) and on that path's long
// form, with the process's PATHEXT. True when any of them is a program.
bool RunsWhenOpened(const ByteString& file);

// Whether `path`, looked up as CreateProcessA looks up the first word of a command line, names this very
// program's executable file (by any spelling, link or short name). Such a converter is never started: each
// instance would start the next from its own start-up run. Windows only.
bool NamesThisProgram(const ByteString& path);
