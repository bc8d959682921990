#include "Lexer.h"

#include <algorithm>

namespace {

// Digits beyond this stop counting: every range of the dialect lies far below it, and the sum of digits
// can no longer overflow.
constexpr std::int64_t NumberCeiling = 10000000000LL;

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
        SkipBlanks();
        Frame& top = frames_.back();
        if (top.pos >= top.text.size())
            frames_.pop_back();
        else if (!ReadCommand(out))
            SkipArguments();
    }
    frames_.clear();
}

int Lexer::Peek() const
{
    const Frame& top = frames_.back();
    return top.pos < top.text.size() ? static_cast<unsigned char>(top.text[top.pos]) : -1;
}

Place Lexer::Here() const
{
    const Frame& top = frames_.back();
    return Place(top.line, static_cast<std::uint32_t>(top.text.data() + top.pos - origin_));
}

void Lexer::SkipBlanks()
{
    Frame& top = frames_.back();
    for (int c = Peek(); IsSeparator(c) || (c == 0x81 && top.pos + 1 < top.text.size() &&
                                            static_cast<unsigned char>(top.text[top.pos + 1]) == 0x40);
         c = Peek()) {
        if (c == JoinedLineBreak)
            ++top.line;
        top.pos += c == 0x81 ? 2 : 1;
    }
}

bool Lexer::Accept(char c)
{
    SkipBlanks();
    if (Peek() != static_cast<unsigned char>(c))
        return false;
    ++frames_.back().pos;
    return true;
}

// What a command may hold after its letter: numbers with their signs, dots, '^', '%' and ','.
void Lexer::SkipArguments()
{
    const std::string_view arguments = "0123456789+-.^%,";
    for (SkipBlanks(); Peek() >= 0 && arguments.find(static_cast<char>(Peek())) != arguments.npos; SkipBlanks())
        ++frames_.back().pos;
}

// A sign belongs to the number: no blank may stand between them, nor between digits.
Lexer::Number Lexer::ReadNumber()
{
    SkipBlanks();
    Frame& top = frames_.back();
    std::size_t start = top.pos;
    bool negative = false;
    if (Peek() == '-' || Peek() == '+') {
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

// A '+' is refused where no value may be negative, so that "v+10" is not taken for a step up.
bool Lexer::InRange(char command, const Number& number, int low, int high)
{
    if (number.text[0] == '+' && low >= 0) {
        diagnostics_.Error(Here(), "%c%s: + はつけられません (値は %d から %d までです)", command,
                           Shown(number.text).c_str(), low, high);
        return false;
    }
    if (number.value >= low && number.value <= high)
        return true;
    diagnostics_.Error(Here(), "%c%s: 値は %d から %d までです", command, Shown(number.text).c_str(), low, high);
    return false;
}

bool Lexer::ReadValue(char command, int low, int high, int& value)
{
    Number number = ReadNumber();
    if (!number.present) {
        diagnostics_.Error(Here(), "%c の後に数値がありません", command);
        return false;
    }
    if (!InRange(command, number, low, high))
        return false;
    value = static_cast<int>(number.value);
    return true;
}

bool Lexer::ReadOptionalValue(char command, int low, int high, int fallback, int& value)
{
    Number number = ReadNumber();
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
        Number number = ReadNumber();
        if (!number.present) {
            diagnostics_.Error(Here(), "%% の後にクロック数がありません");
            return false;
        }
        if (number.value < 1 || number.value > options_.limits.maxTicks || number.text[0] == '+') {
            diagnostics_.Error(Here(), "%%%s: クロック数は 1 から %lld までです", Shown(number.text).c_str(),
                               static_cast<long long>(options_.limits.maxTicks));
            return false;
        }
        ticks = number.value;
    } else {
        Number number = ReadNumber();
        if (number.present) {
            if (number.value < 1 || number.value > TicksPerWhole || TicksPerWhole % number.value != 0 ||
                number.text[0] == '+') {
                diagnostics_.Error(Here(), "音長 %s は使えません (1920 の約数を指定してください)",
                                   Shown(number.text).c_str());
                return false;
            }
            ticks = TicksPerWhole / number.value;
        } else if (required) {
            diagnostics_.Error(Here(), "%c の後に音長がありません", command);
            return false;
        }
    }
    return true;
}

// [n | %n] '.'* ('^' (n | %n) '.'*)*: the dots of the first part are kept for when the default length is
// known; every other part is summed at once.
bool Lexer::ReadLength(char command, bool required, Length& length)
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
            diagnostics_.Error(Here(), "%s", UnevenLengthMessage);
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
            diagnostics_.Error(Here(), "%s", UnevenLengthMessage);
            return false;
        }
        extra = std::min(extra + dotted, options_.limits.maxTicks + 1);
    }
    // No default length, shorter than 2^28 pulses, can be halved so often.
    if (dots > MaxDefaultDots) {
        diagnostics_.Error(Here(), "%s", UnevenLengthMessage);
        return false;
    }
    if (total + extra > options_.limits.maxTicks) {
        diagnostics_.Error(Here(), "音長が長すぎます");
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
    const bool lineStart = frames_.size() == 1 && top.pos == 1;
    std::size_t start = top.pos;
    while (IsMacroNameChar(Peek()))
        ++top.pos;
    std::string_view name = top.text.substr(start, top.pos - start);
    if (name.empty()) {
        diagnostics_.Error(Here(), "$ の後にマクロ名がありません");
        return;
    }
    auto found = macros_.find(name);
    if (found == macros_.end() && lineStart) {
        // Mostly a definition without its '='.
        diagnostics_.Error(Here(),
                           "マクロ $%.*s は定義されていません (定義は $%.*s = c d e のように = をつけて書きます)",
                           static_cast<int>(name.size()), name.data(), static_cast<int>(name.size()), name.data());
        return;
    }
    if (found == macros_.end()) {
        diagnostics_.Error(Here(), "マクロ $%.*s は定義されていません", static_cast<int>(name.size()), name.data());
        return;
    }
    for (const Frame& frame : frames_) {
        if (frame.macro == &found->first) {
            diagnostics_.Error(Here(), "マクロ $%s が自分自身を呼び出しています", found->first.c_str());
            return;
        }
    }
    if (static_cast<int>(frames_.size()) > options_.limits.maxMacroDepth) {
        diagnostics_.Error(Here(), "マクロの呼び出しが深すぎます (最大 %d 段)", options_.limits.maxMacroDepth);
        return;
    }
    frames_.push_back(Frame{found->second.body, 0, found->second.line, &found->first});
}

