#include "Lexer.h"

#include <algorithm>
#include <array>

namespace {

// Digits beyond this stop counting: every range of the dialect lies far below it, and the sum of digits
// can no longer overflow.
constexpr std::int64_t NumberCeiling = 10000000000LL;

constexpr int MaxDefaultDots = 27;

// Shows at most the first `most` characters of a number or a command as written, so that a million digits
// make a short line.
std::string Shown(std::string_view text, std::size_t most = 12)
{
    if (text.size() <= most)
        return std::string(text);
    return std::string(text.substr(0, most)) + "...";
}

std::string_view Trimmed(std::string_view text)
{
    const std::string_view blanks(" \t\r\f\v\0", 6);
    text.remove_prefix(std::min(text.find_first_not_of(blanks), text.size()));
    return text.substr(0, text.find_last_not_of(blanks) + 1);
}

// Steps over a decimal number from `low` to `high` at the start of `text`, and the blanks around it.
bool TakeNumber(std::string_view& text, std::int64_t low, std::int64_t high, std::int64_t& value)
{
    text = Trimmed(text);
    std::size_t digits = 0;
    for (value = 0; digits < text.size() && text[digits] >= '0' && text[digits] <= '9'; ++digits)
        value = std::min(value * 10 + (text[digits] - '0'), NumberCeiling);
    text = Trimmed(text.substr(digits));
    return digits > 0 && value >= low && value <= high;
}

bool IsDigit(char c)
{
    return static_cast<unsigned char>(c - '0') < 10;
}

// The number that at most `most` digits from `at` make; where they end. A number of more digits ends where it
// was cut, on a digit, so that the caller can tell it from a short one.
const char* ShortNumber(const char* at, const char* end, int most, int& number)
{
    number = 0;
    const char* const last = end - at > most ? at + most : end;
    for (; at < last && IsDigit(*at); ++at)
        number = number * 10 + (*at - '0');
    return at;
}

// The commands read here by their names, found in the table when the program is compiled, not each time.
constexpr const Command& NoteNumberCommand = CommandNamed("n");
constexpr const Command& TempoCommand = CommandNamed("t");
constexpr const Command& OctaveCommand = CommandNamed("o");
constexpr const Command& VelocityCommand = CommandNamed("v");
constexpr const Command& BendRangeCommand = CommandNamed("wr");
constexpr const Command& BendCommand = CommandNamed("w");
constexpr const Command& GatePulsesCommand = CommandNamed("q%");
constexpr const Command& OpenParenthesisCommand = CommandNamed("(");
constexpr const Command& CloseParenthesisCommand = CommandNamed(")");
constexpr const Command& LoopEndCommand = CommandNamed("]");
constexpr const Command& ControlCommand = CommandNamed("y");

// The pulses of each note value that divides a whole note, 0 for the others: looked up, as dividing costs more
// than all the rest of reading most lengths.
constexpr auto NoteValueTicks = [] {
    std::array<std::uint16_t, TicksPerWhole + 1> ticks{};
    for (int value = 1; value <= TicksPerWhole; ++value)
        ticks[value] = TicksPerWhole % value == 0 ? TicksPerWhole / value : 0;
    return ticks;
}();

// The bytes that may follow a note, after blanks or not, and leave it as it is. After one without a length: no
// accidental, no part of a length, no ',' before a drum's length. After a length: no '.' and no '^'. Neither is
// a blank that PastBlanks stops at.
constexpr struct NoteEnds {
    bool plain[256] = {};
    bool length[256] = {};
    constexpr NoteEnds()
    {
        for (int c = 0; c < 256; ++c) {
            length[c] = !StartsBlanks(c) && c != '.' && c != '^';
            plain[c] = length[c] && !(c >= '0' && c <= '9') && c != '+' && c != '#' && c != '-' && c != '%' && c != ',';
        }
    }
} EndsNote;

// What an accidental written right after a note name adds: '+' and '#' a semitone, '-' one less.
constexpr auto Accidental = [] {
    std::array<std::int8_t, 256> semitones{};
    semitones['+'] = semitones['#'] = 1;
    semitones['-'] = -1;
    return semitones;
}();

// Over the blanks and bar lines after a command, up to what comes next: a line break inside a comment and the
// ideographic space stop it.
const char* PastBlanks(const char* at, const char* end)
{
    while (at != end && IsSeparator(*at) && *at != JoinedLineBreak)
        ++at;
    return at;
}

// Semitones above c of the note names 'a' to 'g'.
int SemitoneOf(char name)
{
    static const int semitones[] = {9, 11, 0, 2, 4, 5, 7};
    return semitones[name - 'a'];
}

}  // namespace

bool ParseTimeSignature(std::string_view text, int& beats, int& beatNote)
{
    std::size_t slash = text.find('/');
    if (slash == std::string_view::npos || slash == 0 || slash > 2 || text.size() - slash - 1 < 1 ||
        text.size() - slash - 1 > 2)
        return false;
    int parts[2] = {0, 0};
    std::string_view sides[2] = {text.substr(0, slash), text.substr(slash + 1)};
    for (int i = 0; i < 2; ++i) {
        for (char c : sides[i]) {
            if (c < '0' || c > '9')
                return false;
            parts[i] = parts[i] * 10 + (c - '0');
        }
    }
    beats = parts[0];
    beatNote = parts[1];
    return beats >= 1 && beats <= 32 && beatNote >= 1 && beatNote <= 32 && (beatNote & (beatNote - 1)) == 0;
}

// "D", "b- minor", "F# major": the tonic as a note name, upper or lower case, with its sharp or flat, then
// major (the default) or minor.
bool ParseKey(std::string_view text, int& sharps, bool& minor)
{
    static const int fifths[] = {3, 5, 0, 2, 4, -1, 1};  // of the major keys a to g
    const char letter = text.empty() ? 0 : static_cast<char>(text[0] | 0x20);
    if (letter < 'a' || letter > 'g')
        return false;
    sharps = fifths[letter - 'a'];
    text.remove_prefix(1);
    if (!text.empty() && (text[0] == '+' || text[0] == '#' || text[0] == '-')) {
        sharps += text[0] == '-' ? -7 : 7;
        text.remove_prefix(1);
    }
    text = Trimmed(text);
    minor = text == "minor";
    sharps -= minor ? 3 : 0;
    return (text.empty() || text == "major" || minor) && sharps >= -7 && sharps <= 7;
}

