// The SMF name derived from an MML path.
#include <gtest/gtest.h>

#include "FileNames.h"

TEST(DeriveSmfName, ReplacesOnlyTheFileNamesOwnExtension)
{
    const char* const table[][2] = {
        {"C:\\songs\\a.b.mml", "C:\\songs\\a.b.mid"},
        {"C:\\songs\\A.MML", "C:\\songs\\A.mid"},
        {"C:/songs/a.", "C:/songs/a.mid"},
        {"C:\\my.songs\\a", "C:\\my.songs\\a.mid"},
        {"C:\\my.songs/a", "C:\\my.songs/a.mid"},
        {"", ".mid"},
        // "ソ" is 0x83 0x5C: its trail byte looks like a backslash but ends no folder.
        {"a.b\x83\\c", "a.mid"},
        {"C:\\\x95\x5C.mml", "C:\\\x95\x5C.mid"},
    };
    for (const auto& row : table)
        EXPECT_EQ(DeriveSmfName(row[0]), row[1]) << row[0];
}
