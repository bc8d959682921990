// The extensions that the shell runs rather than opens.
#include "ProgramFiles.h"

#include <cstring>

namespace {

// Programs, scripts, installers, shortcuts and registry or control-panel files, each of which the default
// verb runs, executes or merges; PATHEXT adds whatever else the system has been taught to run.
const char* const RunnableExtensions[] = {
    ".exe", ".com", ".bat", ".cmd", ".lnk", ".scr",         ".pif",       ".msi",    ".msp", ".vbs",
    ".vbe", ".js",  ".jse", ".wsf", ".wsh", ".hta",         ".ps1",       ".reg",    ".cpl", ".url",
    ".msc", ".scf", ".jar", ".py",  ".pyw", ".application", ".appref-ms", ".gadget",
};

ByteString LowerAscii(const char* text, int count)
{
    ByteString lower(text, count);
    char* bytes = lower.GetBuffer(count);
    // Only ASCII letters change; a trail byte in the letter range stays, so the walk follows code page 932.
    for (int i = 0; i < count; i = NextCharOffset932(bytes, i)) {
        if (bytes[i] >= 'A' && bytes[i] <= 'Z')
            bytes[i] = static_cast<char>(bytes[i] - 'A' + 'a');
    }
    lower.ReleaseBuffer(count);
    return lower;
}

bool InPathExt(const ByteString& extension, const ByteString& pathExt)
{
    ByteString list = LowerAscii(pathExt.c_str(), static_cast<int>(std::strlen(pathExt.c_str())));
    for (int start = 0; start < list.Length();) {
        int end = list.Find(";", start);
        if (end < 0)
            end = list.Length();
        if (list.Mid(start, end - start) == extension)
            return true;
        start = end + 1;
    }
    return false;
}

}  // namespace

bool IsProgramFile(const ByteString& fileName, const ByteString& pathExt)
{
    const char* text = fileName.c_str();
    int end = static_cast<int>(std::strlen(text));
    // Neither byte is ever the trail byte of a double-byte character.
    while (end > 0 && (text[end - 1] == '.' || text[end - 1] == ' '))
        --end;
    int nameStart = 0;
    int dot = -1;
    for (int i = 0; i < end; i = NextCharOffset932(text, i)) {
        if (text[i] == '\\' || text[i] == '/' || text[i] == ':') {
            nameStart = i + 1;
            dot = -1;
        } else if (text[i] == '.') {
            dot = i;
        }
    }
    if (nameStart >= end)
        return false;
    if (dot < 0)
        return true;
    ByteString extension = LowerAscii(text + dot, end - dot);
    for (const char* runnable : RunnableExtensions) {
        if (extension == runnable)
            return true;
    }
    return InPathExt(extension, pathExt);
}
