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
// Output goes through WriteFile on the standard handles, so every byte is written as given.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "Pattern.h"

namespace {

void Write(DWORD which, const char* bytes, size_t count)
{
    HANDLE handle = GetStdHandle(which);
    while (count > 0) {
        DWORD written = 0;
        if (!WriteFile(handle, bytes, static_cast<DWORD>(count), &written, nullptr) || written == 0)
            return;
        bytes += written;
        count -= written;
    }
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return 0;
}

void WriteHex(DWORD which, const std::string& hex)
{
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        bytes += static_cast<char>(HexDigit(hex[i]) * 16 + HexDigit(hex[i + 1]));
    Write(which, bytes.data(), bytes.size());
}

void WritePattern(DWORD which, unsigned total)
{
    std::vector<char> block(65536);
    for (unsigned done = 0; done < total;) {
        unsigned count = total - done < block.size() ? total - done : static_cast<unsigned>(block.size());
        for (unsigned i = 0; i < count; ++i)
            block[i] = PatternByte(done + i);
        Write(which, block.data(), count);
        done += count;
    }
}

void WriteLines(unsigned count)
{
    for (unsigned line = 1; line <= count; ++line) {
        char text[32];
        int length = std::snprintf(text, sizeof text, "line %u\r\n", line);
        Write(STD_OUTPUT_HANDLE, text, static_cast<size_t>(length));
    }
}

DWORD WINAPI ReadInputToEnd(void*)
{
    char buffer[256];
    DWORD read = 0;
    while (ReadFile(GetStdHandle(STD_INPUT_HANDLE), buffer, sizeof buffer, &read, nullptr) && read > 0) {
    }
    return 0;
}

void ReadInput()
{
    HANDLE reader = CreateThread(nullptr, 0, ReadInputToEnd, nullptr, 0, nullptr);
    bool ended = reader && WaitForSingleObject(reader, 10000) == WAIT_OBJECT_0;
    Write(STD_OUTPUT_HANDLE, ended ? "eof" : "blocked", ended ? 3 : 7);
}

void Hang()
{
    WinExec((std::string("\"") + _pgmptr + "\" sleep 4294967295").c_str(), SW_HIDE);
    Sleep(INFINITE);
}

std::vector<std::string> CommandsFromEnvironment()
{
    std::vector<std::string> words;
    char value[4096];
    DWORD length = GetEnvironmentVariableA("DODAVIRID_TEST_CHILD", value, sizeof value);
    if (length == 0 || length >= sizeof value)
        return words;
    std::string word;
    for (DWORD i = 0; i <= length; ++i) {
        if (i == length || value[i] == ' ') {
            if (!word.empty())
                words.push_back(word);
            word.clear();
        } else {
            word += value[i];
        }
    }
    return words;
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> words(argv + 1, argv + argc);
    if (words.empty())
        words = CommandsFromEnvironment();
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string& command = words[i];
        if (command == "stdin") {
            ReadInput();
            continue;
        }
        if (command == "hang")
            Hang();
        if (i + 1 == words.size())
            break;
        const std::string& operand = words[++i];
        unsigned number = static_cast<unsigned>(std::strtoul(operand.c_str(), nullptr, 10));
        if (command == "out")
            WriteHex(STD_OUTPUT_HANDLE, operand);
        else if (command == "err")
            WriteHex(STD_ERROR_HANDLE, operand);
        else if (command == "outpattern")
            WritePattern(STD_OUTPUT_HANDLE, number);
        else if (command == "errpattern")
            WritePattern(STD_ERROR_HANDLE, number);
        else if (command == "lines")
            WriteLines(number);
        else if (command == "sleep")
            Sleep(number);
    }
    // Ends a reader thread that is still blocked on the input, too.
    ExitProcess(0);
}
