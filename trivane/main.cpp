// trivane [-x] [-v] [-f] [-t<N>] in.mml out.mid: compiles an MML file into a Standard MIDI File. Every
// message goes to standard output, where the front-end reads it; the exit status is 0 on success.
#include "Compiler.h"
#include "Diagnostics.h"
#include "Platform.h"
#include "version.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int ExitOk = 0;
constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;

void PrintBannerAndUsage()
{
    PrintLine("Trivane version " DODAVIRID_VERSION_TEXT " - MML を Standard MIDI File に変換します");
    PrintLine("使い方: trivane [-x] [-v] [-f] [-t<N>] 入力.mml 出力.mid");
    PrintLine("  -x     < と > の意味を入れ替えます (< でオクターブを上げます)");
    PrintLine("  -v     ( と ) の意味を入れ替えます (( でベロシティを上げます)");
    PrintLine("  -f     SMF format 0 (1 トラック) で書き出します (既定は format 1)");
    PrintLine("  -t<N>  すべての音を N 半音移調します (N は -12 から 12、ドラムは除きます)");
}

// "-t5", "-t-3", "-t05": a sign, then only digits.
bool ReadTranspose(const std::string& text, int& value)
{
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+'))
        negative = text[i++] == '-';
    if (i == text.size())
        return false;
    int magnitude = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > 12)
            return false;
    }
    value = negative ? -magnitude : magnitude;
    return true;
}

// What users of other command-line programs type to see the usage.
bool IsHelpRequest(const std::string& argument)
{
    return argument == "-h" || argument == "--help" || argument == "-?" || argument == "/?";
}

struct CommandLine {
    CompileOptions options;
    std::vector<std::string> names;
};

bool ReadCommandLine(int argc, char** argv, CommandLine& line)
{
    int i = 1;
    for (; i < argc && argv[i][0] == '-'; ++i) {
        std::string option = argv[i];
        if (option == "-x") {
            line.options.swapAngleBrackets = true;
        } else if (option == "-v") {
            line.options.swapParentheses = true;
        } else if (option == "-f") {
            line.options.format0 = true;
        } else if (option.compare(0, 2, "-t") == 0) {
            if (!ReadTranspose(option.substr(2), line.options.transpose)) {
                PrintLine(Format("ERROR! %s: -t の値は -12 から 12 までの整数です", option.c_str()));
                return false;
            }
        } else {
            PrintLine(Format("ERROR! %s は知らないオプションです", option.c_str()));
            return false;
        }
    }
    for (; i < argc; ++i)
        line.names.push_back(argv[i]);
    if (line.names.size() != 2) {
        PrintLine("ERROR! 入力の MML ファイルと出力の SMF ファイルを 1 つずつ指定してください");
        return false;
    }
    return true;
}

// Messages that name a file give the reason first and the path last: a long path is what gets cut off when
// the line is shown in a narrow list.
int Run(const CommandLine& line)
{
    const std::string& input = line.names[0];
    const std::string& output = line.names[1];
    // Checked before anything is read or written: writing the SMF would destroy the MML file.
    if (IsSameFile(input, output)) {
        PrintLine(Format("ERROR! 入力と出力が同じファイルです: %s, %s", input.c_str(), output.c_str()));
        return ExitFailed;
    }
    std::string source;
    switch (ReadSource(input, line.options.limits.maxInputBytes, source)) {
        case ReadResult::CannotOpen:
            PrintLine(Format("ERROR! 入力ファイルを開けません: %s", input.c_str()));
            return ExitFailed;
        case ReadResult::CannotRead:
            PrintLine(Format("ERROR! 入力ファイルを読めません: %s", input.c_str()));
            return ExitFailed;
        case ReadResult::TooLarge:
            PrintLine(Format("ERROR! 入力ファイルが大きすぎます (最大 %lld バイト): %s",
                             static_cast<long long>(line.options.limits.maxInputBytes), input.c_str()));
            return ExitFailed;
        case ReadResult::Ok:
            break;
    }
    CompileResult result = Compile(source, line.options);
    bool written = result.ok && WriteFileAtomically(output, result.smf);
    for (const std::string& text : result.messages)
        PrintLine(text);
    // The summary is the compile's, so a file that cannot be written is told after it.
    if (written)
        PrintLine(Format("SMF format %d で書き出しました: %s", line.options.format0 ? 0 : 1, output.c_str()));
    PrintLine(result.summary);
    if (result.ok && !written)
        PrintLine(Format("ERROR! 出力ファイルに書き込めません: %s", output.c_str()));
    return written ? ExitOk : ExitFailed;
}

}  // namespace

int main(int argc, char** argv)
{
    UseBinaryStandardOutput();
    if (argc < 2 || (argc == 2 && IsHelpRequest(argv[1]))) {
        PrintBannerAndUsage();
        return ExitOk;
    }
    CommandLine line;
    if (!ReadCommandLine(argc, argv, line)) {
        PrintBannerAndUsage();
        return ExitUsage;
    }
    int status = Run(line);
    std::fflush(stdout);
    return status;
}
