// Reads a whole MML source: comments, directives, macro definitions and the lines of each track, which it
// checks, loops matched, keeping each track's commands packed.
#pragma once

#include "Diagnostics.h"
#include "Options.h"
#include "Song.h"

#include <string_view>

// Takes the prepared text, and lets go of it once it is read.
Song ParseSong(std::string text, const CompileOptions& options, Diagnostics& diagnostics);

// Unpacks a checked track's commands, its loops linked, and lets go of its packed code.
void ReadTrack(Track& track, const CompileOptions& options, Diagnostics& diagnostics, std::vector<Token>& tokens);
