#include "SmfWriter.h"

#include "Song.h"

#include <algorithm>

namespace {

int VlqSize(std::uint32_t value)
{
    return 1 + (value >= 1u << 7) + (value >= 1u << 14) + (value >= 1u << 21) + (value >= 1u << 28);
}

// Writes into bytes sized beforehand: a song of millions of events is written without a check per byte.
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

private:
    std::uint8_t* at_;
};

bool HasOneDataByte(std::uint8_t status)
{
    return (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0;
}

// The bytes of one MTrk chunk, header included.
std::size_t TrackSize(const std::vector<Event>& events, std::uint32_t endTick, const std::vector<std::string>& texts)
{
    std::size_t size = 8 + 3;  // header, and the end of track's bytes after its delta time
    std::uint32_t now = 0;
    for (const Event& event : events) {
        size += VlqSize(event.tick - now) + 1;
        now = event.tick;
        if (event.status < 0xF0) {
            size += HasOneDataByte(event.status) ? 1 : 2;
        } else if (event.status == 0xFF && event.data1 == meta::Tempo) {
            size += 5;
        } else {  // a meta event or system exclusive
            std::size_t length = texts[event.payload].size();
            size += (event.status == 0xFF) + VlqSize(static_cast<std::uint32_t>(length)) + length;
        }
    }
    return size + VlqSize(endTick - now);
}

// One MTrk chunk of `size` bytes at `at`; every status byte is written out (no running status), and the end of
// track comes last. The writer is its own, and each event is copied before its bytes are written: then neither
// is read again from memory after each byte, which might have changed them.
void WriteTrack(std::uint8_t* at,
                const std::vector<Event>& events,
                std::uint32_t endTick,
                const std::vector<std::string>& texts,
                std::size_t size)
{
    ByteWriter out(at);
    out.Tag("MTrk");
    out.Long(static_cast<std::uint32_t>(size - 8));
    std::uint32_t now = 0;
    for (const Event event : events) {
        out.Vlq(event.tick - now);
        now = event.tick;
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
    }
    out.Vlq(endTick - now);
    out.Byte(0xFF);
    out.Byte(meta::EndOfTrack);
    out.Byte(0);
}

}  // namespace

void AppendTrack(std::vector<std::uint8_t>& bytes, const EventTrack& track, const std::vector<std::string>& texts)
{
    std::size_t size = TrackSize(track.events, track.endTick, texts);
    std::size_t at = bytes.size();
    if (bytes.capacity() < at + size)
        bytes.reserve(std::max(at + size, bytes.capacity() + bytes.capacity() / 2));
    bytes.resize(at + size);
    WriteTrack(bytes.data() + at, track.events, track.endTick, texts, size);
}

std::vector<std::uint8_t> WriteSmf(Sequence sequence, bool format0)
{
    if (format0) {
        std::vector<Event>& merged = sequence.conductor.events;
        for (EventTrack& part : sequence.parts) {
            merged.insert(merged.end(), part.events.begin(), part.events.end());
            std::vector<Event>().swap(part.events);
        }
        SortEvents(merged);
        sequence.conductor.endTick = sequence.endTick;
    }
    std::vector<std::uint8_t> start(14);
    ByteWriter header(start.data());
    header.Tag("MThd");
    header.Long(6);
    header.Word(format0 ? 0 : 1);
    header.Word(format0 ? 1 : static_cast<std::uint32_t>(1 + sequence.writtenParts));
    header.Word(TicksPerQuarter);
    AppendTrack(start, sequence.conductor, sequence.texts);
    // The parts' chunks usually have room left for the few bytes that go before them.
    std::vector<std::uint8_t> bytes = std::move(sequence.written);
    bytes.insert(bytes.begin(), start.begin(), start.end());
    return bytes;
}
