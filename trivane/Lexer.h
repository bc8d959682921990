// Turns the MML text of one source line into commands, expanding macros as it meets them. Each macro
// body is read in place, on an explicit stack, so nesting costs no recursion of ours.
#pragma once

#include "Commands.h"
#include "Diagnostics.h"
#include "Options.h"
#include "Song.h"

#include <array>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// A line break inside a block comment: the comment joins the two lines into one, and the break still counts
// for the numbers of the lines.
constexpr char JoinedLineBreak = '\0';

// What may stand between the parts of a command: blanks, '|' (a bar line) and a line break
// inside a block comment. The ideographic space, two bytes, is handled where it is met.
inline constexpr bool IsSeparator(int c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v' || c == '|' || c == JoinedLineBreak;
}

// The bytes that may begin what SkipSeparators steps over: the separators and the first byte of the
// ideographic space. A table, as it is asked before nearly every part of every command.
inline constexpr struct BlankStarts {
    bool at[256] = {};
    constexpr BlankStarts()
    {
        for (int c = 0; c < 256; ++c)
            at[c] = IsSeparator(c) || c == 0x81;
    }
    // `c` as Peek gives it: -1 at the end of the text.
    constexpr bool operator()(int c) const { return c >= 0 && at[c]; }
} StartsBlanks;

// Among the commands that Tokenize makes, what stands for those of a run of a macro's body read twice before, made
// again: Lexer::KeptRun(value) holds them. It is no command's op.
constexpr Op KeptRunOp = static_cast<Op>(0x7F);
static_assert(static_cast<unsigned>(Op::Humanize) < static_cast<unsigned>(KeptRunOp));

// How to add a command: read its parts with Accept(), ReadNumber(), ReadValue(), ReadOptionalValue() and
// ReadLength(), which step over blanks and '|' before each part themselves; return false after reporting a
// mistake, and ReadCommand() steps over the rest of the command (SkipArguments()), so that one mistake makes
// one message.
class Lexer {
public:
    // `texts` receives the texts of the text commands and the bytes of system exclusive messages.
    Lexer(const MacroTable& macros,
          std::vector<std::string>& texts,
          const CompileOptions& options,
          Diagnostics& diagnostics);

    // The whole source that every text given to Tokenize lies in, for the places of messages.
    void SetSource(std::string_view source) { origin_ = source.data(); }

    // Appends the commands of `text`, found in source line `line`, to `out`. Stops adding, with one error,
    // once the song holds the most commands allowed.
    void Tokenize(std::string_view text, int line, std::vector<Token>& out);

    std::int64_t Count() const { return tokenCount_; }

    struct Run {
        const Token* commands;
        std::size_t count;  // one at least
    };
    // The run that a KeptRunOp with this value stands for; good until Tokenize is called again.
    Run KeptRun(std::int32_t id) const
    {
        const PlainRun& run = *keptRuns_[static_cast<std::size_t>(id)];
        return Run{runTokens_.data() + run.first, run.count};
    }

private:
    struct Frame {
        std::string_view text;
        std::size_t pos;
        int line;
        const std::string* macro;  // null for the source line itself and for an argument
        // The frame whose arguments "$1" reads, -1 where "$1" uses a macro named "1". An argument is read
        // with the arguments of the text it was written in.
        int owner = -1;
        std::size_t arguments = 0;  // where this call's arguments begin in arguments_
        int parameters = 0;         // of the macro being read
    };
    struct Argument {
        std::string_view text;
        int line;
    };
    struct Number {
        bool present = false;
        std::int64_t value = 0;
        std::string_view text;  // as written, sign included, for messages
    };

