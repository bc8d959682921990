// What a compile is asked to do, and the bounds that keep any input, however large or hostile, from
// taking unbounded time or memory. Every bound that input can reach is reported as an error.
#pragma once

#include <cstdint>

struct Limits {
    std::int64_t maxInputBytes = 16 * 1024 * 1024;  // checked where the file is read
    int maxLoopDepth = 16;
    int maxLoopCount = 65535;
    int maxMacroDepth = 16;
    // Commands after macro expansion, summed over all tracks.
    std::int64_t maxTokens = 2000000;
    // Commands carried out, loops unrolled: bounds the time of loops that produce no events.
    std::int64_t maxSteps = 20000000;
    // MIDI events in the whole song, loops unrolled.
    std::int64_t maxEvents = 4000000;
    // Ticks from the start to the end of the song; any delta time then fits the four bytes of a
    // variable-length quantity.
    std::int64_t maxTicks = 0x0FFFFFFF;
    // Messages shown of each kind; the rest are counted in one closing line.
    int maxShownErrors = 50;
    int maxShownWarnings = 50;
    // Messages counted of each kind: the compile stops at this many errors, and warnings beyond it are no
    // longer counted, so that a file of garbage costs no memory for its messages.
    int maxCountedMessages = 1000;
};

struct CompileOptions {
    bool swapAngleBrackets = false;  // -x: '<' raises the octave, '>' lowers it
    bool swapParentheses = false;    // -v: '(' raises the velocity, ')' lowers it
    bool format0 = false;            // -f: one merged track instead of a conductor track and one per part
    int transpose = 0;               // -t: semitones added to every note name, drums excepted
    Limits limits;
};
