#include "SmfWriter.h"

#include "Song.h"

namespace {

class ByteWriter {
public:
    explicit ByteWriter(std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}

    void Byte(std::uint32_t value) { bytes_.push_back(static_cast<std::uint8_t>(value)); }
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

    void Data(const std::string& data) { bytes_.insert(bytes_.end(), data.begin(), data.end()); }

    std::size_t Size() const { return bytes_.size(); }
    void PatchLong(std::size_t at, std::uint32_t value)
    {
        for (int i = 0; i < 4; ++i)
            bytes_[at + i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
    }

private:
    std::vector<std::uint8_t>& bytes_;
};

// One MTrk chunk; every status byte is written out (no running status), and the end of track comes last.
void WriteTrack(ByteWriter& out,
                const std::vector<Event>& events,
                std::uint32_t endTick,
                const std::vector<std::string>& texts)
{
    out.Tag("MTrk");
    std::size_t lengthAt = out.Size();
    out.Long(0);
    std::uint32_t now = 0;
    for (const Event& event : events) {
        out.Vlq(event.tick - now);
        now = event.tick;
        out.Byte(event.status);
        if (event.status == 0xFF && event.data1 == meta::Tempo) {
            out.Byte(meta::Tempo);
            out.Byte(3);
            out.Byte(event.payload >> 16);
            out.Word(event.payload);
        } else if (event.status == 0xF0) {
            const std::string& data = texts[event.payload];
            out.Vlq(static_cast<std::uint32_t>(data.size()));
            out.Data(data);
        } else if (event.status == 0xFF) {
            const std::string& data = texts[event.payload];
            out.Byte(event.data1);
            out.Vlq(static_cast<std::uint32_t>(data.size()));
            out.Data(data);
        } else {
            out.Byte(event.data1);
            if ((event.status & 0xF0) != 0xC0 && (event.status & 0xF0) != 0xD0)
                out.Byte(event.data2);
        }
    }
    out.Vlq(endTick - now);
    out.Byte(0xFF);
    out.Byte(meta::EndOfTrack);
    out.Byte(0);
    out.PatchLong(lengthAt, static_cast<std::uint32_t>(out.Size() - lengthAt - 4));
}

}  // namespace

std::vector<std::uint8_t> WriteSmf(const Sequence& sequence, bool format0)
{
    std::size_t events = sequence.conductor.events.size();
    for (const EventTrack& part : sequence.parts)
        events += part.events.size();
    std::vector<std::uint8_t> bytes;
    bytes.reserve(14 + 8 * (1 + sequence.parts.size()) + 5 * events);  // most events take four or five bytes
    ByteWriter out(bytes);
    out.Tag("MThd");
    out.Long(6);
    out.Word(format0 ? 0 : 1);
    out.Word(format0 ? 1 : static_cast<std::uint32_t>(1 + sequence.parts.size()));
    out.Word(TicksPerQuarter);
    if (format0) {
        std::vector<Event> merged = sequence.conductor.events;
        for (const EventTrack& part : sequence.parts)
            merged.insert(merged.end(), part.events.begin(), part.events.end());
        SortEvents(merged);
        WriteTrack(out, merged, sequence.endTick, sequence.texts);
    } else {
        WriteTrack(out, sequence.conductor.events, sequence.conductor.endTick, sequence.texts);
        for (const EventTrack& part : sequence.parts)
            WriteTrack(out, part.events, part.endTick, sequence.texts);
    }
    return bytes;
}
