// Every command of the dialect in one table: letters, symbols, words and directives, each with its kind, the
// range of its number and a use as the manual shows it. The reader takes its ranges and words from here; the
// manual and the editors' grammars are checked against it, so that none of them drifts from the others.
// Plain data.
#pragma once

#include "Song.h"

#include <string_view>

enum class CommandKind : std::uint8_t {
    Note,        // a note name; then accidentals and a length
    Accidental,  // after a note name
    Rest,
    NoteNumber,  // a note by its MIDI number
    Octave,      // a number, or one step up or down
    Length,      // the default length, or a part of a length after a number
    Tempo,
    Velocity,  // a value, or a step down or up
    Gate,
    Program,
    Transpose,
    Control,  // a controller: by number, or a short form whose code is the controller
    Bend,
    Tie,
    Loop,
    Macro,
    Chord,
    Tuplet,
    Bar,
    Ramp,       // a gradual change: '~' and what it moves
    Text,       // a word with a text in quotes; code: its meta event type
    Signature,  // a time or key signature in the music
    SysEx,
    Articulation,  // a mark before a note or chord; code: its mark:: bit
    Dynamics,      // a dynamic mark; code: the velocity it sets
    Grace,         // a note of length 0, sounding before the next one
    Pedal,         // the sustain pedal; code: its controller
    Swing,
    Humanize,
    Directive,  // a line that starts with '#'
    Comment,
    Track,  // capitals at the start of a line
};

struct Command {
    std::string_view spelling;  // how it begins as written: "o", "wr", "~v", "name\"", "#time"
    CommandKind kind;
    int low = 0;  // the range of its number, where it takes one
    int high = 0;
    int code = -1;             // what it stands for, where the kind says so
    std::string_view example;  // a use that compiles, as the manual shows it
};

