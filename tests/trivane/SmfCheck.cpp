#include "SmfCheck.h"

#include <map>
#include <utility>

namespace {

class Reader {
public:
    Reader(const std::vector<std::uint8_t>& bytes, std::size_t begin, std::size_t end)
        : bytes_(bytes), pos_(begin), end_(end)
    {
    }

    bool AtEnd() const { return pos_ >= end_; }
    std::size_t Pos() const { return pos_; }
    bool Byte(std::uint32_t& value)
    {
        if (pos_ >= end_)
            return false;
        value = bytes_[pos_++];
        return true;
    }
    bool Number(int count, std::uint32_t& value)
    {
        value = 0;
        for (int i = 0; i < count; ++i) {
            std::uint32_t b;
            if (!Byte(b))
                return false;
            value = value << 8 | b;
        }
        return true;
    }
    // Canonical only: no leading group of zero bits, at most four bytes.
    bool Vlq(std::uint32_t& value, std::string& problem)
    {
        value = 0;
        for (int i = 0; i < 4; ++i) {
            std::uint32_t b;
            if (!Byte(b)) {
                problem = "variable-length quantity runs past the chunk";
                return false;
            }
            if (i == 0 && b == 0x80) {
                problem = "variable-length quantity with a leading zero group";
                return false;
            }
            value = value << 7 | (b & 0x7F);
            if (!(b & 0x80))
                return true;
        }
        problem = "variable-length quantity longer than four bytes";
        return false;
    }

private:
    const std::vector<std::uint8_t>& bytes_;
    std::size_t pos_;
    std::size_t end_;
};

std::string At(int track, std::size_t offset, const std::string& what)
{
    return "track " + std::to_string(track) + " at byte " + std::to_string(offset) + ": " + what;
}

int DataBytesOf(std::uint32_t status)
{
    switch (status & 0xF0) {
        case 0xC0:
        case 0xD0:
            return 1;
        default:
            return 2;
    }
}

std::string CheckTrack(const std::vector<std::uint8_t>& bytes,
                       std::size_t begin,
                       std::size_t end,
                       int track,
                       int format,
                       SmfListing& listing)
{
    Reader in(bytes, begin, end);
    std::uint64_t tick = 0;
    // Tracks may share a channel, so in a merged track one key of a channel may sound twice at once; every
    // note-off must still end a note that sounds, and none may sound at the end.
    std::map<std::pair<int, int>, int> sounding;
    std::string problem;
    const std::string prefix = std::to_string(track) + ":";
    for (;;) {
        if (in.AtEnd())
            return At(track, in.Pos(), "track ends without an end of track event");
        std::uint32_t delta;
        if (!in.Vlq(delta, problem))
            return At(track, in.Pos(), problem);
        tick += delta;
        std::size_t eventAt = in.Pos();
        std::uint32_t status;
        if (!in.Byte(status))
            return At(track, eventAt, "delta time without an event");
        std::string line = prefix + std::to_string(tick) + " ";
        if (status < 0x80)
            return At(track, eventAt, "event without a status byte");
        if (status == 0xFF) {
            std::uint32_t type, length;
            if (!in.Byte(type) || type >= 0x80)
                return At(track, eventAt, "meta event without a valid type");
            if (!in.Vlq(length, problem))
                return At(track, eventAt, problem);
            if (length > end - in.Pos())
                return At(track, eventAt, "meta event runs past the chunk");
            std::string data(bytes.begin() + in.Pos(), bytes.begin() + in.Pos() + length);
            for (std::uint32_t i = 0; i < length; ++i)
                in.Byte(delta);
            if (type == 0x2F) {
                if (length != 0)
                    return At(track, eventAt, "end of track with data");
                if (!in.AtEnd())
                    return At(track, eventAt, "events after the end of track");
                for (const auto& key : sounding) {
                    if (key.second != 0)
                        return At(track, eventAt, "notes still sound at the end of track");
                }
                listing.lines.push_back(line + "end");
                return "";
            }
            if (type == 0x51) {
                if (length != 3)
                    return At(track, eventAt, "tempo of other than three bytes");
                std::uint32_t micros = static_cast<std::uint8_t>(data[0]) << 16 |
                                       static_cast<std::uint8_t>(data[1]) << 8 | static_cast<std::uint8_t>(data[2]);
                line += "tempo " + std::to_string(micros);
            } else if (type == 0x58) {
                if (length != 4)
                    return At(track, eventAt, "time signature of other than four bytes");
                line += "meter " + std::to_string(data[0]) + "/" + std::to_string(1 << data[1]);
            } else if (type == 0x02) {
                line += "copyright " + data;
            } else if (type == 0x03) {
                line += "title " + data;
            } else {
                line += "meta " + std::to_string(type);
            }
        } else if (status == 0xF0) {
            std::uint32_t length, byte = 0;
            if (!in.Vlq(length, problem))
                return At(track, eventAt, problem);
            if (length == 0 || length > end - in.Pos())
                return At(track, eventAt, "system exclusive runs past the chunk");
            for (std::uint32_t i = 0; i < length; ++i) {
                in.Byte(byte);
                if (i + 1 < length ? byte >= 0x80 : byte != 0xF7)
                    return At(track, eventAt, "system exclusive with a data byte of 128 or more, or no F7 at its end");
            }
            line += "sysex " + std::to_string(length);
        } else if (status >= 0xF0) {
            return At(track, eventAt, "system message");
        } else {
            if (format == 1 && track == 0)
                return At(track, eventAt, "channel message in the conductor track");
            std::uint32_t data[2] = {0, 0};
            int count = DataBytesOf(status);
            for (int i = 0; i < count; ++i) {
                if (!in.Byte(data[i]))
                    return At(track, eventAt, "channel message runs past the chunk");
                if (data[i] >= 0x80)
                    return At(track, eventAt, "data byte of 128 or more");
            }
            int channel = status & 0x0F;
            std::pair<int, int> key{channel, static_cast<int>(data[0])};
            bool on = (status & 0xF0) == 0x90 && data[1] > 0;
            bool off = (status & 0xF0) == 0x80 || ((status & 0xF0) == 0x90 && data[1] == 0);
            std::string channelText = std::to_string(channel) + " ";
            if (on) {
                ++sounding[key];
                line += "on " + channelText + std::to_string(data[0]) + " " + std::to_string(data[1]);
            } else if (off) {
                if (sounding[key] == 0)
                    return At(track, eventAt, "note-off of a note that does not sound");
                --sounding[key];
                line += "off " + channelText + std::to_string(data[0]);
            } else if ((status & 0xF0) == 0xC0) {
                line += "program " + channelText + std::to_string(data[0]);
            } else if ((status & 0xF0) == 0xB0) {
                line += "control " + channelText + std::to_string(data[0]) + " " + std::to_string(data[1]);
            } else {
                line += "status " + std::to_string(status);
            }
        }
        listing.lines.push_back(line);
    }
}

}  // namespace

