// The parsed song, checked: its settings, and the lines of each track with the macros they use.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <map>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// One pulse is 1/480 of a quarter note; a whole note is 1920 pulses, so l1 to l1920 divide it whenever
// the number divides 1920 (l3, l5, l6, l12, l24, l96 ... included).
constexpr int TicksPerQuarter = 480;
constexpr int TicksPerWhole = 4 * TicksPerQuarter;

enum class Op : std::uint8_t {
    Note,     // value: semitones above c of the octave (accidentals applied, may be -1 or 12 and more)
    RawNote,  // value: MIDI note number, played as it is
    Rest,
    Tie,     // '&': the note before it is held to its full length, and joined to the next one of its pitch
    Octave,  // value: the octave
    OctaveUp,
    OctaveDown,
    Length,         // the default length, in the length fields
    Tempo,          // value: quarter notes a minute
    Velocity,       // value: note-on velocity
    VelocityUp,     // value: step
    VelocityDown,   // value: step
    Gate,           // value: eighths of the length that sound
    Program,        // value: program number 0-127
    Transpose,      // value: semitones for this track's note names
    Control,        // value: controller, value2: its value
    LoopBegin,      // value2: index of the matching LoopEnd
    LoopBreak,      // value2: index of the matching LoopEnd
    LoopEnd,        // value: repeat count, value2: index of the matching LoopBegin
    ChordNote,      // value: semitones above c of the octave, the chord's own octave shifts included
    ChordRawNote,   // value: MIDI note number, played as it is
    Chord,          // sounds the ChordNotes just before it together; value: how many
    TupletBegin,    // value: notes, rests and chords in the group, length: the whole group's, shared in
                    // proportion to theirs
    Bar,            // '|': value: pulses of the note before it that lie after the bar line
    Bend,           // value: -8192 to 8191
    GatePulses,     // value: pulses each note stops short of its length
    Ramp,           // value: the value reached at the end of the length; value2: a controller or ramp::
    Meta,           // value: meta event type, value2: index of its text in Sequence::texts
    SysEx,          // value2: index in Sequence::texts of the bytes after F0
    TimeSignature,  // value: beats, value2: the beat's note value
    KeySignature,   // value: sharps, -7 (seven flats) to 7; value2: 1 for minor
    Articulation,   // value: one of the mark:: bits, for the next note or chord
    Grace,          // value: as for Note, or a MIDI note number when value2 is 1; sounds before the next note
    PedalChange,    // value: the sustain pedal's controller, lifted now and pressed again a moment later
    Swing,          // value: the pulses of a pair of eighths or sixteenths, 0 for none; value2: the first one's
    Humanize,       // value: pulses a note may move | velocity it may change << 16; value2: the seed
};

// What a gradual change moves: a controller 0-127, or one of these.
namespace ramp {
constexpr int Velocity = 128;
constexpr int Bend = 129;
constexpr int Tempo = 130;
}  // namespace ramp

// Articulation marks, written before a note or chord; several may stand together.
namespace mark {
constexpr int Staccato = 1;  // sounds half its length
constexpr int Tenuto = 2;    // sounds its whole length
constexpr int Accent = 4;    // 20 louder
constexpr int Marcato = 8;   // 30 louder, and sounds three quarters of its length
}  // namespace mark

// A note's length: "c4.^16" is base 720 (its dot already added), extra 120. A length written without a
// number ("c", "c.") has base 0: it takes the default length, known only when played, and keeps its dots
// for then. Packed in eight bytes, as a large song holds millions: base and extra are below 2^28 (the
// longest song), dots at most 27, in two halves.
struct Length {
    Length() : base(0), dotsLow(0), extra(0), dotsHigh(0) {}

    int Dots() const { return static_cast<int>(dotsLow | dotsHigh << 4); }
    void SetDots(int dots)
    {
        dotsLow = static_cast<std::uint32_t>(dots) & 15;
        dotsHigh = static_cast<std::uint32_t>(dots) >> 4;
    }

    std::uint32_t base : 28;  // pulses; 0 means the default length
    std::uint32_t dotsLow : 4;
    std::uint32_t extra : 28;  // pulses of the '^' additions
    std::uint32_t dotsHigh : 4;
};

// Said of every length that dots cannot make, whether its number is written or the default.
constexpr const char* UnevenLengthMessage = "付点をつけると音長が割り切れません";

// A length of `ticks` with `dots` dots, each adding half of what the one before added; false when a half
// is not a whole number of pulses.
inline bool AddDots(std::int64_t ticks, int dots, std::int64_t& total)
{
    total = ticks;
    for (int i = 0; i < dots; ++i) {
        if (ticks % 2 != 0)
            return false;
        ticks /= 2;
        total += ticks;
    }
    return true;
}

