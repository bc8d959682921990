// make_cp932_table OUT.cpp: writes code page 932 both ways as tables, as the build system's iconv converts
// it. The converter carries the tables instead of calling iconv, because a statically linked program's iconv
// loads its character sets from the files of the C library it was built with, at a path of that system: on
// another system they are missing or do not fit, and every Japanese character would fail.
#include <iconv.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

// `bytes` converted whole, or nothing when the converter refuses any of them.
std::string Convert(iconv_t converter, std::string bytes)
{
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    char out[16];
    char* in = &bytes[0];
    char* to = out;
    std::size_t inLeft = bytes.size(), outLeft = sizeof out;
    if (iconv(converter, &in, &inLeft, &to, &outLeft) == static_cast<std::size_t>(-1) || inLeft != 0 ||
        iconv(converter, nullptr, nullptr, &to, &outLeft) == static_cast<std::size_t>(-1))
        return "";
    return std::string(out, to);
}

// The code point that `cp932` decodes to when it is one character of the Basic Multilingual Plane, else 0.
std::uint32_t Decode(iconv_t toUnicode, const std::string& cp932)
{
    std::string unicode = Convert(toUnicode, cp932);
    std::uint32_t codePoint = 0;
    for (std::size_t i = unicode.size(); i-- > 0;)
        codePoint = codePoint << 8 | static_cast<unsigned char>(unicode[i]);
    return unicode.size() == 4 && codePoint < 0x10000 ? codePoint : 0;
}

bool IsLeadByte(int byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

}  // namespace

int main(int argc, char** argv)
{
    iconv_t toUnicode = iconv_open("UTF-32LE", "CP932"), toCp932 = iconv_open("CP932", "UTF-32LE");
    std::FILE* file = argc == 2 ? std::fopen(argv[1], "w") : nullptr;
    if (toUnicode == reinterpret_cast<iconv_t>(-1) || toCp932 == reinterpret_cast<iconv_t>(-1) || !file) {
        std::fprintf(stderr, "make_cp932_table: needs iconv with CP932 and an output file\n");
        return 1;
    }
    // Decoding: the single bytes from 0x80, then each lead byte's 188 trail bytes (0x40 to 0xFC but 0x7F);
    // 0 where there is no character.
    std::vector<std::uint32_t> decoding;
    for (int byte = 0x80; byte <= 0xFF; ++byte)
        decoding.push_back(Decode(toUnicode, std::string(1, static_cast<char>(byte))));
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        for (int trail = 0x40; IsLeadByte(lead) && trail <= 0xFC; ++trail) {
            if (trail != 0x7F)
                decoding.push_back(Decode(toUnicode, {static_cast<char>(lead), static_cast<char>(trail)}));
        }
    }
    // Encoding: the code point in the high half, the bytes in the low half, sorted by code point. Where
    // several codes decode to one character, iconv's own choice is the one kept.
    std::vector<std::uint32_t> encoding;
    for (std::uint32_t codePoint = 0x80; codePoint < 0x10000; ++codePoint) {
        const char unicode[4] = {static_cast<char>(codePoint), static_cast<char>(codePoint >> 8), 0, 0};
        std::string bytes = Convert(toCp932, std::string(unicode, 4));
        std::uint32_t code = 0;
        for (char byte : bytes)
            code = code << 8 | static_cast<unsigned char>(byte);
        if (bytes.size() == 1 || bytes.size() == 2)
            encoding.push_back(codePoint << 16 | code);
    }
    std::fprintf(
        file, "// Made by make_cp932_table from the build system's iconv.\n#include <cstddef>\n#include <cstdint>\n");
    std::fprintf(file, "extern const std::uint16_t cp932Decoding[] = {");
    for (std::size_t i = 0; i < decoding.size(); ++i)
        std::fprintf(file, "%s0x%04X,", i % 16 ? "" : "\n", static_cast<unsigned>(decoding[i]));
    std::fprintf(file, "\n};\nextern const std::uint32_t cp932Encoding[] = {");
    for (std::size_t i = 0; i < encoding.size(); ++i)
        std::fprintf(file, "%s0x%08X,", i % 8 ? "" : "\n", static_cast<unsigned>(encoding[i]));
    std::fprintf(file, "\n};\nextern const std::size_t cp932EncodingCount = %zu;\n", encoding.size());
    iconv_close(toUnicode);
    iconv_close(toCp932);
    // A converter without the Japanese tables would make a program that refuses every Japanese character.
    return std::fclose(file) == 0 && encoding.size() > 7000 ? 0 : 1;
}
