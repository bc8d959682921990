// Reading a window's text.
#include "WindowText.h"

ByteString WindowText(HWND window)
{
    ByteString text;
    // 1024 bytes, so a field's text counts with at most its first 1023 bytes, wherever it is read.
    char* buffer = text.GetBuffer(1023);
    GetWindowTextA(window, buffer, 1024);
    text.ReleaseBuffer();
    return text;
}
