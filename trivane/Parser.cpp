#include "Parser.h"

#include "Lexer.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v' || c == JoinedLineBreak;
}

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// What goes straight on outside quotes and comments: no line end, quote, comment or double-byte character, and
// not the NUL after the text.
constexpr bool IsPlain(unsigned char c)
{
    return c != '\n' && c != '"' && c != ';' && c != '/' && c != '\0' && !IsLeadByte(c);
}

// Turns every comment of the text into blanks, in place. ';' runs to the end of the line, "/*" to "*/"; a line
// break inside "/* */" becomes a JoinedLineBreak, so that the text after the comment stays on the line where it
// began (a macro definition goes on after it) while lines keep their numbers. A double-byte character is stepped
// over whole, wherever it stands. True when some comment joined lines.
bool StripComments(std::string& text, Diagnostics& diagnostics)
{
    static const auto plain = [] {
        std::array<bool, 256> table{};
        for (int c = 0; c < 256; ++c)
            table[c] = IsPlain(static_cast<unsigned char>(c));
        return table;
    }();
    int line = 1;
    std::size_t i = 0;
    const char* const bytes = text.c_str();  // the NUL after the text ends the plain runs
    // The text of name"..." and the like may hold ';' and "/*"; a directive's text is left as it always was.
    bool quoted = false;
    bool directive = false;
    bool lineStart = true;
    bool joined = false;
    while (i < text.size()) {
        if (!lineStart && !quoted) {
            while (plain[static_cast<unsigned char>(bytes[i])])
                ++i;
            if (i >= text.size())
                break;
        }
        char c = text[i];
        if (lineStart && !IsBlank(c)) {
            directive = c == '#';
            lineStart = false;
        }
        if (c == '\n') {
            ++line;
            ++i;
            quoted = false;
            lineStart = true;
        } else if (c == '"' && !directive) {
            quoted = !quoted;
            ++i;
        } else if (quoted) {
            i += IsLeadByte(static_cast<unsigned char>(c)) && i + 1 < text.size() && text[i + 1] != '\n' ? 2 : 1;
        } else if (IsLeadByte(static_cast<unsigned char>(c))) {
            i += i + 1 < text.size() && IsTrailByte(static_cast<unsigned char>(text[i + 1])) ? 2 : 1;
        } else if (c == ';') {
            for (; i < text.size() && text[i] != '\n'; ++i)
                text[i] = ' ';
        } else if (c == '/' && i + 1 < text.size() && text[i + 1] == '*') {
            Place start(line, static_cast<std::uint32_t>(i));
            text[i] = text[i + 1] = ' ';
            i += 2;
            for (;;) {
                if (i >= text.size()) {
                    diagnostics.Error(start, "コメント /* が */ で閉じられていません");
                    break;
                }
                if (text[i] == '*' && i + 1 < text.size() && text[i + 1] == '/') {
                    text[i] = text[i + 1] = ' ';
                    i += 2;
                    break;
                }
                if (text[i] == '\n') {
                    ++line;
                    joined = true;
                }
                text[i] = text[i] == '\n' ? JoinedLineBreak : ' ';
                ++i;
            }
        } else {
            ++i;
        }
    }
    return joined;
}

void PutNumber(std::uint8_t*& at, std::uint64_t number)
{
    for (; number >= 0x80; number >>= 7)
        *at++ = static_cast<std::uint8_t>(number | 0x80);
    *at++ = static_cast<std::uint8_t>(number);
}

std::uint64_t Zigzag(std::int64_t number)
{
    return static_cast<std::uint64_t>(number) << 1 ^ static_cast<std::uint64_t>(number >> 63);
}

bool IsLoop(Op op)
{
    return op == Op::LoopBegin || op == Op::LoopBreak || op == Op::LoopEnd;
}

// The first byte of the short form a note, a drum's note, a rest, a chord or a note of one may take, without its
// length's bit; 0 for any other command.
[[gnu::always_inline]] inline unsigned ShortForm(const Token& token)
{
    using namespace packed;
    switch (token.op) {
        case Op::Note:
            return token.value >= ShortNoteLow && token.value <= ShortNoteHigh
                       ? Short | static_cast<unsigned>(token.value - ShortNoteLow)
                       : 0;
        case Op::RawNote:
            return Short | ShortRawNote;
        case Op::Rest:
            return token.value == 0 ? Short | ShortRest : 0;
        case Op::ChordNote:
            return token.value >= INT8_MIN && token.value <= INT8_MAX ? Short | ShortChordNote : 0;
        case Op::Chord:
            return token.value >= 0 && token.value <= UINT8_MAX ? Short | ShortChord : 0;
        default:
            return 0;
    }
}

