// The window-free conversion core: the converter's command line, and how converter output becomes rows.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "CompileOptions.h"
#include "MessageLines.h"

namespace {

TEST(BuildCommandLine, PutsTheOptionsInOrderATranspositionOnlyWhenNotZeroAndNeverCutsThePaths)
{
    const std::pair<const char*, const char*> cases[] = {
        {"0", ""}, {"-0", ""}, {"abc", ""}, {"+", ""}, {"", ""}, {"05", "-t05 "}, {" 7", "-t 7 "}, {"3x", "-t3x "},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(BuildCommandLine({"trivane.exe", false, false, false, c.first, "a.mml", ""}),
                  (std::string("\"trivane.exe\" ") + c.second + "\"a.mml\" \"\"").c_str());
    }
    EXPECT_EQ(BuildCommandLine({"trivane.exe", true, true, true, "-3", "a.mml", "a.mid"}),
              "\"trivane.exe\" -x -v -f -t-3 \"a.mml\" \"a.mid\"");
    EXPECT_EQ(BuildCommandLine({"trivane.exe", false, false, false, "", "-x.mml", "-"}),
              "\"trivane.exe\" \".\\-x.mml\" \".\\-\"");
    const std::string folder = "C:\\" + std::string(1000, 'm') + "\\";
    const std::string converter = folder + "trivane.exe", mml = folder + "a.mml", smf = folder + "a.mid";
    EXPECT_EQ(BuildCommandLine({converter.c_str(), false, false, false, "", mml.c_str(), smf.c_str()}),
              ("\"" + converter + "\" \"" + mml + "\" \"" + smf + "\"").c_str());
}

// Each row of `text`: its kind's letter, the source line it names if any, a ':' and its text.
std::string Rows(const std::string& text)
{
    const ByteString output(text.data(), static_cast<int>(text.size()));
    std::string rows;
    int offset = 0, number = 0;
    for (ConverterMessage row; TakeLine(output, offset, row);) {
        bool named = SourceLineOf(row.text, number);
        rows += "|" + std::string(1, "IWE"[static_cast<int>(row.kind)]) + (named ? std::to_string(number) : "") + ":" +
                std::string(row.text.c_str(), row.text.Length());
    }
    return rows;
}

TEST(TakeLine, SplitsAtCrLfWalkingCodePage932ShowsANulAsABlankAndClassifiesAndSourceLineOfReadsTheFirstMarker)
{
    const std::pair<std::string, std::string> cases[] = {
        {"A\r\n\r\nB\nC\rD\r\n", "|I:A|I:|I:B\nC\rD"},
        {"A\201\r\nB\r\n\203\201\r\n\202", "|I:A\201\r\nB|I:\203\201|I:\202"},  // 0x81 0x0D is one character
        // No byte hides what follows it.
        {{"first\0second\r\nERROR! in line 3: bad note\r\n", 42}, "|I:first second|E3:ERROR! in line 3: bad note"},
        {{"A\201\0\r\nB\0", 7}, "|I:A\201 |I:B "},
        {"ERROR! x\r\na Warning: b\r\nWarning: ERROR! \r\nERROR!x",
         "|E:ERROR! x|W:a Warning: b|E:Warning: ERROR! |I:ERROR!x"},
        {"\203ERROR! \r\n\203Warning: \r\n\203EERROR! ", "|I:\203ERROR! |I:\203Warning: |E:\203EERROR! "},
        // The number after the first "in line " as "%d" reads it, kept within int.
        {"in line \t 7: y\r\nin line -3\r\nin line +5x\r\nin line 1, in line 4",
         "|I7:in line \t 7: y|I-3:in line -3|I5:in line +5x|I1:in line 1, in line 4"},
        {"in line 99999999999\r\nin line -99999999999",
         "|I2147483647:in line 99999999999|I-2147483648:in line -99999999999"},
        {"In line 5\r\nin line - 3\r\n\202in line 5\r\nin line x in line 4",
         "|I:In line 5|I:in line - 3|I:\202in line 5|I:in line x in line 4"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Rows(c.first), c.second) << c.first;
}

}  // namespace
