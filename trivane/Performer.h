// Plays the commands of each track, loops unrolled, into timed MIDI events.
#pragma once

#include "Diagnostics.h"
#include "Options.h"
#include "Sequence.h"
#include "Song.h"

// Takes the song, whose commands it lets go as it goes.
Sequence Perform(Song song, const CompileOptions& options, Diagnostics& diagnostics);