    int Peek() const
    {
        const Frame& top = frames_.back();
        return top.pos < top.text.size() ? static_cast<unsigned char>(top.text[top.pos]) : -1;
    }
    int Line() const { return frames_.back().line; }
    Place Here() const;
    // Blanks, '|' and the ideographic space; most commands follow the one before without any.
    void SkipBlanks()
    {
        Frame& top = frames_.back();
        const std::size_t at = top.pos;
        if (at >= top.text.size() || !StartsBlanks.at[static_cast<unsigned char>(top.text[at])])
            return;
        // One space before what follows, as most blanks are, is stepped over here.
        if (top.text[at] == ' ' &&
            (at + 1 >= top.text.size() || !StartsBlanks.at[static_cast<unsigned char>(top.text[at + 1])])) {
            top.pos = at + 1;
            return;
        }
        SkipSeparators();
    }
    void SkipSeparators();
    bool Accept(char c)
    {
        SkipBlanks();
        Frame& top = frames_.back();
        if (top.pos >= top.text.size() || top.text[top.pos] != c)
            return false;
        ++top.pos;
        return true;
    }
    void SkipArguments();
    Number ReadNumber();
    bool InRange(std::string_view command, const Number& number, int low, int high);
    bool ReadValue(std::string_view command, int low, int high, int& value);
    bool ReadValue(std::string_view command, int low, int high, int& value, const Number& number);
    bool ReadWholeValue(std::string_view command, int low, int high, int& value);
    bool ReadValue(const Command& command, int& value)
    {
        return ReadValue(command.spelling, command.low, command.high, value);
    }
    bool ReadValue(const Command& command, int& value, const Number& number)
    {
        return ReadValue(command.spelling, command.low, command.high, value, number);
    }
    bool ReadTempo(const Command& command, int& value, int& beat);
    bool ReadOptionalValue(std::string_view command, int low, int high, int fallback, int& value);
    // Without a number the command's code, its default; `high` when a limit lowers the table's.
    bool ReadOptionalValue(const Command& command, int& value, int high = 0)
    {
        return ReadOptionalValue(command.spelling, command.low, high ? high : command.high, command.code, value);
    }
    bool ReadLengthPart(bool required, char command, std::int64_t& ticks);
    bool ReadLength(char command, bool required, Length& length)
    {
        int next = Peek();
        if (!required && (next < '0' || next > '9') && next != '.' && next != '^' && next != '%' && !StartsBlanks(next))
            return true;  // the default length, as most notes have
        return ReadWrittenLength(command, required, length);
    }
    bool ReadWrittenLength(char command, bool required, Length& length);
    const char* QuickLength(const char* at, const char* end, Length& length) const;
    bool ReadPlainCommands(std::vector<Token>& out);
    const char* PlainCommand(const char* at, const char* end, Token& token, const bool*& ends) const;
    bool ReadPlainChord(std::vector<Token>& out);
    const char* PlainChord(const char* at, const char* end, Token& chord, const bool*& ends);
    bool ReadCommand(std::vector<Token>& out);
    bool ReadSimpleCommand(unsigned char c, Token& token, std::vector<Token>& out);
    void ReadMacroUse();
    bool ReadArguments(const std::string& name, int count);
    void ReadParameter();
    // Here, as it is called for every command.
    void Push(std::vector<Token>& out, const Token& token)
    {
        if (tokenCount_ >= options_.limits.maxTokens) {
            ReportFull();
            return;
        }
        ++tokenCount_;
        out.push_back(token);
    }
    void ReportFull();
    void PushBar(std::vector<Token>& out, std::int64_t pulsesAfter);
    bool ReadQuoted(std::string_view word, std::string& text);
    bool ReadWordCommand(std::vector<Token>& out, Token token);
    void ReadSysEx(std::vector<Token>& out, Token token);
    void ReadPedal(const Command& command, std::vector<Token>& out, Token token);
    void ReadSwing(std::vector<Token>& out, Token token);
    void ReadHumanize(std::vector<Token>& out, Token token);
    void ReadSignature(std::string_view word, std::vector<Token>& out, Token token);
    bool ReadChord(std::vector<Token>& out, Token token);
    bool ReadRamp(std::vector<Token>& out, Token token);
    bool ReadMark(std::vector<Token>& out, Token token);
    bool ReadGrace(std::vector<Token>& out, Token token, bool read);
    // A note, rest or chord: inside '{ }' it takes its share of the group's length, in proportion to its own.
    void PushNote(std::vector<Token>& out, const Token& token)
    {
        if (tupletAt_ >= 0)
            ++tupletNotes_;
        Push(out, token);
    }
    void CloseTuplet(std::vector<Token>& out, Token token);

    const MacroTable& macros_;
    std::vector<std::string>& texts_;
    const CompileOptions& options_;
    Diagnostics& diagnostics_;
    const char* origin_ = nullptr;
    std::vector<Frame> frames_;
    std::vector<Argument> arguments_;  // of the macros being read
    // What ReadPlainCommands made of each run of a macro's body it has read twice: its commands in runTokens_, and
    // the bytes of the run; each is given a number, which the KeptRunOp that stands for it later holds.
    struct PlainRun {
        static constexpr std::size_t Seen = SIZE_MAX;  // `first` of a run read once, not kept
        std::size_t first;
        std::size_t count;
        std::size_t length;
        std::int32_t id;  // in keptRuns_
    };
    std::unordered_map<const char*, PlainRun> plainRuns_;
    std::array<int, 16> plainChord_{};  // the values of the notes of the chord PlainChord read last
    std::vector<Token> runTokens_;
    std::vector<const PlainRun*> keptRuns_;  // by the value of their KeptRunOp
    std::int64_t tokenCount_ = 0;
    bool full_ = false;
    bool grace_ = false;  // the length just read was 0: a grace note
    // The open '{' of this line: its index in the output and the notes counted since.
    std::int64_t tupletAt_ = -1;
    int tupletNotes_ = 0;
    int tupletsInside_ = 0;            // '{' written inside it, refused
    int barsSeen_ = 0;                 // '|' stepped over so far
    std::uint32_t barAt_ = 0;          // where the last of them stands in the source
    std::int64_t pulsesAfterBar_ = 0;  // of the command being read, when a '|' stood inside its length
};

// Parses "3/4": beats 1-32 over a note value 1, 2, 4, 8, 16 or 32.
bool ParseTimeSignature(std::string_view text, int& beats, int& beatNote);
// Parses "D" or "b- minor" into the sharps of its key signature, -7 (seven flats) to 7.
bool ParseKey(std::string_view text, int& sharps, bool& minor);
// Parses "2:1", "16 60:40" or "off": of each pair of eighths (with "16", sixteenths) the first takes a:b of
// the pair, 1 to 99 each. `pair` is the pair's pulses, 0 for off, `first` the first one's.
bool ParseSwing(std::string_view text, int& pair, int& first);
// Parses "10 8", "10 8 42" or "off": pulses 0-240 that a note may start early or late, what its velocity may
// differ by (0-64), and the seed of the random numbers (0 to 2147483647, 1 when left out).
bool ParseHumanize(std::string_view text, int& timing, int& velocity, std::uint32_t& seed);
constexpr const char* HumanizeUsage =
    "10 8 や 10 8 42 のように、ずらすクロック数 (0-240)、ベロシティの幅 (0-64)、省けるシード (0-2147483647) を書きます";

// Code page 932: a lead byte takes the byte after it along.
inline bool IsLeadByte(unsigned char c)
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// The bytes that may follow a lead byte. A lead byte before anything else stands alone, so that a broken
// character never swallows a line break.
inline bool IsTrailByte(int c)
{
    return c >= 0x40 && c <= 0xFC && c != 0x7F;
}

inline bool IsMacroNameChar(int c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}
