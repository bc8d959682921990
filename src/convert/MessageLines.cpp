// Splitting converter output into lines and reading the markers in them. Every search walks code page 932
// through ByteString::Find, so a marker or a line break never matches inside a double-byte character.
#include "MessageLines.h"

#include <cstring>

#include "Decimal.h"

bool TakeLine(ByteString& rest, ConverterMessage& line)
{
    if (rest.IsEmpty())
        return false;
    int end = rest.Find("\r\n");
    if (end >= 0) {
        line.text = rest.Left(end);
        rest = rest.Mid(end + 2);
    } else {
        // The search stops at a NUL byte, and so does the row that shows this line: keep only what the
        // row will hold, so that the text and the kind agree with what the list displays.
        line.text = rest.Left(static_cast<int>(std::strlen(rest.c_str())));
        rest.Empty();
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
