// The native formatter must give exactly what the platform's wvsprintfA gives, cut included.
#include "ByteString.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Ours(const char* format, ...)
{
    char buffer[1024];
    va_list args;
    va_start(args, format);
    int length = FormatBytes(buffer, sizeof buffer, format, args);
    va_end(args);
    return std::string(buffer, length);
}

std::string Platform(const char* format, ...)
{
    char buffer[1024];
    va_list args;
    va_start(args, format);
    // The string, not the count: on a cut, Wine's count includes the NUL.
    wvsprintfA(buffer, format, args);
    va_end(args);
    return std::string(buffer);
}

TEST(FormatBytes, MatchesWvsprintfA)
{
    const std::string longText(2000, 'y');
    const char* japanese = "\x83\x5C\x83\x74\x83\x67";
    EXPECT_EQ(Ours("\"%s\" ", "trivane.exe"), Platform("\"%s\" ", "trivane.exe"));
    EXPECT_EQ(Ours("\"%s\" \"%s\"", japanese, ""), Platform("\"%s\" \"%s\"", japanese, ""));
    EXPECT_EQ(Ours("%0d.%0d.%0d.%0d", 2, 0, 0, 1), Platform("%0d.%0d.%0d.%0d", 2, 0, 0, 1));
    EXPECT_EQ(Ours("%d %d %i %u", -2147483647 - 1, 0, -7, 4000000000u),
              Platform("%d %d %i %u", -2147483647 - 1, 0, -7, 4000000000u));
    EXPECT_EQ(Ours("[%5d|%-5d|%05d|%.3d|%x|%X|%#x]", -3, 3, -3, 3, 0xBEEF, 0xBEEF, 16),
              Platform("[%5d|%-5d|%05d|%.3d|%x|%X|%#x]", -3, 3, -3, 3, 0xBEEF, 0xBEEF, 16));
    EXPECT_EQ(Ours("[%8s|%-8s|%.2s|%c|%%]", "ab", "ab", "abcdef", 'Z'),
              Platform("[%8s|%-8s|%.2s|%c|%%]", "ab", "ab", "abcdef", 'Z'));
    EXPECT_EQ(Ours("-t%s %s", "05", longText.c_str()), Platform("-t%s %s", "05", longText.c_str()));
    EXPECT_EQ(Ours("%s", longText.c_str()).size(), 1023u);
}

}  // namespace