// 28 bytes; a large song holds millions.
struct Token {
    Token() = default;
    // Field by field: a command is stored right after it is built, and a copy in wider pieces than it was
    // written in would wait for those writes to reach memory.
    Token(const Token& other)
        : op(other.op), line(other.line), at(other.at), value(other.value), value2(other.value2), length(other.length)
    {
    }
    Token& operator=(const Token& other) = default;

    Op op = Op::Rest;
    std::int32_t line = 0;  // source line, for messages
    std::uint32_t at = 0;   // offset of the command in the source, to order the messages of a line
    std::int32_t value = 0;
    std::int32_t value2 = 0;  // for the loop commands, the index of a partner
    Length length;
};

struct Macro {
    int line = 0;
    std::string_view body;
    int parameters = 0;  // "$name(2) = ...": its body reads its arguments as $1 and $2
};
// Ordered by length first: a name is told apart from most others without comparing its bytes, and a song may
// call its macros hundreds of thousands of times.
struct ShorterFirst {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const
    {
        return a.size() != b.size() ? a.size() < b.size() : a < b;
    }
};
using MacroTable = std::map<std::string, Macro, ShorterFirst>;

// Bytes written at their end through a pointer once room is made for them: an insert into a byte vector costs a
// call for each command. Grown with realloc, which moves a large block by remapping its pages rather than
// copying them; room never written costs no memory.
class ByteBuffer {
public:
    ByteBuffer() = default;
    ByteBuffer(ByteBuffer&& other) noexcept
        : data_(std::exchange(other.data_, nullptr)),
          size_(std::exchange(other.size_, 0)),
          capacity_(std::exchange(other.capacity_, 0))
    {
    }
    ByteBuffer& operator=(ByteBuffer&& other) noexcept
    {
        ByteBuffer(std::move(other)).Swap(*this);
        return *this;
    }
    ~ByteBuffer() { std::free(data_); }

    std::uint8_t* Data() { return data_; }
    const std::uint8_t* Data() const { return data_; }
    std::size_t Size() const { return size_; }

    // Where `bytes` more may be written; Keep() then says how far they were.
    std::uint8_t* Room(std::size_t bytes)
    {
        if (capacity_ - size_ < bytes)
            Grow(bytes);
        return data_ + size_;
    }
    void Keep(const std::uint8_t* end) { size_ = static_cast<std::size_t>(end - data_); }
    void Reserve(std::size_t bytes)
    {
        if (capacity_ < bytes)
            Grow(bytes - size_);
    }

    void Free() { ByteBuffer().Swap(*this); }

private:
    void Swap(ByteBuffer& other) noexcept
    {
        std::swap(data_, other.data_);
        std::swap(size_, other.size_);
        std::swap(capacity_, other.capacity_);
    }
    void Grow(std::size_t bytes)
    {
        const std::size_t capacity = std::max({2 * capacity_, size_ + bytes, std::size_t{4096}});
        void* grown = std::realloc(data_, capacity);
        if (grown == nullptr)
            throw std::bad_alloc();
        data_ = static_cast<std::uint8_t*>(grown);
        capacity_ = capacity;
    }

    std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t capacity_ = 0;
};

// A track holds its commands packed (see CommandReader), as a large song holds millions of them, and they are
// played from there.
struct Track {
    char name = 'A';  // 'A' to 'Z'
    int channel = 1;  // 1-16; 10 is drums
    ByteBuffer code;
    std::int64_t events = 0;  // about how many its commands make, loops repeated
};

enum class Reset : std::uint8_t { None, Gm, Gs, Xg };

struct Song {
    std::string title;
    std::string copyright;
    int beats = 0;     // #time: 0 when not given (4/4, and no bar check)
    int beatNote = 4;  // the note value of a beat: 1, 2, 4, 8, 16 or 32
    bool hasKey = false;
    int sharps = 0;  // #key: -7 (seven flats) to 7
    bool minor = false;
    Reset reset = Reset::None;
    int swingPair = 0;  // #swing: as Op::Swing
    int swingFirst = 0;
    int humanizeTiming = 0;  // #humanize
    int humanizeVelocity = 0;
    std::uint32_t humanizeSeed = 1;
    std::vector<Track> tracks;       // ordered by name
    std::vector<std::string> texts;  // of the text commands and system exclusives, which commands index
    std::size_t sourceBytes = 0;
};

constexpr int DrumChannel = 10;
