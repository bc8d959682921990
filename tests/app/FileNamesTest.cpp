// The SMF name derived from an MML path.
#include <gtest/gtest.h>

#include "FileNames.h"

namespace {

struct Derivation {
    const char* mml;
    const char* smf;
};

TEST(DeriveSmfName, ReplacesTheLastExtensionOfTheFileName)
{
    const Derivation table[] = {
        {"C:\\songs\\a.mml", "C:\\songs\\a.mid"},
        {"C:\\songs\\A.MML", "C:\\songs\\A.mid"},
        {"C:\\songs\\a.b.mml", "C:\\songs\\a.b.mid"},
        {"C:\\songs\\a.", "C:\\songs\\a.mid"},
        {"C:/songs/a.mml", "C:/songs/a.mid"},
        {"notes.txt", "notes.mid"},
    };
    for (const Derivation& row : table)
        EXPECT_EQ(DeriveSmfName(row.mml), row.smf) << row.mml;
}

TEST(DeriveSmfName, AppendsWhenOnlyAFolderNameHasADot)
{
    const Derivation table[] = {
        {"C:\\my.songs\\a", "C:\\my.songs\\a.mid"},
        {"C:/my.songs/a", "C:/my.songs/a.mid"},
        {"C:\\my.songs/a", "C:\\my.songs/a.mid"},
        {"song", "song.mid"},
        {"", ".mid"},
    };
    for (const Derivation& row : table)
        EXPECT_EQ(DeriveSmfName(row.mml), row.smf) << row.mml;
}

TEST(DeriveSmfName, WalksDoubleByteCharacters)
{
    // "表" is 0x95 0x5C: its trail byte is a backslash, which must not end the folder part here, and "ソ"
    // (0x83 0x5C) likewise. A trail byte 0x2E does not occur in code page 932, but 0x5C does.
    EXPECT_EQ(DeriveSmfName("C:\\x.y\\\x95\x5C"), "C:\\x.y\\\x95\x5C.mid");
    EXPECT_EQ(DeriveSmfName("C:\\\x95\x5C.mml"), "C:\\\x95\x5C.mid");
    EXPECT_EQ(DeriveSmfName("a.b\x83\x5C" "c"), "a.mid");
}

}  // namespace
