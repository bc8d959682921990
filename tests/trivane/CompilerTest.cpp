// The compiler on MML text in memory: exact event listings, each option against its meaning, messages with
// their line numbers, and the limits that keep hostile input from crashing or hanging it.
#include "TrivaneTesting.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sstream>

namespace {

using Lines = std::vector<std::string>;

std::set<int> LineNumbersOf(const Compiled& compiled, const std::string& marker)
{
    std::set<int> numbers;
    for (const std::string& line : compiled.Lines(marker)) {
        std::size_t at = line.find("in line ");
        if (at != std::string::npos)
            numbers.insert(std::atoi(line.c_str() + at + 8));
    }
    return numbers;
}

std::string Swapped(std::string text, char a, char b)
{
    for (char& c : text)
        c = c == a ? b : c == b ? a : c;
    return text;
}

TEST(CompileGolden, NotesLengthsAndAccidentals)
{
    Compiled song = CompileText("o4 l8 c d4 e. f^16 r g%120 a+ b- >c");
    ASSERT_TRUE(song.result.ok) << song.AllLines();
    ASSERT_EQ(song.problem, "");
    EXPECT_EQ(
        song.Track(1),
        (Lines{"0 on 0 60 100", "240 off 0 60", "240 on 0 62 100", "720 off 0 62", "720 on 0 64 100", "1080 off 0 64",
               "1080 on 0 65 100", "1440 off 0 65", "1680 on 0 67 100", "1800 off 0 67", "1800 on 0 70 100",
               "2040 off 0 70", "2040 on 0 70 100", "2280 off 0 70", "2280 on 0 72 100", "2520 off 0 72", "2520 end"}));
}

TEST(CompileGolden, GateTiesRawNotesProgramAndControl)
{
    Compiled song = CompileText("q4 c4&d4 e4 r c4&c4 v90 n36,8 @5 y7,100");
    ASSERT_TRUE(song.result.ok) << song.AllLines();
    ASSERT_EQ(song.problem, "");
    EXPECT_EQ(song.Track(1),
              (Lines{"0 on 0 60 100", "480 off 0 60", "480 on 0 62 100", "720 off 0 62", "960 on 0 64 100",
                     "1200 off 0 64", "1920 on 0 60 100", "2640 off 0 60", "2880 on 0 36 90", "3000 off 0 36",
                     "3120 program 0 5", "3120 control 0 7 100", "3120 end"}));
}

TEST(CompileGolden, ConductorTrackHoldsCopyrightTitleMeterAndEveryTempo)
{
    Compiled song = CompileText("#title Song\n#copyright (C) 2026 Us\nA t150 c\nB r t75 c");
    ASSERT_TRUE(song.result.ok) << song.AllLines();
    ASSERT_EQ(song.problem, "");
    EXPECT_EQ(song.listing.tracks, 3);
    EXPECT_EQ(song.Track(0), (Lines{"0 copyright (C) 2026 Us", "0 title Song", "0 meter 4/4", "0 tempo 400000",
                                    "480 tempo 800000", "960 end"}));
    // 480 pulses at 150, then 480 at 75.
    EXPECT_EQ(song.result.summary, "トラック 2, 音符 2, 演奏時間 0:01.2, エラー 0, 警告 0");
}

TEST(CompileGolden, DefaultTempoIsWrittenWhenTheSongSetsNoneAtTheStart)
{
    Compiled song = CompileText("c r t60 c");
    ASSERT_TRUE(song.result.ok);
    EXPECT_EQ(song.Track(0), (Lines{"0 meter 4/4", "0 tempo 500000", "960 tempo 1000000", "1440 end"}));
}

TEST(CompileLoops, BreakNestingAndCounts)
{
    EXPECT_EQ(KeysOf(CompileText("[c [d]2 : e]3 f")),
              (std::vector<int>{60, 62, 62, 64, 60, 62, 62, 64, 60, 62, 62, 65}));
    EXPECT_EQ(KeysOf(CompileText("[[c]]")), (std::vector<int>{60, 60, 60, 60}));
    EXPECT_EQ(KeysOf(CompileText("[c:d]1 e")), (std::vector<int>{60, 64}));
    // A loop may span lines and macros; its brackets are matched after expansion.
    EXPECT_EQ(KeysOf(CompileText("$open = [c\nA $open\n d]3")), (std::vector<int>{60, 62, 60, 62, 60, 62}));
}

TEST(CompileMacros, UsedBeforeDefinitionAndInsideEachOther)
{
    Compiled song = CompileText("A $b e\n$a = cd\n$b = $a $a");
    ASSERT_TRUE(song.result.ok) << song.AllLines();
    EXPECT_EQ(KeysOf(song), (std::vector<int>{60, 62, 60, 62, 64}));
}

TEST(CompileTracks, NamesChannelsContinuationLinesAndDrums)
{
    Compiled song = CompileText("#channel D 10\nA c\n  d\nBC e\nD k5 c n36");
    ASSERT_TRUE(song.result.ok) << song.AllLines();
    ASSERT_EQ(song.problem, "");
    EXPECT_EQ(song.listing.tracks, 5);
    EXPECT_EQ(KeysOf(song, 1), (std::vector<int>{60, 62}));
    EXPECT_EQ(song.Track(2).front(), "0 on 1 64 100");
    EXPECT_EQ(song.Track(3).front(), "0 on 2 64 100");
    // Channel 10 (9 counted from 0) plays note names untransposed.
    EXPECT_EQ(song.Track(4), (Lines{"0 on 9 60 100", "480 off 9 60", "480 on 9 36 100", "960 off 9 36", "960 end"}));
}

TEST(CompileTracks, TracksSharingAChannelMergeIntoAValidFormat0File)
{
    CompileOptions options;
    options.format0 = true;
    Compiled song = CompileText("#channel B 1\nA c c\nB c4. c8", options);
    ASSERT_TRUE(song.result.ok);
    EXPECT_EQ(song.problem, "");
    EXPECT_EQ(song.Track(0).size(), 2 + 8 + 1u);  // meter, tempo, eight notes, end
}

TEST(CompileOptions, SwapAngleBracketsIsTheSongWithTheBracketsSwapped)
{
    const char* songs[] = {"o4 c > c < < c", "#channel B 10\nA l8 [c>c<]2 >>d\nB o2 > n40 c <c"};
    for (const char* mml : songs) {
        CompileOptions swap;
        swap.swapAngleBrackets = true;
        Compiled swapped = CompileText(mml, swap);
        Compiled edited = CompileText(Swapped(mml, '<', '>'));
        ASSERT_TRUE(swapped.result.ok) << swapped.AllLines();
        EXPECT_EQ(swapped.listing.lines, edited.listing.lines) << mml;
        EXPECT_NE(swapped.listing.lines, CompileText(mml).listing.lines) << mml;
    }
}

TEST(CompileOptions, SwapParenthesesIsTheSongWithTheParenthesesSwapped)
{
    const char* mml = "v64 c ( c )20 c (3 c";
    CompileOptions swap;
    swap.swapParentheses = true;
    Compiled swapped = CompileText(mml, swap);
    ASSERT_TRUE(swapped.result.ok);
    EXPECT_EQ(swapped.listing.lines, CompileText(Swapped(mml, '(', ')')).listing.lines);
    // Without the option '(' is softer by 8 and ')' louder by its number.
    EXPECT_EQ(CompileText(mml).Track(1)[2], "480 on 0 60 56");
    EXPECT_EQ(swapped.Track(1)[2], "480 on 0 60 72");
}

TEST(CompileOptions, TransposeMovesNoteNamesOnlyAndNeverDrums)
{
    const std::string mml = "#channel D 10\nA k2 c d+ n50\nD c n36";
    for (int n : {-12, -3, 5, 12}) {
        CompileOptions options;
        options.transpose = n;
        Compiled moved = CompileText(mml, options);
        ASSERT_TRUE(moved.result.ok) << moved.AllLines();
        EXPECT_EQ(KeysOf(moved, 1), (std::vector<int>{62 + n, 65 + n, 50})) << n;
        EXPECT_EQ(moved.Track(2), CompileText(mml).Track(2)) << n;
        EXPECT_EQ(moved.Track(0), CompileText(mml).Track(0)) << n;
    }
}

TEST(CompileOptions, Format0MergesEveryTrackIntoOneInTimeOrder)
{
    const std::string mml = "#title T\n#channel D 10\nA t100 l8 cdef g2\nB o3 l4 c r g t120 c\nD l8 [n36 n42]4";
    Compiled one = CompileText(mml);
    CompileOptions options;
    options.format0 = true;
    Compiled zero = CompileText(mml, options);
    ASSERT_TRUE(zero.result.ok) << zero.AllLines();
    ASSERT_EQ(zero.problem, "");
    EXPECT_EQ(one.listing.format, 1);
    EXPECT_EQ(zero.listing.format, 0);
    EXPECT_EQ(zero.listing.tracks, 1);

    // The same events apart from the end of track lines, merged by time.
    std::multiset<std::string> merged, separate;
    std::vector<long> ticks;
    for (const std::string& line : zero.Track(0)) {
        ticks.push_back(std::atol(line.c_str()));
        if (line.find(" end") == std::string::npos)
            merged.insert(line);
    }
    for (int track = 0; track < one.listing.tracks; ++track) {
        for (const std::string& line : one.Track(track)) {
            if (line.find(" end") == std::string::npos)
                separate.insert(line);
        }
    }
    EXPECT_EQ(merged, separate);
    EXPECT_TRUE(std::is_sorted(ticks.begin(), ticks.end()));
    EXPECT_EQ(zero.Track(0).back(), one.Track(0).back());
}

TEST(CompileMessages, WarningsNameTheirLinesAndTheFileIsStillWritten)
{
    Compiled song = CompileText("A o9 c > c\nA v120 )16 c\n#tempo 90\nA r & c\nA o9 b+\nA c");
    ASSERT_TRUE(song.result.ok) << song.AllLines();
    EXPECT_EQ(song.problem, "");
    EXPECT_EQ(LineNumbersOf(song, "Warning: "), (std::set<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(song.result.warnings, 5);
    EXPECT_EQ(song.result.summary, "トラック 1, 音符 5, 演奏時間 0:03.5, エラー 0, 警告 5");
}

TEST(CompileMessages, LineNumbersSurviveCommentsAndBrokenDoubleByteCharacters)
{
    EXPECT_EQ(LineNumbersOf(CompileText("/* one\n two\n */ A c x"), "ERROR! "), (std::set<int>{3}));
    EXPECT_EQ(LineNumbersOf(CompileText("; \x81\nA x"), "ERROR! "), (std::set<int>{2}));
    EXPECT_EQ(LineNumbersOf(CompileText("A c\r\nA x\r\n"), "ERROR! "), (std::set<int>{2}));
    EXPECT_EQ(LineNumbersOf(CompileText("A c\n/* never closed\n"), "ERROR! "), (std::set<int>{2}));
    // A lead byte in the music before a line break takes only itself along.
    EXPECT_EQ(LineNumbersOf(CompileText("A c\x81\nA x"), "ERROR! "), (std::set<int>{1, 2}));
}

TEST(CompileMessages, DoubleByteCharactersInCommentsAndTitlesAreNoErrors)
{
    // Second bytes that look like '[', ']', '\', '{' and ';' must not be read as such.
    const std::string japanese = "\x83\x5B\x83\x5D\x95\x5C\x83\x7B\x82\xA0";
    Compiled song = CompileText("#title " + japanese + "\n#copyright " + japanese + "\n; " + japanese + "\n/* " +
                                japanese + " */ c \x81\x40 d ; " + japanese + "\n");
    ASSERT_TRUE(song.result.ok) << song.AllLines();
    EXPECT_EQ(song.result.warnings, 0);
    EXPECT_EQ(song.Track(0)[1], "0 title " + japanese);
    EXPECT_EQ(KeysOf(song), (std::vector<int>{60, 62}));
    // In the music itself a double-byte character is one error, not one for each byte.
    Compiled wrong = CompileText("c \x83\x5B d");
    EXPECT_EQ(wrong.result.errors, 1);
}

TEST(CompileMessages, OneMistakeMakesOneMessage)
{
    for (const char* mml : {"c7.. d", "c^ e", "c%0 d", "v200 c", "o12 c", "c99999999999999999999 d", "y7 c", "[c]0 d",
                            "c\x83\x5B d", "c.............................. d", "c h4 d", "c j16 d", "c D4 e"}) {
        Compiled song = CompileText(mml);
        EXPECT_EQ(song.result.errors, 1) << mml << "\n" << song.AllLines();
    }
}

TEST(CompileMessages, MessagesComeInLineOrderAndAFailedSummarySaysNoFileWasWritten)
{
    // The open loop of line 1 is found only once every line has been read, after the mistake of line 3.
    Compiled song = CompileText("A [c d e\n#tempo 90\nA c x\n");
    ASSERT_FALSE(song.result.ok);
    std::vector<int> order;
    for (const std::string& line : song.result.messages)
        order.push_back(std::atoi(line.c_str() + line.find("in line ") + 8));
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3})) << song.AllLines();
    EXPECT_EQ(song.result.summary, "トラック 1, エラー 2, 警告 1: エラーがあるので SMF ファイルは書き出していません");
}

