// Reads a whole MML source: comments, directives (#title, #copyright, #channel), macro definitions and
// the lines of each track; then matches the loops of every track.
#pragma once

#include "Diagnostics.h"
#include "Options.h"
#include "Song.h"

#include <string_view>

Song ParseSong(std::string_view source, const CompileOptions& options, Diagnostics& diagnostics);