// False after a mistake has been reported.
bool Lexer::ReadCommand(std::vector<Token>& out)
{
    Frame& top = frames_.back();
    Token token;
    token.op = Op::Rest;
    token.line = Line();
    token.at = Here().at;
    const unsigned char c = static_cast<unsigned char>(top.text[top.pos++]);
    switch (c) {
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
            if (!ReadLength(static_cast<char>(c), false, token.length))
                return false;
            break;
        case 'r':
            if (!ReadLength('r', false, token.length))
                return false;
            break;
        case 'n':
            token.op = Op::RawNote;
            if (!ReadValue('n', 0, 127, token.value) || (Accept(',') && !ReadLength('n', true, token.length)))
                return false;
            break;
        case 'l':
            token.op = Op::Length;
            if (!ReadLength('l', true, token.length))
                return false;
            break;
        case '<':
        case '>':
            token.op = (c == '>') != options_.swapAngleBrackets ? Op::OctaveUp : Op::OctaveDown;
            break;
        case '(':
        case ')':
            token.op = (c == ')') != options_.swapParentheses ? Op::VelocityUp : Op::VelocityDown;
            if (!ReadOptionalValue(static_cast<char>(c), 1, 127, 8, token.value))
                return false;
            break;
        case '&':
            token.op = Op::Tie;
            break;
        case '[':
            token.op = Op::LoopBegin;
            break;
        case ':':
            token.op = Op::LoopBreak;
            break;
        case ']':
            // Kept even with a wrong count, so that its '[' does not look unmatched as well.
            token.op = Op::LoopEnd;
            if (!ReadOptionalValue(']', 1, options_.limits.maxLoopCount, 2, token.value)) {
                SkipArguments();
                Push(out, token);
                return true;
            }
            break;
        case 'y':
            token.op = Op::Control;
            if (!ReadValue('y', 0, 127, token.value))
                return false;
            if (!Accept(',')) {
                diagnostics_.Error(Here(), "y にはコントロール番号と値をカンマで区切って書きます");
                return false;
            }
            if (!ReadValue('y', 0, 127, token.value2))
                return false;
            break;
        case '$':
            ReadMacroUse();
            return true;
        default:
            return ReadSimpleCommand(c, token, out);
    }
    Push(out, token);
    return true;
}

// Commands of one value in a range, and whatever is no command at all.
bool Lexer::ReadSimpleCommand(unsigned char c, Token& token, std::vector<Token>& out)
{
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
            if (!ReadValue(s.command, s.low, s.high, token.value))
                return false;
            Push(out, token);
            return true;
        }
    }
    const Place place(token.line, token.at);
    Frame& top = frames_.back();
    if (IsLeadByte(c)) {
        if (IsTrailByte(Peek()))
            ++top.pos;
        diagnostics_.Error(place, "全角文字はコメントと #title, #copyright の中でだけ使えます");
    } else if (c >= '0' && c <= '9') {
        diagnostics_.Error(place, "数値の前にコマンドがありません");
    } else if (c >= 'A' && c <= 'Z') {
        // Capitals name tracks only at the start of a line; inside the music they are mostly notes typed in
        // the wrong case.
        diagnostics_.Error(place,
                           "'%c' はコマンドではありません (音符は小文字で書きます。大文字は行の先頭で"
                           "トラック名になります)",
                           c);
    } else if (c > ' ' && c < 0x7F) {
        diagnostics_.Error(place, "'%c' はコマンドではありません", c);
    } else {
        diagnostics_.Error(place, "使えない文字 (0x%02X) があります", c);
    }
    return false;
}
