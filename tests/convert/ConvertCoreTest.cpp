// The window-free conversion core: the converter's command line, and how
// converter output becomes rows.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <utility>

#include "CompileOptions.h"
#include "MessageLines.h"

namespace {

std::string Str(const ByteString& text)
{
    return std::string(text.c_str(), static_cast<size_t>(text.Length()));
}

TEST(BuildCommandLine, PutsTheOptionsInOrderAndATranspositionOnlyWhenNotZero)
{
    const std::pair<const char*, const char*> cases[] = {
        {"0", ""}, {"-0", ""}, {"abc", ""}, {"+", ""}, {"", ""}, {"05", "-t05 "}, {" 7", "-t 7 "}, {"3x", "-t3x "},
    };
    CompileOptions options;
    options.ConverterPath = "trivane.exe";
    options.MmlPath = "a.mml";
    for (const auto& c : cases) {
        options.TransposeText = c.first;
        EXPECT_EQ(Str(BuildCommandLine(options)), std::string("\"trivane.exe\" ") + c.second + "\"a.mml\" \"\"");
    }
    options.InvertAngleBrackets = options.InvertParentheses = options.SmfFormat0 = true;
    options.TransposeText = "-3";
    EXPECT_EQ(Str(BuildCommandLine(options)), "\"trivane.exe\" -x -v -f -t-3 \"a.mml\" \"\"");
    // Never cut, however long the paths.
    const std::string folder = "C:\\" + std::string(1000, 'm') + "\\";
    CompileOptions longOptions;
    longOptions.ConverterPath = (folder + "trivane.exe").c_str();
    longOptions.MmlPath = (folder + "a.mml").c_str();
    longOptions.SmfPath = (folder + "a.mid").c_str();
    EXPECT_EQ(Str(BuildCommandLine(longOptions)),
              "\"" + folder + "trivane.exe\" \"" + folder + "a.mml\" \"" + folder + "a.mid\"");
}

// Each row of `text` as its kind's letter and its text, after a '|'.
std::string Rows(const std::string& text)
{
    std::string rows;
    int offset = 0;
    ConverterMessage line;
    while (TakeLine(ByteString(text.data(), static_cast<int>(text.size())), offset, line))
        rows += "|" + std::string(1, "IWE"[static_cast<int>(line.kind)]) + Str(line.text);
    return rows;
}

TEST(TakeLine, SplitsAtCrLfWalkingCodePage932UpToANulAndClassifies)
{
    const std::pair<std::string, std::string> cases[] = {
        {"A\r\n\r\nB\nC\rD\r\n", "|IA|I|IB\nC\rD"},
        {"A\201\r\nB\r\n\203\201\r\n\202", "|IA\201\r\nB|I\203\201|I\202"},  // 0x81 0x0D is one character
        {{"A\r\nB\0C\r\nD", 10}, "|IA|IB"},
        {{"A\0ERROR! ", 9}, "|IA"},
        {"x ERROR! in line 3\r\na Warning: b\r\nWarning: ERROR! \r\nERROR!x",
         "|Ex ERROR! in line 3|Wa Warning: b|EWarning: ERROR! |IERROR!x"},
        {"\203ERROR! \r\n\203Warning: \r\n\203EERROR! ", "|I\203ERROR! |I\203Warning: |E\203EERROR! "},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Rows(c.first), c.second) << c.first;
}

TEST(SourceLineOf, ReadsTheNumberAfterTheFirstMarkerAsPercentDWould)
{
    const std::pair<const char*, int> cases[] = {
        {"x in line \t 7: y", 7},
        {"in line -3", -3},
        {"in line +5x", 5},
        {"in line 1, in line 4", 1},
        {"in line 99999999999", INT_MAX},
        {"in line -99999999999", INT_MIN},
    };
    for (const auto& c : cases) {
        int line = 0;
        EXPECT_TRUE(SourceLineOf(c.first, line) && line == c.second) << c.first << " " << line;
    }
    for (const char* text : {"In line 5", "in line - 3", "\202in line 5", "in line x in line 4"}) {
        int line = 77;
        EXPECT_FALSE(SourceLineOf(text, line) || line != 77) << text;
    }
}

}  // namespace
