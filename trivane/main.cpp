// trivane [-x] [-v] [-f] [-t<N>] in.mml out.mid: compiles an MML file into a Standard MIDI File. Every
// message goes to standard output, where the front-end reads it, except in a run whose SMF file is `-`
// (standard output): then they go to standard error. The exit status is 0 on success.
#include "Compiler.h"
#include "Platform.h"
#include "version.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int ExitOk = 0;
constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;

// The front-end shows the first line, the banner, when it starts.
void PrintBannerAndUsage()
{
    static const char* const lines[] = {
        "Trivane version " DODAVIRID_VERSION_TEXT " - MML を Standard MIDI File に変換します",
        "使い方: trivane [-x] [-v] [-f] [-t<N>] 入力.mml 出力.mid",
        "  -x     < と > の意味を入れ替えます (< でオクターブを上げます)",
        "  -v     ( と ) の意味を入れ替えます (( でベロシティを上げます)",
        "  -f     SMF format 0 (1 トラック) で書き出します (既定は format 1)",
        "  -t<N>  すべての音を N 半音移調します (N は -12 から 12、ドラムは除きます)",
        "  -h, --help  この説明を表示します",
        "  --version   バージョンを表示します",
        "入力.mml を - にすると標準入力から読みます。出力.mid を - にすると標準出力に書き出し、",
        "メッセージは標準エラー出力に出します。",
        "例: trivane -t-3 song.mml song.mid",
    };
    for (const char* line : lines)
        PrintLine(ConsoleText(line));
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
    // `-` alone is a file name, standard input or output; `--` ends the options before a name that starts with
    // a minus sign.
    for (; i < argc && argv[i][0] == '-' && argv[i][1] != '\0'; ++i) {
        std::string option = argv[i];
        if (option == "--") {
            ++i;
            break;
        } else if (option == "-x") {
            line.options.swapAngleBrackets = true;
        } else if (option == "-v") {
            line.options.swapParentheses = true;
        } else if (option == "-f") {
            line.options.format0 = true;
        } else if (option.compare(0, 2, "-t") == 0) {
            if (!ReadTranspose(option.substr(2), line.options.transpose)) {
                PrintLine(ConsoleFormat("ERROR! %s: -t の値は -12 から 12 までの整数です", option.c_str()));
                return false;
            }
        } else {
            PrintLine(ConsoleFormat("ERROR! %s は知らないオプションです", option.c_str()));
            return false;
        }
    }
    for (; i < argc; ++i)
        line.names.push_back(argv[i]);
    if (line.names.size() != 2) {
        PrintLine(ConsoleText("ERROR! 入力の MML ファイルと出力の SMF ファイルを 1 つずつ指定してください"));
        return false;
    }
    return true;
}

// How a message names a file: `-` is a standard stream.
std::string ShownName(const std::string& name, const char* stream)
{
    return name == StandardStream ? ConsoleText(stream) : name;
}

// Messages that name a file give the reason first and the path last: a long path is what gets cut off when
// the line is shown in a narrow list.
int Run(const CommandLine& line)
{
    const std::string& input = line.names[0];
    const std::string& output = line.names[1];
    const std::string inputName = ShownName(input, "標準入力"), outputName = ShownName(output, "標準出力");
    // Told before the source is waited for, which may be typed at the same terminal.
    if (output == StandardStream && IsStandardOutputTerminal()) {
        PrintLine(ConsoleText("ERROR! SMF は端末には書き出しません (ファイルかパイプに出力してください)"));
        return ExitUsage;
    }
    // Checked before anything is read or written: writing the SMF would destroy the MML file.
    if (IsSameFile(input, output)) {
        PrintLine(ConsoleFormat("ERROR! 入力と出力が同じファイルです: %s, %s", inputName.c_str(), outputName.c_str()));
        return ExitFailed;
    }
    std::string source;
    switch (ReadSource(input, line.options.limits.maxInputBytes, source)) {
        case ReadResult::CannotOpen:
            PrintLine(ConsoleFormat("ERROR! 入力ファイルを開けません: %s", inputName.c_str()));
            return ExitFailed;
        case ReadResult::CannotRead:
            PrintLine(ConsoleFormat("ERROR! 入力ファイルを読めません: %s", inputName.c_str()));
            return ExitFailed;
        case ReadResult::TooLarge:
            PrintLine(ConsoleFormat("ERROR! 入力ファイルが大きすぎます (最大 %lld バイト): %s",
                                    static_cast<long long>(line.options.limits.maxInputBytes), inputName.c_str()));
            return ExitFailed;
        case ReadResult::Ok:
            break;
    }
    CompileResult result = Compile(std::move(source), line.options);
    bool written = result.ok && WriteSmf(output, result.smf);
    for (const std::string& text : result.messages)
        PrintLine(ConsoleText(text));
    // The summary is the compile's, so a file that cannot be written is told after it.
    if (written) {
        PrintLine(
            ConsoleFormat("SMF format %d で書き出しました: %s", line.options.format0 ? 0 : 1, outputName.c_str()));
    }
    PrintLine(ConsoleText(result.summary));
    if (result.ok && !written)
        PrintLine(ConsoleFormat("ERROR! 出力ファイルに書き込めません: %s", outputName.c_str()));
    return written ? ExitOk : ExitFailed;
}

}  // namespace

int main(int argc, char** argv)
{
    UseBinaryStandardStreams();
    // The SMF file is the last argument; when it goes to standard output, nothing else may.
    if (argc >= 3 && std::strcmp(argv[argc - 1], StandardStream) == 0)
        UseStandardErrorForMessages();
    if (argc < 2 || (argc == 2 && IsHelpRequest(argv[1]))) {
        PrintBannerAndUsage();
        return ExitOk;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        PrintLine("Trivane version " DODAVIRID_VERSION_TEXT);
        PrintLine(DODAVIRID_COPYRIGHT);
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
