// One compile, MML source bytes in, SMF bytes and the lines to print out. No files, no console: the
// program's main does those.
#pragma once

#include "Options.h"
#include "Sequence.h"

#include <cstdint>
#include <string>
#include <vector>

struct CompileResult {
    bool ok = false;  // no error: `smf` holds the file
    SmfBytes smf;
    std::vector<std::string> messages;  // errors and warnings, with the lines that say how many were cut
    std::string summary;                // tracks, notes, playing time, errors, warnings
    int errors = 0;
    int warnings = 0;
};

// `source` is the file's bytes as saved, in code page 932 or UTF-8 (see PrepareSource); its size is the
// caller's to check. It is taken, and turned into the text that is read where it lies.
CompileResult Compile(std::string source, const CompileOptions& options);
