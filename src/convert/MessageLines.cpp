// Splitting converter output into lines and reading the markers in them. Every search walks code page 932
// through ByteString::Find, so a marker or a line break never matches inside a double-byte character.
#include "MessageLines.h"

#include <cstring>

#include "Decimal.h"

bool TakeLine(const ByteString& text, int& offset, ConverterMessage& line)
{
    // Walking an offset rather than cutting the rest off each time keeps a long output linear.
    if (offset >= text.Length())
        return false;
    int end = text.Find("\r\n", offset);
    if (end >= 0) {
        line.text = text.Mid(offset, end - offset);
        offset = end + 2;
    } else {
        // The search stops at a NUL byte, and so does the row that shows this line: keep only what the
        // row will hold, so that the text and the kind agree with what the list displays.
        line.text = text.Mid(offset, static_cast<int>(std::strlen(text.c_str() + offset)));
        offset = text.Length();
    }
    line.kind = ClassifyLine(line.text);
    return true;
}

MessageKind ClassifyLine(const ByteString& line)
{
    if (line.Find("ERROR! ") >= 0)
        return MessageKind::Error;
    if (line.Find("Warning: ") >= 0)
        return MessageKind::Warning;
    return MessageKind::Info;
}

bool SourceLineOf(const ByteString& text, int& line)
{
    static const char marker[] = "in line ";
    int at = text.Find(marker);
    if (at < 0)
        return false;
    // A marker with no number after it names no line; reporting one would open the editor at a guess.
    return ReadDecimal(text.c_str() + at + (sizeof marker - 1), line);
}
