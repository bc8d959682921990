#include "Lexer.h"

#include <algorithm>

namespace {

// Digits beyond this stop counting: every range of the dialect lies far below it, and the sum of digits
// can no longer overflow.
constexpr std::int64_t NumberCeiling = 10000000000LL;

// More dots than this cannot halve any default length, which is shorter than 2^28 pulses.
constexpr int MaxDefaultDots = 27;

// Shows at most the first 12 characters of a number as written, so that a million digits make a short line.
std::string Shown(std::string_view text)
{
    if (text.size() <= 12)
        return std::string(text);
    return std::string(text.substr(0, 12)) + "...";
}

// Semitones above c of the note names 'a' to 'g'.
int SemitoneOf(char name)
{
    static const int semitones[] = {9, 11, 0, 2, 4, 5, 7};
    return semitones[name - 'a'];
}

}  // namespace

Lexer::Lexer(const MacroTable& macros, const CompileOptions& options, Diagnostics& diagnostics)
    : macros_(macros), options_(options), diagnostics_(diagnostics)
{
}

void Lexer::Tokenize(std::string_view text, int line, std::vector<Token>& out)
{
    frames_.assign(1, Frame{text, 0, line, nullptr});
    while (!frames_.empty() && !full_ && !diagnostics_.Stopped()) {
        Frame& top = frames_.back();
        if (top.pos >= top.text.size())
            frames_.pop_back();
        else
            ReadCommand(out);
    }
    frames_.clear();
}

int Lexer::Peek() const
{
    const Frame& top = frames_.back();
    return top.pos < top.text.size() ? static_cast<unsigned char>(top.text[top.pos]) : -1;
}

bool Lexer::Accept(char c)
{
    if (Peek() != static_cast<unsigned char>(c))
        return false;
    ++frames_.back().pos;
    return true;
}

Lexer::Number Lexer::ReadNumber(bool allowSign)
{
    Frame& top = frames_.back();
    std::size_t start = top.pos;
    bool negative = false;
    if (allowSign && (Peek() == '-' || Peek() == '+')) {
        negative = Peek() == '-';
        ++top.pos;
    }
    Number number;
    while (Peek() >= '0' && Peek() <= '9') {
        number.present = true;
        if (number.value < NumberCeiling)
            number.value = number.value * 10 + (Peek() - '0');
        ++top.pos;
    }
    if (!number.present) {
        top.pos = start;  // a lone sign is not a number
        return number;
    }
    if (negative)
        number.value = -number.value;
    number.text = top.text.substr(start, top.pos - start);
    return number;
}

bool Lexer::InRange(char command, const Number& number, int low, int high)
{
    if (number.value >= low && number.value <= high)
        return true;
    diagnostics_.Error(Line(), "%c%s: 値は %d から %d までです", command, Shown(number.text).c_str(), low, high);
    return false;
}

bool Lexer::ReadValue(char command, int low, int high, int& value)
{
    Number number = ReadNumber(low < 0);
    if (!number.present) {
        diagnostics_.Error(Line(), "%c の後に数値がありません", command);
        return false;
    }
    if (!InRange(command, number, low, high))
        return false;
    value = static_cast<int>(number.value);
    return true;
}

bool Lexer::ReadOptionalValue(char command, int low, int high, int fallback, int& value)
{
    Number number = ReadNumber(false);
    if (!number.present) {
        value = fallback;
        return true;
    }
    if (!InRange(command, number, low, high))
        return false;
    value = static_cast<int>(number.value);
    return true;
}

// One part of a length without its dots: a note value ("8", dividing the whole note) or pulses ("%120").
// `ticks` is 0 for a part with no number, which takes the default length when played.
bool Lexer::ReadLengthPart(bool required, char command, std::int64_t& ticks)
{
    ticks = 0;
    if (Accept('%')) {
        Number number = ReadNumber(false);
        if (!number.present) {
            diagnostics_.Error(Line(), "%% の後にクロック数がありません");
            return false;
        }
        if (number.value < 1 || number.value > options_.limits.maxTicks) {
            diagnostics_.Error(Line(), "%%%s: クロック数は 1 から %lld までです", Shown(number.text).c_str(),
                               static_cast<long long>(options_.limits.maxTicks));
            return false;
        }
        ticks = number.value;
    } else {
        Number number = ReadNumber(false);
        if (number.present) {
            if (number.value < 1 || number.value > TicksPerWhole || TicksPerWhole % number.value != 0) {
                diagnostics_.Error(Line(), "音長 %s は使えません (1920 の約数を指定してください)",
                                   Shown(number.text).c_str());
                return false;
            }
            ticks = TicksPerWhole / number.value;
        } else if (required) {
            diagnostics_.Error(Line(), "%c の後に音長がありません", command);
            return false;
        }
    }
    return true;
}

