// What the converter's tests share. A strict reader of the Standard MIDI Files that the converter writes. It refuses
// what mido and midicsv let pass (running status, a note-off of a silent note, a note left sounding, events after the
// end of track, channel messages in the conductor track, non-canonical delta times), and lists the events for tests to
// compare line by line.
#pragma once

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

inline std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

struct SmfListing {
    int format = -1;
    int tracks = 0;
    // "track:tick what": "1:480 on 0 60 100", "1:720 off 0 60", "0:0 tempo 500000", "0:0 meta 3 Song", "1:960 end"
    std::vector<std::string> lines;
};

// Empty when the file passes, else what is wrong and where. `bytes`: a std::vector<std::uint8_t> or std::string.
template <typename Bytes>
std::string CheckSmf(const Bytes& bytes, SmfListing& listing)
{
    std::size_t pos = 0, limit = bytes.size();
    bool past = false;
    auto byte = [&]() -> std::uint32_t {
        return pos < limit ? static_cast<std::uint8_t>(bytes[pos++]) : (past = true, 0u);
    };
    auto number = [&](int count, std::uint32_t value = 0) {
        while (count-- > 0)
            value = value << 8 | byte();
        return value;
    };
    auto vlq = [&](std::uint32_t& value) {  // canonical: no leading zero group, at most four bytes
        std::uint32_t c = byte(), count = 1;
        for (value = c & 0x7F; (c & 0x80) && count++ < 4;)
            value = value << 7 | ((c = byte()) & 0x7F);
        return !past && !(c & 0x80) && static_cast<std::uint8_t>(bytes[pos - count]) != 0x80;
    };
    const std::uint32_t tag = number(4), size = number(4), format = number(2), tracks = number(2);
    if (tag != 0x4D546864 || size != 6 || format > 1 || !tracks || (!format && tracks != 1) || number(2) != 480)
        return (listing = SmfListing(), "bad header");
    listing = SmfListing{static_cast<int>(format), static_cast<int>(tracks), {}};
    for (std::uint32_t track = 0; track < tracks; ++track) {
        const std::string prefix = std::to_string(track) + ":";
        std::uint32_t length = (limit = bytes.size(), number(4)) == 0x4D54726B ? number(4) : ~0u;
        if (past || length > bytes.size() - pos)
            return prefix + " no MTrk chunk, or its length runs past the file";
        limit = pos + length;
        std::map<std::uint32_t, int> sounding;  // channel * 128 + key
        std::uint64_t tick = 0;
        bool ended = false;  // by its end-of-track event, not by a text that says " end"
        for (std::string line; !ended; listing.lines.push_back(line)) {
            std::uint32_t delta = 0, status = 0, type = 0, size = 0;
            if (pos >= limit || !vlq(delta) || (status = byte()) < 0x80 ||
                (status >= 0xF0 && status != 0xFF && status != 0xF0))
                return prefix + std::to_string(tick) + " no end of track, a bad delta time or no status byte";
            line = prefix + std::to_string(tick += delta) + " ";
            if (status == 0xFF) {
                if ((type = byte(), !vlq(size)) || size > limit - pos)
                    return line + "meta event runs past the chunk";
                std::string data(bytes.begin() + pos, bytes.begin() + pos + size);
                pos += size;
                bool sounds = std::any_of(sounding.begin(), sounding.end(), [](auto& key) { return key.second != 0; });
                if (type == 0x2F && (size != 0 || pos != limit || sounds))
                    return line + "end of track with data, events after it or notes still sounding";
                auto at = [&](int i) { return static_cast<std::uint8_t>(data[i]); };
                line += type == 0x2F   ? "end"
                        : type == 0x51 ? "tempo " + std::to_string(at(0) << 16 | at(1) << 8 | at(2))
                        : type == 0x58 ? "meter " + std::to_string(at(0)) + "/" + std::to_string(1 << at(1))
                                       : "meta " + std::to_string(type) + " " + data;
                ended = type == 0x2F;
                continue;
            }
            if (status == 0xF0) {  // system exclusive: data bytes below 128, F7 last
                bool bad = !vlq(size) || size == 0 || size > limit - pos;
                for (std::uint32_t i = 1; i < size && !bad; ++i)
                    bad = byte() > 127;
                if (bad || past || byte() != 0xF7)
                    return line + "system exclusive past the chunk, with a byte over 127 or without F7 at its end";
                line += "sysex " + std::to_string(size);
                continue;
            }
            const std::uint32_t kind = status & 0xF0, channel = status & 0x0F, key = byte();
            const std::uint32_t value = kind == 0xC0 ? 0 : byte();
            int& count = sounding[channel * 128 + key];
            const std::string what = std::to_string(channel) + " " + std::to_string(key);
            if ((format == 1 && track == 0) || past || key > 127 || value > 127 || kind == 0xA0 || kind == 0xD0)
                return line + "channel message in the conductor track, cut short, with a byte over 127 or unexpected";
            if (kind == 0x90 && value > 0) {
                ++count;
                line += "on " + what + " " + std::to_string(value);
            } else if (kind <= 0x90) {
                if (count-- == 0)
                    return line + "note-off of a note that does not sound";
                line += "off " + what;
            } else {
                line += kind == 0xB0   ? "control " + what + " " + std::to_string(value)
                        : kind == 0xE0 ? "bend " + std::to_string(channel) + " " + std::to_string(value << 7 | key)
                                       : "program " + what;
            }
        }
    }
    return pos == bytes.size() ? "" : "bytes after the last track";
}
