// Reading a window's text.
#include "WindowText.h"

bool ReadWindowText(HWND window, ByteString& text, int limit)
{
    ByteString read;
    char* buffer = read.GetBuffer(limit);
    if (!buffer)
        return false;
    GetWindowTextA(window, buffer, limit + 1);
    read.ReleaseBuffer();
    text = read;
    return true;
}

ByteString WindowText(HWND window)
{
    ByteString text;
    ReadWindowText(window, text);
    return text;
}
