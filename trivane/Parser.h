// Reads a whole MML source: comments, directives, macro definitions and the lines of each track, which it
// checks, loops matched, without keeping their commands.
#pragma once

#include "Diagnostics.h"
#include "Options.h"
#include "Song.h"

#include <string_view>

// Takes the prepared text, which the song then holds.
Song ParseSong(std::string text, const CompileOptions& options, Diagnostics& diagnostics);

// Reads a checked track's lines into commands, its loops linked; `texts` receives the texts of its text
// commands.
void ReadTrack(const Song& song,
               const Track& track,
               const CompileOptions& options,
               Diagnostics& diagnostics,
               std::vector<std::string>& texts,
               std::vector<Token>& tokens);