// The most bytes a command takes packed: the op, the fields, seven numbers of ten bytes at the most, and a
// partner's place.
constexpr std::size_t MostPacked = 2 + 7 * 10 + 4;

// Writes `token` packed at `at`, after a command at `before`'s line and offset, which it then takes; returns
// where it ends. A loop command's partner goes at `partner`, once known. Inlined where each command of a line is
// packed, as a call would cost a good part of packing one.
[[gnu::always_inline]] inline std::uint8_t* Pack(std::uint8_t* at,
                                                 const Token& token,
                                                 Token& before,
                                                 std::uint8_t*& partner)
{
    using namespace packed;
    const std::int64_t step = static_cast<std::int64_t>(token.at) - before.at;
    const unsigned form = ShortForm(token);
    if (form != 0 && token.line == before.line && token.value2 == 0 && token.length.extra == 0 &&
        token.length.Dots() == 0 && step >= 0 && step <= 0xFF) {
        *at++ = static_cast<std::uint8_t>(form | (token.length.base != 0 ? ShortWithBase : 0));
        *at++ = static_cast<std::uint8_t>(step);
        if (HasValueByte(form & (ShortWithBase - 1)))
            *at++ = static_cast<std::uint8_t>(token.value);
        if (token.length.base != 0)
            PutNumber(at, token.length.base);
        before.at = token.at;
        return at;
    }
    unsigned fields =
        (token.line != before.line ? Line : 0) | (token.value != 0 ? Value : 0) | (token.value2 != 0 ? Value2 : 0);
    if (IsLoop(token.op))
        fields = Whole | Partner | (token.value != 0 ? Value : 0);
    // Most commands have no length of their own: one test of all its bits for them.
    std::uint64_t lengthBits = 0;
    static_assert(sizeof(Length) == sizeof lengthBits);
    std::memcpy(&lengthBits, &token.length, sizeof lengthBits);
    if (lengthBits != 0)
        fields |= (token.length.base != 0 ? Base : 0) | (token.length.extra != 0 ? Extra : 0) |
                  (token.length.Dots() != 0 ? Dots : 0);
    *at++ = static_cast<std::uint8_t>(token.op);
    *at++ = static_cast<std::uint8_t>(fields);
    if (fields & Whole) {
        PutNumber(at, static_cast<std::uint32_t>(token.line));
        PutNumber(at, token.at);
    } else {
        if (fields & Line)
            PutNumber(at, Zigzag(static_cast<std::int64_t>(token.line) - before.line));
        PutNumber(at, Zigzag(static_cast<std::int64_t>(token.at) - before.at));
    }
    if (fields & Value)
        PutNumber(at, Zigzag(token.value));
    if (fields & Value2)
        PutNumber(at, Zigzag(token.value2));
    if (fields & Partner) {
        partner = at;
        std::memset(at, 0, 4);
        at += 4;
    }
    if (fields & Base)
        PutNumber(at, token.length.base);
    if (fields & Extra)
        PutNumber(at, token.length.extra);
    if (fields & Dots)
        PutNumber(at, static_cast<std::uint64_t>(token.length.Dots()));
    before.line = token.line;
    before.at = token.at;
    return at;
}

// A loop command of a track, kept to be matched with its partners once the whole track is read, in far fewer
// bytes than a Token, as a song of short repeats holds many: where it lies in the track's code, which holds its
// line and offset, and where its partner's place goes there.
struct LoopCommand {
    Op op;
    std::uint8_t partner;  // from its place
    std::uint32_t place;
};

struct ProgramChange {
    int program;
    Place place;
};