std::string CheckSmf(const std::vector<std::uint8_t>& bytes, SmfListing& listing)
{
    listing = SmfListing();
    Reader in(bytes, 0, bytes.size());
    std::uint32_t tag, length, format, tracks, division;
    if (!in.Number(4, tag) || tag != 0x4D546864 || !in.Number(4, length) || length != 6)
        return "no MThd chunk of length 6";
    if (!in.Number(2, format) || !in.Number(2, tracks) || !in.Number(2, division))
        return "header cut short";
    if (format > 1)
        return "format " + std::to_string(format);
    if (tracks == 0 || (format == 0 && tracks != 1))
        return std::to_string(tracks) + " tracks in format " + std::to_string(format);
    if (division == 0 || division >= 0x8000)
        return "division " + std::to_string(division);
    listing.format = static_cast<int>(format);
    listing.tracks = static_cast<int>(tracks);
    std::size_t pos = 14;
    for (int track = 0; track < static_cast<int>(tracks); ++track) {
        Reader chunk(bytes, pos, bytes.size());
        if (!chunk.Number(4, tag) || tag != 0x4D54726B)
            return At(track, pos, "no MTrk chunk");
        if (!chunk.Number(4, length) || length > bytes.size() - chunk.Pos())
            return At(track, pos, "chunk length beyond the file");
        std::string problem = CheckTrack(bytes, chunk.Pos(), chunk.Pos() + length, track, listing.format, listing);
        if (!problem.empty())
            return problem;
        pos = chunk.Pos() + length;
    }
    if (pos != bytes.size())
        return "bytes after the last track";
    return "";
}

std::vector<std::string> TrackLines(const SmfListing& listing, int track)
{
    std::string prefix = std::to_string(track) + ":";
    std::vector<std::string> lines;
    for (const std::string& line : listing.lines) {
        if (line.compare(0, prefix.size(), prefix) == 0)
            lines.push_back(line.substr(prefix.size()));
    }
    return lines;
}
