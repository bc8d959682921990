// Splitting converter output into lines and reading the markers in them. Every search walks code page 932,
// so a marker or a line break never matches inside a double-byte character.
#include "MessageLines.h"

#include <algorithm>
#include <cstring>

#include "Decimal.h"

bool TakeLine(const ByteString& text, int& offset, ConverterMessage& line)
{
    // Walking an offset rather than cutting the rest off each time keeps a long output linear. The walk is
    // that of ByteString::Find, except that it goes on past a NUL byte: no byte may hide the lines after it.
    const char* bytes = text.c_str();
    const int length = text.Length();
    if (offset >= length)
        return false;
    int end = offset;
    while (end < length && !(bytes[end] == '\r' && bytes[end + 1] == '\n'))
        end = NextCharOffset932(bytes, end);
    line.text = text.Mid(offset, end - offset);
    offset = end < length ? end + 2 : length;
    // A row's text would end at a NUL: it shows as a blank, so that the row holds the whole line.
    const int count = line.text.Length();
    if (std::memchr(line.text.c_str(), '\0', static_cast<size_t>(count))) {
        if (char* row = line.text.GetBuffer(count)) {
            std::replace(row, row + count, '\0', ' ');
            line.text.ReleaseBuffer(count);
        }
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
