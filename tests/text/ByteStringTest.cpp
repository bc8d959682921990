// The byte string: sharing and copy on write, appends that keep NUL bytes, the code page 932 walk of Find,
// clipping of Left and Mid, the formatter's cut, and the writable buffer.
#include "ByteString.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// A double-byte character whose trail byte is the ASCII letter 'E' (0x45), and one whose trail byte is '\'.
const char kLeadE[] = "\x83\x45";
const char kSo[] = "\x83\x5C";

TEST(ByteString, CopiesShareUntilOneIsWritten)
{
    ByteString a("abc");
    ByteString b = a;
    EXPECT_EQ(a.c_str(), b.c_str());
    b.Append("d");
    EXPECT_NE(a.c_str(), b.c_str());
    EXPECT_EQ(a, "abc");
    EXPECT_EQ(b, "abcd");

    ByteString c = a;
    char* buffer = c.GetBuffer(10);
    std::strcpy(buffer, "xyz");
    c.ReleaseBuffer();
    EXPECT_EQ(a, "abc");
    EXPECT_EQ(c, "xyz");
    EXPECT_EQ(c.Length(), 3);
}

TEST(ByteString, EmptyStringsShareOneRepresentation)
{
    ByteString a, b(""), c("x", 0);
    EXPECT_EQ(a.c_str(), b.c_str());
    EXPECT_EQ(a.c_str(), c.c_str());
    ByteString d("abc");
    d.Empty();
    EXPECT_EQ(a.c_str(), d.c_str());
    EXPECT_EQ(d.c_str()[0], '\0');
}

TEST(ByteString, AppendKeepsNulBytesAndSelfAppendWorks)
{
    ByteString s;
    s.Append("a\0b", 3);
    s.Append("\0", 1);
    ASSERT_EQ(s.Length(), 4);
    EXPECT_EQ(std::string(s.c_str(), 4), std::string("a\0b\0", 4));
    EXPECT_EQ(s.c_str()[4], '\0');

    ByteString t("xy");
    for (int i = 0; i < 10; ++i)
        t.Append(t);
    EXPECT_EQ(t.Length(), 2 << 10);
    EXPECT_EQ(t.Mid(2046), "xy");

    ByteString u("abcdef");
    u.Append(u.c_str() + 2, 2);  // bytes from inside itself, while it has spare room
    EXPECT_EQ(u, "abcdefcd");
}

TEST(ByteString, FindWalksCodePage932)
{
    // "E" as the trail byte of a double-byte character is no match; the single-byte E after it is.
    ByteString s = ByteString(kLeadE) + "E";
    EXPECT_EQ(s.Find("E"), 2);
    // The '\' inside the character is not a backslash.
    EXPECT_EQ(ByteString(kSo).Find("\\"), -1);
    EXPECT_EQ((ByteString(kSo) + "\\").Find("\\"), 2);
    // A lead byte swallows a CR after it, so that CR LF is no line break; the next one is.
    ByteString broken("A\x81\r\nB\r\nC");
    EXPECT_EQ(broken.Find("\r\n"), 5);
    // Searching stops at a NUL byte.
    ByteString nul;
    nul.Append("ab\0cd", 5);
    EXPECT_EQ(nul.Find("cd"), -1);
    EXPECT_EQ(nul.Find("b"), 1);
    // Case-sensitive, and from a given start.
    EXPECT_EQ(ByteString("Error ERROR! x").Find("ERROR! "), 6);
    EXPECT_EQ(ByteString("error! ").Find("ERROR! "), -1);
    EXPECT_EQ(ByteString("%f %f").Find("%f", 1), 3);
    EXPECT_EQ(ByteString("abc").Find("abcd"), -1);
}

TEST(ByteString, ReverseFindSkipsTrailBytes)
{
    // 0x2E ('.') as a trail byte does not exist in code page 932, but 0x5C ('\') does.
    ByteString path = ByteString("C:\\a") + kSo + "b";
    EXPECT_EQ(path.ReverseFind('\\'), 2);
    EXPECT_EQ(ByteString("a.b.c").ReverseFind('.'), 3);
    EXPECT_EQ(ByteString("abc").ReverseFind('.'), -1);
}

TEST(ByteString, LeftAndMidAreClipped)
{
    ByteString s("abcdef");
    EXPECT_EQ(s.Left(-1), "");
    EXPECT_EQ(s.Left(0), "");
    EXPECT_EQ(s.Left(2), "ab");
    EXPECT_EQ(s.Left(100), "abcdef");
    EXPECT_EQ(s.Mid(4), "ef");
    EXPECT_EQ(s.Mid(-3, 2), "ab");
    EXPECT_EQ(s.Mid(2, 100), "cdef");
    EXPECT_EQ(s.Mid(6), "");
    EXPECT_EQ(s.Mid(100, 1), "");
    EXPECT_EQ(s.Mid(1, -1), "");
}

TEST(ByteString, FormatCutsAfter1023Bytes)
{
    std::string longText(3000, 'x');
    ByteString s;
    s.Format("\"%s\" ", longText.c_str());
    EXPECT_EQ(s.Length(), ByteString::FormatLimit);
    EXPECT_EQ(s[0], '"');
    EXPECT_EQ(s[1022], 'x');

    s.Format("%0d.%0d.%0d.%0d", 2, 0, 0, 1);
    EXPECT_EQ(s, "2.0.0.1");
    s.Format("-t%s %d|%5d|%-3d|%03d|%x|%c|%%", "-3", -12, 42, 7, 5, 255, 'Q');
    EXPECT_EQ(s, "-t-3 -12|   42|7  |005|ff|Q|%");
    s.Format("%s", static_cast<const char*>(nullptr));
    EXPECT_EQ(s, "(null)");
}

TEST(ByteString, BufferForWritingAndReleasedLength)
{
    ByteString s("cmd");
    char* buffer = s.GetBuffer(300);
    ASSERT_NE(buffer, nullptr);
    EXPECT_STREQ(buffer, "cmd");
    std::memset(buffer, 'z', 300);
    buffer[300] = '\0';
    s.ReleaseBuffer();
    EXPECT_EQ(s.Length(), 300);
    s.GetBuffer(10);
    s.ReleaseBuffer(4);
    EXPECT_EQ(s, "zzzz");

    ByteString empty;
    char* written = empty.GetBuffer(0);
    ASSERT_NE(written, nullptr);
    empty.ReleaseBuffer();
    EXPECT_TRUE(empty.IsEmpty());
}

}  // namespace
