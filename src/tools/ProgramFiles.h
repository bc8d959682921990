// Telling a program from a document by its name, before it is handed to the shell's default verb, which
// would run a program rather than open it.
#pragma once

#include "ByteString.h"

// Whether the shell's default verb would run `fileName` rather than open it: its extension is one that runs
// (.exe, .bat, .lnk, .js, .reg, .url and the like) or one of `pathExt` (the PATHEXT variable: extensions with
// their dots, separated by ';'), or its file name has no extension at all, so that the shell looks it up as
// a command. Letter case does not count, and dots and blanks at the end are dropped, as Windows drops them.
// A name that ends in a folder separator names a folder, which is no program.
bool IsProgramFile(const ByteString& fileName, const ByteString& pathExt);