TEST(CompileMessages, NotesInCapitalsAreExplained)
{
    // At the start of a line capitals name tracks, so the song has five empty ones: still a file, and a warning.
    Compiled tracks = CompileText("CDEFG\n");
    EXPECT_FALSE(tracks.result.ok);
    ASSERT_EQ(tracks.Lines("ERROR! ").size(), 1u) << tracks.AllLines();
    EXPECT_NE(tracks.Lines("ERROR! ")[0].find("小文字"), std::string::npos);
    // Inside the music a capital is an error that says why.
    Compiled inside = CompileText("A c D e\n");
    ASSERT_EQ(inside.Lines("ERROR! ").size(), 1u) << inside.AllLines();
    EXPECT_NE(inside.Lines("ERROR! ")[0].find("小文字"), std::string::npos);
    // A song of rests alone is warned about too; one with notes is not.
    EXPECT_EQ(CompileText("A r1\n").result.errors, 1);
    EXPECT_EQ(CompileText("A c\n").result.warnings, 0);
}

TEST(CompileMessages, EveryMessageNamesItsLineOnceAndTheirNumberIsCapped)
{
    std::string garbage;
    for (int line = 0; line < 200; ++line)
        garbage += "A c x\n";
    Compiled song = CompileText(garbage);
    EXPECT_FALSE(song.result.ok);
    EXPECT_EQ(song.result.errors, 200);
    ASSERT_EQ(song.Lines("ERROR! ").size(), 51u);
    EXPECT_NE(song.Lines("ERROR! ").back().find("150"), std::string::npos);
    for (const std::string& line : song.result.messages) {
        std::size_t first = line.find("in line ");
        EXPECT_EQ(line.find("in line ", first == std::string::npos ? 0 : first + 1), std::string::npos) << line;
    }
    EXPECT_EQ(song.result.summary.find("ERROR! "), std::string::npos);
}

