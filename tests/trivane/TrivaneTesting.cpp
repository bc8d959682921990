#include "TrivaneTesting.h"

#include <fstream>
#include <iterator>
#include <sstream>

Compiled CompileText(const std::string& mml, const CompileOptions& options)
{
    Compiled compiled;
    compiled.result = Compile(mml, options);
    if (compiled.result.ok)
        compiled.problem = CheckSmf(compiled.result.smf, compiled.listing);
    return compiled;
}

std::vector<std::string> Compiled::Lines(const std::string& marker) const
{
    std::vector<std::string> found;
    for (const std::string& line : result.messages) {
        if (line.find(marker) != std::string::npos)
            found.push_back(line);
    }
    return found;
}

std::string Compiled::AllLines() const
{
    std::string text;
    for (const std::string& line : result.messages)
        text += line + "\n";
    text += result.summary + "\n";
    return text;
}

std::vector<int> KeysOf(const Compiled& compiled, int track)
{
    std::vector<int> keys;
    for (const std::string& line : compiled.Track(track)) {
        std::istringstream in(line);
        std::string tick, what;
        int channel, key;
        if (in >> tick >> what >> channel >> key && what == "on")
            keys.push_back(key);
    }
    return keys;
}

std::set<int> MarkedErrorLines(const std::string& mml)
{
    std::set<int> marked;
    std::istringstream lines(mml);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
            line.pop_back();
        if (line.size() >= 7 && line.compare(line.size() - 7, 7, "; error") == 0)
            marked.insert(number);
    }
    return marked;
}

std::string HostPath(const std::string& path)
{
#ifdef _WIN32
    std::string windows = "Z:" + path;
    for (char& c : windows)
        c = c == '/' ? '\\' : c;
    return windows;
#else
    return path;
#endif
}

std::string ReadBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}
