// The compiler on MML text in memory, table by table: exact event listings, forms that must mean the same,
// every message with its line, the limits that keep hostile input from crashing or hanging it, and the
// sample songs with every option.
#include "Commands.h"
#include "Compiler.h"
#include "Diagnostics.h"
#include "SmfCheck.h"

#include <gtest/gtest.h>

#include <numeric>
#include <regex>

namespace {

struct Compiled {
    CompileResult result;
    SmfListing listing;
};

// Options as the command line spells them: "x", "v", "f", "t-3". A file made must pass the strict check.
Compiled CompileText(const std::string& mml, const std::string& flags = "")
{
    CompileOptions options;
    options.swapAngleBrackets = flags.find('x') != std::string::npos;
    options.swapParentheses = flags.find('v') != std::string::npos;
    options.format0 = flags.find('f') != std::string::npos;
    options.transpose = flags.find('t') != std::string::npos ? std::stoi(flags.substr(flags.find('t') + 1)) : 0;
    Compiled compiled{Compile(mml, options), {}};
    EXPECT_EQ(compiled.result.ok ? CheckSmf(compiled.result.smf, compiled.listing) : "", "") << mml;
    return compiled;
}

// The lines of a listing or of messages, for one comparison or one failure report.
std::string Joined(const std::vector<std::string>& lines)
{
    return std::accumulate(lines.begin(), lines.end(), std::string(), [](auto a, auto& b) { return a + b + " | "; });
}

TEST(Compile, ListsExactlyTheEventsOfEachCommand)
{
    // clang-format off
    const std::pair<const char*, const char*> cases[] = {
        {"o4 l8 c d4 e. f^16 r g%120 a+ b- >c q4 c4&d4 e4 r c4&c4 v90 n36,8 @5 y7,100", "0:0 meter 4/4 | 0:0 tempo 500000 | "
         "0:5400 end | 1:0 on 0 60 100 | 1:240 off 0 60 | 1:240 on 0 62 100 | 1:720 off 0 62 | 1:720 on 0 64 100 | "
         "1:1080 off 0 64 | 1:1080 on 0 65 100 | 1:1440 off 0 65 | 1:1680 on 0 67 100 | 1:1800 off 0 67 | 1:1800 on 0 70 100 | "
         "1:2040 off 0 70 | 1:2040 on 0 70 100 | 1:2280 off 0 70 | 1:2280 on 0 72 100 | 1:2520 off 0 72 | 1:2520 on 0 72 100 | "
         "1:3000 off 0 72 | 1:3000 on 0 74 100 | 1:3240 off 0 74 | 1:3480 on 0 76 100 | 1:3720 off 0 76 | 1:4200 on 0 72 100 | "
         "1:4920 off 0 72 | 1:5160 on 0 36 90 | 1:5280 off 0 36 | 1:5400 program 0 5 | 1:5400 control 0 7 100 | 1:5400 end | "},
        // Delta times of four and three bytes; half-width kana of code page 932 whose bytes would be an overlong
        // UTF-8 form.
        {"A lyric\"\xC0\xB2\" c r%20000 c r%2200000 c", "0:0 meter 4/4 | 0:0 tempo 500000 | 0:2221440 end | "
         "1:0 meta 5 \xC0\xB2 | 1:0 on 0 60 100 | 1:480 off 0 60 | 1:20480 on 0 60 100 | 1:20960 off 0 60 | "
         "1:2220960 on 0 60 100 | 1:2221440 off 0 60 | 1:2221440 end | "},
        {"#title Song\n#copyright (C) Us\nA t150 c\nB r t75 c\n#channel B 10", "0:0 meta 2 (C) Us | 0:0 meta 3 Song | "
         "0:0 meter 4/4 | 0:0 tempo 400000 | 0:480 tempo 800000 | 0:960 end | 1:0 on 0 60 100 | 1:480 off 0 60 | "
         "1:480 end | 2:480 on 9 60 100 | 2:960 off 9 60 | 2:960 end | "},
    };
    // clang-format on
    for (const auto& c : cases) {
        EXPECT_EQ(Joined(CompileText(c.first).listing.lines), c.second) << c.first;
    }
    // 9576 pulses at 100 are 11.97 seconds.
    EXPECT_EQ(CompileText("t100 c%9576").result.summary, "トラック 1, 音符 1, 演奏時間 0:12.0, エラー 0, 警告 0");
}

// Each row: options, a song, and the song without them that must make the very same file.
TEST(Compile, FormsThatMeanTheSameMakeTheSameFile)
{
    // clang-format off
    const char* cases[][3] = {
        {"", "c4 ^16 c2 | ^2 c 4 . o 5 [c d] 3 n36, 8 v 90 ( 4 l 8 c\x81\x40" "d", "c4^16 c2^2 c4. o5 [cd]3 n36,8 v90 (4 l8 cd"},
        {"", "A c\r\nB d\rC e\n", "A c\nB d\nC e\n"}, {"", "c d\r\n\x1A", "c d"}, {"", "$m = c /* x\ny */ d\nA $m e", "A c d e"},
        {"", "\xEF\xBB\xBF#title \xE6\x97\xA5\xE6\x9C\xAC\nc", "#title \x93\xFA\x96\x7B\nc"},
        {"", "#title \xE6\x97\xA5\xE6\x9C\xAC \xEF\xBD\xB1\nc", "#title \x93\xFA\x96\x7B \xB1\nc"},
        {"x", "o4 c > c < < c\n#channel B 10\nB l8 [c>c<]2 >>d", "o4 c < c > > c\n#channel B 10\nB l8 [c<c>]2 <<d"},
        {"v", "v64 c ( c )20 c (3 c", "v64 c ) c (20 c )3 c"}, {"t12", "c", "o5 c"}, {"", "[[c]] [c:d]1 e", "c c c c c e"},
        {"", "[c [d]2 : e]3 f", "c d d e c d d e c d d f"}, {"", "$open = [c\nA $open\n d]3", "c d c d c d"},
        {"", "A $b e\n$a = cd\n$b = $a $a", "c d c d e"}, {"", "A c\n  d\nBC e", "A c d\nB e\nC e"},
        {"", "$m = c d\nA $m $m {$m e}4", "c d c d {c d e}4"},
        {"", "#channel D 10\nA c\nD k5 c n36 q4 c4&c4", "#channel D 10\nA c\nD c n36 c4^8 r8"},
        {"", "l8 c d e&e f", "l8 c d e4 f"},
        {"", "c c o0 t120 d o9 e", "c c t120 n14 n124"},
        {"", "'c+ e- g#'8 'c e g' 4 d", "'c+\te-\tg#'8 'c\te\tg'4 d"},
        {"", "'c d e f g a b > c d e f g a b > c d e'", "'c\td e f g a b > c d e f g a b > c d e'"},
        {"t-3", "#channel D 10\nA k2 c d+ n50\nD c n36", "#channel D 10\nA k-1 c d+ n50\nD c n36"},
        {"", "c---------------- c----------------- b++++++++++++++++++++ b+++++++++++++++++++++", "o2 g+ g o6 g g+"},
        {"", "o0 k-48 '>>>>>>>>>> g g+'4 o9 k48 '<<<<<<<<<<< e d+'4", "o6 'g g+'4 o2 'e d+'4"},
        {"", "$r(2) = $1 c8 e8 g8 e8 $2\nA l4 $r(o4, c) $r(o5, g) $r(o3 v90, c2)",
         "l4 o4 c8 e8 g8 e8 c o5 c8 e8 g8 e8 g o3 v90 c8 e8 g8 e8 c2"},
        {"", "$d(2) = $1 $2\nA $d(\"n36,8\", \"(4 c\") $d( \"~v60,1\" , c)", "n36,8 (4 c ~v60,1 c"},
        {"", "$o(2) = $i($1 $2, e) $1\n$i(2)= [$1]2 $2\n$f = f\n$1 = g\n$m = $1\nA $o(c, $f) $m(4 c) $1", "c f c f e c g (4 c) g"},
    };
    // clang-format on
    for (const auto& c : cases) {
        Compiled song = CompileText(c[1], c[0]), same = CompileText(c[2]);
        ASSERT_TRUE(song.result.ok && same.result.ok) << c[1] << "\n" << Joined(song.result.messages);
        EXPECT_EQ(Joined(song.listing.lines), Joined(same.listing.lines)) << c[1];
    }
}

// Each row: a song and its messages in the order printed, each as "E<line> " or "W<line> " (0 for no line)
// and the start of the text after "in line N: ".
TEST(Compile, ReportsEveryDistinctMistakeOnceInLineAndColumnOrder)
{
    // clang-format off
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {"x h z", {"E1 'x'", "E1 'h'", "E1 'z'"}}, {"c x d x [x]3", {"E1 'x'"}}, {"] c x\nc", {"E1 ']'", "E1 'x'"}},
        {"A [c d e\n#tempo 90\nA c x", {"E1 '['", "W2 #tempo", "E3 'x'"}},
        {"v0 c n36,x d", {"E1 v0: ", "E1 n の後に音長がありません", "E1 'x'"}}, {"o-1 c", {"E1 o-1: "}}, {"y128,0 c", {"E1 y128: "}}, {"v+10 c", {"E1 v+10: "}}, {"c7.. d", {"E1 音長 7 "}},
        {"c^ e", {"E1 ^ "}}, {"c%0 d", {"E1 %0"}}, {"c99999999999999999999 d", {"E1 音長 999999999999..."}},
        {"[c]0 d", {"E1 ]0"}}, {"c\x83\x5B d", {"E1 全角文字"}}, {"c h4 d", {"E1 'h'"}},
        {"c D4 e", {"E1 'D' はコマンドではありません (音符は小文字"}}, {"l64 c..", {"E1 付点をつけると音長が割り切れません"}},
        {"c64... d", {"E1 付点をつけると音長が割り切れません"}}, {"c.............................. d", {"E1 付点をつけると"}},
        {"#TITLE x\nc", {"W1 #TITLE は知らない指示"}}, {"C4 e g", {"E1 行の先頭の大文字 C はトラック名"}},
        {"$m c d", {"E1 マクロ $m は定義されていません (定義は $m = "}}, {"k48 o9 c", {"E0 音符がすべて音域", "W1 音域"}},
        {"CDEFG", {"E0 音符が 1 つもありません (音符は小文字"}}, {"A r1", {"E0 音符が 1 つも"}},
        {"A t100 c\nB t120 c\nC t120 c", {"W2 トラック A の t100 (行 1) と同じ時刻のテンポです。後のトラック B の t120"}},
        {"#title a\n#title b\n#title b\n#copyright c\nc", {"W2 #title は行 1 と違う値"}},
        {"#channel A 2\n#channel AB 3\nc\nB c\n#channel A 3", {"W2 #channel: トラック A は行 1"}},
        {"#channel B 3\nc", {"W1 #channel: トラック B には MML がありません"}},
        {"A @1 c\nQ @2 c\nB @1 c\nR @1 c\n#channel R 2", {"W2 トラック A と Q は同じチャンネル 1"}},
        {"$m = c /* x\ny */ d x\nA $m", {"E2 'x'"}}, {"/* one\n two\n */ A c x", {"E3 'x'"}}, {"; \x81\nA x", {"E2 'x'"}},
        {"A o9 c > c\nA v120 )16 c\nA r & c\nA o9 b+ c", {"W1 オクターブ", "W2 ベロシティ", "W3 &", "W4 音域"}},
        {"A [c :\nA d ]1 e\nA o9 b+ c", {"W3 音域"}},
        {"$m = c d\nA $m $m r $m o9 b+ c", {"W2 音域"}},
        {"#time 4/4\nA swing\"2:1\"\nAB c1 | c4 c4 c4 | c1", {"W3 トラック A の 2 小節目"}},
        {"A c\n/* a\n b */ x /* never closed\n", {"E3 'x'", "E3 コメント"}}, {"A c\x81\nA x", {"E1 全角文字", "E2 'x'"}},
        {"A c d e f g\x81 a b c d\nA \xC3\xA9", {"E1 全角文字", "E2 使えない文字 (0xC3)", "E2 使えない文字 (0xA9)"}},
        {"#title \xE6\x97\xA5\nc \xC3\xA9 \xF0\x9F\x8E\xB5", {"E2 文字 U+00E9 はコードページ 932", "E2 文字 U+1F3B5"}},
        {"\xEF\xBB\xBF" "c\n\xFF d", {"E2 UTF-8 として読めないバイト (0xFF)"}}, {"MThd\0\0\0\x06", {"E0 入力ファイルは MIDI"}},
        {"\xFF\xFE" "c", {"E0 入力ファイルは UTF-16"}}, {std::string("c d e f\0g a", 11), {"E0 入力ファイルはテキストファイルではない"}},
        {"A 'c x e' {c {d e} f}4 kee\"G\" d wr25 c 'c e g 2 r4 |", {"E1 和音 'c x e' の中には", "E1 連符 { } の中に連符",
         "E1 kee\"...\" というコマンドはありません", "E1 wr25: ", "E1 和音 'c e g 2 r4 | の ' が ' で閉じられて"}},
        {"lyric\"la\" r4 q%480 c4 c8 c !. d0 r\n#time 4/4\nB time\"3/4\" c time\"4/4\" c lyric\"a\"",
         {"W1 lyric の次が休符", "W1 q%480: 480 クロック", "W1 印 (!. !- !> !^) の次が休符", "W1 装飾音の次が休符",
          "W3 time\"4/4\" が小節の途中", "W3 lyric の後に音符がありません"}},
        {"$r(2) = $1 $3\n$z(0) = c\nA $r(c) $r $r(c,d,e) $r(c,d\nA $r(x, c)",
         {"E1 $3: マクロ $r の引数は 2 個", "E2 マクロ $z(0): 引数の数は 1 から 9", "E3 マクロ $r の引数 $2 がありません",
          "E3 マクロ $r には引数が 2 個要ります", "E3 マクロ $r の引数が多すぎます", "E3 マクロ $r の引数を閉じる )", "E4 'x'"}},
    };
    // clang-format on
    for (const auto& c : cases) {
        Compiled song = CompileText(c.first);
        std::vector<std::string> described;
        for (const std::string& message : song.result.messages)
            described.push_back(
                std::regex_replace(std::regex_replace(message, std::regex("^(.)\\S* (in line (\\d+): )?"), "$01$3 "),
                                   std::regex("^(.) "), "$010 "));
        for (std::size_t i = 0; i < described.size() && i < c.second.size(); ++i)
            described[i].resize(std::min(described[i].size(), c.second[i].size()));  // the start of each text
        EXPECT_EQ(described, c.second) << c.first;
        EXPECT_EQ(song.result.ok, (" | " + Joined(c.second)).find(" | E") == std::string::npos) << c.first;
    }
}