TEST(CompileMessages, ManyErrorsStopTheCompileAndManyWarningsAreNoLongerCounted)
{
    std::string errors, warnings;
    for (int line = 0; line < 1500; ++line) {
        errors += "A c x\n";
        warnings += "A o9 b c\n";
    }
    Compiled failed = CompileText(errors);
    EXPECT_EQ(failed.result.errors, 1000);
    EXPECT_NE(failed.result.messages.back().find("1000"), std::string::npos) << failed.result.messages.back();

    Compiled warned = CompileText(warnings);
    EXPECT_TRUE(warned.result.ok);
    EXPECT_EQ(warned.result.warnings, 1000);
    EXPECT_EQ(warned.Lines("Warning: ").size(), 51u);
    EXPECT_NE(warned.result.messages.back().find("950 件以上"), std::string::npos);
}

TEST(CompileLimits, HostileInputEndsInErrorsNotInCrashesOrHangs)
{
    struct Case {
        std::string mml;
        const char* why;
    };
    std::string deep = std::string(17, '[') + "c" + std::string(17, ']');
    std::string fanOut = "$m0 = cccccccccc\n";
    for (int i = 1; i < 8; ++i)
        fanOut += "$m" + std::to_string(i) + " = " + std::string(10, ' ') + [&] {
            std::string uses;
            for (int j = 0; j < 10; ++j)
                uses += "$m" + std::to_string(i - 1) + " ";
            return uses;
        }() + "\n";
    fanOut += "A $m7";
    std::string chain;
    for (int i = 1; i <= 20; ++i)
        chain += "$m" + std::to_string(i) + " = $m" + std::to_string(i - 1) + "\n";
    chain += "$m0 = c\nA $m20";
    const Case cases[] = {
        {deep, "loops nested 17 deep"},
        {fanOut, "macros expanding to ten million commands"},
        {chain, "macros nested 20 deep"},
        {"$a = c $b\n$b = d $a\nA $a", "macros calling each other"},
        {"$m = " + std::string(150000, 'c') + "\nABCDEFGHIJKLMNOPQRSTUVWXYZ $m", "one line for every track"},
        {"$a = c $a\nA $a", "a macro calling itself"},
        {"[[[[[[[[c32]65535]65535]65535]65535]65535]65535]65535]65535", "loops making 10^38 notes"},
        {"[[[[[[[[v1]65535]65535]65535]65535]65535]65535]65535]65535", "loops making no event at all"},
        {"[[[[[[[[t99]65535]65535]65535]65535]65535]65535]65535]65535", "loops making tempo changes only"},
        {"[c%200000000]2", "a song longer than delta times can say"},
        {"c99999999999999999999999999999999", "a length with 32 digits"},
        {"[c]99999999999 t0 t1000 o10 @128 y128,0 v0 k49", "numbers out of range"},
        {"c1.........", "more dots than the length can halve"},
        {"c^ n y7 $ ] : [", "commands cut short and unmatched brackets"},
        {"#channel A 99999999999999\nA c", "a channel with many digits"},
    };
    // Lower bounds than the defaults keep this quick under the sanitizers; the mechanism is the same.
    CompileOptions options;
    options.limits.maxEvents = 100000;
    options.limits.maxSteps = 1000000;
    options.limits.maxTokens = 200000;
    for (const Case& c : cases) {
        Compiled song = CompileText(c.mml, options);
        EXPECT_FALSE(song.result.ok) << c.why;
        EXPECT_TRUE(song.result.smf.empty()) << c.why;
        EXPECT_FALSE(song.Lines("ERROR! ").empty()) << c.why;
    }
}

TEST(CompileLimits, EveryByteValueIsHandled)
{
    std::string bytes;
    for (int round = 0; round < 4; ++round) {
        for (int b = 0; b < 256; ++b)
            bytes += static_cast<char>(b);
    }
    Compiled song = CompileText(bytes);
    EXPECT_FALSE(song.result.ok);
    EXPECT_LE(song.Lines("ERROR! ").size(), 51u);
}

}  // namespace
