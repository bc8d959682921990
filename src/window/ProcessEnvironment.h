// What the process finds around itself: its own executable and folder, and its environment variables.
#pragma once

#include <windows.h>

#include "ByteString.h"

// The text of a call in the manner of GetFullPathNameA or GetEnvironmentVariableA, made as `call(buffer, size)`:
// it returns the length it wrote, or the size it needs (NUL included) when the buffer is too small, or 0 when
// it fails. Tried again with a buffer of the size asked for; empty when the call fails or memory runs out.
template <typename Call>
ByteString SystemText(Call call)
{
    ByteString text;
    for (DWORD size = MAX_PATH;;) {
        char* buffer = text.GetBuffer(static_cast<int>(size));
        if (!buffer)
            return ByteString();
        DWORD length = call(buffer, size + 1);
        if (length == 0)
            return ByteString();
        if (length <= size) {
            text.ReleaseBuffer(static_cast<int>(length));
            return text;
        }
        size = length;
    }
}

// The full path of the program's own executable.
ByteString ProgramPath();
// Its folder, without a closing backslash.
ByteString ProgramFolder();
// The variable's value; empty when it is not set.
ByteString EnvironmentVariable(const char* name);