// The events each command makes when played, most of them: a note's two, a controller's or a program's one.
// Looked up, as a switch on the ops of a song's commands would mostly jump where it was not expected.
constexpr auto EventsOf = [] {
    std::array<std::uint8_t, 256> events{};
    for (Op op : {Op::Note, Op::RawNote, Op::ChordNote})
        events[static_cast<unsigned>(op)] = 2;
    for (Op op : {Op::Control, Op::Program})
        events[static_cast<unsigned>(op)] = 1;
    return events;
}();

// About how many events a track makes, each of its loops counted as often as it repeats, so that room for
// them is made at once: grown as they are made, the events would be copied into new pages.
struct EventCount {
    std::int64_t events = 0;
    std::vector<std::int64_t> loops;  // the count where each open loop began
};

// Links each '[' ':' ']' to its partners, so that playing needs no search: each is told in the code where its
// partner lies, '[' and ':' their ']', ']' its '['.
void MatchLoops(const std::vector<LoopCommand>& loops,
                ByteBuffer& code,
                const CompileOptions& options,
                Diagnostics& diagnostics)
{
    auto placeOf = [&code](const LoopCommand& command) {
        CommandReader reader(code);
        reader.Seek(static_cast<std::int32_t>(command.place));
        const Token& token = reader.Next();
        return Place(token.line, token.at);
    };
    auto link = [&code](const LoopCommand& command, const LoopCommand& partner) {
        std::memcpy(code.Data() + command.place + command.partner, &partner.place, 4);
    };
    struct Open {
        std::size_t begin;
        std::int64_t breakAt;  // -1: none yet
    };
    std::vector<Open> open;
    for (std::size_t i = 0; i < loops.size(); ++i) {
        const LoopCommand& command = loops[i];
        if (command.op == Op::LoopBegin) {
            open.push_back(Open{i, -1});
            if (static_cast<int>(open.size()) == options.limits.maxLoopDepth + 1)
                diagnostics.Error(placeOf(command), "ループの入れ子が深すぎます (最大 %d 段)",
                                  options.limits.maxLoopDepth);
        } else if (command.op == Op::LoopBreak) {
            if (open.empty())
                diagnostics.Error(placeOf(command), "':' がループの外にあります");
            else if (open.back().breakAt >= 0)
                diagnostics.Error(placeOf(command), "1 つのループに ':' が 2 つあります");
            else
                open.back().breakAt = static_cast<std::int64_t>(i);
        } else if (command.op == Op::LoopEnd) {
            if (open.empty()) {
                diagnostics.Error(placeOf(command), "']' に対応する '[' がありません");
                continue;
            }
            Open loop = open.back();
            open.pop_back();
            link(command, loops[loop.begin]);
            link(loops[loop.begin], command);
            if (loop.breakAt >= 0)
                link(loops[static_cast<std::size_t>(loop.breakAt)], command);
        }
    }
    for (const Open& loop : open)
        diagnostics.Error(placeOf(loops[loop.begin]), "'[' に対応する ']' がありません");
}

class SongReader {
public:
    SongReader(const CompileOptions& options, Diagnostics& diagnostics) : options_(options), diagnostics_(diagnostics)
    {
        for (int i = 0; i < 26; ++i)
            channels_[i] = i % 16 + 1;
    }

    Song Read(std::string source);

private:
    template <typename ReadLine>
    void ForEachLine(const std::string& text, ReadLine read);
    void ReadDefinitions(int line, std::string_view text);
    bool ReadTrackLine(int line, std::string_view text);
    void ReadDirective(int line, std::string_view text);
    void ReadKey(int line, std::string_view value);
    bool ReadMacroDefinition(int line, std::string_view text, bool define);
    void WarnOfSharedChannels();
    std::uint8_t* PackKeptRun(std::int32_t id,
                              std::uint8_t* at,
                              std::size_t room,
                              ByteBuffer& code,
                              Token& before,
                              EventCount& events);

