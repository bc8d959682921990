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
// never handed a shortened file name.
ByteString BuildCommandLine(const CompileOptions& options);
