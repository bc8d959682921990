// Collects the messages of one compile as the lines that the converter prints: "ERROR! " and "Warning: "
// markers, "in line N" for a message about a source line, a cap on how many are shown.
#pragma once

#include "Options.h"

#include <cstdarg>
#include <set>
#include <string>
#include <utility>
#include <vector>

class Diagnostics {
public:
    explicit Diagnostics(const Limits& limits);

    // Line 0 means a message about no particular line. A message whose format was already reported for
    // the same line is dropped, so that a mistake inside a loop played a thousand times shows once.
    void Error(int line, const char* format, ...) __attribute__((format(printf, 3, 4)));
    void Warning(int line, const char* format, ...) __attribute__((format(printf, 3, 4)));

    int ErrorCount() const { return errors_; }
    int WarningCount() const { return warnings_; }
    bool HasErrors() const { return errors_ > 0; }
    // True once so many errors were found that going on would only cost time.
    bool Stopped() const { return errors_ >= maxCounted_; }

    // The shown messages in the order of their source lines (messages about no line first, and those of one
    // line in the order reported), then one line for each kind that was cut. Loops and macros are checked
    // after the whole text has been read, so the order reported is not the order a reader goes through.
    std::vector<std::string> Lines() const;

private:
    bool FirstTime(int line, const char* format);
    void Add(bool error, int line, const char* format, va_list args);

    int maxShownErrors_;
    int maxShownWarnings_;
    int maxCounted_;
    int errors_ = 0;
    int warnings_ = 0;
    bool warningsUncounted_ = false;
    std::vector<std::pair<int, std::string>> shown_;
    std::set<std::pair<const char*, int>> seen_;
};

// printf into a std::string.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
