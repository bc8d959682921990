// Names derived from the file fields.
#include "FileNames.h"

ByteString DeriveSmfName(const ByteString& mmlPath)
{
    // Only a '.' of the file name itself starts an extension: one in a folder name (C:\my.songs\a) must not
    // cut the path there. The walk follows code page 932, so a trail byte that looks like '\' or '.' inside a
    // double-byte character counts as neither.
    const char* text = mmlPath.c_str();
    int end = 0;
    int dot = -1;
    while (end < mmlPath.Length() && text[end] != '\0') {
        if (text[end] == '\\' || text[end] == '/')
            dot = -1;
        else if (text[end] == '.')
            dot = end;
        end = NextCharOffset932(text, end);
    }
    ByteString smfPath = mmlPath.Left(dot < 0 ? end : dot);
    smfPath += ".mid";
    return smfPath;
}
