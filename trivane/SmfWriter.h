// Writes a sequence as Standard MIDI File bytes: format 1 (the conductor track, then one track a part) or
// format 0 (everything merged into one track), 480 pulses a quarter note.
#pragma once

#include "Sequence.h"

#include <cstdint>
#include <vector>

std::vector<std::uint8_t> WriteSmf(const Sequence& sequence, bool format0);
