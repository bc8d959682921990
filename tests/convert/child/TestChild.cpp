// convert_test_child: the console program that the runner tests and the benchmark start in place of the
// converter. It does its commands in order; they come from its arguments or, when it has none (as in the
// banner run, which passes none), from the environment variable DODAVIRID_TEST_CHILD, split at blanks.
//   out HEX, err HEX              write the bytes spelt in hexadecimal to standard output or error
//   outpattern N, errpattern N    write N bytes of PatternByte(0), PatternByte(1), ...
//   lines N                       write "line 1" to "line N" to standard output, each ended by CR LF
//   stdin                         read standard input to its end; write "eof" when it ends within ten
//                                 seconds, else "blocked" (so a runner that keeps the input open fails
//                                 a test instead of hanging it)
//   sleep MS
//   hang                          start a copy of this program that sleeps for ever, then sleep for ever
// Output goes through WriteFile, so every byte is written as given.
// When DODAVIRID_RECORD names a file, it stands in for an editor, a player or a browser instead: it appends
// a line to that file, its command line and current folder with a tab between them, and ends.
#include <windows.h>

#include <cstdlib>
#include <sstream>
#include <string>

#include "Pattern.h"

namespace {

void Write(HANDLE file, const std::string& bytes)
{
    DWORD written = 0;
    for (size_t done = 0; done < bytes.size() && WriteFile(file, &bytes[done], bytes.size() - done, &written, nullptr);)
        done += written;
}

DWORD WINAPI ReadInputToEnd(void*)
{
    char buffer[256];
    DWORD read = 0;
    while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof buffer, &read, nullptr) && read > 0) {
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    char record[MAX_PATH] = "", folder[MAX_PATH] = "", environment[4096] = "";
    if (GetEnvironmentVariableA("DODAVIRID_RECORD", record, MAX_PATH) && GetCurrentDirectoryA(MAX_PATH, folder)) {
        // Off the console it would share with the test that started it through the shell: under Wine, a
        // console program ending on it can stall the test's later output to a file or pipe.
        FreeConsole();
        // Launches may overlap: wait while another instance has the file open.
        HANDLE file = INVALID_HANDLE_VALUE;
        for (int attempt = 0; attempt < 500 && file == INVALID_HANDLE_VALUE; ++attempt, Sleep(10))
            file = CreateFileA(record, FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        Write(file, std::string(GetCommandLineA()) + "\t" + folder + "\r\n");
        CloseHandle(file);
        return 0;
    }
    std::string commands;
    for (int i = 1; i < argc; ++i)
        commands += std::string(argv[i]) + " ";
    if (argc == 1)
        GetEnvironmentVariableA("DODAVIRID_TEST_CHILD", environment, sizeof environment);
    std::istringstream words(commands + environment);
    for (std::string command, operand; words >> command;) {
        if (command == "stdin") {
            HANDLE reader = CreateThread(nullptr, 0, ReadInputToEnd, nullptr, 0, nullptr);
            Write(GetStdHandle(STD_OUTPUT_HANDLE), WaitForSingleObject(reader, 10000) ? "blocked" : "eof");
            continue;
        }
        if (command == "hang") {
            WinExec((std::string("\"") + _pgmptr + "\" sleep 4294967295").c_str(), SW_HIDE);
            Sleep(INFINITE);
        }
        if (!(words >> operand))
            break;
        unsigned number = static_cast<unsigned>(std::strtoul(operand.c_str(), nullptr, 10));
        std::string bytes;
        for (size_t i = 0; command.size() == 3 && i + 1 < operand.size(); i += 2)
            bytes += static_cast<char>(std::stoi(operand.substr(i, 2), nullptr, 16));
        if (command.size() == 10)
            bytes = Pattern(number);
        for (unsigned line = 1; command == "lines" && line <= number; ++line)
            bytes += "line " + std::to_string(line) + "\r\n";
        if (command == "sleep")
            Sleep(number);
        Write(GetStdHandle(command[0] == 'e' ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE), bytes);
    }
    // Ends a reader thread that is still blocked on the input, too.
    ExitProcess(0);
}