// clang-format off
inline constexpr Command Commands[] = {
    {"c", CommandKind::Note, 0, 0, -1, "c d e f g a b"},
    {"d", CommandKind::Note, 0, 0, -1, "c d e f g a b"},
    {"e", CommandKind::Note, 0, 0, -1, "c d e f g a b"},
    {"f", CommandKind::Note, 0, 0, -1, "c d e f g a b"},
    {"g", CommandKind::Note, 0, 0, -1, "c d e f g a b"},
    {"a", CommandKind::Note, 0, 0, -1, "c d e f g a b"},
    {"b", CommandKind::Note, 0, 0, -1, "c d e f g a b"},
    {"+", CommandKind::Accidental, 0, 0, -1, "c+ d# e-"},
    {"#", CommandKind::Accidental, 0, 0, -1, "c+ d# e-"},
    {"-", CommandKind::Accidental, 0, 0, -1, "c+ d# e-"},
    {"r", CommandKind::Rest, 0, 0, -1, "r"},
    {"n", CommandKind::NoteNumber, 0, 127, -1, "n36,8"},
    {"o", CommandKind::Octave, 0, 9, -1, "o4"},
    {">", CommandKind::Octave, 0, 0, -1, ">"},
    {"<", CommandKind::Octave, 0, 0, -1, "<"},
    {"l", CommandKind::Length, 0, 0, -1, "l8"},
    {".", CommandKind::Length, 0, 0, -1, "c."},
    {"^", CommandKind::Length, 0, 0, -1, "c4^16"},
    {"%", CommandKind::Length, 0, 0, -1, "{c d e f g}%103"},
    {"t", CommandKind::Tempo, 4, 999, -1, "t120"},
    {"=", CommandKind::Tempo, 0, 0, -1, "t4.=60"},
    {"v", CommandKind::Velocity, 1, 127, -1, "v100"},
    {"(", CommandKind::Velocity, 1, 127, 8, "(4"},
    {")", CommandKind::Velocity, 1, 127, 8, ")16"},
    {"q", CommandKind::Gate, 1, 8, -1, "q7"},
    {"q%", CommandKind::Gate, 0, 65535, -1, "q%30"},
    {"@", CommandKind::Program, 0, 127, -1, "@0"},
    {"k", CommandKind::Transpose, -48, 48, -1, "k-2"},
    {"y", CommandKind::Control, 0, 127, -1, "y7,100"},
    {"p", CommandKind::Control, 0, 127, 10, "p64"},
    {"m", CommandKind::Control, 0, 127, 7, "m100"},
    {"s", CommandKind::Control, 0, 127, 11, "s127"},
    {"w", CommandKind::Bend, -8192, 8191, -1, "w4096"},
    {"wr", CommandKind::Bend, 0, 24, -1, "wr12"},
    {"&", CommandKind::Tie, 0, 0, -1, "'c e g'2 & 'c f a'2"},
    {"[", CommandKind::Loop, 0, 0, -1, "[c d : e f]3"},
    {":", CommandKind::Loop, 0, 0, -1, "[c d : e f]3"},
    {"]", CommandKind::Loop, 1, 65535, 2, "[c d : e f]3"},
    {"$", CommandKind::Macro, 0, 0, -1, "$riff(o5)"},
    {"'", CommandKind::Chord, 0, 0, -1, "'c e g'4"},
    {"{", CommandKind::Tuplet, 0, 0, -1, "{c d e}4"},
    {"}", CommandKind::Tuplet, 0, 0, -1, "{c d e}4"},
    {"|", CommandKind::Bar, 0, 0, -1, "c2 | ^2"},
    {"!.", CommandKind::Articulation, 0, 0, mark::Staccato, "!. c8"},
    {"!-", CommandKind::Articulation, 0, 0, mark::Tenuto, "!- f2"},
    {"!>", CommandKind::Articulation, 0, 0, mark::Accent, "!> e4"},
    {"!^", CommandKind::Articulation, 0, 0, mark::Marcato, "!^ 'c e g'4"},
    {"0", CommandKind::Grace, 0, 0, -1, "d0 c4"},
    {"!ppp", CommandKind::Dynamics, 0, 0, 16, "!ppp"},
    {"!pp", CommandKind::Dynamics, 0, 0, 32, "!pp"},
    {"!p", CommandKind::Dynamics, 0, 0, 48, "!p"},
    {"!mp", CommandKind::Dynamics, 0, 0, 64, "!mp"},
    {"!mf", CommandKind::Dynamics, 0, 0, 80, "!mf"},
    {"!f", CommandKind::Dynamics, 0, 0, 96, "!f"},
    {"!ff", CommandKind::Dynamics, 0, 0, 112, "!ff"},
    {"!fff", CommandKind::Dynamics, 0, 0, 127, "!fff"},
    {"~v", CommandKind::Ramp, 1, 127, ramp::Velocity, "~v120,1"},
    {"~p", CommandKind::Ramp, 0, 127, 10, "~p0,2"},
    {"~m", CommandKind::Ramp, 0, 127, 7, "~m40,1"},
    {"~s", CommandKind::Ramp, 0, 127, 11, "~s0,1"},
    {"~y", CommandKind::Ramp, 0, 127, -1, "~y74,100,2"},
    {"~w", CommandKind::Ramp, -8192, 8191, ramp::Bend, "~w8191,8"},
    {"~t", CommandKind::Ramp, 4, 999, ramp::Tempo, "~t90,1^1"},
    {"name\"", CommandKind::Text, 0, 0, 3, "name\"Piano\""},
    {"text\"", CommandKind::Text, 0, 0, 1, "text\"...\""},
    {"lyric\"", CommandKind::Text, 0, 0, 5, "lyric\"la\" c"},
    {"marker\"", CommandKind::Text, 0, 0, 6, "marker\"Intro\""},
    {"time\"", CommandKind::Signature, 0, 0, -1, "time\"6/8\""},
    {"key\"", CommandKind::Signature, 0, 0, -1, "key\"b- minor\""},
    {"pedal\"", CommandKind::Pedal, 0, 0, 64, "pedal\"down\" c e g pedal\"change\" f a >c< pedal\"up\""},
    {"swing\"", CommandKind::Swing, 0, 0, -1, "swing\"2:1\" l8 c d e f g4"},
    {"humanize\"", CommandKind::Humanize, 0, 0, -1, "humanize\"10 8\" l8 c d e f"},
    {"sysex\"", CommandKind::SysEx, 0, 0, -1, "sysex\"F0 41 10 42 12 40 00 7F 00 41 F7\""},
    {"#title", CommandKind::Directive, 0, 0, -1, "#title"},
    {"#copyright", CommandKind::Directive, 0, 0, -1, "#copyright"},
    {"#channel", CommandKind::Directive, 1, 16, -1, "#channel D 10"},
    {"#time", CommandKind::Directive, 0, 0, -1, "#time 3/4"},
    {"#key", CommandKind::Directive, 0, 0, -1, "#key b- minor"},
    {"#reset", CommandKind::Directive, 0, 0, -1, "#reset gm"},
    {"#swing", CommandKind::Directive, 0, 0, -1, "#swing 2:1"},
    {"#humanize", CommandKind::Directive, 0, 0, -1, "#humanize 10 8 42"},
    {";", CommandKind::Comment, 0, 0, -1, ";"},
    {"/*", CommandKind::Comment, 0, 0, -1, "/* */"},
    {"A", CommandKind::Track, 0, 0, -1, "ABC c e g"},
};
// clang-format on

// The row of `spelling`, looked up while compiling: a spelling the table lacks is a compile error.
constexpr const Command& CommandNamed(std::string_view spelling)
{
    for (const Command& command : Commands) {
        if (command.spelling == spelling)
            return command;
    }
    throw "no such command";
}
