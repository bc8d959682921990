// Code page 932, the text the compiler reads and the messages it makes, and UTF-8, which sources may be
// written in and which the console of a system other than Windows shows.
#pragma once

#include <string>
#include <string_view>

// Appends `utf8` converted to code page 932; false, with nothing appended, when it is not valid UTF-8 or a
// character has no code page 932 form. Windows converts with its API; elsewhere tables made from the build
// system's iconv do, so that a statically linked program needs no character set files at run time.
bool AppendAsCp932(std::string_view utf8, std::string& out);

#ifndef _WIN32
// Appends `cp932` as UTF-8; a byte that begins no character of code page 932 becomes U+FFFD.
void AppendAsUtf8(std::string_view cp932, std::string& out);
#endif
