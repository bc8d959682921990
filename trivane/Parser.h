// Reads a whole MML source: comments, directives, macro definitions and the lines of each track, which it
// checks, loops matched, keeping each track's commands packed.
#pragma once

#include "Diagnostics.h"
#include "Options.h"
#include "Song.h"

#include <cstring>
#include <string_view>

// Takes the prepared text, and lets go of it once it is read.
Song ParseSong(std::string text, const CompileOptions& options, Diagnostics& diagnostics);

// A packed command is its op, a byte that tells which fields follow, then those fields as variable-length
// numbers, seven bits a byte: the line and the offset as differences from the command before, each signed one
// zigzagged so that a small negative number stays short. A loop command holds its line and offset whole, so
// that playing may jump to it, and its partner's place in the code in four bytes of its own, filled in once the
// track's loops are matched.
//
// Most commands are notes, chords and rests on the line of the command before, a few bytes after it, with no
// length or a plain one: they take a short form of two to four bytes. Its first byte, 0x80 and more (no op is),
// says what it is and whether a length follows; then the offset's difference, a byte; then a drum's note number,
// a chord's note or a chord's count of notes, a byte; then the length.
namespace packed {
constexpr unsigned Line = 1;
constexpr unsigned Value = 2;
constexpr unsigned Value2 = 4;
constexpr unsigned Base = 8;
constexpr unsigned Extra = 16;
constexpr unsigned Dots = 32;
constexpr unsigned Whole = 64;     // the line and the offset as they are
constexpr unsigned Partner = 128;  // value2: the place of the partner command, four bytes

constexpr unsigned Short = 0x80;
constexpr unsigned ShortWithBase = 0x40;
// The rest of a short form's first byte: a note's value, lifted by ShortNoteLow, or one of these.
constexpr int ShortNoteLow = -16;
constexpr int ShortNoteHigh = 31;
constexpr unsigned ShortRawNote = ShortNoteHigh - ShortNoteLow + 1;
constexpr unsigned ShortRest = ShortRawNote + 1;
constexpr unsigned ShortChordNote = ShortRest + 1;  // its value a signed byte
constexpr unsigned ShortChord = ShortChordNote + 1;
static_assert(static_cast<unsigned>(Op::Humanize) < Short && ShortChord < ShortWithBase);

// A drum's note, a chord's note and a chord's count of notes come in a byte after the offset's difference.
constexpr bool HasValueByte(unsigned what)
{
    return what >= ShortRawNote && what != ShortRest;
}

inline std::uint64_t TakeNumber(const std::uint8_t*& at)
{
    std::uint64_t number = 0;
    for (int shift = 0;; shift += 7) {
        const std::uint8_t byte = *at++;
        number |= static_cast<std::uint64_t>(byte & 0x7F) << shift;
        if (byte < 0x80)
            return number;
    }
}

// Most numbers take a byte, some two: read here at once.
inline std::uint64_t TakeShortNumber(const std::uint8_t*& at)
{
    const std::uint64_t first = at[0];
    if (first < 0x80) {
        ++at;
        return first;
    }
    if (at[1] < 0x80) {
        at += 2;
        return (first & 0x7F) | static_cast<std::uint64_t>(at[-1]) << 7;
    }
    return TakeNumber(at);
}

inline std::int64_t Unzigzag(std::uint64_t number)
{
    return static_cast<std::int64_t>(number >> 1) ^ -static_cast<std::int64_t>(number & 1);
}
}  // namespace packed

// Reads a checked track's packed commands one at a time, where they lie. A copy reads on from the same place,
// so that playing may look ahead, or come back to the start of a loop.
class CommandReader {
public:
    explicit CommandReader(const ByteBuffer& code)
        : start_(code.Data()), at_(code.Data()), end_(code.Data() + code.Size())
    {
    }

    bool AtEnd() const { return at_ == end_; }

    // The command at `place` in the code next: a loop command, whose partners tell where they are.
    void Seek(std::int32_t place) { at_ = start_ + place; }

