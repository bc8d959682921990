// A stand-in for the converter that the tests control: run without arguments, as for the banner, it prints a
// banner line; run with some, as for a compile, it prints FAKE_CONVERTER_OUTPUT as it is. Either way it ends
// with the status that FAKE_CONVERTER_STATUS gives in hexadecimal, 0 without it.
#include <windows.h>

#include <cstdlib>

int main(int argc, char**)
{
    const char* output = argc > 1 ? std::getenv("FAKE_CONVERTER_OUTPUT") : "Fake converter 1.0\r\n";
    DWORD written = 0;
    WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), output, output ? lstrlenA(output) : 0, &written, nullptr);
    const char* status = std::getenv("FAKE_CONVERTER_STATUS");
    ExitProcess(status ? std::strtoul(status, nullptr, 16) : 0);
}