    const CompileOptions& options_;
    Diagnostics& diagnostics_;
    Song song_;
    std::string text_;  // the source with its comments blanked, which macros view
    MacroTable macros_;
    // Each track's loop commands, to be matched when all are read, and its program changes.
    std::array<std::vector<LoopCommand>, 26> loops_;
    std::array<std::vector<ProgramChange>, 26> programs_;
    std::array<ByteBuffer, 26> code_;
    std::array<Token, 26> packedLast_;       // the line and offset the next command of each track is packed after
    std::array<EventCount, 26> events_;
    std::vector<Token> lineTokens_;
    // Of each run of a macro's body that the lexer keeps: its commands after the first, packed the first time the
    // run is used, as they depend on nothing before it, and the events the whole run makes.
    struct PackedRun {
        std::size_t at = SIZE_MAX;  // in packedRuns_
        std::size_t size = 0;
        std::int64_t events = 0;
    };
    std::vector<PackedRun> packedRunPlaces_;
    std::vector<std::uint8_t> packedRuns_;
    std::int64_t stored_ = 0;
    std::uint32_t used_ = 0;           // bit n: track 'A' + n has a line
    std::uint32_t currentTracks_ = 1;  // lines before the first track name belong to track A
    std::array<int, 26> channels_{};
    std::array<int, 26> channelLines_{};  // where #channel set each track's channel, 0 where none did
    bool joinedLines_ = false;            // some comment joins lines: they are counted where they are passed
    int titleLine_ = 0;
    int copyrightLine_ = 0;
    const char* source_ = nullptr;
    Lexer lexer_{macros_, song_.texts, options_, diagnostics_};
};

// Calls `read` with each line and the number of the line where its text starts, after the blanks at its start
// and end; stops early, returning false from `read`, or when the messages have run over.
template <typename ReadLine>
void SongReader::ForEachLine(const std::string& text, ReadLine read)
{
    std::string_view rest = text;
    auto joined = [this](std::string_view part) {
        return joinedLines_ ? static_cast<int>(std::count(part.begin(), part.end(), JoinedLineBreak)) : 0;
    };
    for (int line = 1; !diagnostics_.Stopped(); ++line) {
        std::size_t end = rest.find('\n');
        std::string_view whole = rest.substr(0, end);
        std::string_view trimmed = Trim(whole);
        if (!trimmed.empty()) {
            if (!read(line + joined(whole.substr(0, static_cast<std::size_t>(trimmed.data() - whole.data()))),
                      trimmed))
                break;
        }
        line += joined(whole);
        if (end == std::string_view::npos)
            break;
        rest.remove_prefix(end + 1);
    }
}

// Two passes over the lines: directives and macros first, as a macro may be used above its definition;
// then the music, so that no line needs to be kept between the passes.
Song SongReader::Read(std::string source)
{
    text_ = std::move(source);
    song_.sourceBytes = text_.size();
    joinedLines_ = StripComments(text_, diagnostics_);
    const std::string& text = text_;
    lexer_.SetSource(text);
    source_ = text.data();
    ForEachLine(text, [this](int line, std::string_view content) {
        ReadDefinitions(line, content);
        return true;
    });
    ForEachLine(text, [this](int line, std::string_view content) { return ReadTrackLine(line, content); });
    for (int i = 0; i < 26; ++i) {
        if (!(used_ & (1u << i)))
            continue;
        Track track;
        track.name = static_cast<char>('A' + i);
        track.channel = channels_[i];
        track.code = std::move(code_[i]);
        track.events = events_[i].events;
        MatchLoops(loops_[i], track.code, options_, diagnostics_);
        std::vector<LoopCommand>().swap(loops_[i]);
        song_.tracks.push_back(std::move(track));
    }
    for (int i = 0; i < 26; ++i) {
        if (channelLines_[i] != 0 && !(used_ & (1u << i)))
            diagnostics_.Warning(channelLines_[i], "#channel: トラック %c には MML がありません", 'A' + i);
    }
    WarnOfSharedChannels();
    return std::move(song_);
}

// A line is a directive ('#'), a macro definition ("$name = ..."), a track line (track names in capitals
// at its start) or more of the tracks named last. Blanks before any of these do not count, so that a line
// may begin after the end of a block comment.
void SongReader::ReadDefinitions(int line, std::string_view text)
{
    if (text[0] == '#')
        ReadDirective(line, text.substr(1));
    else if (text[0] == '$')
        ReadMacroDefinition(line, text.substr(1), true);
}

