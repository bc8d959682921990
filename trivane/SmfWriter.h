// Writes a sequence as Standard MIDI File bytes: format 1 (the conductor track, then one track a part) or
// format 0 (everything merged into one track), 480 pulses a quarter note.
#pragma once

#include "Sequence.h"

#include <cstdint>
#include <vector>

// The parts are those of Sequence::written, or in format 0 those of Sequence::parts.
SmfBytes WriteSmf(Sequence sequence, bool format0);

// Adds one MTrk chunk with the events of `track`, which it sorts first if they are not in order; the end of
// track comes at the track's end, or at its last event if that is later, which then becomes its end.
void AppendTrack(SmfBytes& bytes, EventTrack& track, const std::vector<std::string>& texts);
