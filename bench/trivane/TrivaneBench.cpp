// Compiles a corpus of generated songs, each in the shape of songs people write (SongShapes.h), with our trivane
// and the same notes, written as ABC, with abc2midi, the two run in turn in one run; reads both SMF files back to see
// that they hold the same notes, and prints per shape the medians of both programs' wall-clock and processor
// times, their peak memory, the ratios, and the worst shape. Figures only: nothing here passes or fails.
//
// usage: trivane_bench [NOTES] [SHAPE...]   (200000 notes a song by default, every shape)
// The songs and both programs' files stay in the build folder, to be profiled or looked at.
#include "SongShapes.h"

#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

constexpr int Runs = 7;

struct Run {
    double seconds = 0;
    double cpuSeconds = 0;  // user and system time of the child: what a busy machine disturbs least
    long kilobytes = 0;     // its peak resident size
};

struct Measure {
    std::vector<Run> runs;
    bool ok = true;

    template <typename Field>
    double Median(Field field) const
    {
        std::vector<double> values;
        for (const Run& run : runs)
            values.push_back(static_cast<double>(run.*field));
        if (values.empty())
            return 0;
        std::sort(values.begin(), values.end());
        const std::size_t middle = values.size() / 2;
        return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
    }
};

// Runs a program with its output sent to `output` (thrown away when empty); its time on the wall clock,
// its processor time and its peak resident size come from wait4, for that child alone.
bool RunChild(const std::vector<std::string>& arguments, Run& run, const std::string& output)
{
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        const int out = open(output.empty() ? "/dev/null" : output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (out >= 0) {
            dup2(out, 1);
            dup2(out, 2);
        }
        std::vector<char*> argv;
        for (const std::string& argument : arguments)
            argv.push_back(const_cast<char*>(argument.c_str()));
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    struct rusage usage = {};
    if (child < 0 || wait4(child, &status, 0, &usage) != child)
        return false;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.kilobytes = usage.ru_maxrss;
    run.cpuSeconds =
        usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Starts the measured programs from a small process forked before the benchmark allocates anything. A child's
// peak resident size counts the memory it held as a copy of its parent before exec: started from the benchmark,
// whose heap has grown with the songs it generates and the files it reads back, both programs would be charged
// for it.
class Launcher {
public:
    Launcher()
    {
        int requests[2], replies[2];
        if (pipe(requests) != 0 || pipe(replies) != 0)
            return;
        pid_ = fork();
        if (pid_ == 0) {
            close(requests[1]);
            close(replies[0]);
            Serve(requests[0], replies[1]);
            _exit(0);
        }
        close(requests[0]);
        close(replies[1]);
        to_ = requests[1];
        from_ = replies[0];
    }
    ~Launcher()
    {
        close(to_);
        close(from_);
        if (pid_ > 0)
            waitpid(pid_, nullptr, 0);
    }

    bool Start(const std::vector<std::string>& arguments, Run& run, const std::string& output = "")
    {
        std::vector<std::string> request = arguments;
        request.push_back(output);
        bool ok = false;
        return WriteStrings(to_, request) && ReadAll(from_, &run, sizeof run) && ReadAll(from_, &ok, sizeof ok) && ok;
    }

private:
    static bool ReadAll(int fd, void* data, std::size_t size)
    {
        for (char* at = static_cast<char*>(data); size > 0;) {
            const ssize_t got = read(fd, at, size);
            if (got <= 0)
                return false;
            at += got;
            size -= static_cast<std::size_t>(got);
        }
        return true;
    }
    static bool WriteAll(int fd, const void* data, std::size_t size)
    {
        for (const char* at = static_cast<const char*>(data); size > 0;) {
            const ssize_t put = write(fd, at, size);
            if (put <= 0)
                return false;
            at += put;
            size -= static_cast<std::size_t>(put);
        }
        return true;
    }
    static bool WriteStrings(int fd, const std::vector<std::string>& strings)
    {
        std::uint32_t count = static_cast<std::uint32_t>(strings.size());
        bool ok = WriteAll(fd, &count, sizeof count);
        for (const std::string& text : strings) {
            std::uint32_t size = static_cast<std::uint32_t>(text.size());
            ok = ok && WriteAll(fd, &size, sizeof size) && WriteAll(fd, text.data(), size);
        }
        return ok;
    }
    // The launcher's loop: a program's arguments and the file for its output in, its figures out.
    static void Serve(int in, int out)
    {
        for (std::uint32_t count = 0; ReadAll(in, &count, sizeof count);) {
            std::vector<std::string> strings(count);
            for (std::string& text : strings) {
                std::uint32_t size = 0;
                if (!ReadAll(in, &size, sizeof size))
                    return;
                text.resize(size);
                if (!ReadAll(in, &text[0], size))
                    return;
            }
            const std::string output = strings.back();
            strings.pop_back();
            Run run;
            const bool ok = RunChild(strings, run, output);
            if (!WriteAll(out, &run, sizeof run) || !WriteAll(out, &ok, sizeof ok))
                return;
        }
    }

    pid_t pid_ = -1;
    int to_ = -1;
    int from_ = -1;
};

// One run of each program in turn, so that a machine busy with other work slows both alike.
void Time(Launcher& launcher,
          const std::vector<std::string>& first,
          Measure& a,
          const std::vector<std::string>& second,
          Measure& b)
{
    for (int i = 0; i < Runs; ++i) {
        for (auto [arguments, measure] : {std::pair{&first, &a}, std::pair{&second, &b}}) {
            Run run;
            measure->ok = launcher.Start(*arguments, run) && measure->ok;
            measure->runs.push_back(run);
        }
    }
}

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

struct Note {
    std::uint32_t tick;
    int channel;  // 1-16
    int key;
    bool operator<(const Note& other) const
    {
        return std::tie(tick, channel, key) < std::tie(other.tick, other.channel, other.key);
    }
    bool operator!=(const Note& other) const { return other < *this || *this < other; }
};
using TrackNotes = std::vector<Note>;

// The note-ons (with a velocity) of each track that holds any, in the order of the tracks. Ticks are scaled to
// 480 a quarter note and rounded down to a 64th note (30 pulses): abc2midi strikes each note a pulse late and
// spreads a chord's notes over 20 pulses, and every note of the corpus starts on a 16th. Sorted by tick, channel
// and key, as the two programs order the notes of a chord differently. Running status is read (abc2midi uses it).
// Empty when the file is no SMF.
std::vector<TrackNotes> ReadNotes(const std::string& path)
{
    const std::string file = ReadFile(path);
    auto b = [&file](std::size_t at) { return at < file.size() ? static_cast<unsigned char>(file[at]) : 0u; };
    auto big = [&b](std::size_t at) { return b(at) << 24 | b(at + 1) << 16 | b(at + 2) << 8 | b(at + 3); };
    std::vector<TrackNotes> tracks;
    const std::uint32_t division = b(12) << 8 | b(13);
    if (file.compare(0, 4, "MThd") != 0 || division == 0 || (division & 0x8000))
        return tracks;
    for (std::size_t chunk = 8 + big(4); chunk + 8 <= file.size(); chunk += 8 + big(chunk + 4)) {
        if (file.compare(chunk, 4, "MTrk") != 0)
            continue;
        const std::size_t end = std::min<std::size_t>(file.size(), chunk + 8 + big(chunk + 4));
        std::size_t p = chunk + 8;
        auto vlq = [&]() {
            std::uint32_t value = 0;
            while (p < end && (b(p) & 0x80))
                value = value << 7 | (b(p++) & 0x7F);
            return value << 7 | (p < end ? b(p++) : 0);
        };
        TrackNotes notes;
        std::uint64_t tick = 0;
        unsigned status = 0;
        while (p < end) {
            tick += vlq();
            if (p < end && (b(p) & 0x80))
                status = b(p++);
            if (status == 0xFF) {
                ++p;
                p += vlq();
            } else if (status == 0xF0 || status == 0xF7) {
                p += vlq();
            } else {
                if ((status & 0xF0) == 0x90 && b(p + 1) > 0) {
                    const std::uint64_t scaled = tick * 480 / division;
                    notes.push_back(Note{static_cast<std::uint32_t>(scaled - scaled % 30),
                                         static_cast<int>(status & 0x0F) + 1, static_cast<int>(b(p))});
                }
                p += (status & 0xE0) == 0xC0 ? 1 : 2;
            }
        }
        if (!notes.empty()) {
            std::sort(notes.begin(), notes.end());
            tracks.push_back(std::move(notes));
        }
    }
    return tracks;
}

long CountNotes(const std::vector<TrackNotes>& tracks)
{
    long count = 0;
    for (const TrackNotes& track : tracks)
        count += static_cast<long>(track.size());
    return count;
}

// "same notes", or where the two files first differ.
std::string CompareNotes(const std::vector<TrackNotes>& ours, const std::vector<TrackNotes>& theirs)
{
    if (ours.size() != theirs.size())
        return "DIFFERENT: notes in " + std::to_string(ours.size()) + " tracks against " +
               std::to_string(theirs.size());
    for (std::size_t t = 0; t < ours.size(); ++t) {
        for (std::size_t i = 0; i < std::max(ours[t].size(), theirs[t].size()); ++i) {
            auto show = [i](const TrackNotes& notes) {
                return i < notes.size() ? std::to_string(notes[i].tick) + ":" + std::to_string(notes[i].channel) + ":" +
                                              std::to_string(notes[i].key)
                                        : std::string("none");
            };
            if (i >= ours[t].size() || i >= theirs[t].size() || ours[t][i] != theirs[t][i])
                return "DIFFERENT: track " + std::to_string(t + 1) + " note " + std::to_string(i + 1) +
                       ", tick:channel:key " + show(ours[t]) + " against " + show(theirs[t]);
        }
    }
    return "same notes";
}

// How many lines of a program's messages hold `marker`.
int CountLines(const std::string& path, const char* marker)
{
    const std::string text = ReadFile(path);
    int count = 0;
    for (std::size_t at = text.find(marker); at != std::string::npos; at = text.find(marker, at + 1))
        ++count;
    return count;
}

struct Row {
    std::string name;
    double speed = 0;     // abc2midi's median wall-clock time over ours
    double cpuSpeed = 0;  // the same in processor time
    double memory = 0;    // our median peak over abc2midi's
};

// Measures one song; prints its row and returns its ratios.
Row MeasureSong(Launcher& launcher, const std::string& name, const GeneratedSong& song, const std::string& work)
{
    const std::string base = work + "/" + name;
    std::ofstream(base + ".mml", std::ios::binary) << song.mml;
    std::ofstream(base + ".abc", std::ios::binary) << song.abc;
    const std::vector<std::string> ours = {TRIVANE_BENCH_PROGRAM, base + ".mml", base + "-trivane.mid"};
    const std::vector<std::string> theirs = {"/usr/bin/abc2midi", base + ".abc", "-silent", "-o",
                                             base + "-abc2midi.mid"};
    // One run each whose messages are kept, which also brings the files into the cache.
    Run first;
    launcher.Start(ours, first, base + "-trivane.txt");
    launcher.Start({theirs[0], theirs[1], "-o", theirs[4]}, first, base + "-abc2midi.txt");
    Measure a, b;
    Time(launcher, ours, a, theirs, b);
    const std::vector<TrackNotes> ourNotes = ReadNotes(base + "-trivane.mid");
    const std::vector<TrackNotes> theirNotes = ReadNotes(base + "-abc2midi.mid");
    std::string remark = CompareNotes(ourNotes, theirNotes);
    if (CountNotes(ourNotes) != song.notes)
        remark += ", trivane wrote " + std::to_string(CountNotes(ourNotes)) + " notes";
    if (int warnings = CountLines(base + "-trivane.txt", "Warning: ") + CountLines(base + "-trivane.txt", "ERROR! "))
        remark += ", trivane: " + std::to_string(warnings) + " messages";
    if (int errors = CountLines(base + "-abc2midi.txt", "Error "))
        remark += ", abc2midi: " + std::to_string(errors) + " errors";
    if (!a.ok || !b.ok)
        remark += !a.ok ? ", trivane failed" : ", abc2midi failed";

    Row row{name};
    row.speed = b.Median(&Run::seconds) / a.Median(&Run::seconds);
    row.cpuSpeed = b.Median(&Run::cpuSeconds) / std::max(1e-6, a.Median(&Run::cpuSeconds));
    row.memory = a.Median(&Run::kilobytes) / std::max(1.0, b.Median(&Run::kilobytes));
    std::printf("%-9s %7.0f %7.0f %7ld |%7.1f %7.1f %8.0f |%7.1f %7.1f %8.0f |%6.2fx %6.2fx %6.2fx | %s\n",
                name.c_str(), song.mml.size() / 1024.0, song.abc.size() / 1024.0, song.notes,
                a.Median(&Run::seconds) * 1e3, a.Median(&Run::cpuSeconds) * 1e3, a.Median(&Run::kilobytes),
                b.Median(&Run::seconds) * 1e3, b.Median(&Run::cpuSeconds) * 1e3, b.Median(&Run::kilobytes), row.speed,
                row.cpuSpeed, row.memory, remark.c_str());
    std::fflush(stdout);
    return row;
}

}  // namespace

int main(int argc, char** argv)
{
    Launcher launcher;
    long notes = 200000;
    std::vector<std::string> wanted;
    for (int i = 1; i < argc; ++i) {
        if (argv[i][0] >= '0' && argv[i][0] <= '9')
            notes = std::atol(argv[i]);
        else
            wanted.push_back(argv[i]);
    }
    const std::string work = TRIVANE_BENCH_WORK_DIR;
    std::printf(
        "songs of %ld notes in 8 voices, MML for trivane and the same notes in ABC for abc2midi;\n"
        "medians of %d runs, the two programs in turn; speed: abc2midi's time over trivane's; memory: "
        "trivane's peak over abc2midi's\n",
        notes, Runs);
    std::printf("%-9s %7s %7s %7s |%-24s |%-24s |%-23s | %s\n", "", "MML", "ABC", "", " trivane", " abc2midi",
                " trivane against abc2midi", "");
    std::printf("%-9s %7s %7s %7s |%7s %7s %8s |%7s %7s %8s |%7s %7s %7s | %s\n", "shape", "KiB", "KiB", "notes", "ms",
                "cpu ms", "peak KiB", "ms", "cpu ms", "peak KiB", "speed", "cpu", "memory", "notes compared");
    std::vector<Row> rows;
    for (const SongShape& shape : SongShapes()) {
        if (wanted.empty() || std::find(wanted.begin(), wanted.end(), shape.name) != wanted.end())
            rows.push_back(MeasureSong(launcher, shape.name, shape.generate(notes), work));
    }
    const bool one = wanted.empty() || std::find(wanted.begin(), wanted.end(), "one") != wanted.end();
    if (one)
        MeasureSong(launcher, "one", OneNoteSong(), work);
    std::printf("\n");
    for (const SongShape& shape : SongShapes()) {
        if (wanted.empty() || std::find(wanted.begin(), wanted.end(), shape.name) != wanted.end())
            std::printf("  %-9s %s\n", shape.name, shape.description);
    }
    if (one)
        std::printf("  %-9s %s\n", "one",
                    "a song of one note: the cost of starting, reading and writing (not ranked; a peak below about 900 "
                    "KiB shows the launcher's)");
    if (rows.empty())
        return 0;
    const Row& slowest =
        *std::min_element(rows.begin(), rows.end(), [](auto& a, auto& b) { return a.speed < b.speed; });
    const Row& heaviest =
        *std::max_element(rows.begin(), rows.end(), [](auto& a, auto& b) { return a.memory < b.memory; });
    std::printf("worst shape for speed: %s, %.2f times abc2midi's speed (%.2f in processor time)\n",
                slowest.name.c_str(), slowest.speed, slowest.cpuSpeed);
    std::printf("worst shape for memory: %s, %.2f times abc2midi's peak memory\n", heaviest.name.c_str(),
                heaviest.memory);
    return 0;
}
