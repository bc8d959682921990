#include "SourceText.h"

#include "CodePage.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

// The length of the UTF-8 sequence at `text[i]`, 0 when it is not a valid one (overlong forms and
// surrogates included).
std::size_t Utf8SequenceAt(std::string_view text, std::size_t i)
{
    auto at = [&](std::size_t k) { return i + k < text.size() ? static_cast<unsigned char>(text[i + k]) : 0; };
    const unsigned char c = at(0);
    if (c < 0x80)
        return 1;
    std::size_t length = c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3 : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
    if (length == 0)
        return 0;
    // The second byte's range narrows after E0 (overlong), ED (surrogates), F0 (overlong) and F4 (too high).
    const unsigned char low = c == 0xE0 ? 0xA0 : c == 0xF0 ? 0x90 : 0x80;
    const unsigned char high = c == 0xED ? 0x9F : c == 0xF4 ? 0x8F : 0xBF;
    if (at(1) < low || at(1) > high)
        return 0;
    for (std::size_t k = 2; k < length; ++k) {
        if (at(k) < 0x80 || at(k) > 0xBF)
            return 0;
    }
    return length;
}

std::uint32_t CodePointOf(std::string_view sequence)
{
    static const unsigned char leadMask[] = {0, 0x7F, 0x1F, 0x0F, 0x07};
    std::uint32_t value = static_cast<unsigned char>(sequence[0]) & leadMask[sequence.size()];
    for (std::size_t k = 1; k < sequence.size(); ++k)
        value = value << 6 | (static_cast<unsigned char>(sequence[k]) & 0x3F);
    return value;
}

// What one pass over the bytes tells: the counts that show a file that is no text, and whether it is UTF-8.
struct Survey {
    std::size_t nuls[2] = {0, 0};  // at even and odd offsets
    std::size_t controls = 0;
    bool utf8 = true;        // valid UTF-8 throughout
    bool multiByte = false;  // holds more than ASCII
};

// True when all eight bytes are printable ASCII, 0x20 to 0x7F: none has its high bit set, and each gets it
// set by adding 0x60 (which carries into no other byte, the high bits being clear).
bool PrintableAscii(const char* at)
{
    constexpr std::uint64_t High = 0x8080808080808080u;
    std::uint64_t word;
    std::memcpy(&word, at, sizeof word);
    return (word & High) == 0 && ((word + 0x6060606060606060u) & High) == High;
}

Survey SurveyOf(std::string_view bytes)
{
    Survey survey;
    for (std::size_t i = 0; i < bytes.size();) {
        const unsigned char c = static_cast<unsigned char>(bytes[i]);
        if (c >= 0x20 && c < 0x80) {  // the common case, without the calls, eight bytes at a time where it can
            ++i;
            while (bytes.size() - i >= 8 && PrintableAscii(bytes.data() + i))
                i += 8;
        } else if (c < 0x20) {
            survey.nuls[i % 2] += c == 0;
            survey.controls += c != '\t' && c != '\n' && c != '\r' && c != '\f' && c != '\v' && c != 0x1A;
            ++i;
        } else if (!survey.utf8) {
            ++i;
        } else if (std::size_t length = Utf8SequenceAt(bytes, i)) {
            survey.multiByte = true;  // its continuation bytes are neither NUL nor controls
            i += length;
        } else {
            survey.utf8 = false;
            ++i;
        }
    }
    return survey;
}

// Says what a file that is no text seems to be; null for text. Text holds no NUL and few control
// characters; UTF-16 holds a NUL in nearly every other byte while it is ASCII.
const char* KindOfNonText(std::string_view bytes, const Survey& survey)
{
    if (bytes.substr(0, 4) == "MThd")
        return "入力ファイルは MIDI ファイル (SMF) のようです。MML のテキストファイルを指定してください";
    if (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF")
        return "入力ファイルは UTF-16 のテキストのようです。Shift_JIS か UTF-8 で保存してください";
    const std::size_t nuls = std::max(survey.nuls[0], survey.nuls[1]);
    if (nuls * 4 > bytes.size() && nuls >= 4)
        return "入力ファイルは UTF-16 のテキストのようです。Shift_JIS か UTF-8 で保存してください";
    if (survey.nuls[0] + survey.nuls[1] > 0 || survey.controls * 32 > bytes.size())
        return "入力ファイルはテキストファイルではないようです (バイナリのデータがあります)";
    return nullptr;
}

// Converts one line into `out`; each character that cannot be converted is reported once and becomes a blank.
void ConvertLine(std::string_view line, int number, std::string& out, Diagnostics& diagnostics)
{
    out.clear();
    if (AppendAsCp932(line, out))
        return;
    for (std::size_t i = 0; i < line.size();) {
        std::size_t length = Utf8SequenceAt(line, i);
        if (length == 0) {
            diagnostics.Error(Place(number, static_cast<std::uint32_t>(i)),
                              "UTF-8 として読めないバイト (0x%02X) があります", static_cast<unsigned char>(line[i]));
            out += ' ';
            ++i;
            continue;
        }
        if (!AppendAsCp932(line.substr(i, length), out)) {
            diagnostics.Error(Place(number, static_cast<std::uint32_t>(i)),
                              "文字 U+%04X はコードページ 932 (Shift_JIS) にないので使えません",
                              static_cast<unsigned>(CodePointOf(line.substr(i, length))));
            out += ' ';
        }
        i += length;
    }
}

}  // namespace

// Each line is written at or before where it was read: a CR LF becomes one byte, and no character is longer in
// code page 932 than in UTF-8 (a character that cannot be converted becomes one blank).
bool PrepareSource(std::string& text, Diagnostics& diagnostics)
{
    std::string_view bytes = text;
    const bool byteOrderMark = bytes.substr(0, 3) == "\xEF\xBB\xBF";
    if (byteOrderMark)
        bytes.remove_prefix(3);
    const Survey survey = SurveyOf(bytes);
    if (const char* kind = KindOfNonText(bytes, survey)) {
        diagnostics.Error(0, "%s", kind);
        return false;
    }
    while (!bytes.empty() && bytes.back() == 0x1A)
        bytes.remove_suffix(1);
    const bool utf8 = byteOrderMark || (survey.utf8 && survey.multiByte);
    if (!utf8 && std::memchr(bytes.data(), '\r', bytes.size()) == nullptr) {
        text.resize(bytes.size());  // as it is, in code page 932 with LF line ends
        return true;
    }
    char* out = &text[0];
    std::string converted;
    int number = 1;
    for (std::size_t start = 0; start < bytes.size(); ++number) {
        // A plain loop: find_first_of searches its set once for every byte of the text.
        std::size_t end = start;
        while (end < bytes.size() && bytes[end] != '\r' && bytes[end] != '\n')
            ++end;
        std::string_view line = bytes.substr(start, end - start);
        if (utf8 && std::any_of(line.begin(), line.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; })) {
            ConvertLine(line, number, converted, diagnostics);
            line = converted;
        }
        std::memmove(out, line.data(), line.size());
        out += line.size();
        if (end == bytes.size())
            break;
        start = end + (bytes.compare(end, 2, "\r\n") == 0 ? 2 : 1);  // read before the line end is written over
        *out++ = '\n';
    }
    text.resize(static_cast<std::size_t>(out - text.data()));
    return true;
}