// Each row of the table of commands: its use compiles without a message, and both halves of the manual show it.
TEST(Compile, EveryCommandOfTheTableCompilesAndTheManualShowsIt)
{
#ifdef _WIN32
    const std::string manual = ReadBytes("Z:" TRIVANE_SAMPLES_DIR "/../mml.md");
#else
    const std::string manual = ReadBytes(TRIVANE_SAMPLES_DIR "/../mml.md");
#endif
    const std::size_t english = manual.find("\n## English");
    ASSERT_NE(english, std::string::npos);
    for (const Command& command : Commands) {
        const std::string use(command.example);
        const bool line = use[0] == '#' || (use[0] >= 'A' && use[0] <= 'Z');  // a directive or track names
        Compiled song = CompileText("$riff(1) = $1 c8\n" + (line ? use + "\nAD c" : "A c1 " + use + " c"));
        EXPECT_TRUE(song.result.ok && song.result.warnings == 0) << use << "\n" << Joined(song.result.messages);
        EXPECT_TRUE(manual.find(use) < english && manual.find(use, english) != manual.npos) << use;
    }
}

TEST(Compile, HostileInputEndsInErrorsNotInCrashesOrHangs)
{
    std::string fanOut = "$m0 = cccccccccc\n", chain = "$m0 = c\n", garbage, errors, octaves;
    for (int i = 0; i < 75000; ++i)  // commands that are no notes count as well
        octaves += "<>";
    for (int i = 1; i < 21; ++i) {
        std::string use = " $m" + std::to_string(i - 1);
        fanOut += "$m" + std::to_string(i) + " =" +
                  (i < 13 ? std::regex_replace("0123456789", std::regex("\\d"), use) : "") + "\n";
        chain += "$m" + std::to_string(i) + " =" + use + "\n";
    }
    for (int b = 1; b < 256; ++b)  // every byte value but NUL, in the music
        garbage += "c" + std::string(1, static_cast<char>(b)) + "d\n";
    // clang-format off
    const std::string cases[] = {
        std::string(17, '[') + "c" + std::string(17, ']'), fanOut + "A $m7", std::regex_replace(fanOut, std::regex("c{10}"), "") + "A $m12",
        chain + "A $m20", "$a = c $b\n$b = d $a\nA $a",
        "$m = " + std::string(150000, 'c') + "\nABCDEFGHIJKLMNOPQRSTUVWXYZ $m", "[c%200000000]2", "c^ n y7 $ ] : [",
        "[[[[[[[[c32]65535]65535]65535]65535]65535]65535]65535]65535", "#channel A 99999999999999\nA c",
        "[[[[[[[[v1]65535]65535]65535]65535]65535]65535]65535]65535", garbage,
        "[[[[[[[[t99]65535]65535]65535]65535]65535]65535]65535]65535", "[c]99999999999 t0 t1000 o10 @128 y128,0 v0 k49",
        std::string(3000, 'x') + "\n" + std::string(1500, '\n') + "x", "A [[v1]1000]300 c\nB [[v1]1000]300 c",
        "$m = " + octaves + "\nA $m $m c",
    };
    // clang-format on
    // Lower bounds than the defaults keep this quick under the sanitizers; the mechanism is the same.
    CompileOptions options;
    options.limits.maxEvents = 100000;
    options.limits.maxSteps = 1000000;
    options.limits.maxTokens = 200000;
    for (const std::string& mml : cases) {
        CompileResult result = Compile(mml, options);
        EXPECT_TRUE(!result.ok && result.smf.empty() && result.messages.size() - 1 < 53) << mml.substr(0, 80);
    }
    // The commands of a macro's body, however they are read again, meet the bound as they are made.
    std::string calls = "$m = " + std::string(100, 'c') + "\nA";
    for (int call = 0; call < 1981; ++call)
        calls += " $m";
    EXPECT_EQ(Compile(calls, options).messages.at(0).rfind("ERROR! マクロを展開したコマンドが多すぎます", 0), 0u);
    for (int line = 0; line < 1500; ++line)
        errors += "A c x\n";
    CompileResult stopped = Compile(errors, options);
    EXPECT_EQ(stopped.errors, 1000);
    EXPECT_EQ(stopped.messages[50], "ERROR! ほかに 950 件のエラーがあります (表示を省略しました)");
}