bool ParseSwing(std::string_view text, int& pair, int& first)
{
    pair = first = 0;
    if (Trimmed(text) == "off")
        return true;
    std::int64_t unit = 8, a = 0, b = 0;
    if (!TakeNumber(text, 1, 99, a))
        return false;
    if (text.empty() || text[0] != ':') {  // the note value first
        unit = a;
        if ((unit != 8 && unit != 16) || !TakeNumber(text, 1, 99, a) || text.empty() || text[0] != ':')
            return false;
    }
    text.remove_prefix(1);
    if (!TakeNumber(text, 1, 99, b) || !text.empty())
        return false;
    pair = static_cast<int>(2 * TicksPerWhole / unit);
    first = static_cast<int>((2 * pair * a + a + b) / (2 * (a + b)));
    return true;
}

bool ParseHumanize(std::string_view text, int& timing, int& velocity, std::uint32_t& seed)
{
    timing = velocity = 0;
    seed = 1;
    if (Trimmed(text) == "off")
        return true;
    std::int64_t values[3] = {0, 0, 1};
    const std::int64_t highs[3] = {240, 64, 2147483647};
    for (int i = 0; i < 3 && (i < 2 || !text.empty()); ++i) {
        if (!TakeNumber(text, 0, highs[i], values[i]))
            return false;
    }
    timing = static_cast<int>(values[0]);
    velocity = static_cast<int>(values[1]);
    seed = static_cast<std::uint32_t>(values[2]);
    return text.empty();
}

Lexer::Lexer(const MacroTable& macros,
             std::vector<std::string>& texts,
             const CompileOptions& options,
             Diagnostics& diagnostics)
    : macros_(macros), texts_(texts), options_(options), diagnostics_(diagnostics)
{
}

void Lexer::Tokenize(std::string_view text, int line, std::vector<Token>& out)
{
    frames_.assign(1, Frame{text, 0, line, nullptr});
    arguments_.clear();
    tupletAt_ = -1;
    tupletsInside_ = 0;
    while (!frames_.empty() && !full_ && !diagnostics_.Stopped()) {
        int bars = barsSeen_;
        SkipBlanks();
        if (barsSeen_ != bars)
            PushBar(out, 0);
        Frame& top = frames_.back();
        if (top.pos >= top.text.size()) {
            if (top.owner == static_cast<int>(frames_.size()) - 1)
                arguments_.resize(top.arguments);
            frames_.pop_back();
            continue;
        }
        if (ReadPlainCommands(out))
            continue;
        // A macro's use or one of its arguments, as often as notes in a song of macros: it makes no command itself,
        // and is read here only.
        if (top.text[top.pos] == '$') {
            ++top.pos;
            ReadMacroUse();
            continue;
        }
        // A chord of plain notes, in some songs every other command, past the general command reader as well.
        if (top.text[top.pos] == '\'' && ReadPlainChord(out))
            continue;
        // A bar line inside a command's length ("c2 | ^2") lies that many pulses before the note's end.
        bars = barsSeen_;
        pulsesAfterBar_ = 0;
        if (!ReadCommand(out))
            SkipArguments();
        if (barsSeen_ != bars)
            PushBar(out, pulsesAfterBar_);
    }
    frames_.clear();
    if (tupletAt_ >= 0)
        diagnostics_.Error(line, "'{' に対応する '}' がこの行にありません");
}

// One of the commands that ReadPlainCommands reads, at `at`: where it ends, before any blanks, or null when it is
// none of them. `ends` receives the bytes that may follow it past blanks, null for any. Inlined in the loop that
// calls it: a call costs a good part of reading a command.
[[gnu::always_inline]] inline const char* Lexer::PlainCommand(const char* at,
                                                              const char* end,
                                                              Token& token,
                                                              const bool*& ends) const
{
    const char c = *at++;
    token.value = 0;
    token.length = Length();
    ends = nullptr;
    switch (c) {
        case 'a':
        case 'b':
        case 'c':
        case 'd':
        case 'e':
        case 'f':
        case 'g':
            token.op = Op::Note;
            token.value = SemitoneOf(c);
            for (; at != end && Accidental[static_cast<unsigned char>(*at)] != 0; ++at)
                token.value += Accidental[static_cast<unsigned char>(*at)];
            break;
        case 'r':
            token.op = Op::Rest;
            break;
        case 'n': {
            const char* const digits = at;
            at = ShortNumber(digits, end, 3, token.value);
            if (at == digits || (at != end && IsDigit(*at)) || token.value > NoteNumberCommand.high)
                return nullptr;
            token.op = Op::RawNote;
            if (at != end && *at == ',' && (++at == end || !IsDigit(*at)))
                return nullptr;
            break;
        }
        case 'l':
            if (at == end || !IsDigit(*at))
                return nullptr;
            token.op = Op::Length;
            break;
        case '<':
        case '>':
            token.op = (c == '>') != options_.swapAngleBrackets ? Op::OctaveUp : Op::OctaveDown;
            return at;
        case 'o':
        case 'v': {
            const Command& command = c == 'o' ? OctaveCommand : VelocityCommand;
            const char* const digits = at;
            at = ShortNumber(digits, end, 3, token.value);
            if (at == digits || (at != end && IsDigit(*at)) || token.value < command.low || token.value > command.high)
                return nullptr;
            token.op = c == 'o' ? Op::Octave : Op::Velocity;
            return at;
        }
        default:
            return nullptr;
    }
    if (at == end || !IsDigit(*at)) {
        ends = EndsNote.plain;
        return at;
    }
    ends = EndsNote.length;
    return QuickLength(at, end, token.length);
}

// A chord at `at` of note names, each with its accidentals right after it, '<', '>' and spaces, and a plain
// length or none: where it ends, as PlainCommand. Its notes' values go to plainChord_, their count to
// `chord.value`. Null for any other chord, which ReadChord reads with its messages.
const char* Lexer::PlainChord(const char* at, const char* end, Token& chord, const bool*& ends)
{
    int shift = 0, count = 0;
    for (++at; at != end && *at != '\'';) {
        const char c = *at++;
        if (c == ' ')
            continue;
        if (c == '<' || c == '>') {
            shift += (c == '>') != options_.swapAngleBrackets ? 12 : -12;
            continue;
        }
        if (c < 'a' || c > 'g' || count == static_cast<int>(plainChord_.size()))
            return nullptr;
        int value = SemitoneOf(c) + shift;
        for (; at != end && Accidental[static_cast<unsigned char>(*at)] != 0; ++at)
            value += Accidental[static_cast<unsigned char>(*at)];
        plainChord_[static_cast<std::size_t>(count++)] = value;
    }
    if (at == end || count == 0)
        return nullptr;
    ++at;  // the closing quote
    chord.op = Op::Chord;
    chord.value = count;
    chord.length = Length();
    if (at == end || !IsDigit(*at)) {
        ends = EndsNote.plain;
        return at;
    }
    ends = EndsNote.length;
    return QuickLength(at, end, chord.length);
}

