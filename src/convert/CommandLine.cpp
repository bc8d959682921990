// The converter's command line, built from what one compile reads off the main window.
#include "CompileOptions.h"

#include "Decimal.h"

namespace {

// A transposition of 0 (or a text that is no number) leaves the converter at its default, so the option
// is left out; the text itself is passed on, as the user typed it.
bool HasTransposition(const ByteString& text)
{
    int value = 0;
    return ReadDecimal(text.c_str(), value) && value != 0;
}

// The converter reads a name beginning with '-' as an option, and "-" alone as its standard input or output;
// ".\" before it keeps the file in the current folder that the user named.
void AppendFileName(ByteString& line, const ByteString& path)
{
    line.Append("\"");
    if (path[0] == '-')
        line.Append(".\\");
    line.Append(path.c_str());
    line.Append("\"");
}

}  // namespace

ByteString BuildCommandLine(const CompileOptions& options)
{
    // Appended piece by piece rather than formatted: the formatter stops at 1,023 bytes, and a line cut
    // there would hand the converter the wrong file name. A field ends at its first NUL, as with "%s".
    ByteString line;
    line.Append("\"");
    line.Append(options.ConverterPath.c_str());
    line.Append("\" ");
    if (options.InvertAngleBrackets)
        line.Append("-x ");
    if (options.InvertParentheses)
        line.Append("-v ");
    if (options.SmfFormat0)
        line.Append("-f ");
    if (HasTransposition(options.TransposeText)) {
        line.Append("-t");
        line.Append(options.TransposeText.c_str());
        line.Append(" ");
    }
    AppendFileName(line, options.MmlPath);
    line.Append(" ");
    AppendFileName(line, options.SmfPath);
    return line;
}

ByteString UnquotedPath(const ByteString& path)
{
    // '"' is never the second byte of a double-byte character.
    const int length = path.Length();
    if (length >= 2 && path[0] == '"' && path[length - 1] == '"')
        return path.Mid(1, length - 2);
    return path;
}
