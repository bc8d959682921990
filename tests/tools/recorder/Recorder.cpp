// A stand-in editor and player for the tests: appends one line, its command line and current directory
// separated by a tab, to the file that DODAVIRID_RECORD names, so that a test sees how it was started.
#include <windows.h>

int main()
{
    char record[MAX_PATH];
    DWORD length = GetEnvironmentVariableA("DODAVIRID_RECORD", record, sizeof(record));
    if (length == 0 || length >= sizeof(record))
        return 1;
    char directory[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof(directory), directory);

    // Launches may overlap: wait for the file while another instance has it open.
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 500 && file == INVALID_HANDLE_VALUE; ++attempt) {
        file = CreateFileA(record, FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            Sleep(10);
    }
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    const char* parts[] = {GetCommandLineA(), "\t", directory, "\r\n"};
    for (const char* part : parts) {
        DWORD written = 0;
        WriteFile(file, part, lstrlenA(part), &written, nullptr);
    }
    CloseHandle(file);
    return 0;
}
