// The byte string: copy on write, appends that keep NUL bytes (also of itself), the code page 932 walks of
// Find and ReverseFind, the writable buffer, and the formatter: cut after 1,023 bytes, and under Windows
// byte for byte what the platform's wvsprintfA gives.
#include "ByteString.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

TEST(ByteString, CopiesSeparateWhenWrittenAppendsKeepEveryByteAndFormatCuts)
{
    ByteString a("ab");
    a.Append("c");  // grown with room to spare, which a shared copy must not write into
    ByteString b = a, c = a;
    b.Append("d");
    std::strcpy(c.GetBuffer(3), "xy");
    c.ReleaseBuffer();
    EXPECT_TRUE(a == "abc" && b == "abcd" && c == "xy") << a.c_str() << " " << b.c_str() << " " << c.c_str();

    a.Append("\0e", 2);
    for (int i = 0; i < 3; ++i)
        a.Append(a);  // from its own bytes, while they move to a larger block
    a.Append(a.c_str() + 1, 2);
    EXPECT_EQ(a.Mid(35), ByteString("abc\0ebc", 7));

    std::memset(c.GetBuffer(300), 'z', 300);
    c.ReleaseBuffer(4);
    EXPECT_EQ(c, "zzzz");
    c.Format("\"%s\" ", std::string(3000, 'x').c_str());  // cut after 1,023 bytes
    EXPECT_EQ(c, ("\"" + std::string(1022, 'x')).c_str());
}

TEST(ByteString, FindAndReverseFindWalkCodePage932)
{
    // 0x83 0x45 is a character whose trail byte reads as 'E', 0x83 0x5C one whose trail byte reads as '\'.
    EXPECT_EQ(ByteString("\203EE").Find("E"), 2);
    EXPECT_EQ(ByteString("\203\\").Find("\\"), -1);
    EXPECT_EQ(ByteString("%f %f").Find("%f", 1), 3);
    EXPECT_EQ(ByteString("C:\\a\203\\b").ReverseFind('\\'), 2);
    EXPECT_EQ(ByteString("a.b.c").ReverseFind('.'), 3);
}

#ifdef _WIN32
void ExpectAsPlatform(const char* format, ...)
{
    char ours[1024], platform[1024];
    va_list args, again;
    va_start(args, format);
    va_copy(again, args);
    int length = FormatBytes(ours, sizeof ours, format, args);
    wvsprintfA(platform, format, again);  // the string, not the count: on a cut, Wine's count includes the NUL
    EXPECT_EQ(std::string(ours, length), platform) << format;
    va_end(again);
    va_end(args);
}

TEST(FormatBytes, MatchesWvsprintfA)
{
    ExpectAsPlatform("\"%s\" \"%s\"", "\203\134\203\164\203\147", "");
    ExpectAsPlatform("%0d.%0d|%d %i %u", 2, 0, -2147483647 - 1, -7, 4000000000u);
    ExpectAsPlatform("[%5d|%-5d|%05d|%.3d|%x|%X|%#x]", -3, 3, -3, 3, 0xBEEF, 0xBEEF, 16);
    ExpectAsPlatform("[%8s|%-8s|%.2s|%c|%%]", "ab", "ab", "abcdef", 'Z');
    ExpectAsPlatform("-t%s %s", "05", std::string(2000, 'y').c_str());
}
#endif

}  // namespace