// Notes, rests, drum notes, octaves, velocities and default lengths written without blanks inside, with a plain
// length or none and nothing after them that goes on with them: most of what is written, read here a run at a
// time into the commands ReadCommand would make of them. A space after one is read with it; other blanks and bar
// lines are left to Tokenize, as they would have been read at the end of the command. Stops before anything else,
// which ReadCommand then reads from where it begins. True when it read any.
bool Lexer::ReadPlainCommands(std::vector<Token>& out)
{
    Frame& top = frames_.back();
    const char* const text = top.text.data();
    const char* const end = text + top.text.size();
    const char* at = text + top.pos;
    const char* const first = at;
    // A macro's body is read again at every call, and outside a tuplet a run in it makes the same commands each
    // time: they are kept the second time it is read, by where the run begins, so that a body read once costs
    // nothing more, and later one KeptRunOp stands for them.
    PlainRun* kept = nullptr;
    if (top.macro != nullptr && tupletAt_ < 0) {
        const auto [found, added] = plainRuns_.try_emplace(first, PlainRun{PlainRun::Seen, 0, 0, 0});
        kept = added ? nullptr : &found->second;
        if (kept != nullptr && kept->first != PlainRun::Seen &&
            tokenCount_ + static_cast<std::int64_t>(kept->count) <= options_.limits.maxTokens) {
            Token run;
            run.op = KeptRunOp;
            run.value = kept->id;
            out.push_back(run);
            tokenCount_ += static_cast<std::int64_t>(kept->count);
            top.pos += kept->length;
            return true;
        }
    }
    const std::size_t made = out.size();
    Token token;
    token.line = top.line;
    while (at != end && !full_) {
        const bool* ends = nullptr;
        const char* const next = PlainCommand(at, end, token, ends);
        if (next == nullptr)
            break;
        const char* const after = next + (next != end && *next == ' ');
        const char* const past =
            after != end && StartsBlanks.at[static_cast<unsigned char>(*after)] ? PastBlanks(after, end) : after;
        if (ends != nullptr && past != end && !ends[static_cast<unsigned char>(*past)])
            break;
        token.at = static_cast<std::uint32_t>(at - origin_);
        if (token.op == Op::Note || token.op == Op::Rest || token.op == Op::RawNote)
            PushNote(out, token);
        else
            Push(out, token);
        if (past != after) {
            at = next;  // blanks or a bar line, which Tokenize steps over
            break;
        }
        at = after;
    }
    top.pos = static_cast<std::size_t>(at - text);
    if (kept != nullptr && kept->first == PlainRun::Seen && at != first && !full_) {
        *kept = PlainRun{runTokens_.size(), out.size() - made, static_cast<std::size_t>(at - first),
                         static_cast<std::int32_t>(keptRuns_.size())};
        runTokens_.insert(runTokens_.end(), out.begin() + static_cast<std::ptrdiff_t>(made), out.end());
        keptRuns_.push_back(kept);
    }
    return at != first;
}

// A chord that PlainChord reads, with nothing after it that goes on with it: its commands, as ReadChord would make
// them, and a space after it. True when it read one.
bool Lexer::ReadPlainChord(std::vector<Token>& out)
{
    Frame& top = frames_.back();
    const char* const text = top.text.data();
    const char* const end = text + top.text.size();
    const char* const at = text + top.pos;
    Token chord;
    const bool* ends = nullptr;
    const char* const next = PlainChord(at, end, chord, ends);
    if (next == nullptr)
        return false;
    const char* const after = next + (next != end && *next == ' ');
    const char* const past =
        after != end && StartsBlanks.at[static_cast<unsigned char>(*after)] ? PastBlanks(after, end) : after;
    if (past != end && !ends[static_cast<unsigned char>(*past)])
        return false;
    chord.line = top.line;
    chord.at = static_cast<std::uint32_t>(at - origin_);
    Token note = chord;
    note.op = Op::ChordNote;
    note.length = Length();
    for (int i = 0; i < chord.value; ++i) {
        note.value = plainChord_[static_cast<std::size_t>(i)];
        Push(out, note);
    }
    PushNote(out, chord);
    top.pos = static_cast<std::size_t>(after - text);
    return true;
}

void Lexer::PushBar(std::vector<Token>& out, std::int64_t pulsesAfter)
{
    Token token;
    token.op = Op::Bar;
    token.line = Line();
    token.at = barAt_;
    token.value = static_cast<std::int32_t>(pulsesAfter);
    Push(out, token);
}

Place Lexer::Here() const
{
    const Frame& top = frames_.back();
    return Place(top.line, static_cast<std::uint32_t>(top.text.data() + top.pos - origin_));
}

void Lexer::SkipSeparators()
{
    Frame& top = frames_.back();
    const std::string_view text = top.text;
    std::size_t at = top.pos;
    for (; at < text.size(); ++at) {
        const unsigned char c = static_cast<unsigned char>(text[at]);
        if (!StartsBlanks.at[c])
            break;
        if (c == 0x81) {
            if (at + 1 >= text.size() || static_cast<unsigned char>(text[at + 1]) != 0x40)
                break;
            ++at;  // the ideographic space
        } else if (c == JoinedLineBreak) {
            ++top.line;
        } else if (c == '|') {
            ++barsSeen_;
            barAt_ = static_cast<std::uint32_t>(text.data() + at - origin_);
        }
    }
    top.pos = at;
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
    const char* const start = top.text.data() + top.pos;
    const char* const end = top.text.data() + top.text.size();
    const char* at = start;
    const bool negative = at < end && *at == '-';
    if (at < end && (*at == '-' || *at == '+'))
        ++at;
    const char* const digits = at;
    std::int64_t value = 0;
    for (; at < end && IsDigit(*at); ++at) {
        if (value < NumberCeiling)
            value = value * 10 + (*at - '0');
    }
    Number number;
    if (at == digits)
        return number;  // a lone sign is not a number
    top.pos += static_cast<std::size_t>(at - start);
    number.present = true;
    number.value = negative ? -value : value;
    number.text = std::string_view(start, static_cast<std::size_t>(at - start));
    return number;
}

