// Filling the editor and player command templates.
#include <gtest/gtest.h>

#include <tuple>

#include "CommandTemplate.h"

namespace {

TEST(ExpandCommand, ReplacesEachPlaceholderOnceInOnePassWalkingCodePage932)
{
    // Line 0 stands for the plain form, in which %l is ordinary text.
    const std::tuple<const char*, const char*, int, const char*> cases[] = {
        {"ed -n%l %f %f.bak", "C:\\my songs\\a", 0, "ed -n%l C:\\my songs\\a C:\\my songs\\a.bak"},
        {"ed +%l:%l \"%f\"", "a", -2147483647 - 1, "ed +-2147483648:-2147483648 \"a\""},
        {"ed \"%f\" %l", "C:\\%f%l.mml", 12, "ed \"C:\\%f%l.mml\" 12"},  // what the name brings is not searched
        {"%f%l%f ed 100% %x %F %L %%f %%l %", "x", 5, "x5x ed 100% %x %F %L %x %5 %"},
        {"\x83\x47.exe %f \x81%f", "\x89\xb9.mml", 0, "\x83\x47.exe \x89\xb9.mml \x81%f"},  // 0x81 swallows the '%'
    };
    for (const auto& [commandTemplate, file, line, command] : cases) {
        ByteString expanded = line ? ExpandCommand(commandTemplate, file, line) : ExpandCommand(commandTemplate, file);
        EXPECT_EQ(expanded, command) << commandTemplate;
    }
}

}  // namespace
