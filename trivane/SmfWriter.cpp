#include "SmfWriter.h"

#include "Song.h"

#include <algorithm>
#include <cstdint>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace {

// Writes into bytes with room made beforehand: a song of millions of events is written without a check per byte.
class ByteWriter {
public:
    explicit ByteWriter(std::uint8_t* at) : at_(at) {}

    void Byte(std::uint32_t value) { *at_++ = static_cast<std::uint8_t>(value); }
    void Word(std::uint32_t value)
    {
        Byte(value >> 8);
        Byte(value);
    }
    void Long(std::uint32_t value)
    {
        Word(value >> 16);
        Word(value);
    }
    void Tag(const char* tag)
    {
        for (int i = 0; i < 4; ++i)
            Byte(static_cast<unsigned char>(tag[i]));
    }

    // Seven bits a byte, the most significant first, the high bit set on all but the last.
    void Vlq(std::uint32_t value)
    {
        if (value < 1u << 7) {
            Byte(value);
            return;
        }
        if (value < 1u << 14) {
            Byte(value >> 7 | 0x80);
            Byte(value & 0x7F);
            return;
        }
        std::uint8_t groups[5];
        int count = 0;
        do {
            groups[count++] = value & 0x7F;
            value >>= 7;
        } while (value != 0);
        while (count > 1)
            Byte(groups[--count] | 0x80);
        Byte(groups[0]);
    }

    void Data(const std::string& data)
    {
        for (char c : data)
            Byte(static_cast<unsigned char>(c));
    }

    std::uint8_t* At() const { return at_; }

private:
    std::uint8_t* at_;
};

