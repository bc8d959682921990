// The extensions that the shell runs rather than opens.
#include "ProgramFiles.h"

#include <cstring>

namespace {

// What the default verb runs, executes, installs, merges or applies, rather than opens; PATHEXT adds whatever
// else the system has been taught to run.
// clang-format off
const char* const RunnableExtensions[] = {
    // programs and scripts
    ".exe", ".com", ".bat", ".cmd", ".scr", ".pif", ".cpl", ".msc", ".jar", ".py", ".pyw",
    ".vbs", ".vbe", ".js", ".jse", ".ws", ".wsf", ".wsh", ".hta", ".ps1", ".chm",
    // installers and packages
    ".msi", ".msp", ".msu", ".appx", ".appxbundle", ".msix", ".msixbundle", ".appinstaller",
    ".application", ".appref-ms", ".gadget", ".vsto", ".xbap", ".ppkg", ".diagcab",
    // shortcuts, links and saved searches, which lead anywhere
    ".lnk", ".url", ".website", ".scf", ".library-ms", ".search-ms", ".settingcontent-ms",
    // changes to the system's settings
    ".reg", ".theme", ".themepack", ".deskthemepack",
};
// clang-format on

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
