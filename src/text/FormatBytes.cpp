// A formatter with the conversions and the 1,024-byte output limit of the platform's wvsprintfA, written
// out so that the byte string behaves alike on Windows and in the native build.
#include "ByteString.h"

#include <cstring>

namespace {

class Output {
public:
    Output(char* out, int size) : out_(out), room_(size > 0 ? size - 1 : 0) {}
    void Put(char c)
    {
        if (length_ < room_)
            out_[length_++] = c;
    }
    void Put(char c, int times)
    {
        while (times-- > 0)
            Put(c);
    }
    void Put(const char* text, int count)
    {
        for (int i = 0; i < count; ++i)
            Put(text[i]);
    }
    int Finish(int size)
    {
        if (size > 0)
            out_[length_] = '\0';
        return length_;
    }

private:
    char* out_;
    int room_;
    int length_ = 0;
};

}  // namespace

int FormatBytes(char* out, int size, const char* format, va_list args)
{
    Output output(out, size);
    const char* p = format ? format : "";
    while (*p) {
        if (*p != '%') {
            output.Put(*p++);
            continue;
        }
        ++p;
        if (*p == '%') {
            output.Put(*p++);
            continue;
        }
        bool left = false, alternate = false, zeros = false;
        for (;; ++p) {
            if (*p == '-')
                left = true;
            else if (*p == '#')
                alternate = true;
            else if (*p == '0')
                zeros = true;
            else
                break;
        }
        int width = 0;
        while (*p >= '0' && *p <= '9')
            width = width * 10 + (*p++ - '0');
        int precision = -1;
        if (*p == '.') {
            ++p;
            precision = 0;
            while (*p >= '0' && *p <= '9')
                precision = precision * 10 + (*p++ - '0');
        }
        if (*p == 'l' || *p == 'h' || *p == 'w')
            ++p;
        char type = *p;
        if (type == '\0')
            break;
        ++p;

        char digits[16];
        const char* text = digits;
        int length = 0;
        const char* prefix = "";
        switch (type) {
        case 'c':
        case 'C':
            digits[0] = static_cast<char>(va_arg(args, int));
            length = 1;
            zeros = false;
            break;
        case 's':
        case 'S':
            text = va_arg(args, const char*);
            if (!text)
                text = "(null)";
            length = 0;
            while (text[length] && (precision < 0 || length < precision))
                ++length;
            zeros = false;
            break;
        case 'd':
        case 'i':
        case 'u':
        case 'x':
        case 'X': {
            unsigned int value = va_arg(args, unsigned int);
            bool negative = false;
            if ((type == 'd' || type == 'i') && static_cast<int>(value) < 0) {
                negative = true;
                value = 0u - value;
            }
            unsigned int base = (type == 'x' || type == 'X') ? 16 : 10;
            const char* alphabet = type == 'X' ? "0123456789ABCDEF" : "0123456789abcdef";
            char reversed[16];
            int count = 0;
            do {
                reversed[count++] = alphabet[value % base];
                value /= base;
            } while (value);
            while (count < precision && count < 15)
                reversed[count++] = '0';
            for (int i = 0; i < count; ++i)
                digits[i] = reversed[count - 1 - i];
            length = count;
            if (negative)
                prefix = "-";
            else if (alternate && base == 16)
                prefix = type == 'X' ? "0X" : "0x";
            if (precision >= 0)
                zeros = false;
            break;
        }
        default:
            // An unknown conversion prints its letter, as the platform does.
            digits[0] = type;
            length = 1;
            zeros = false;
            break;
        }

        int prefixLength = static_cast<int>(std::strlen(prefix));
        int padding = width - length - prefixLength;
        if (!left && !zeros)
            output.Put(' ', padding);
        output.Put(prefix, prefixLength);
        if (!left && zeros)
            output.Put('0', padding);
        output.Put(text, length);
        if (left)
            output.Put(' ', padding);
    }
    return output.Finish(size);
}
