// A stand-in for the converter that the tests control: it appends its command line, and a CR LF, to the file
// named by FAKE_CONVERTER_LOG, then prints FAKE_CONVERTER_OUTPUT as it is (or a banner line when unset).
#include <windows.h>

namespace {

void WriteAll(HANDLE file, const char* bytes, DWORD count)
{
    DWORD written = 0;
    WriteFile(file, bytes, count, &written, nullptr);
}

}  // namespace

int main()
{
    char log[MAX_PATH];
    DWORD logLength = GetEnvironmentVariableA("FAKE_CONVERTER_LOG", log, sizeof(log));
    if (logLength > 0 && logLength < sizeof(log)) {
        HANDLE file = CreateFileA(log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            const char* commandLine = GetCommandLineA();
            WriteAll(file, commandLine, lstrlenA(commandLine));
            WriteAll(file, "\r\n", 2);
            CloseHandle(file);
        }
    }
    static char output[32768];
    DWORD length = GetEnvironmentVariableA("FAKE_CONVERTER_OUTPUT", output, sizeof(output));
    if (length == 0 || length >= sizeof(output))
        lstrcpyA(output, "Fake converter 1.0\r\n");
    WriteAll(GetStdHandle(STD_OUTPUT_HANDLE), output, lstrlenA(output));
    return 0;
}
