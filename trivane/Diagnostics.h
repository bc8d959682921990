// Collects the messages of one compile as the lines that the converter prints: "ERROR! " and "Warning: "
// markers, "in line N" for a message about a source line, a cap on how many are shown.
#pragma once

#include "Options.h"

#include <cstdarg>
#include <cstdint>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

// What a message is about: a source line (0 for none in particular) and, to order the messages of one line,
// the byte offset in the source of the place it points at (0 for the line as a whole).
struct Place {
    Place(int line, std::uint32_t at = 0) : line(line), at(at) {}
    int line;
    std::uint32_t at;
};

class Diagnostics {
public:
    explicit Diagnostics(const Limits& limits);

    // Every distinct mistake is reported; the same message again for the same line is dropped, and so is
    // the same call for the same place, so that a mistake inside a loop played a thousand times shows once.
    void Error(Place place, const char* format, ...) __attribute__((format(printf, 3, 4)));
    void Warning(Place place, const char* format, ...) __attribute__((format(printf, 3, 4)));

    int ErrorCount() const { return errors_; }
    int WarningCount() const { return warnings_; }
    bool HasErrors() const { return errors_ > 0; }
    // True once so many errors were found that going on would only cost time.
    bool Stopped() const { return errors_ >= maxCounted_; }

    // The shown messages in the order of their places (messages about no line first), then one line for each
    // kind that was cut. Loops and macros are checked
    // after the whole text has been read, so the order reported is not the order a reader goes through.
    std::vector<std::string> Lines() const;

private:
    void Add(bool error, Place place, const char* format, va_list args);

    int maxShownErrors_;
    int maxShownWarnings_;
    int maxCounted_;
    int errors_ = 0;
    int warnings_ = 0;
    bool warningsUncounted_ = false;
    struct Shown {
        Place place;
        std::string text;
    };
    std::vector<Shown> shown_;
    // The cheap test first, before the message is formatted: a call site and a place seen before.
    std::set<std::tuple<const char*, int, std::uint32_t>> calls_;
    std::set<std::pair<int, std::string>> texts_;
};

// printf into a std::string.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string FormatList(const char* format, va_list args);
