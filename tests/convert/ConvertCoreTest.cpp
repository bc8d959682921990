// The window-free conversion core: the converter's command line, and how converter output becomes rows.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <utility>
#include <vector>

#include "CompileOptions.h"
#include "MessageLines.h"

namespace {

std::string Str(const ByteString& text)
{
    return std::string(text.c_str(), static_cast<size_t>(text.Length()));
}

CompileOptions SongOptions()
{
    CompileOptions options;
    options.ConverterPath = "trivane.exe";
    options.MmlPath = "C:\\music\\song.mml";
    options.SmfPath = "C:\\music\\song.mid";
    return options;
}

TEST(BuildCommandLine, PutsTheOptionsInTheirFixedOrder)
{
    CompileOptions options = SongOptions();
    EXPECT_EQ(Str(BuildCommandLine(options)), "\"trivane.exe\" \"C:\\music\\song.mml\" \"C:\\music\\song.mid\"");

    options.InvertAngleBrackets = true;
    options.SmfFormat0 = true;
    options.TransposeText = "5";
    EXPECT_EQ(Str(BuildCommandLine(options)),
              "\"trivane.exe\" -x -f -t5 \"C:\\music\\song.mml\" \"C:\\music\\song.mid\"");

    options.InvertParentheses = true;
    options.TransposeText = "-3";
    EXPECT_EQ(Str(BuildCommandLine(options)),
              "\"trivane.exe\" -x -v -f -t-3 \"C:\\music\\song.mml\" \"C:\\music\\song.mid\"");
}

TEST(BuildCommandLine, PassesTheTranspositionTextOnlyWhenItsValueIsNotZero)
{
    const std::pair<const char*, const char*> cases[] = {
        {"0", ""},       {"", ""},          {"-0", ""},      {"abc", ""},     {"+", ""},
        {"05", "-t05 "}, {"-12", "-t-12 "}, {" 7", "-t 7 "}, {"3x", "-t3x "}, {"+4", "-t+4 "},
    };
    for (const auto& c : cases) {
        CompileOptions options = SongOptions();
        options.TransposeText = c.first;
        EXPECT_EQ(Str(BuildCommandLine(options)),
                  std::string("\"trivane.exe\" ") + c.second + "\"C:\\music\\song.mml\" \"C:\\music\\song.mid\"")
            << "text \"" << c.first << "\"";
    }
}

TEST(BuildCommandLine, KeepsEmptyFieldsAsEmptyQuotes)
{
    CompileOptions options = SongOptions();
    options.SmfPath = "";
    EXPECT_EQ(Str(BuildCommandLine(options)), "\"trivane.exe\" \"C:\\music\\song.mml\" \"\"");
    EXPECT_EQ(Str(BuildCommandLine(CompileOptions())), "\"\" \"\" \"\"");
}

TEST(BuildCommandLine, KeepsLongPathsWhole)
{
    CompileOptions options = SongOptions();
    std::string folder = "C:\\" + std::string(1000, 'm') + "\\";
    options.ConverterPath = (std::string(1100, 'c') + "\\trivane.exe").c_str();
    options.MmlPath = (folder + "song.mml").c_str();
    options.SmfPath = (folder + "song.mid").c_str();
    options.TransposeText = "-2";
    EXPECT_EQ(Str(BuildCommandLine(options)),
              "\"" + Str(options.ConverterPath) + "\" -t-2 \"" + folder + "song.mml\" \"" + folder + "song.mid\"");
}

// The rows that splitting `text` gives, as (text, kind) pairs.
std::vector<std::pair<std::string, MessageKind>> Rows(const ByteString& text)
{
    std::vector<std::pair<std::string, MessageKind>> rows;
    int offset = 0;
    ConverterMessage line;
    while (TakeLine(text, offset, line))
        rows.emplace_back(Str(line.text), line.kind);
    return rows;
}

std::vector<std::string> Texts(const ByteString& text)
{
    std::vector<std::string> texts;
    for (const auto& row : Rows(text))
        texts.push_back(row.first);
    return texts;
}

using Lines = std::vector<std::string>;

TEST(TakeLine, SplitsOnlyAtCarriageReturnLineFeed)
{
    EXPECT_EQ(Texts("A\r\nB"), (Lines{"A", "B"}));
    EXPECT_EQ(Texts("A\r\n"), (Lines{"A"}));
    EXPECT_EQ(Texts("\r\n"), (Lines{""}));
    EXPECT_EQ(Texts("A\r\n\r\nB"), (Lines{"A", "", "B"}));
    EXPECT_EQ(Texts("A\nB\rC\n\rD"), (Lines{"A\nB\rC\n\rD"}));
    EXPECT_EQ(Texts(""), Lines{});
}

TEST(TakeLine, WalksDoubleByteCharacters)
{
    // A lead byte takes the CR after it along, so that CR LF does not end the line.
    EXPECT_EQ(Texts("A\x81\r\nB\r\nC"), (Lines{"A\x81\r\nB", "C"}));
    // A trail byte in the lead-byte range is still a trail byte: the CR LF after the character splits.
    EXPECT_EQ(Texts("\x83\x81\r\nB"), (Lines{"\x83\x81", "B"}));
    EXPECT_EQ(Texts("\x83\x83\x81\r\nB"), (Lines{"\x83\x83\x81\r\nB"}));
    // A lead byte at the very end has nothing to take.
    EXPECT_EQ(Texts("A\r\n\x82"), (Lines{"A", "\x82"}));
}

TEST(TakeLine, StopsAtTheFirstNulByte)
{
    EXPECT_EQ(Texts(ByteString("A\r\nB\0C\r\nD", 10)), (Lines{"A", "B"}));
    EXPECT_EQ(Texts(ByteString("A\r\n\0B\r\n", 7)), (Lines{"A", ""}));
    EXPECT_EQ(Texts(ByteString("\0", 1)), (Lines{""}));
    // The part after the NUL cannot make the row an error: the row does not show it.
    EXPECT_EQ(Rows(ByteString("A\0ERROR! ", 9))[0].second, MessageKind::Info);
}

TEST(ClassifyLine, LooksForExactMarkersAnywhereErrorFirst)
{
    EXPECT_EQ(ClassifyLine("x.mml ERROR! in line 3"), MessageKind::Error);
    EXPECT_EQ(ClassifyLine("Warning: then ERROR! "), MessageKind::Error);
    EXPECT_EQ(ClassifyLine("ERROR! then Warning: "), MessageKind::Error);
    EXPECT_EQ(ClassifyLine("a Warning: b"), MessageKind::Warning);
    for (const char* info : {"", "error! x", "ERROR!x", "ERROR!", "warning: x", "Warning:x", "WARNING: x"})
        EXPECT_EQ(ClassifyLine(info), MessageKind::Info) << info;
}

TEST(ClassifyLine, NeverMatchesFromATrailByte)
{
    // Octal \203 is the lead byte 0x83: with 'E' after it, it makes one character whose second byte reads as
    // 'E'; with 'W', one whose second byte reads as 'W'.
    EXPECT_EQ(ClassifyLine("\203ERROR! "), MessageKind::Info);
    EXPECT_EQ(ClassifyLine("\203Warning: "), MessageKind::Info);
    EXPECT_EQ(ClassifyLine("\203EERROR! "), MessageKind::Error);
}

TEST(TakeLine, ClassifiesEachLine)
{
    auto rows = Rows("one\r\ntwo ERROR! x\r\nWarning: three");
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].second, MessageKind::Info);
    EXPECT_EQ(rows[1].second, MessageKind::Error);
    EXPECT_EQ(rows[2].second, MessageKind::Warning);
}

