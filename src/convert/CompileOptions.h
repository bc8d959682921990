// What one compile reads from the main window, and the converter command line made of it.
#pragma once

#include "ByteString.h"

struct CompileOptions {
    ByteString ConverterPath;
    bool InvertAngleBrackets = false;
    bool InvertParentheses = false;
    bool SmfFormat0 = false;
    ByteString TransposeText;
    ByteString MmlPath;
    ByteString SmfPath;
};

// "path" [-x ][-v ][-f ][-t<text> ]"mml" "smf": the whole line, never cut, so that the converter is
// never handed a shortened file name. A file name that begins with '-' is passed as ".\-...".
ByteString BuildCommandLine(const CompileOptions& options);

// The converter's path without one pair of double quotes around the whole of it, as a path copied from the
// desktop's "Copy as path" comes; the command line quotes the path itself. Any other path stays as it is.
ByteString UnquotedPath(const ByteString& path);
