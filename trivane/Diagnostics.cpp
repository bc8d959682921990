#include "Diagnostics.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>

std::string FormatList(const char* format, va_list args)
{
    va_list again;
    va_copy(again, args);
    int size = std::vsnprintf(nullptr, 0, format, args);
    std::string text(size > 0 ? size : 0, '\0');
    if (size > 0)
        std::vsnprintf(&text[0], text.size() + 1, format, again);
    va_end(again);
    return text;
}

std::string Format(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    std::string text = FormatList(format, args);
    va_end(args);
    return text;
}

Diagnostics::Diagnostics(const Limits& limits)
    : maxShownErrors_(limits.maxShownErrors),
      maxShownWarnings_(limits.maxShownWarnings),
      maxCounted_(limits.maxCountedMessages)
{
}

// The format's address names the call site: each passes its own literal.
void Diagnostics::Add(bool error, Place place, const char* format, va_list args)
{
    if (error ? Stopped() : warnings_ >= maxCounted_) {
        warningsUncounted_ = warningsUncounted_ || !error;
        return;
    }
    if (!calls_.insert({format, place.line, place.at}).second)
        return;
    std::string text = error ? "ERROR! " : "Warning: ";
    if (place.line > 0)
        text += Format("in line %d: ", place.line);
    text += FormatList(format, args);
    if (!texts_.insert({place.line, text}).second)
        return;
    int& count = error ? errors_ : warnings_;
    ++count;
    if (count <= (error ? maxShownErrors_ : maxShownWarnings_))
        shown_.push_back(Shown{place, std::move(text)});
}

void Diagnostics::Error(Place place, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    Add(true, place, format, args);
    va_end(args);
}

void Diagnostics::Warning(Place place, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    Add(false, place, format, args);
    va_end(args);
}

std::vector<std::string> Diagnostics::Lines() const
{
    std::vector<Shown> shown = shown_;
    std::stable_sort(shown.begin(), shown.end(), [](const Shown& a, const Shown& b) {
        return a.place.line != b.place.line ? a.place.line < b.place.line : a.place.at < b.place.at;
    });
    std::vector<std::string> lines;
    for (Shown& message : shown)
        lines.push_back(std::move(message.text));
    if (errors_ > maxShownErrors_)
        lines.push_back(
            Format("ERROR! ほかに %d 件のエラーがあります (表示を省略しました)", errors_ - maxShownErrors_));
    if (Stopped())
        lines.push_back(Format("ERROR! エラーが %d 件になったので変換をやめました", errors_));
    if (warnings_ > maxShownWarnings_) {
        lines.push_back(Format("Warning: ほかに %d 件%sの警告があります (表示を省略しました)",
                               warnings_ - maxShownWarnings_, warningsUncounted_ ? "以上" : ""));
    }
    return lines;
}
