// A strict reader of the Standard MIDI Files that the converter writes: it refuses anything our writer
// should never produce, and lists the events in a form that tests compare line by line.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct SmfListing {
    int format = -1;
    int tracks = 0;
    // "track:tick what...", for example "1:480 on 0 60 100", "1:720 off 0 60", "0:0 tempo 500000",
    // "0:0 title Song", "1:960 end"; ticks are absolute, channels 0-based.
    std::vector<std::string> lines;
};

// Checks chunk lengths, the header, delta times (at most four bytes, no leading zero groups), that every
// event carries its status byte, data bytes below 128, meta lengths, the end of track as the last event of
// every track, note-offs only of sounding notes and none left sounding, one track in format 0 and only meta
// events in the first track of format 1. Returns an empty string when the file passes, else what is wrong
// and where.
std::string CheckSmf(const std::vector<std::uint8_t>& bytes, SmfListing& listing);

// The lines of `listing` that belong to one track, without the "track:" prefix.
std::vector<std::string> TrackLines(const SmfListing& listing, int track);
