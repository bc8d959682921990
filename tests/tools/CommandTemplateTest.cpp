// Filling the editor and player command templates.
#include <gtest/gtest.h>

#include <string>

#include "CommandTemplate.h"

namespace {

TEST(ExpandCommand, ReplacesEachPlaceholderOnceInOnePassWalkingCodePage932)
{
    // Line -1 stands for the plain form, in which %l is ordinary text.
    const struct {
        const char* commandTemplate;
        const char* file;
        int line;
        const char* command;
    } cases[] = {
        {"diff %f %f.bak", "C:\\my songs\\a.mml", -1, "diff C:\\my songs\\a.mml C:\\my songs\\a.mml.bak"},
        {"ed -n%l %f", "a.mml", -1, "ed -n%l a.mml"},
        {"ed +%l:%l \"%f\"", "a.mml", -2147483647 - 1, "ed +-2147483648:-2147483648 \"a.mml\""},
        {"ed \"%f\" %l", "C:\\%f%l.mml", 12, "ed \"C:\\%f%l.mml\" 12"},  // what the name brings is not searched
        {"%f%l%f", "x", 5, "x5x"},
        {"ed 100% %x %F %L %", "a", 7, "ed 100% %x %F %L %"},
        {"ed %%f %%l", "a", 3, "ed %a %3"},
        {"\x83\x47.exe %f \x81%f", "\x89\xb9.mml", -1, "\x83\x47.exe \x89\xb9.mml \x81%f"},  // 0x81 swallows the '%'
    };
    for (const auto& c : cases) {
        ByteString command =
            c.line == -1 ? ExpandCommand(c.commandTemplate, c.file) : ExpandCommand(c.commandTemplate, c.file, c.line);
        EXPECT_EQ(std::string(command.c_str(), command.Length()), c.command) << c.commandTemplate;
    }
}

}  // namespace
