// The converter's files and console: reading the source whole, writing the SMF file so that no reader ever
// sees half of it, and printing lines that end in CR LF on every system.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class ReadResult { Ok, CannotOpen, CannotRead, TooLarge };

// Reads the whole file when it holds at most `limit` bytes.
ReadResult ReadSource(const std::string& path, std::int64_t limit, std::string& text);

// True when `output` exists and is the file `input` names, however the two names are written (case, ".\",
// "..\", full or short 8.3 names, links): compares the files themselves, by volume serial number and file
// index on Windows, by device and inode elsewhere.
bool IsSameFile(const std::string& input, const std::string& output);

// Writes `bytes` under a temporary name beside `path`, then renames it over `path`. On failure the
// temporary file is removed and whatever stood at `path` stays as it was.
bool WriteFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes);

// Puts standard output in binary mode, so that the C runtime adds no CR of its own.
void UseBinaryStandardOutput();
void PrintLine(const std::string& line);