// False once the song holds too many commands.
bool SongReader::ReadTrackLine(int line, std::string_view text)
{
    if (text[0] == '#' || (text[0] == '$' && ReadMacroDefinition(line, text.substr(1), false)))
        return true;
    if (text[0] >= 'A' && text[0] <= 'Z') {
        currentTracks_ = 0;
        while (!text.empty() && text[0] >= 'A' && text[0] <= 'Z') {
            currentTracks_ |= 1u << (text[0] - 'A');
            text.remove_prefix(1);
        }
        // "C4 e g": a note in the wrong case, whose number then follows no command.
        if (!text.empty() && text[0] >= '0' && text[0] <= '9') {
            std::size_t digits = std::min(text.find_first_not_of("0123456789"), text.size());
            diagnostics_.Error(Place(line, static_cast<std::uint32_t>(text.data() - source_)),
                               "行の先頭の大文字 %c はトラック名になりました (%c%.*s: 音符は小文字で書きます)",
                               text.data()[-1], text.data()[-1], static_cast<int>(digits), text.data());
            text.remove_prefix(digits);
        }
    }
    lineTokens_.clear();
    std::int64_t before = lexer_.Count();
    lexer_.Tokenize(text, line, lineTokens_);
    // A line for many tracks is stored once for each of them, and the bound is on what is stored.
    std::int64_t count = lexer_.Count() - before;
    stored_ += count * static_cast<std::int64_t>(std::bitset<26>(currentTracks_).count());
    if (stored_ > options_.limits.maxTokens) {
        diagnostics_.Error(line, "トラックのコマンドが多すぎます (全トラックで最大 %lld 個)",
                           static_cast<long long>(options_.limits.maxTokens));
        return false;
    }
    used_ |= currentTracks_;
    for (int i = 0; currentTracks_ >> i != 0; ++i) {  // up to the last track named
        if (!(currentTracks_ & (1u << i)))
            continue;
        EventCount& events = events_[i];
        ByteBuffer& code = code_[i];
        // A track's commands packed take about as many bytes as their text, a few times more where macros
        // expand. Room for the whole text at once spares most tracks the growing, which copies a small buffer.
        if (code.Size() == 0)
            code.Reserve(std::min<std::size_t>(song_.sourceBytes, 4 << 20));
        std::uint8_t* at = code.Data() + code.Size();
        std::size_t room = 0;  // commands that surely fit at `at`
        for (const Token& token : lineTokens_) {
            if (room == 0) {
                room = std::min<std::size_t>(lineTokens_.size(), 256);
                code.Keep(at);
                at = code.Room(room * MostPacked);
            }
            --room;
            if (token.op == KeptRunOp) {
                at = PackKeptRun(token.value, at, room, code, packedLast_[i], events);
                continue;
            }
            const std::size_t place = static_cast<std::size_t>(at - code.Data());
            std::uint8_t* partner = nullptr;
            at = Pack(at, token, packedLast_[i], partner);
            events.events += EventsOf[static_cast<unsigned>(token.op)];
            if (token.op == Op::Program) {
                programs_[i].push_back(ProgramChange{token.value, Place(token.line, token.at)});
            } else if (IsLoop(token.op)) {
                loops_[i].push_back(LoopCommand{token.op, static_cast<std::uint8_t>(partner - code.Data() - place),
                                                static_cast<std::uint32_t>(place)});
                if (token.op == Op::LoopBegin) {
                    events.loops.push_back(events.events);
                } else if (token.op == Op::LoopEnd && !events.loops.empty()) {
                    const std::int64_t start = events.loops.back();
                    events.loops.pop_back();
                    events.events = std::min(start + (events.events - start) * std::max(token.value, 1),
                                             options_.limits.maxEvents);
                }
            }
        }
        code.Keep(at);
    }
    return true;
}

