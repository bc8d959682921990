// The converter's files and console: reading the source whole, writing the SMF file so that no reader ever
// sees half of it, and printing the messages as the system's console expects them. The name `-` stands for
// standard input where a source is read and for standard output where the SMF file is written.
#pragma once

#include "Sequence.h"

#include <cstdint>
#include <string>

constexpr const char* StandardStream = "-";

enum class ReadResult { Ok, CannotOpen, CannotRead, TooLarge };

// Reads the whole file when it holds at most `limit` bytes.
ReadResult ReadSource(const std::string& path, std::int64_t limit, std::string& text);

// True when `output` exists and is the file `input` names, however the two names are written (case, ".\",
// "..\", full or short 8.3 names, links): compares the files themselves, by volume serial number and file
// index on Windows, by device and inode elsewhere. For `-` the file behind the standard stream counts, so
// that `- song.mml < song.mml` is caught as well.
bool IsSameFile(const std::string& input, const std::string& output);

// Writes `bytes` under a temporary name beside `path`, then renames it over `path`. On failure the
// temporary file is removed and whatever stood at `path` stays as it was. `-` writes standard output, and a
// device or a pipe that `path` names (NUL, /dev/null, a FIFO) is written as it is: a file renamed over it would
// take its place.
bool WriteSmf(const std::string& path, const SmfBytes& bytes);

// True when standard output is a terminal (a console on Windows), which binary bytes would only garble.
bool IsStandardOutputTerminal();

// Puts the standard streams in binary mode, so that the C runtime neither adds a CR to the SMF nor ends a
// source at a Ctrl+Z.
void UseBinaryStandardStreams();

// The messages go to standard output, where the front-end reads them, unless this sends them to standard
// error, for a run whose SMF file goes to standard output.
void UseStandardErrorForMessages();

// The messages are made as code page 932 text, which the console of Windows shows; elsewhere the console
// shows UTF-8. ConsoleText converts a message; ConsoleFormat converts its format only, since its arguments
// (file names, options) come from the command line in the console's code already.
std::string ConsoleText(const std::string& cp932);
std::string ConsoleFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Prints a line of console text, ended by CR LF on Windows and by LF elsewhere.
void PrintLine(const std::string& line);
