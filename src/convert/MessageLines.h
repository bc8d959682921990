// The window-free half of the message list: splitting converter output into lines, telling their kind
// from the markers in them, and reading the source line that a message names.
#pragma once

#include "ByteString.h"

// The value is the row's image index in the message list.
enum class MessageKind { Info = 0, Warning = 1, Error = 2 };

struct ConverterMessage {
    ByteString text;
    MessageKind kind = MessageKind::Info;
};

// Takes the line of `text` that starts at `offset` and classifies it: the text up to the next CR LF (found
// walking code page 932), with `offset` moved past the pair, or up to the end. A NUL byte in the line becomes
// a blank. Returns false, taking nothing, when `offset` is at the end. `offset` must begin a character (0
// does).
bool TakeLine(const ByteString& text, int& offset, ConverterMessage& line);

// "ERROR! " anywhere makes an error, else "Warning: " a warning, else information.
MessageKind ClassifyLine(const ByteString& line);

// Finds "in line " and reads the decimal number after it as "%d" would (white space, a sign, digits).
// Returns false when the text holds no marker, or no number follows the first one.
bool SourceLineOf(const ByteString& text, int& line);