// A run of a macro's body made again: its first command packed after the command before, the rest copied as they
// were packed the first time. `room` commands more must still fit after it.
std::uint8_t* SongReader::PackKeptRun(std::int32_t id,
                                      std::uint8_t* at,
                                      std::size_t room,
                                      ByteBuffer& code,
                                      Token& before,
                                      EventCount& events)
{
    const Lexer::Run run = lexer_.KeptRun(id);
    if (packedRunPlaces_.size() <= static_cast<std::size_t>(id))
        packedRunPlaces_.resize(static_cast<std::size_t>(id) + 1);
    PackedRun& packed = packedRunPlaces_[static_cast<std::size_t>(id)];
    if (packed.at == SIZE_MAX) {
        packed.at = packedRuns_.size();
        Token last = run.commands[0];
        std::uint8_t* partner = nullptr;  // a run has no loops
        for (std::size_t k = 0; k < run.count; ++k) {
            packed.events += EventsOf[static_cast<unsigned>(run.commands[k].op)];
            if (k > 0) {
                std::uint8_t bytes[MostPacked];
                packedRuns_.insert(packedRuns_.end(), bytes, Pack(bytes, run.commands[k], last, partner));
            }
        }
        packed.size = packedRuns_.size() - packed.at;
    }
    code.Keep(at);
    at = code.Room(packed.size + (room + 1) * MostPacked);
    std::uint8_t* partner = nullptr;
    at = Pack(at, run.commands[0], before, partner);
    before.line = run.commands[run.count - 1].line;
    before.at = run.commands[run.count - 1].at;
    events.events += packed.events;
    return std::copy_n(packedRuns_.data() + packed.at, packed.size, at);
}

// The same directive again with another value is warned about: the later one counts.
void SongReader::ReadDirective(int line, std::string_view text)
{
    std::size_t nameEnd = 0;
    while (nameEnd < text.size() && IsMacroNameChar(static_cast<unsigned char>(text[nameEnd])))
        ++nameEnd;
    std::string_view name = text.substr(0, nameEnd);
    std::string_view value = Trim(text.substr(nameEnd));
    if (name == "title" || name == "copyright") {
        std::string& kept = name == "title" ? song_.title : song_.copyright;
        int& keptLine = name == "title" ? titleLine_ : copyrightLine_;
        std::string given(value);
        given.erase(std::remove(given.begin(), given.end(), JoinedLineBreak), given.end());
        if (keptLine != 0 && kept != given)
            diagnostics_.Warning(line, "#%s は行 %d と違う値なので、この行の値を使います", std::string(name).c_str(),
                                 keptLine);
        kept = given;
        keptLine = line;
    } else if (name == "channel") {
        // "#channel D 10" or "#channel DE 10"
        std::uint32_t tracks = 0;
        while (!value.empty() && value[0] >= 'A' && value[0] <= 'Z') {
            tracks |= 1u << (value[0] - 'A');
            value.remove_prefix(1);
        }
        value = Trim(value);
        int channel = 0;
        bool digits = !value.empty() && value.size() <= 2;
        for (std::size_t i = 0; digits && i < value.size(); ++i) {
            digits = value[i] >= '0' && value[i] <= '9';
            channel = channel * 10 + (value[i] - '0');
        }
        if (tracks == 0 || !digits || channel < 1 || channel > 16) {
            diagnostics_.Error(line, "#channel にはトラック名と 1 から 16 のチャンネルを書きます (例: #channel D 10)");
            return;
        }
        for (int i = 0; i < 26; ++i) {
            if (!(tracks & (1u << i)))
                continue;
            if (channelLines_[i] != 0 && channels_[i] != channel)
                diagnostics_.Warning(line, "#channel: トラック %c は行 %d でチャンネル %d にしています。%d を使います",
                                     'A' + i, channelLines_[i], channels_[i], channel);
            channels_[i] = channel;
            channelLines_[i] = line;
        }
    } else if (name == "time") {
        if (!ParseTimeSignature(value, song_.beats, song_.beatNote)) {
            song_.beats = 0;
            song_.beatNote = 4;
            diagnostics_.Error(line,
                               "#time には拍子を 3/4 のように、拍の数 1-32 と 1, 2, 4, 8, 16, 32 の音符で書きます");
        }
    } else if (name == "key") {
        ReadKey(line, value);
    } else if (name == "swing") {
        if (!ParseSwing(value, song_.swingPair, song_.swingFirst))
            diagnostics_.Error(line, "#swing には 2:1 や 16 60:40 のように、8 か 16 (省くと 8) と長短の比を書きます");
    } else if (name == "humanize") {
        if (!ParseHumanize(value, song_.humanizeTiming, song_.humanizeVelocity, song_.humanizeSeed))
            diagnostics_.Error(line, "#humanize には %s", HumanizeUsage);
    } else if (name == "reset") {
        static const std::pair<const char*, Reset> resets[] = {{"gm", Reset::Gm}, {"gs", Reset::Gs}, {"xg", Reset::Xg}};
        song_.reset = Reset::None;
        for (const auto& [word, reset] : resets) {
            if (value == word)
                song_.reset = reset;
        }
        if (song_.reset == Reset::None)
            diagnostics_.Error(line, "#reset には gm, gs, xg のどれかを書きます");
    } else {
        std::string lower(name);
        for (char& c : lower)
            c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        bool known = false;
        for (const Command& command : Commands)
            known = known || (command.kind == CommandKind::Directive && command.spelling.substr(1) == lower);
        diagnostics_.Warning(line, "#%.*s は知らない指示なので無視しました%s", static_cast<int>(name.size()),
                             name.data(), known ? " (指示は小文字で書きます)" : "");
    }
}

