// The bytes of a source file as users save them, turned into the text the compiler reads: code page 932
// with LF line ends.
#pragma once

#include "Diagnostics.h"

#include <string>

// Code page 932 is the default. A UTF-8 byte order mark means UTF-8; so does text without one that holds
// multi-byte sequences and is valid UTF-8 throughout: Japanese code page 932 text is almost never valid
// UTF-8, while UTF-8 Japanese often is valid code page 932, so validity as UTF-8 decides. UTF-8 is converted
// to code page 932, and a character that code page 932 lacks is an error naming its line. A Ctrl+Z at the
// end (the old end-of-file mark) is dropped; CR LF, LF and a lone CR each end a line.
// False, with one error that says what the file seems to be, when it is no text at all (a MIDI file, UTF-16,
// other binary data): then nothing of it should be read as MML. Works in place: the text is never longer than
// the bytes it comes from, so that a large source is held once.
bool PrepareSource(std::string& text, Diagnostics& diagnostics);
