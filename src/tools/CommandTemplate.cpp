// Filling an editor or player command template. The template is walked once, character by character in
// code page 932, and each placeholder is replaced as it is met; text taken from the file name is appended
// to the result and never looked at again, so a file named a%lb.mml stays a%lb.mml.
#include "CommandTemplate.h"

namespace {

// `line` is null for the plain form, in which %l is ordinary text.
ByteString Expand(const ByteString& commandTemplate, const ByteString& fileName, const ByteString* line)
{
    const char* text = commandTemplate.c_str();
    const int length = commandTemplate.Length();
    ByteString command;
    int copied = 0;  // start of the template text not yet appended
    int at = 0;
    while (at < length) {
        const ByteString* replacement = nullptr;
        if (text[at] == '%' && text[at + 1] == 'f')
            replacement = &fileName;
        else if (text[at] == '%' && text[at + 1] == 'l')
            replacement = line;
        if (replacement) {
            command.Append(text + copied, at - copied);
            command.Append(*replacement);
            at += 2;
            copied = at;
        } else {
            // '%' is never a lead or trail byte, but a lead byte swallows a '%' that follows it.
            at = NextCharOffset932(text, at);
        }
    }
    command.Append(text + copied, length - copied);
    return command;
}

}  // namespace

ByteString ExpandCommand(const ByteString& commandTemplate, const ByteString& fileName)
{
    return Expand(commandTemplate, fileName, nullptr);
}

ByteString ExpandCommand(const ByteString& commandTemplate, const ByteString& fileName, int line)
{
    ByteString lineText;
    lineText.Format("%d", line);
    return Expand(commandTemplate, fileName, &lineText);
}
