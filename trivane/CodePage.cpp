#include "CodePage.h"

#ifdef _WIN32
#include <windows.h>

bool AppendAsCp932(std::string_view utf8, std::string& out)
{
    if (utf8.empty())
        return true;
    const int size = static_cast<int>(utf8.size());
    std::wstring wide(utf8.size(), L'\0');
    int count = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), size, &wide[0], size);
    if (count <= 0)
        return false;
    BOOL lossy = FALSE;
    int bytes = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide.data(), count, nullptr, 0, nullptr, &lossy);
    if (bytes <= 0 || lossy)
        return false;
    std::size_t at = out.size();
    out.resize(at + static_cast<std::size_t>(bytes));
    WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide.data(), count, &out[at], bytes, nullptr, &lossy);
    return true;
}
#else
#include <algorithm>
#include <cstddef>
#include <cstdint>

// Made at build time by make_cp932_table. Decoding: the single bytes from 0x80, then each lead byte's trail
// bytes, 0 where there is no character; encoding: code point << 16 | bytes, sorted.
extern const std::uint16_t cp932Decoding[];
extern const std::uint32_t cp932Encoding[];
extern const std::size_t cp932EncodingCount;

namespace {

// The code point of the multi-byte UTF-8 sequence at `text[i]` and its length in `length`; false for a
// sequence that is not valid (cut short, overlong, a surrogate, beyond U+10FFFF).
bool DecodeUtf8(std::string_view text, std::size_t i, std::uint32_t& codePoint, std::size_t& length)
{
    const unsigned char lead = static_cast<unsigned char>(text[i]);
    length = lead < 0xC0 ? 0 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : lead < 0xF8 ? 4 : 0;
    if (length == 0 || i + length > text.size())
        return false;
    static const std::uint32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    codePoint = lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
        const unsigned char next = static_cast<unsigned char>(text[i + k]);
        if ((next & 0xC0) != 0x80)
            return false;
        codePoint = codePoint << 6 | (next & 0x3F);
    }
    return codePoint >= smallest[length] && codePoint <= 0x10FFFF && (codePoint < 0xD800 || codePoint > 0xDFFF);
}

// The index of a double-byte code in cp932Decoding, or 0 when `lead` and `trail` make none.
std::size_t DoubleByteIndex(unsigned char lead, unsigned char trail)
{
    const bool isLead = (lead >= 0x81 && lead <= 0x9F) || (lead >= 0xE0 && lead <= 0xFC);
    if (!isLead || trail < 0x40 || trail > 0xFC || trail == 0x7F)
        return 0;
    const std::size_t leadIndex = lead <= 0x9F ? lead - 0x81 : lead - 0xE0 + 31;
    return 128 + leadIndex * 188 + (trail < 0x7F ? trail - 0x40 : trail - 0x41);
}

void AppendUtf8(std::uint32_t codePoint, std::string& out)
{
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
    } else if (codePoint < 0x800) {
        out += static_cast<char>(0xC0 | codePoint >> 6);
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | codePoint >> 12);
        out += static_cast<char>(0x80 | (codePoint >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (codePoint & 0x3F));
    }
}

}  // namespace

bool AppendAsCp932(std::string_view utf8, std::string& out)
{
    const std::size_t start = out.size();
    const std::uint32_t* const end = cp932Encoding + cp932EncodingCount;
    for (std::size_t i = 0, length = 1; i < utf8.size(); i += length) {
        std::uint32_t codePoint = static_cast<unsigned char>(utf8[i]);
        if (codePoint < 0x80) {
            out += utf8[i];
            length = 1;
            continue;
        }
        if (!DecodeUtf8(utf8, i, codePoint, length)) {
            out.resize(start);
            return false;
        }
        const std::uint32_t* found = std::lower_bound(cp932Encoding, end, codePoint << 16);
        if (codePoint > 0xFFFF || found == end || *found >> 16 != codePoint) {
            out.resize(start);
            return false;
        }
        if ((*found & 0xFF00) != 0)
            out += static_cast<char>(*found >> 8 & 0xFF);
        out += static_cast<char>(*found & 0xFF);
    }
    return true;
}

void AppendAsUtf8(std::string_view cp932, std::string& out)
{
    for (std::size_t i = 0; i < cp932.size(); ++i) {
        const unsigned char byte = static_cast<unsigned char>(cp932[i]);
        std::uint32_t codePoint = byte;
        if (byte >= 0x80) {
            const std::size_t pair =
                i + 1 < cp932.size() ? DoubleByteIndex(byte, static_cast<unsigned char>(cp932[i + 1])) : 0;
            if (pair != 0 && cp932Decoding[pair] != 0) {
                codePoint = cp932Decoding[pair];
                ++i;
            } else {
                codePoint = cp932Decoding[byte - 0x80] != 0 ? cp932Decoding[byte - 0x80] : 0xFFFD;
            }
        }
        AppendUtf8(codePoint, out);
    }
}
#endif
