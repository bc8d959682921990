// What the converter's tests share: compiling MML text in memory and listing what came out, the marked
// lines of the broken song, and reading files by their build paths.
#pragma once

#include "Compiler.h"
#include "SmfCheck.h"

#include <set>
#include <string>
#include <vector>

struct Compiled {
    CompileResult result;
    SmfListing listing;
    std::string problem;  // what the strict check found wrong with the file, empty when it passed

    // The events of track `track` (the first part is 1 in format 1), without their track prefix.
    std::vector<std::string> Track(int track) const { return TrackLines(listing, track); }
    // The messages that hold `marker`.
    std::vector<std::string> Lines(const std::string& marker) const;
    std::string AllLines() const;
};

Compiled CompileText(const std::string& mml, const CompileOptions& options = CompileOptions());

// The numbers of the lines of `mml` that end in "; error": the broken test song marks its mistakes so.
std::set<int> MarkedErrorLines(const std::string& mml);

// A path of the Linux file system as Windows programs see it under Wine (Z:\...); unchanged natively.
std::string HostPath(const std::string& path);
std::string ReadBytes(const std::string& path);

// The note numbers struck in one track, in order.
std::vector<int> KeysOf(const Compiled& compiled, int track = 1);