bool HasOneDataByte(std::uint8_t status)
{
    return (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0;
}

// The most bytes an event takes: its delta time, its status, and its data, which for a meta event or system
// exclusive is its type, its length and its text.
std::size_t MostBytes(const Event& event, const std::vector<std::string>& texts)
{
    if (event.status < 0xF0)
        return 4 + 3;
    if (event.status == 0xFF && event.data1 == meta::Tempo)
        return 4 + 6;
    return 4 + 2 + 5 + texts[event.payload].size();
}

// Writes one event at `at` after the one at `now`; returns where it ends.
std::uint8_t* WriteEvent(std::uint8_t* at, const Event event, std::uint32_t now, const std::vector<std::string>& texts)
{
    ByteWriter out(at);
    out.Vlq(event.tick - now);
    out.Byte(event.status);
    if (event.status < 0xF0) {
        out.Byte(event.data1);
        if (!HasOneDataByte(event.status))
            out.Byte(event.data2);
    } else if (event.status == 0xFF && event.data1 == meta::Tempo) {
        out.Byte(meta::Tempo);
        out.Byte(3);
        out.Byte(event.payload >> 16);
        out.Word(event.payload);
    } else {  // a meta event or system exclusive
        const std::string& data = texts[event.payload];
        if (event.status == 0xFF)
            out.Byte(event.data1);
        out.Vlq(static_cast<std::uint32_t>(data.size()));
        out.Data(data);
    }
    return out.At();
}

// The whole pages between `from` and `to`, about to be written, are made at once: one call instead of a fault at
// each of them, which costs more than writing the page does. Where that cannot be done they are made as they are
// written.
void MakePages(std::uint8_t* from, std::uint8_t* to)
{
#ifdef MADV_POPULATE_WRITE
    constexpr std::uintptr_t Page = 4096;
    const std::uintptr_t first = (reinterpret_cast<std::uintptr_t>(from) + Page - 1) & ~(Page - 1);
    const std::uintptr_t end = reinterpret_cast<std::uintptr_t>(to) & ~(Page - 1);
    if (end > first)
        madvise(reinterpret_cast<void*>(first), end - first, MADV_POPULATE_WRITE);
#else
    (void)from;
    (void)to;
#endif
}

// In one pass: room is made for the four bytes most events take, and for the rest at that rate whenever the
// next event might not fit; the chunk's length is filled in at its end. Every status byte is written out (no
// running status), and the end of track comes last, at the track's end or its last event. The loop works on
// pointers of its own: a byte written through the vector's might have changed the vector itself, as far as the
// compiler knows. Writes from `chunk` on, over whatever the bytes hold there; false at the first event that comes
// before the one written last in the order of SortEvents.
bool AppendInOrder(SmfBytes& bytes, std::size_t chunk, EventTrack& track, const std::vector<std::string>& texts)
{
    const Event* event = track.events.data();
    const Event* const last = event + track.events.size();
    bytes.resize(chunk + 8 + 4 * track.events.size());
    MakePages(bytes.data() + chunk, bytes.data() + bytes.size());
    std::uint8_t* at = bytes.data() + chunk + 8;
    std::uint8_t* room = bytes.data() + bytes.size();
    std::uint32_t now = 0;
    bool noteOff = false;  // the event written last was a note-off, which may come first at its tick
    while (event != last) {
        // Most events are notes and controllers less than 2^14 pulses after the one before: written at once, as
        // many in a row as the room surely holds at five bytes each.
        const Event* const surely = event + std::min<std::ptrdiff_t>(last - event, (room - at) / 5);
        for (; event != surely; ++event) {
            const std::uint32_t delta = event->tick - now;
            if (delta >= 1u << 14 || event->status >= 0xC0 || (delta == 0 && event->IsNoteOff() && !noteOff))
                break;
            if (delta >= 1u << 7)
                *at++ = static_cast<std::uint8_t>(delta >> 7 | 0x80);
            at[0] = static_cast<std::uint8_t>(delta & 0x7F);
            at[1] = event->status;
            at[2] = event->data1;
            at[3] = event->data2;
            at += 4;
            now = event->tick;
            noteOff = event->IsNoteOff();
        }
        if (event == last)
            break;
        if (event->tick < now || (event->tick == now && event->IsNoteOff() && !noteOff))
            return false;
        const std::size_t most = MostBytes(*event, texts);
        if (static_cast<std::size_t>(room - at) < most) {
            const std::size_t end = static_cast<std::size_t>(at - bytes.data());
            bytes.resize(end + most + 4 * static_cast<std::size_t>(last - event));
            at = bytes.data() + end;
            room = bytes.data() + bytes.size();
            MakePages(at, room);
        }
        at = WriteEvent(at, *event, now, texts);
        now = event->tick;
        noteOff = event->IsNoteOff();
        ++event;
    }
    track.endTick = std::max(track.endTick, now);
    const std::size_t end = static_cast<std::size_t>(at - bytes.data());
    bytes.resize(end + 4 + 3);
    ByteWriter out(bytes.data() + end);
    out.Vlq(track.endTick - now);
    out.Byte(0xFF);
    out.Byte(meta::EndOfTrack);
    out.Byte(0);
    bytes.resize(static_cast<std::size_t>(out.At() - bytes.data()));
    ByteWriter header(bytes.data() + chunk);
    header.Tag("MTrk");
    header.Long(static_cast<std::uint32_t>(bytes.size() - chunk - 8));
    return true;
}

}  // namespace

// Most tracks are played in order already: they are sorted only when writing them finds that they are not, and
// written again over what was written.
void AppendTrack(SmfBytes& bytes, EventTrack& track, const std::vector<std::string>& texts)
{
    const std::size_t chunk = bytes.size();
    if (!AppendInOrder(bytes, chunk, track, texts)) {
        SortEvents(track.events);
        AppendInOrder(bytes, chunk, track, texts);
    }
}

SmfBytes WriteSmf(Sequence sequence, bool format0)
{
    if (format0) {
        Events& merged = sequence.conductor.events;
        for (EventTrack& part : sequence.parts) {
            merged.insert(merged.end(), part.events.begin(), part.events.end());
            Events().swap(part.events);
        }
        SortEvents(merged);
        sequence.conductor.endTick = sequence.endTick;
    }
    SmfBytes start(14);
    ByteWriter header(start.data());
    header.Tag("MThd");
    header.Long(6);
    header.Word(format0 ? 0 : 1);
    header.Word(format0 ? 1 : static_cast<std::uint32_t>(1 + sequence.writtenParts));
    header.Word(TicksPerQuarter);
    AppendTrack(start, sequence.conductor, sequence.texts);
    // The parts' chunks usually have room left for the few bytes that go before them.
    SmfBytes bytes = std::move(sequence.written);
    bytes.insert(bytes.begin(), start.begin(), start.end());
    return bytes;
}
