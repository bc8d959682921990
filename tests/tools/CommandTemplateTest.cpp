// Filling the editor and player command templates.
#include <gtest/gtest.h>

#include <string>

#include "CommandTemplate.h"

namespace {

std::string Str(const ByteString& text)
{
    return std::string(text.c_str(), static_cast<size_t>(text.Length()));
}

TEST(ExpandCommand, ReplacesEveryFileNamePlaceholderAndAddsNoQuotes)
{
    EXPECT_EQ(Str(ExpandCommand("diff.exe %f %f.bak", "C:\\my songs\\a.mml")),
              "diff.exe C:\\my songs\\a.mml C:\\my songs\\a.mml.bak");
    EXPECT_EQ(Str(ExpandCommand("\"C:\\ed\\ed.exe\" \"%f\"", "a.mml")), "\"C:\\ed\\ed.exe\" \"a.mml\"");
    EXPECT_EQ(Str(ExpandCommand("%f", "C:\\x\\run.bat")), "C:\\x\\run.bat");
}

TEST(ExpandCommand, WritesTheLineAsPercentDWouldAndOnlyInTheLineForm)
{
    EXPECT_EQ(Str(ExpandCommand("ed.exe -n%l %f", "a.mml", 12)), "ed.exe -n12 a.mml");
    EXPECT_EQ(Str(ExpandCommand("ed.exe +%l:%l %f", "a.mml", -3)), "ed.exe +-3:-3 a.mml");
    EXPECT_EQ(Str(ExpandCommand("ed.exe %l", "a.mml", 0)), "ed.exe 0");
    EXPECT_EQ(Str(ExpandCommand("ed.exe %l", "a.mml", -2147483647 - 1)), "ed.exe -2147483648");
    // The plain form leaves %l as written.
    EXPECT_EQ(Str(ExpandCommand("ed.exe -n%l %f", "a.mml")), "ed.exe -n%l a.mml");
}

TEST(ExpandCommand, RunsATemplateWithoutPlaceholdersUnchanged)
{
    EXPECT_EQ(Str(ExpandCommand("notepad.exe", "a.mml")), "notepad.exe");
    EXPECT_EQ(Str(ExpandCommand("notepad.exe", "a.mml", 7)), "notepad.exe");
    EXPECT_EQ(Str(ExpandCommand("", "a.mml")), "");
    EXPECT_EQ(Str(ExpandCommand("", "a.mml", 7)), "");
    // A lone percent sign at the end, or before another letter, is ordinary text.
    EXPECT_EQ(Str(ExpandCommand("ed.exe 100% %x %", "a.mml", 7)), "ed.exe 100% %x %");
}

TEST(ExpandCommand, NeverSearchesWhatTheFileNameBroughtIn)
{
    EXPECT_EQ(Str(ExpandCommand("ed.exe -n%l \"%f\"", "C:\\a%lb.mml", 12)), "ed.exe -n12 \"C:\\a%lb.mml\"");
    EXPECT_EQ(Str(ExpandCommand("ed.exe \"%f\" %l", "C:\\%f%l.mml", 12)), "ed.exe \"C:\\%f%l.mml\" 12");
    EXPECT_EQ(Str(ExpandCommand("ed.exe %f", "%f")), "ed.exe %f");
    // Placeholders side by side are each replaced.
    EXPECT_EQ(Str(ExpandCommand("%f%l%f", "x", 5)), "x5x");
}

TEST(ExpandCommand, MatchesOnlyLowerCaseAndHasNoEscape)
{
    EXPECT_EQ(Str(ExpandCommand("ed.exe %F %L %f", "a.mml", 3)), "ed.exe %F %L a.mml");
    // The second and third characters of %%f form the placeholder.
    EXPECT_EQ(Str(ExpandCommand("ed.exe %%f %%l", "a.mml", 3)), "ed.exe %a.mml %3");
}

TEST(ExpandCommand, WalksDoubleByteCharacters)
{
    // Japanese text around the placeholders passes through as it is, and the file name is taken byte for
    // byte. A lead byte takes the byte after it along, so a '%' right after one starts no placeholder.
    const char* editor = "\x83\x47\x83\x66\x83\x42\x83\x5e.exe %f";  // a katakana program name
    EXPECT_EQ(Str(ExpandCommand(editor, "\x89\xb9\x8a\x79.mml")),
              "\x83\x47\x83\x66\x83\x42\x83\x5e.exe \x89\xb9\x8a\x79.mml");
    EXPECT_EQ(Str(ExpandCommand("\x81%f %f", "a")), "\x81%f a");
}

}  // namespace
