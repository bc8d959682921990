// Which names the association would run rather than open.
#include <gtest/gtest.h>

#include <utility>

#include "ProgramFiles.h"

TEST(ProgramFilesTest, TellsProgramsFromDocuments)
{
    const std::pair<const char*, bool> cases[] = {
        {"C:\\songs\\tune.mml", false},
        {"tune.MID", false},
        {"C:\\my.exe\\tune.mml", false},
        {"C:\\songs\\", false},
        {"", false},
        {"C:\\songs\\setup.exe", true},
        {"tune.mml.BAT", true},
        {"run.Lnk", true},
        {"page.url. . ", true},
        {"help.CHM", true},
        {"C:\\x\\go.SettingContent-ms", true},
        {"app.msixbundle", true},
        {"tune.mml:x.js", true},
        {"C:\\songs\\calc", true},
        {"tune.foo", true},  // from PATHEXT
    };
    for (const auto& c : cases)
        EXPECT_EQ(IsProgramFile(c.first, ".COM;.EXE;.FOO"), c.second) << c.first;
}