// A length that fails is read to its end all the same, so that one mistake makes one message.
bool Lexer::ReadLength(char command, bool required, Length& length)
{
    if (ParseLength(command, required, length))
        return true;
    for (int c = Peek(); (c >= '0' && c <= '9') || c == '.' || c == '^' || c == '%'; c = Peek())
        ++frames_.back().pos;
    return false;
}

// [n | %n] '.'* ('^' (n | %n) '.'*)*: the dots of the first part are kept for when the default length is
// known; every other part is summed at once.
bool Lexer::ParseLength(char command, bool required, Length& length)
{
    std::int64_t base = 0;
    if (!ReadLengthPart(required, command, base))
        return false;
    int dots = 0;
    while (Accept('.'))
        ++dots;
    std::int64_t total = 0;
    if (base > 0) {
        if (!AddDots(base, dots, total)) {
            diagnostics_.Error(Line(), "付点をつけると音長が割り切れません");
            return false;
        }
        dots = 0;
    }
    std::int64_t extra = 0;
    while (Accept('^')) {
        std::int64_t part = 0;
        if (!ReadLengthPart(true, '^', part))
            return false;
        int partDots = 0;
        while (Accept('.'))
            ++partDots;
        std::int64_t dotted = 0;
        if (!AddDots(part, partDots, dotted)) {
            diagnostics_.Error(Line(), "付点をつけると音長が割り切れません");
            return false;
        }
        extra = std::min(extra + dotted, options_.limits.maxTicks + 1);
    }
    if (dots > MaxDefaultDots) {
        diagnostics_.Error(Line(), "付点が多すぎます");
        return false;
    }
    if (total + extra > options_.limits.maxTicks) {
        diagnostics_.Error(Line(), "音長が長すぎます");
        return false;
    }
    length.base = static_cast<std::int32_t>(total);
    length.dots = static_cast<std::uint8_t>(dots);
    length.extra = static_cast<std::int32_t>(extra);
    return true;
}

void Lexer::Push(std::vector<Token>& out, Token token)
{
    if (tokenCount_ >= options_.limits.maxTokens) {
        diagnostics_.Error(0, "マクロを展開したコマンドが多すぎます (最大 %lld 個)",
                           static_cast<long long>(options_.limits.maxTokens));
        full_ = true;
        return;
    }
    ++tokenCount_;
    out.push_back(token);
}

void Lexer::ReadMacroUse()
{
    Frame& top = frames_.back();
    std::size_t start = top.pos;
    while (IsMacroNameChar(Peek()))
        ++top.pos;
    std::string_view name = top.text.substr(start, top.pos - start);
    if (name.empty()) {
        diagnostics_.Error(Line(), "$ の後にマクロ名がありません");
        return;
    }
    auto found = macros_.find(name);
    if (found == macros_.end()) {
        diagnostics_.Error(Line(), "マクロ $%.*s は定義されていません", static_cast<int>(name.size()), name.data());
        return;
    }
    for (const Frame& frame : frames_) {
        if (frame.macro == &found->first) {
            diagnostics_.Error(Line(), "マクロ $%s が自分自身を呼び出しています", found->first.c_str());
            return;
        }
    }
    if (static_cast<int>(frames_.size()) > options_.limits.maxMacroDepth) {
        diagnostics_.Error(Line(), "マクロの呼び出しが深すぎます (最大 %d 段)", options_.limits.maxMacroDepth);
        return;
    }
    frames_.push_back(Frame{found->second.body, 0, found->second.line, &found->first});
}

