// The benchmark's corpus: songs generated in the shapes people write them, each in MML for trivane and in ABC
// for abc2midi with the same notes. Deterministic: the same song on every machine and in every run.
#pragma once

#include <string>
#include <vector>

struct GeneratedSong {
    std::string mml;
    std::string abc;
    long notes = 0;  // notes struck when played, repeats played out
};

struct SongShape {
    const char* name;         // one word, for the command line and the file names
    const char* description;  // what the shape holds
    GeneratedSong (*generate)(long notes);
};

// The shapes in the order they are measured.
const std::vector<SongShape>& SongShapes();

// A song of one note: what starting, reading and writing cost when there is nothing to convert.
GeneratedSong OneNoteSong();