TEST(SourceLineOf, ReadsTheNumberAfterTheFirstMarker)
{
    const std::pair<const char*, int> cases[] = {
        {"in line 12", 12},
        {"x ERROR! in line  7: y", 7},
        {"in line -3", -3},
        {"in line 0012abc", 12},
        {"in line +5", 5},
        {"in line \t\r\n9", 9},
        {"in line 12, in line 40", 12},
        {"in line 2147483647", INT_MAX},
        {"in line 99999999999", INT_MAX},
        {"in line -2147483648", INT_MIN},
        {"in line -99999999999", INT_MIN},
    };
    for (const auto& c : cases) {
        int line = -1000;
        EXPECT_TRUE(SourceLineOf(c.first, line)) << c.first;
        EXPECT_EQ(line, c.second) << c.first;
    }
}

TEST(SourceLineOf, FindsNoLineWithoutMarkerOrNumber)
{
    const char* cases[] = {"",         "line 5",    "In line 5",   "in line5",  "in  line 5",
                           "in line ", "in line x", "in line - 3", "in line +", "\x82in line 5"};
    for (const char* text : cases) {
        int line = 77;
        EXPECT_FALSE(SourceLineOf(text, line)) << text;
        EXPECT_EQ(line, 77) << text;
    }
    // The first marker has no number; a later one does not stand in for it.
    int line = 0;
    EXPECT_FALSE(SourceLineOf("in line x in line 4", line));
}

}  // namespace
