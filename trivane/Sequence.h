// The event model between playing and writing: timed MIDI events per track, in the order they sound.
#pragma once

#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <vector>

namespace meta {
constexpr std::uint8_t Copyright = 0x02;
constexpr std::uint8_t TrackName = 0x03;
constexpr std::uint8_t Lyric = 0x05;
constexpr std::uint8_t EndOfTrack = 0x2F;
constexpr std::uint8_t Tempo = 0x51;
constexpr std::uint8_t TimeSignature = 0x58;
constexpr std::uint8_t KeySignature = 0x59;
}  // namespace meta

struct Event {
    std::uint32_t tick;
    std::uint8_t status;  // a channel message's status byte, 0xFF for a meta event, 0xF0 for system exclusive
    std::uint8_t data1;   // the meta event's type for 0xFF
    std::uint8_t data2;
    // A meta event's data: for a tempo the microseconds of a quarter note, kept here because a song may hold
    // millions of them; for any other, and for system exclusive (the bytes after F0), an index into
    // Sequence::texts.
    std::uint32_t payload = 0;

    bool IsNoteOff() const { return (status & 0xF0) == 0x80; }
    bool IsNoteOn() const { return (status & 0xF0) == 0x90; }
};

// For what is written right after room is made for it: a new element is only default-initialized, not zeroed
// first.
template <typename T>
struct NotZeroed : std::allocator<T> {
    template <typename U>
    struct rebind {
        using other = NotZeroed<U>;
    };
    NotZeroed() = default;
    template <typename U>
    NotZeroed(const NotZeroed<U>&) noexcept
    {
    }
    template <typename U>
    void construct(U* at) noexcept
    {
        ::new (static_cast<void*>(at)) U;
    }
};
// Each event is made where it is kept, and its fields written there.
using Events = std::vector<Event, NotZeroed<Event>>;

struct EventTrack {
    Events events;              // sorted by SortEvents
    std::uint32_t endTick = 0;  // where its end of track goes: at or after its last event
};

// SMF bytes, written through a pointer once room is made for them.
using SmfBytes = std::vector<std::uint8_t, NotZeroed<std::uint8_t>>;

struct Sequence {
    EventTrack conductor;           // reset, title, copyright, time and key signatures, every tempo change
    std::vector<EventTrack> parts;  // format 0: one per MML track, channel messages, texts, system exclusives
    // Format 1: the MTrk chunks of the parts, written as they were played.
    SmfBytes written;
    int writtenParts = 0;
    std::vector<std::string> texts;
    std::uint32_t endTick = 0;
    std::int64_t notes = 0;
    std::int64_t notesOutOfRange = 0;  // played as rests
    std::int64_t microseconds = 0;     // playing time up to endTick
};

// Orders by time, a note-off before anything else at its tick, else keeping the order they were made in,
// so that a note repeated without a gap is released before it is struck again.
void SortEvents(Events& events);
