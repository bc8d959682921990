// The process's own executable and environment.
#include "ProcessEnvironment.h"

ByteString ProgramPath()
{
    // GetModuleFileNameA cuts a path that does not fit and returns the buffer's size: then it is asked again.
    ByteString path;
    for (DWORD size = MAX_PATH; size < 65536; size *= 2) {
        char* buffer = path.GetBuffer(static_cast<int>(size));
        if (!buffer)
            break;
        DWORD length = GetModuleFileNameA(nullptr, buffer, size);
        if (length == 0)
            break;
        if (length < size) {
            path.ReleaseBuffer(static_cast<int>(length));
            return path;
        }
    }
    return ByteString();
}

ByteString ProgramFolder()
{
    ByteString path = ProgramPath();
    return path.Left(path.ReverseFind('\\'));
}

ByteString EnvironmentVariable(const char* name)
{
    return SystemText([name](char* buffer, DWORD size) { return GetEnvironmentVariableA(name, buffer, size); });
}
