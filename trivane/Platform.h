// The converter's files and console: reading the source whole, writing the SMF file so that no reader ever
// sees half of it, and printing lines that end in CR LF on every system.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class ReadResult { Ok, CannotOpen, CannotRead };

// Reads at most `limit` + 1 bytes, enough for the compiler to tell that a file is too large.
ReadResult ReadSource(const std::string& path, std::int64_t limit, std::string& text);

// Writes `bytes` under a temporary name beside `path`, then renames it over `path`. On failure the
// temporary file is removed and whatever stood at `path` stays as it was.
bool WriteFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes);

// Puts standard output in binary mode, so that the C runtime adds no CR of its own.
void UseBinaryStandardOutput();
void PrintLine(const std::string& line);
