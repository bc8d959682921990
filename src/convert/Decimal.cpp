// The decimal reader shared by the command line (the transposition field) and the message list (line
// numbers). Written by hand so that it reads the same bytes on Linux and Windows, whatever the locale.
#include "Decimal.h"

#include <climits>

namespace {

// The white space of the C locale; a byte of a double-byte character is never one of these.
bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

}  // namespace

bool ReadDecimal(const char* text, int& value)
{
    const char* p = text;
    while (IsSpace(*p))
        ++p;
    bool negative = *p == '-';
    if (*p == '-' || *p == '+')
        ++p;
    if (!IsDigit(*p))
        return false;
    // Accumulate towards the sign's side, so that INT_MIN itself is reached without overflowing.
    int result = 0;
    for (; IsDigit(*p); ++p) {
        int digit = *p - '0';
        if (negative)
            result = result < (INT_MIN + digit) / 10 ? INT_MIN : result * 10 - digit;
        else
            result = result > (INT_MAX - digit) / 10 ? INT_MAX : result * 10 + digit;
    }
    value = result;
    return true;
}
