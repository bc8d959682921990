// Prints the converter's table of commands, a row a line: spelling, kind and example, separated by tabs, for
// the test of the editors' grammars.
#include "Commands.h"

#include <cstdio>

int main()
{
    static const char* const kinds[] = {"Note", "Accidental", "Rest", "NoteNumber", "Octave", "Length", "Tempo",
                                        "Velocity", "Gate", "Program", "Transpose", "Control", "Bend", "Tie", "Loop",
                                        "Macro", "Chord", "Tuplet", "Bar", "Ramp", "Text", "Signature", "SysEx",
                                        "Articulation", "Dynamics", "Grace", "Pedal", "Swing", "Humanize",
                                        "Directive", "Comment", "Track"};
    static_assert(sizeof kinds / sizeof *kinds == static_cast<std::size_t>(CommandKind::Track) + 1);
    for (const Command& command : Commands) {
        std::printf("%.*s\t%s\t%.*s\n", static_cast<int>(command.spelling.size()), command.spelling.data(),
                    kinds[static_cast<int>(command.kind)], static_cast<int>(command.example.size()),
                    command.example.data());
    }
    return 0;
}