    [[gnu::always_inline]] const Token& Next()
    {
        using namespace packed;
        const unsigned first = *at_++;
        if (first & Short) {
            const unsigned what = first & (ShortWithBase - 1);
            token_.at += *at_++;
            if (what < ShortRawNote) {
                token_.op = Op::Note;
                token_.value = static_cast<int>(what) + ShortNoteLow;
            } else if (what == ShortRawNote) {
                token_.op = Op::RawNote;
                token_.value = *at_++;
            } else if (what == ShortRest) {
                token_.op = Op::Rest;
                token_.value = 0;
            } else {
                token_.op = what == ShortChord ? Op::Chord : Op::ChordNote;
                token_.value = what == ShortChord ? *at_ : static_cast<std::int8_t>(*at_);
                ++at_;
            }
            token_.value2 = 0;
            Length length;
            if (first & ShortWithBase)
                length.base = static_cast<std::uint32_t>(TakeShortNumber(at_));
            token_.length = length;
            return token_;
        }
        token_.op = static_cast<Op>(first);
        const unsigned fields = *at_++;
        if (fields & Whole) {
            token_.line = static_cast<std::int32_t>(TakeNumber(at_));
            token_.at = static_cast<std::uint32_t>(TakeNumber(at_));
        } else {
            if (fields & Line)
                token_.line += static_cast<std::int32_t>(Unzigzag(TakeShortNumber(at_)));
            token_.at += static_cast<std::uint32_t>(Unzigzag(TakeShortNumber(at_)));
        }
        token_.value = fields & Value ? static_cast<std::int32_t>(Unzigzag(TakeShortNumber(at_))) : 0;
        token_.value2 = fields & Value2 ? static_cast<std::int32_t>(Unzigzag(TakeShortNumber(at_))) : 0;
        if (fields & Partner) {
            std::memcpy(&token_.value2, at_, 4);
            at_ += 4;
        }
        // Built apart, so that its bit fields are put together where they are at hand.
        Length length;
        if (fields & (Base | Extra | Dots)) {
            if (fields & Base)
                length.base = static_cast<std::uint32_t>(TakeShortNumber(at_));
            if (fields & Extra)
                length.extra = static_cast<std::uint32_t>(TakeNumber(at_));
            if (fields & Dots)
                length.SetDots(static_cast<int>(TakeNumber(at_)));
        }
        token_.length = length;
        return token_;
    }

    // A note or a drum's note next in short form, its key in range at `keyBase` (a drum's is its number): read
    // without its token, which only keeps its offset. Its key and its length's base, 0 for the default; false,
    // with nothing read, for anything else.
    [[gnu::always_inline]] bool NextShortNote(int keyBase, int& key, std::uint32_t& base)
    {
        using namespace packed;
        const unsigned first = at_[0];
        const unsigned what = first & (ShortWithBase - 1);
        if (!(first & Short) || what > ShortRawNote)
            return false;
        key = what < ShortRawNote ? keyBase + static_cast<int>(what) + ShortNoteLow : at_[2];
        if (key < 0 || key > 127)
            return false;
        token_.at += at_[1];
        at_ += what < ShortRawNote ? 2 : 3;
        base = first & ShortWithBase ? static_cast<std::uint32_t>(TakeShortNumber(at_)) : 0;
        return true;
    }

    // An octave ('o', '<' or '>') next, on the line of the command before: the octave it asks for after `octave`,
    // -1 for anything else. TakeOctave() then reads it.
    int OctaveNext(int octave) const
    {
        using namespace packed;
        const auto op = static_cast<Op>(at_[0]);
        if (op != Op::Octave && op != Op::OctaveUp && op != Op::OctaveDown)
            return -1;
        if (at_[2] >= 0x80 || (at_[1] != 0 && (op != Op::Octave || at_[1] != Value || at_[3] >= 0x80)))
            return -1;
        if (op == Op::Octave)
            return at_[1] == 0 ? 0 : static_cast<int>(Unzigzag(at_[3]));
        return octave + (op == Op::OctaveUp ? 1 : -1);
    }
    void TakeOctave()
    {
        token_.at += static_cast<std::uint32_t>(packed::Unzigzag(at_[2]));
        at_ += at_[1] == 0 ? 3 : 4;
    }

    // The line of the next command, for a message that stops playing before it.
    int NextLine() const { return CommandReader(*this).Next().line; }

private:
    const std::uint8_t* start_;
    const std::uint8_t* at_;
    const std::uint8_t* end_;
    Token token_;
};