// A '+' is refused where no value may be negative, so that "v+10" is not taken for a step up.
bool Lexer::InRange(std::string_view command, const Number& number, int low, int high)
{
    const int size = static_cast<int>(command.size());
    if (number.text[0] == '+' && low >= 0) {
        diagnostics_.Error(Here(), "%.*s%s: + はつけられません (値は %d から %d までです)", size, command.data(),
                           Shown(number.text).c_str(), low, high);
        return false;
    }
    if (number.value >= low && number.value <= high)
        return true;
    diagnostics_.Error(Here(), "%.*s%s: 値は %d から %d までです", size, command.data(), Shown(number.text).c_str(),
                       low, high);
    return false;
}

bool Lexer::ReadValue(std::string_view command, int low, int high, int& value)
{
    // Most values are a few digits right after the command, in range: taken here at once.
    Frame& top = frames_.back();
    const char* const start = top.text.data() + top.pos;
    const char* const end = top.text.data() + top.text.size();
    int number = 0;
    const char* const at = ShortNumber(start, end, 6, number);
    if (at != start && (at == end || !IsDigit(*at)) && number >= low && number <= high) {
        top.pos += static_cast<std::size_t>(at - start);
        value = number;
        return true;
    }
    return ReadWholeValue(command, low, high, value);
}

// Apart, so that the quick way above saves no registers for it.
[[gnu::noinline]] bool Lexer::ReadWholeValue(std::string_view command, int low, int high, int& value)
{
    return ReadValue(command, low, high, value, ReadNumber());
}

// The same with its number read already.
bool Lexer::ReadValue(std::string_view command, int low, int high, int& value, const Number& number)
{
    if (!number.present) {
        diagnostics_.Error(Here(), "%.*s の後に数値がありません", static_cast<int>(command.size()), command.data());
        return false;
    }
    // Most values are in range and unsigned: no call for them.
    if ((number.text[0] == '+' || number.value < low || number.value > high) && !InRange(command, number, low, high))
        return false;
    value = static_cast<int>(number.value);
    return true;
}