void SongReader::ReadKey(int line, std::string_view value)
{
    int sharps = 0;
    bool minor = false;
    if (!ParseKey(value, sharps, minor)) {
        diagnostics_.Error(line, "#key には調を D や b- minor のように、フラット 7 つからシャープ 7 つまでで書きます");
        return;
    }
    song_.hasKey = true;
    song_.sharps = sharps;
    song_.minor = minor;
}

// "$name = body" or "$name(2) = body"; false when the line is not one (a line that starts with a macro use,
// where '(' lowers the velocity). Only the first pass defines; the second only recognises the line.
bool SongReader::ReadMacroDefinition(int line, std::string_view text, bool define)
{
    std::size_t nameEnd = 0;
    while (nameEnd < text.size() && IsMacroNameChar(static_cast<unsigned char>(text[nameEnd])))
        ++nameEnd;
    std::string_view rest = Trim(text.substr(nameEnd));
    std::string_view parameters;
    if (!rest.empty() && rest[0] == '(' && rest.find(')') != std::string_view::npos) {
        parameters = Trim(rest.substr(1, rest.find(')') - 1));
        rest = Trim(rest.substr(rest.find(')') + 1));
        if (rest.empty() || rest[0] != '=')
            return false;
    }
    if (rest.empty() || rest[0] != '=')
        return false;
    if (!define)
        return true;
    std::string name(text.substr(0, nameEnd));
    if (name.empty()) {
        diagnostics_.Error(line, "$ の後にマクロ名がありません");
        return true;
    }
    Macro macro{line, rest.substr(1)};
    if (parameters.data() != nullptr) {
        if (parameters.size() != 1 || parameters[0] < '1' || parameters[0] > '9') {
            diagnostics_.Error(line, "マクロ $%s(%.*s): 引数の数は 1 から 9 までです", name.c_str(),
                               static_cast<int>(parameters.size()), parameters.data());
            return true;
        }
        macro.parameters = parameters[0] - '0';
    }
    auto [it, added] = macros_.emplace(name, macro);
    if (!added)
        diagnostics_.Error(line, "マクロ $%s は行 %d で定義済みです", name.c_str(), it->second.line);
    return true;
}

// A program change acts on the channel, so tracks that share one and choose different programs take each
// other's: told once, at the first program of the later track.
void SongReader::WarnOfSharedChannels()
{
    struct Programs {
        const Track* track = nullptr;
        const ProgramChange* first = nullptr;
        std::bitset<128> used;
    };
    std::vector<Programs> programs;
    for (const Track& track : song_.tracks) {
        Programs mine;
        mine.track = &track;
        for (const ProgramChange& change : programs_[track.name - 'A']) {
            mine.first = mine.first ? mine.first : &change;
            mine.used.set(static_cast<std::size_t>(change.program));
        }
        if (mine.first == nullptr)
            continue;
        for (const Programs& other : programs) {
            if (other.track->channel == track.channel && other.used != mine.used) {
                diagnostics_.Warning(
                    mine.first->place,
                    "トラック %c と %c は同じチャンネル %d で違う音色を指定しています (@ はチャンネルの"
                    "両方のトラックに効きます)",
                    other.track->name, track.name, track.channel);
                break;
            }
        }
        programs.push_back(mine);
    }
}

}  // namespace

Song ParseSong(std::string text, const CompileOptions& options, Diagnostics& diagnostics)
{
    return SongReader(options, diagnostics).Read(std::move(text));
}
