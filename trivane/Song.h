// The parsed song: per track, the list of commands after macro expansion, loops matched, ready to play.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One pulse is 1/480 of a quarter note; a whole note is 1920 pulses, so l1 to l1920 divide it whenever
// the number divides 1920 (l3, l5, l6, l12, l24, l96 ... included).
constexpr int TicksPerQuarter = 480;
constexpr int TicksPerWhole = 4 * TicksPerQuarter;

enum class Op : std::uint8_t {
    Note,     // value: semitones above c of the octave (accidentals applied, may be -1 or 12 and more)
    RawNote,  // value: MIDI note number, played as it is
    Rest,
    Tie,     // '&': the note before it is held to its full length, and joined to the next one of its pitch
    Octave,  // value: the octave
    OctaveUp,
    OctaveDown,
    Length,        // the default length, in the length fields
    Tempo,         // value: quarter notes a minute
    Velocity,      // value: note-on velocity
    VelocityUp,    // value: step
    VelocityDown,  // value: step
    Gate,          // value: eighths of the length that sound
    Program,       // value: program number 0-127
    Transpose,     // value: semitones for this track's note names
    Control,       // value: controller, value2: its value
    LoopBegin,     // jump: index of the matching LoopEnd
    LoopBreak,     // jump: index of the matching LoopEnd
    LoopEnd,       // value: repeat count, jump: index of the matching LoopBegin
};

// A note's length: "c4.^16" is base 720 (its dot already added), extra 120. A length written without a
// number ("c", "c.") has base 0: it takes the default length, known only when played, and keeps its dots
// for then.
struct Length {
    std::int32_t base = 0;   // pulses; 0 means the default length
    std::int32_t extra = 0;  // pulses of the '^' additions
    std::uint8_t dots = 0;
};

// Said of every length that dots cannot make, whether its number is written or the default.
constexpr const char* UnevenLengthMessage = "付点をつけると音長が割り切れません";

// A length of `ticks` with `dots` dots, each adding half of what the one before added; false when a half
// is not a whole number of pulses.
inline bool AddDots(std::int64_t ticks, int dots, std::int64_t& total)
{
    total = ticks;
    for (int i = 0; i < dots; ++i) {
        if (ticks % 2 != 0)
            return false;
        ticks /= 2;
        total += ticks;
    }
    return true;
}

struct Token {
    Op op = Op::Rest;
    std::int32_t line = 0;  // source line, for messages
    std::uint32_t at = 0;   // offset of the command in the source, to order the messages of a line
    std::int32_t value = 0;
    std::int32_t value2 = 0;
    std::uint32_t jump = 0;
    Length length;
};

struct Track {
    char name = 'A';  // 'A' to 'Z'
    int channel = 1;  // 1-16; 10 is drums
    std::vector<Token> tokens;
};

struct Song {
    std::string title;
    std::string copyright;
    std::vector<Track> tracks;  // ordered by name
};

constexpr int DrumChannel = 10;