bool Lexer::ReadOptionalValue(std::string_view command, int low, int high, int fallback, int& value)
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
            if (number.value == 0 && number.text[0] == '0' && (command == 'n' || (command >= 'a' && command <= 'g'))) {
                grace_ = true;  // a grace note, which takes its time from the note after it
                return true;
            }
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
bool Lexer::ReadWrittenLength(char command, bool required, Length& length)
{
    Frame& top = frames_.back();
    const char* const start = top.text.data() + top.pos;
    const char* const end = top.text.data() + top.text.size();
    // Spaces after a quick length are read with it, as looking for more dots or '^' would step over them.
    Length quick;
    if (const char* after = QuickLength(start, end, quick)) {
        while (after != end && *after == ' ')
            ++after;
        if (after == end || EndsNote.length[static_cast<unsigned char>(*after)]) {
            length = quick;
            top.pos += static_cast<std::size_t>(after - start);
            return true;
        }
    }
    std::int64_t base = 0;
    if (!ReadLengthPart(required, command, base))
        return false;
    int bars = barsSeen_;
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
    std::int64_t extraAtBar = -1;
    for (; Accept('^'); bars = barsSeen_) {
        if (barsSeen_ != bars)
            extraAtBar = extra;
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
    if (grace_ && (dots > 0 || extra > 0)) {
        diagnostics_.Error(Here(), "装飾音 (音長 0) には付点も ^ もつけられません");
        return false;
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
    length.base = static_cast<std::uint32_t>(total);
    length.SetDots(dots);
    length.extra = static_cast<std::uint32_t>(extra);
    if (extraAtBar >= 0)
        pulsesAfterBar_ = extra - extraAtBar;
    return true;
}

// Most lengths are note values written without blanks: "4", "8.", "4^16", "4.^16." and so on, read here at once.
// Where they end, or null for anything else (a sign, '%', a leading 0, blanks or a bar line inside, a value to
// refuse), which is then read the whole way from the same place. What may go on with the length after it is the
// caller's to look at.
const char* Lexer::QuickLength(const char* at, const char* end, Length& length) const
{
    std::int64_t total = 0;
    std::int64_t extra = 0;
    for (bool first = true;; first = false) {
        int value = 0;
        const char* const digits = at;
        at = ShortNumber(digits, end, 5, value);
        if (at == digits || *digits == '0' || (at != end && IsDigit(*at)) || value > TicksPerWhole ||
            NoteValueTicks[value] == 0)
            return nullptr;
        int dots = 0;
        for (; at != end && *at == '.'; ++at)
            ++dots;
        std::int64_t ticks = 0;
        if (!AddDots(NoteValueTicks[value], dots, ticks))
            return nullptr;
        (first ? total : extra) += ticks;
        if (at == end || *at != '^')
            break;
        ++at;
    }
    if (total + extra > options_.limits.maxTicks)
        return nullptr;
    length.base = static_cast<std::uint32_t>(total);
    length.SetDots(0);
    length.extra = static_cast<std::uint32_t>(extra);
    return at;
}

void Lexer::ReportFull()
{
    diagnostics_.Error(0, "マクロを展開したコマンドが多すぎます (最大 %lld 個)",
                       static_cast<long long>(options_.limits.maxTokens));
    full_ = true;
}

void Lexer::CloseTuplet(std::vector<Token>& out, Token token)
{
    if (tupletAt_ < 0) {
        diagnostics_.Error(Here(), "'}' に対応する '{' がありません");
        ReadLength('}', false, token.length);
        return;
    }
    std::size_t at = static_cast<std::size_t>(tupletAt_);
    tupletAt_ = -1;
    if (!ReadLength('}', false, token.length) || at >= out.size())
        return;
    if (tupletNotes_ == 0) {
        diagnostics_.Error(Here(), "連符 { } の中に音符がありません");
        return;
    }
    std::int64_t whole = static_cast<std::int64_t>(token.length.base + token.length.extra);
    if (token.length.base != 0 && whole < tupletNotes_) {
        diagnostics_.Error(Here(), "連符の長さが音符の数より短いクロック数です");
        return;
    }
    out[at].value = tupletNotes_;
    out[at].length = token.length;
}

// The text of a word command: "..." in one line, double-byte characters included.
bool Lexer::ReadQuoted(std::string_view word, std::string& text)
{
    Frame& top = frames_.back();
    ++top.pos;  // the opening quote
    std::size_t start = top.pos;
    while (top.pos < top.text.size() && top.text[top.pos] != '"') {
        if (IsLeadByte(static_cast<unsigned char>(top.text[top.pos])) && top.pos + 1 < top.text.size())
            ++top.pos;
        ++top.pos;
    }
    if (top.pos >= top.text.size()) {
        diagnostics_.Error(Here(), "%.*s の \" が \" で閉じられていません", static_cast<int>(word.size()), word.data());
        return false;
    }
    text = std::string(top.text.substr(start, top.pos - start));
    ++top.pos;
    return true;
}

// name"..." key"..." and the other words of the table of commands: letters right before a quote. False when the
// letters here are not followed by one (they are then read as one-letter commands); other letters before a
// quote are one mistake, their text stepped over.
bool Lexer::ReadWordCommand(std::vector<Token>& out, Token token)
{
    Frame& top = frames_.back();
    std::size_t start = top.pos - 1, end = start;
    while (end < top.text.size() && end - start < 16 && top.text[end] >= 'a' && top.text[end] <= 'z')
        ++end;
    if (end >= top.text.size() || top.text[end] != '"')
        return false;
    std::string_view word = top.text.substr(start, end - start);
    top.pos = end;
    for (const Command& command : Commands) {
        const std::string_view spelling = command.spelling;
        if (spelling.back() != '"' || spelling.substr(0, spelling.size() - 1) != word)
            continue;
        if (command.kind == CommandKind::SysEx)
            ReadSysEx(out, token);
        else if (command.kind == CommandKind::Signature)
            ReadSignature(word, out, token);
        else if (command.kind == CommandKind::Pedal)
            ReadPedal(command, out, token);
        else if (command.kind == CommandKind::Swing)
            ReadSwing(out, token);
        else if (command.kind == CommandKind::Humanize)
            ReadHumanize(out, token);
        else {
            std::string text;
            if (!ReadQuoted(word, text))
                return true;
            token.op = Op::Meta;
            token.value = command.code;
            token.value2 = static_cast<std::int32_t>(texts_.size());
            texts_.push_back(std::move(text));
            Push(out, token);
        }
        return true;
    }
    diagnostics_.Error(Here(), "%.*s\"...\" というコマンドはありません", static_cast<int>(word.size()), word.data());
    top.pos = std::min(top.text.find('"', end + 1), top.text.size() - 1) + 1;
    return true;
}

// pedal"down", pedal"up" and pedal"change": the sustain pedal pressed, lifted, or lifted and pressed again.
void Lexer::ReadPedal(const Command& command, std::vector<Token>& out, Token token)
{
    std::string text;
    if (!ReadQuoted("pedal", text))
        return;
    token.op = text == "change" ? Op::PedalChange : Op::Control;
    token.value = command.code;
    token.value2 = text == "down" ? 127 : 0;
    if (text != "down" && text != "up" && text != "change") {
        diagnostics_.Error(Here(), "pedal\"%s\": pedal には down, up, change のどれかを書きます", Shown(text).c_str());
        return;
    }
    Push(out, token);
}

// swing"2:1", swing"16 60:40", swing"off": for this track from here on.
void Lexer::ReadSwing(std::vector<Token>& out, Token token)
{
    std::string text;
    if (!ReadQuoted("swing", text))
        return;
    if (!ParseSwing(text, token.value, token.value2)) {
        diagnostics_.Error(Here(), "swing\"%s\": 2:1 や 16 60:40 のように、8 か 16 (省くと 8) と長短の比を書きます",
                           Shown(text).c_str());
        return;
    }
    token.op = Op::Swing;
    Push(out, token);
}

// humanize"10 8", humanize"10 8 42", humanize"off": for this track from here on, starting its random numbers
// again.
void Lexer::ReadHumanize(std::vector<Token>& out, Token token)
{
    std::string text;
    if (!ReadQuoted("humanize", text))
        return;
    int timing = 0, velocity = 0;
    std::uint32_t seed = 1;
    if (!ParseHumanize(text, timing, velocity, seed)) {
        diagnostics_.Error(Here(), "humanize\"%s\": %s", Shown(text).c_str(), HumanizeUsage);
        return;
    }
    token.op = Op::Humanize;
    token.value = timing | velocity << 16;
    token.value2 = static_cast<std::int32_t>(seed);
    Push(out, token);
}

// sysex"F0 43 10 4C 00 00 7E 00 F7": bytes in hex, from F0 to F7, the ones between below 80.
void Lexer::ReadSysEx(std::vector<Token>& out, Token token)
{
    std::string text;
    if (!ReadQuoted("sysex", text))
        return;
    std::string bytes;
    std::size_t i = 0;
    auto hex = [](char c) {
        return c >= '0' && c <= '9'   ? c - '0'
               : c >= 'a' && c <= 'f' ? c - 'a' + 10
               : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                      : -1;
    };
    while (i < text.size()) {
        if (text[i] == ' ' || text[i] == ',') {
            ++i;
            continue;
        }
        if (i + 1 >= text.size() || hex(text[i]) < 0 || hex(text[i + 1]) < 0 ||
            (i + 2 < text.size() && text[i + 2] != ' ' && text[i + 2] != ',')) {
            diagnostics_.Error(
                Here(), "sysex には 16 進数 2 桁のバイトを空白で区切って書きます (例: sysex\"F0 7E 7F 09 01 F7\")");
            return;
        }
        bytes.push_back(static_cast<char>(hex(text[i]) * 16 + hex(text[i + 1])));
        i += 2;
    }
    auto byte = [&bytes](std::size_t at) { return static_cast<unsigned char>(bytes[at]); };
    if (bytes.size() < 2 || byte(0) != 0xF0 || byte(bytes.size() - 1) != 0xF7) {
        diagnostics_.Error(Here(), "sysex は F0 で始まり F7 で終わります");
        return;
    }
    for (std::size_t at = 1; at + 1 < bytes.size(); ++at) {
        if (byte(at) >= 0x80) {
            diagnostics_.Error(Here(), "sysex の F0 と F7 の間のバイトは 00 から 7F までです (%02X があります)",
                               byte(at));
            return;
        }
    }
    token.op = Op::SysEx;
    token.value2 = static_cast<std::int32_t>(texts_.size());
    texts_.push_back(bytes.substr(1));
    Push(out, token);
}

// time"6/8" and key"b- minor": a time or key signature from this tick on.
void Lexer::ReadSignature(std::string_view word, std::vector<Token>& out, Token token)
{
    std::string text;
    if (!ReadQuoted(word, text))
        return;
    bool minor = false;
    if (word == "key") {
        token.op = Op::KeySignature;
        if (!ParseKey(text, token.value, minor)) {
            diagnostics_.Error(Here(),
                               "key\"%s\": 調は D や b- minor のように、フラット 7 つからシャープ 7 つまでで書きます",
                               Shown(text).c_str());
            return;
        }
        token.value2 = minor;
    } else {
        token.op = Op::TimeSignature;
        if (!ParseTimeSignature(text, token.value, token.value2)) {
            diagnostics_.Error(Here(),
                               "time\"%s\": 拍子は 3/4 のように、拍の数 1-32 と 1, 2, 4, 8, 16, 32 の音符で書きます",
                               Shown(text).c_str());
            return;
        }
    }
    Push(out, token);
}

// 'c e g'4: note names, blanks and octave marks between quotes, closed in the same text; the marks count only
// up to the closing quote. A mistake inside is reported once, naming the chord as written, and the chord read
// to its end.
bool Lexer::ReadChord(std::vector<Token>& out, Token token)
{
    Frame& top = frames_.back();
    const std::size_t open = top.pos - 1, close = top.text.find('\'', top.pos);
    if (close == std::string_view::npos) {
        diagnostics_.Error(Here(), "和音 %s の ' が ' で閉じられていません", Shown(top.text.substr(open), 20).c_str());
        top.pos = top.text.size();
        return false;
    }
    int shift = 0;
    int count = 0;
    bool ok = true;
    auto mistake = [this, &ok, &top, open, close](const char* message) {
        if (ok)
            diagnostics_.Error(Here(), message, Shown(top.text.substr(open, close + 1 - open), 20).c_str());
        ok = false;
    };
    while (top.pos < close) {
        int c = Peek();
        ++top.pos;
        if (IsSeparator(c))
            continue;
        if (c == '<' || c == '>') {
            shift += (c == '>') != options_.swapAngleBrackets ? 12 : -12;
            continue;
        }
        Token note = token;
        note.op = Op::ChordNote;
        if (c == 'n') {
            // A drum by its number, as n36 is outside chords.
            note.op = Op::ChordRawNote;
            if (!ReadValue(NoteNumberCommand, note.value))
                ok = false;
        } else if (c < 'a' || c > 'g') {
            mistake("和音 %s の中には音名、n と番号、< > だけを書けます");
            continue;
        } else {
            note.value = SemitoneOf(static_cast<char>(c)) + shift;
        }
        for (;;) {
            SkipBlanks();
            const int next = Peek();
            if (next == '+' || next == '#')
                ++note.value;
            else if (next == '-')
                --note.value;
            else
                break;
            ++frames_.back().pos;
        }
        if ((Peek() >= '0' && Peek() <= '9') || Peek() == '.' || Peek() == '%' || Peek() == '^' || Peek() == ',') {
            mistake("和音 %s: 音長は閉じる ' の後に 1 つだけ書きます");
            continue;
        }
        if (ok)
            Push(out, note);
        ++count;
    }
    ++top.pos;  // the closing quote
    if (count == 0)
        mistake("和音 %s の中に音名がありません");
    token.op = Op::Chord;
    token.value = count;
    if (!ReadLength('\'', false, token.length) || !ok)
        return false;
    PushNote(out, token);
    return true;
}

// ~v120,1  ~p0,2  ~m40,1  ~s127,2  ~y74,100,1  ~w8191,8  ~t90,1: from the value now to the one given,
// over the length, while the music goes on.
bool Lexer::ReadRamp(std::vector<Token>& out, Token token)
{
    int c = Peek();
    for (const Command& target : Commands) {
        if (target.kind != CommandKind::Ramp || c != static_cast<unsigned char>(target.spelling[1]))
            continue;
        ++frames_.back().pos;
        token.op = Op::Ramp;
        token.value2 = target.code;
        if (c == 'y') {
            if (!ReadValue(target, token.value2))
                return false;
            if (!Accept(',')) {
                diagnostics_.Error(Here(), "~y にはコントロール番号, 値, 音長を書きます");
                return false;
            }
        }
        int beat = 0;
        if (c == 't' ? !ReadTempo(target, token.value, beat) : !ReadValue(target, token.value))
            return false;
        // A change of tempo by note value steps in whole quarter notes a minute.
        if (beat != 0)
            token.value = static_cast<int>((2 * token.value * beat + TicksPerQuarter) / (2 * TicksPerQuarter));
        if (!Accept(',')) {
            diagnostics_.Error(Here(), "~%c の値の後に , と音長を書きます (例: ~%c%d,1)", c, c, target.high);
            return false;
        }
        if (!ReadLength('~', true, token.length))
            return false;
        Push(out, token);
        return true;
    }
    diagnostics_.Error(Here(), "~ の後には v w t p m s y のどれかを書きます");
    if (c >= 'a' && c <= 'z')
        ++frames_.back().pos;  // its values go with it
    return false;
}

// t120, or the tempo of another note value: t4.=60 is 60 dotted quarters a minute, the same as t90. `beat`:
// the pulses of that note value, 0 for the quarter of t120. Either way 4 to 999 quarter notes a minute.
bool Lexer::ReadTempo(const Command& command, int& value, int& beat)
{
    const int size = static_cast<int>(command.spelling.size());
    Number number = ReadNumber();
    beat = 0;
    SkipBlanks();
    if (!number.present || (Peek() != '.' && Peek() != '='))
        return ReadValue(command, value, number);
    // The note value read to its end before any mistake is told, so that one mistake makes one message.
    int dots = 0;
    while (Accept('.'))
        ++dots;
    const bool equals = Accept('=');
    Number tempo = ReadNumber();
    std::int64_t ticks = 0;
    if (number.value < 1 || number.value > TicksPerWhole || TicksPerWhole % number.value != 0 ||
        number.text[0] == '+') {
        diagnostics_.Error(Here(), "%.*s%s=: 音符 %s は使えません (1920 の約数を指定してください)", size,
                           command.spelling.data(), Shown(number.text).c_str(), Shown(number.text).c_str());
    } else if (!AddDots(TicksPerWhole / number.value, dots, ticks)) {
        diagnostics_.Error(Here(), "%s", UnevenLengthMessage);
    } else if (!equals) {
        diagnostics_.Error(Here(), "%.*s4.=60 のように、音符の後に = とテンポを書きます", size,
                           command.spelling.data());
    } else if (ReadValue(command, value, tempo)) {
        if (value * ticks >= command.low * TicksPerQuarter && value * ticks <= command.high * TicksPerQuarter) {
            beat = static_cast<int>(ticks);
            return true;
        }
        diagnostics_.Error(Here(), "%.*s%s=%d: 4 分音符で %d から %d までのテンポにしてください", size,
                           command.spelling.data(), Shown(number.text).c_str(), value, command.low, command.high);
    }
    return false;
}

// !. !- !> !^ (staccato, tenuto, accent, marcato) for the next note or chord, and the dynamics !ppp to !fff,
// which set the velocity.
bool Lexer::ReadMark(std::vector<Token>& out, Token token)
{
    Frame& top = frames_.back();
    std::size_t end = top.pos;
    while (end < top.text.size() && (top.text[end] == 'p' || top.text[end] == 'm' || top.text[end] == 'f'))
        ++end;
    if (end == top.pos && end < top.text.size() && !IsSeparator(static_cast<unsigned char>(top.text[end])))
        ++end;  // a sign
    const std::string_view mark = top.text.substr(top.pos - 1, end - top.pos + 1);
    top.pos = end;
    for (const Command& command : Commands) {
        if (command.spelling != mark)
            continue;
        token.op = command.kind == CommandKind::Dynamics ? Op::Velocity : Op::Articulation;
        token.value = command.code;
        Push(out, token);
        return true;
    }
    diagnostics_.Error(Here(), "%s: ! の後には . - > ^ のどれか、または ppp から fff までの強弱を書きます",
                       Shown(mark).c_str());
    return false;
}

// After a note whose length was 0 (`read`), a grace note, which is no member of a tuplet; after a mistake in its
// length, nothing.
bool Lexer::ReadGrace(std::vector<Token>& out, Token token, bool read)
{
    grace_ = false;
    if (!read)
        return false;
    token.value2 = token.op == Op::RawNote;
    token.op = Op::Grace;
    Push(out, token);
    return true;
}

void Lexer::ReadMacroUse()
{
    Frame& top = frames_.back();
    if (top.owner >= 0 && Peek() >= '0' && Peek() <= '9') {
        ReadParameter();
        return;
    }
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
    const std::size_t first = arguments_.size();
    if (found->second.parameters > 0 && !ReadArguments(found->first, found->second.parameters))
        return;
    int depth = 1;  // the source line and the macros, not the arguments
    for (const Frame& frame : frames_) {
        if (frame.macro == &found->first) {
            diagnostics_.Error(Here(), "マクロ $%s が自分自身を呼び出しています", found->first.c_str());
            arguments_.resize(first);
            return;
        }
        depth += frame.macro != nullptr;
    }
    if (depth > options_.limits.maxMacroDepth) {
        diagnostics_.Error(Here(), "マクロの呼び出しが深すぎます (最大 %d 段)", options_.limits.maxMacroDepth);
        arguments_.resize(first);
        return;
    }
    // A call counts as a command: macros that expand to nothing at all still meet the limit.
    if (tokenCount_ >= options_.limits.maxTokens) {
        ReportFull();
        arguments_.resize(first);
        return;
    }
    ++tokenCount_;
    Frame frame{found->second.body, 0, found->second.line, &found->first};
    if (found->second.parameters > 0) {
        frame.owner = static_cast<int>(frames_.size());
        frame.arguments = first;
        frame.parameters = found->second.parameters;
    }
    frames_.push_back(frame);
}

// "(o5 l8, v90)" after the name of a macro with parameters: each argument is the text up to the next ',' or
// ')', or in quotes. False, with the arguments dropped, after a mistake.
bool Lexer::ReadArguments(const std::string& name, int count)
{
    const Place call = Here();
    Frame& top = frames_.back();
    if (Peek() != '(') {
        diagnostics_.Error(call, "マクロ $%s には引数が %d 個要ります ($%s(...) のように書きます)", name.c_str(), count,
                           name.c_str());
        return false;
    }
    const std::size_t first = arguments_.size();
    std::size_t start = ++top.pos;
    int line = top.line;
    const std::string_view text = top.text;
    auto blanks = [&text](std::size_t at) {
        while (at < text.size() && (text[at] == ' ' || text[at] == '\t'))
            ++at;
        return at;
    };
    for (;;) {
        // An argument in quotes, "n36,8", is the text between them, which may hold ',' '(' and ')'.
        const std::size_t open = top.pos == start ? blanks(start) : text.size();
        const std::size_t close = open < text.size() && text[open] == '"' ? text.find('"', open + 1) : text.npos;
        const std::size_t after = close == text.npos ? close : blanks(close + 1);
        if (after < text.size() && (text[after] == ',' || text[after] == ')')) {
            arguments_.push_back(Argument{text.substr(open + 1, close - open - 1), line});
            start = top.pos = after + 1;
            if (text[after] == ')')
                break;
            continue;
        }
        const int c = Peek();
        if (c < 0) {
            diagnostics_.Error(call, "マクロ $%s の引数を閉じる ) がありません", name.c_str());
            arguments_.resize(first);
            return false;
        }
        ++top.pos;
        if (c == JoinedLineBreak) {
            ++top.line;
        } else if (c == ',' || c == ')') {
            arguments_.push_back(Argument{top.text.substr(start, top.pos - 1 - start), line});
            start = top.pos;
            line = top.line;
            if (c == ')')
                break;
        }
    }
    const int given = static_cast<int>(arguments_.size() - first);
    if (given == count)
        return true;
    if (given < count)
        diagnostics_.Error(call, "マクロ $%s の引数 $%d がありません (引数は %d 個です)", name.c_str(), given + 1,
                           count);
    else
        diagnostics_.Error(call, "マクロ $%s の引数が多すぎます (引数は %d 個です)", name.c_str(), count);
    arguments_.resize(first);
    return false;
}

// "$2" in the body of a macro with parameters: its second argument is read as if written here, with the line
// and the arguments of the text it was written in.
void Lexer::ReadParameter()
{
    Frame& top = frames_.back();
    const int number = Peek() - '0';
    ++top.pos;
    const Frame& owner = frames_[static_cast<std::size_t>(top.owner)];
    const int count = owner.parameters;
    if (number < 1 || number > count) {
        diagnostics_.Error(Here(), "$%d: マクロ $%s の引数は %d 個です", number, owner.macro->c_str(), count);
        return;
    }
    const Argument& argument = arguments_[owner.arguments + static_cast<std::size_t>(number - 1)];
    Frame frame{argument.text, 0, argument.line, nullptr};
    frame.owner = frames_[static_cast<std::size_t>(top.owner) - 1].owner;
    frames_.push_back(frame);
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
    // No word begins with a note or a rest, so that runs of notes such as "cdef" cost nothing here.
    if (c >= 'h' && c <= 'z' && c != 'r' && Peek() >= 'a' && Peek() <= 'z' && ReadWordCommand(out, token))
        return true;
    int value = 0;
    switch (c) {
        case '\'':
            return ReadChord(out, token);
        case '{':
            if (tupletAt_ >= 0) {
                // Its '}' is then taken for its own, not for the group's, so that one mistake makes one message.
                diagnostics_.Error(Here(), "連符 { } の中に連符は書けません");
                ++tupletsInside_;
                return true;
            }
            token.op = Op::TupletBegin;
            tupletAt_ = static_cast<std::int64_t>(out.size());
            tupletNotes_ = 0;
            break;
        case '}':
            if (tupletsInside_ > 0) {
                --tupletsInside_;
                return ReadLength('}', false, token.length);
            }
            CloseTuplet(out, token);
            return true;
        case '~':
            return ReadRamp(out, token);
        case '!':
            return ReadMark(out, token);
        case 't':
            token.op = Op::Tempo;
            if (!ReadTempo(TempoCommand, token.value, token.value2))
                return false;
            break;
        case 'p':
        case 'm':
        case 's': {
            // Short forms of the controllers used most: pan, main volume, expression (s: the swell pedal).
            static constexpr const Command* shortForms[] = {&CommandNamed("p"), &CommandNamed("m"), &CommandNamed("s")};
            const Command& command = *shortForms[c == 'p' ? 0 : c == 'm' ? 1 : 2];
            token.op = Op::Control;
            token.value = command.code;
            if (!ReadValue(command, token.value2))
                return false;
            break;
        }
        case 'w':
            if (Peek() == 'r') {
                ++top.pos;
                // The bend range: registered parameter 0 (101, 100 = 0), semitones in 6, cents in 38, then the
                // null parameter (127, 127) so that a later data entry changes nothing.
                if (!ReadValue(BendRangeCommand, value))
                    return false;
                static const int controls[][2] = {{101, 0}, {100, 0}, {6, -1}, {38, 0}, {101, 127}, {100, 127}};
                token.op = Op::Control;
                for (const auto& control : controls) {
                    token.value = control[0];
                    token.value2 = control[1] < 0 ? value : control[1];
                    Push(out, token);
                }
                return true;
            }
            token.op = Op::Bend;
            if (!ReadValue(BendCommand, token.value))
                return false;
            break;
        case 'q':
            if (!Accept('%'))
                return ReadSimpleCommand(c, token, out);
            token.op = Op::GatePulses;
            if (!ReadValue(GatePulsesCommand, token.value))
                return false;
            break;
        case 'c':
        case 'd':
        case 'e':
        case 'f':
        case 'g':
        case 'a':
        case 'b':
            token.op = Op::Note;
            token.value = SemitoneOf(static_cast<char>(c));
            for (int next = Peek(); next == '+' || next == '#' || next == '-' || IsSeparator(next); next = Peek()) {
                SkipBlanks();
                next = Peek();
                if (next == '+' || next == '#')
                    ++token.value;
                else if (next == '-')
                    --token.value;
                else
                    break;
                ++frames_.back().pos;
            }
            if (!ReadLength(static_cast<char>(c), false, token.length))
                return ReadGrace(out, token, false);
            if (grace_)
                return ReadGrace(out, token, true);
            PushNote(out, token);
            return true;
        case 'r':
            if (!ReadLength('r', false, token.length))
                return false;
            PushNote(out, token);
            return true;
        case 'n':
            token.op = Op::RawNote;
            if (!ReadValue(NoteNumberCommand, token.value))
                return false;
            if (Accept(',') && !ReadLength('n', true, token.length))
                return ReadGrace(out, token, false);
            if (grace_)
                return ReadGrace(out, token, true);
            PushNote(out, token);
            return true;
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
            if (!ReadOptionalValue(c == '(' ? OpenParenthesisCommand : CloseParenthesisCommand, token.value))
                return false;
            break;
        case '&':
            token.op = Op::Tie;
            break;
        case '[':
        case ':':
        case ']':
            if (tupletAt_ >= 0) {
                diagnostics_.Error(Here(), "連符 { } の中にループは書けません");
                return false;
            }
            break;
        default:
            break;
    }
    switch (c) {
        case '[':
            token.op = Op::LoopBegin;
            break;
        case ':':
            token.op = Op::LoopBreak;
            break;
        case ']':
            // Kept even with a wrong count, so that its '[' does not look unmatched as well.
            token.op = Op::LoopEnd;
            if (!ReadOptionalValue(LoopEndCommand, token.value, options_.limits.maxLoopCount)) {
                SkipArguments();
                Push(out, token);
                return true;
            }
            break;
        case 'y':
            token.op = Op::Control;
            if (!ReadValue(ControlCommand, token.value))
                return false;
            if (!Accept(',')) {
                diagnostics_.Error(Here(), "y にはコントロール番号と値をカンマで区切って書きます");
                return false;
            }
            if (!ReadValue(ControlCommand, token.value2))
                return false;
            break;
        default:
            if (token.op == Op::Rest)
                return ReadSimpleCommand(c, token, out);
            break;
    }
    Push(out, token);
    return true;
}

// Commands of one value in a range, and whatever is no command at all.
bool Lexer::ReadSimpleCommand(unsigned char c, Token& token, std::vector<Token>& out)
{
    struct Simple {
        const Command& command;
        Op op;
    };
    static constexpr Simple simple[] = {
        {CommandNamed("o"), Op::Octave},  {CommandNamed("v"), Op::Velocity},  {CommandNamed("q"), Op::Gate},
        {CommandNamed("@"), Op::Program}, {CommandNamed("k"), Op::Transpose},
    };
    for (const Simple& s : simple) {
        if (c == static_cast<unsigned char>(s.command.spelling[0])) {
            token.op = s.op;
            if (!ReadValue(s.command, token.value))
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
        diagnostics_.Error(place,
                           "全角文字はコメントと #title, #copyright, name\"...\" などのテキストの中でだけ使えます");
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
