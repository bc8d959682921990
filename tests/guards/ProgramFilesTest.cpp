// Which names the association would run rather than open.
#include <gtest/gtest.h>

#include "ProgramFiles.h"

TEST(ProgramFilesTest, TellsProgramsFromDocuments)
{
    const struct {
        const char* name;
        bool program;
    } cases[] = {
        {"C:\\songs\\tune.mml", false},
        {"tune.MID", false},
        {"C:\\my.exe\\tune.mml", false},  // a dot in a folder name
        {"C:\\songs\\", false},            // a folder
        {"", false},
        {"C:\\songs\\setup.exe", true},
        {"tune.mml.BAT", true},
        {"run.Lnk", true},
        {"page.url. . ", true},  // Windows drops the dots and blanks at the end
        {"tune.mml:x.js", true},  // a stream of a file
        {"C:\\songs\\calc", true},  // looked up as a command
        {"tune.foo", true},         // listed in PATHEXT
        {"tune.foobar", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsProgramFile(c.name, ".COM;.EXE;.FOO"), c.program) << c.name;
}