void Lexer::ReadCommand(std::vector<Token>& out)
{
    Frame& top = frames_.back();
    const unsigned char c = static_cast<unsigned char>(top.text[top.pos++]);
    Token token;
    token.op = Op::Rest;
    token.line = Line();
    int value = 0;
    switch (c) {
        case ' ':
        case '\t':
        case '\r':
        case '\n':
        case '\f':
        case '\v':
        case '|':
            return;
        case 'c':
        case 'd':
        case 'e':
        case 'f':
        case 'g':
        case 'a':
        case 'b':
            token.op = Op::Note;
            token.value = SemitoneOf(static_cast<char>(c));
            for (;;) {
                if (Accept('+') || Accept('#'))
                    ++token.value;
                else if (Accept('-'))
                    --token.value;
                else
                    break;
            }
            if (ReadLength(static_cast<char>(c), false, token.length))
                Push(out, token);
            return;
        case 'r':
            if (ReadLength('r', false, token.length))
                Push(out, token);
            return;
        case 'n':
            token.op = Op::RawNote;
            if (!ReadValue('n', 0, 127, token.value))
                return;
            if (Accept(',') && !ReadLength('n', true, token.length))
                return;
            Push(out, token);
            return;
        case 'l':
            token.op = Op::Length;
            if (ReadLength('l', true, token.length))
                Push(out, token);
            return;
        case '<':
        case '>':
            token.op = (c == '>') != options_.swapAngleBrackets ? Op::OctaveUp : Op::OctaveDown;
            Push(out, token);
            return;
        case '(':
        case ')':
            token.op = (c == ')') != options_.swapParentheses ? Op::VelocityUp : Op::VelocityDown;
            if (ReadOptionalValue(static_cast<char>(c), 1, 127, 8, token.value))
                Push(out, token);
            return;
        case '&':
            token.op = Op::Tie;
            Push(out, token);
            return;
        case '[':
            token.op = Op::LoopBegin;
            Push(out, token);
            return;
        case ':':
            token.op = Op::LoopBreak;
            Push(out, token);
            return;
        case ']':
            // Kept even with a wrong count, so that its '[' does not look unmatched as well.
            token.op = Op::LoopEnd;
            ReadOptionalValue(']', 1, options_.limits.maxLoopCount, 2, token.value);
            Push(out, token);
            return;
        case 'y':
            token.op = Op::Control;
            if (!ReadValue('y', 0, 127, token.value))
                return;
            if (!Accept(',')) {
                diagnostics_.Error(Line(), "y にはコントロール番号と値をカンマで区切って書きます");
                return;
            }
            if (ReadValue('y', 0, 127, token.value2))
                Push(out, token);
            return;
        case '$':
            ReadMacroUse();
            return;
        default:
            break;
    }
    struct Simple {
        char command;
        Op op;
        int low, high;
    };
    static const Simple simple[] = {
        {'o', Op::Octave, 0, 9}, {'t', Op::Tempo, 4, 999},   {'v', Op::Velocity, 1, 127},
        {'q', Op::Gate, 1, 8},   {'@', Op::Program, 0, 127}, {'k', Op::Transpose, -48, 48},
    };
    for (const Simple& s : simple) {
        if (c == static_cast<unsigned char>(s.command)) {
            token.op = s.op;
            if (ReadValue(s.command, s.low, s.high, value)) {
                token.value = value;
                Push(out, token);
            }
            return;
        }
    }
    if (IsLeadByte(c)) {
        if (c == 0x81 && Peek() == 0x40) {  // the ideographic space counts as a blank
            ++top.pos;
            return;
        }
        if (IsTrailByte(Peek()))
            ++top.pos;
        diagnostics_.Error(Line(), "全角文字はコメントと #title, #copyright の中でだけ使えます");
    } else if (c >= '0' && c <= '9') {
        diagnostics_.Error(Line(), "数値の前にコマンドがありません");
        while (Peek() >= '0' && Peek() <= '9')
            ++top.pos;
    } else if (c >= 'A' && c <= 'Z') {
        // Capitals name tracks only at the start of a line; inside the music they are mostly notes typed in
        // the wrong case.
        diagnostics_.Error(Line(),
                           "'%c' はコマンドではありません (音符は小文字で書きます。大文字は行の先頭で"
                           "トラック名になります)",
                           c);
        while (Peek() >= '0' && Peek() <= '9')
            ++top.pos;
    } else if (c > ' ' && c < 0x7F) {
        diagnostics_.Error(Line(), "'%c' はコマンドではありません", c);
        // Its number goes with it: "h4" is one mistake, not a second one of a number without a command.
        while (Peek() >= '0' && Peek() <= '9')
            ++top.pos;
    } else {
        diagnostics_.Error(Line(), "使えない文字 (0x%02X) があります", c);
    }
}
