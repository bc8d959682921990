// The byte at each offset of the test child's generated output: position-dependent and not periodic in any
// buffer size, so a lost, repeated or reordered chunk changes what the reader sees.
#pragma once

#include <string>

inline char PatternByte(unsigned offset)
{
    return static_cast<char>((offset * 2654435761u) >> 24);
}

// PatternByte(0) to PatternByte(size - 1).
inline std::string Pattern(unsigned size)
{
    std::string bytes;
    for (unsigned i = 0; i < size; ++i)
        bytes += PatternByte(i);
    return bytes;
}
