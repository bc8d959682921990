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
    // clang-format off
    const Derivation table[] = {
        {"C:\\songs\\a.mml", "C:\\songs\\a.mid"},
        {"C:\\songs\\A.MML", "C:\\songs\\A.mid"},
        {"C:\\songs\\a.b.mml", "C:\\songs\\a.b.mid"},
        {"C:\\songs\\a.", "C:\\songs\\a.mid"},
        {"C:/songs/a.mml", "C:/songs/a.mid"},
        {"notes.txt", "notes.mid"},
    };
    // clang-format on
    for (const Derivation& row : table)
        EXPECT_EQ(DeriveSmfName(row.mml), row.smf) << row.mml;
}

TEST(DeriveSmfName, AppendsWhenOnlyAFolderNameHasADot)
{
    // clang-format off
    const Derivation table[] = {
        {"C:\\my.songs\\a", "C:\\my.songs\\a.mid"},
        {"C:/my.songs/a", "C:/my.songs/a.mid"},
        {"C:\\my.songs/a", "C:\\my.songs/a.mid"},
        {"song", "song.mid"},
        {"", ".mid"},
    };
    // clang-format on
    for (const Derivation& row : table)
        EXPECT_EQ(DeriveSmfName(row.mml), row.smf) << row.mml;
}

TEST(DeriveSmfName, WalksDoubleByteCharacters)
{
    // "ソ" is 0x83 0x5C: its trail byte looks like a backslash but ends no folder, so the '.' before it still
    // starts the file name's extension.
    EXPECT_EQ(DeriveSmfName("a.b\x83\\c"), "a.mid");
    EXPECT_EQ(DeriveSmfName("C:\\\x95\x5C.mml"), "C:\\\x95\x5C.mid");
}

}  // namespace