TEST(Compile, EachBoundHoldsAtItsVeryValue)
{
    // Runs of plain notes and octaves are struck apart from everything else, and the song ends inside one.
    const std::string song = "A l8 [c d e f g a b > c <]2 c d e f g o5 a b > c";
    const std::string stop = "ERROR! %s (上限を超えたので変換をやめました) | ";
    struct Case {
        std::int64_t Limits::*bound;
        std::int64_t value;
        const char* reached;  // none where the song fits
    };
    const Case cases[] = {
        {&Limits::maxTicks, 5760, nullptr},
        {&Limits::maxTicks, 5759, "トラック A: 曲が長すぎます"},
        {&Limits::maxTicks, 2159, "トラック A: 曲が長すぎます"},  // by the note that starts the second time round
        {&Limits::maxSteps, 34, nullptr},
        {&Limits::maxSteps, 33, "in line 1: トラック A: ループを展開したコマンドが多すぎます"},
        {&Limits::maxEvents, 48, nullptr},
        {&Limits::maxEvents, 47, "トラック A: MIDI イベントが多すぎます"},
    };
    for (const Case& c : cases) {
        CompileOptions options;
        options.limits.*c.bound = c.value;
        const CompileResult result = Compile(song, options);
        EXPECT_EQ(Joined(result.messages), c.reached ? Format(stop.c_str(), c.reached) : "") << c.value;
    }
}

}  // namespace
