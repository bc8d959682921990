// Compiles one large generated song with our trivane and the same notes, written as ABC, with abc2midi, in
// the same run; prints notes per second of both, their ratio and the peak memory of both. Figures only:
// nothing here passes or fails.
//
// usage: trivane_bench [NOTES]   (400000 by default, split over sixteen parts)
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

namespace {

// abc2midi gives up on a track of more than about 55,000 notes ("file runaway"), so the notes are spread
// over sixteen parts.
constexpr int Parts = 16;
constexpr int Runs = 7;

struct Measure {
    double bestSeconds = 1e9;
    double bestCpuSeconds = 1e9;  // user and system time of the child: what a busy machine disturbs least
    long peakKilobytes = 0;
    bool ok = true;
};

// The same tune for both: eighth notes of the C major scale over two octaves, from a fixed pseudo-random walk.
struct Song {
    std::string mml;
    std::string abc;
};

Song Generate(long notes)
{
    Song song;
    song.mml = "#title benchmark\n";
    song.abc = "X:1\nT:benchmark\nM:4/4\nL:1/8\nQ:1/4=120\nK:C\n";
    std::uint32_t seed = 12345;
    const char* names = "cdefgab";
    for (int part = 0; part < Parts; ++part) {
        char track = static_cast<char>('A' + part);
        song.mml += std::string(1, track) + " t120 @0 l8 o4\n";
        song.abc += "V:" + std::to_string(part + 1) + "\n";
        int step = 7;  // 0-13: two octaves of white keys
        int octave = 4;
        std::string mmlLine, abcLine;
        for (long i = 0; i < notes / Parts; ++i) {
            seed = seed * 1103515245u + 12345u;
            step = std::clamp(step + static_cast<int>((seed >> 16) % 5) - 2, 0, 13);
            int wanted = 4 + step / 7;
            mmlLine += wanted > octave ? ">" : wanted < octave ? "<" : "";
            octave = wanted;
            mmlLine += names[step % 7];
            abcLine += static_cast<char>(step < 7 ? names[step] - 'a' + 'A' : names[step - 7]);
            if (i % 8 == 7)
                abcLine += '|';
            if (i % 32 == 31) {
                song.mml += std::string(1, track) + " " + mmlLine + "\n";
                song.abc += abcLine + "\n";
                mmlLine.clear();
                abcLine.clear();
            }
        }
        song.mml += std::string(1, track) + " " + mmlLine + "\n";
        song.abc += abcLine + "|]\n";
    }
    return song;
}

// Runs a program with its output thrown away; its time on the wall clock and its peak resident size come
// from wait4, for that child alone.
bool RunChild(const std::vector<std::string>& arguments, double& seconds, double& cpuSeconds, long& kilobytes)
{
    auto start = std::chrono::steady_clock::now();
    pid_t child = fork();
    if (child == 0) {
        std::freopen("/dev/null", "w", stdout);
        std::freopen("/dev/null", "w", stderr);
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
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    kilobytes = usage.ru_maxrss;
    cpuSeconds =
        usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// One run of each program in turn, so that a machine busy with other work slows both alike; the best run of
// each counts.
void Time(const std::vector<std::string>& first, Measure& a, const std::vector<std::string>& second, Measure& b)
{
    for (int run = 0; run < Runs; ++run) {
        for (auto [arguments, measure] : {std::pair{&first, &a}, std::pair{&second, &b}}) {
            double seconds = 0, cpuSeconds = 0;
            long kilobytes = 0;
            measure->ok = RunChild(*arguments, seconds, cpuSeconds, kilobytes) && measure->ok;
            measure->bestSeconds = std::min(measure->bestSeconds, seconds);
            measure->bestCpuSeconds = std::min(measure->bestCpuSeconds, cpuSeconds);
            measure->peakKilobytes = std::max(measure->peakKilobytes, kilobytes);
        }
    }
}

// Note-ons with a velocity in a file, running status allowed (abc2midi uses it), so that we know both
// tools wrote the same notes.
long CountNotes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<unsigned char> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    long notes = 0;
    std::size_t pos = 14;
    while (pos + 8 <= b.size()) {
        std::size_t length =
            static_cast<std::size_t>(b[pos + 4]) << 24 | b[pos + 5] << 16 | b[pos + 6] << 8 | b[pos + 7];
        std::size_t p = pos + 8, end = std::min(b.size(), p + length);
        unsigned status = 0;
        while (p < end) {
            while (p < end && (b[p++] & 0x80)) {
            }
            if (p >= end)
                break;
            if (b[p] & 0x80)
                status = b[p++];
            if (status == 0xFF || status == 0xF0 || status == 0xF7) {
                if (status == 0xFF)
                    ++p;
                std::size_t size = 0;
                while (p < end && (b[p] & 0x80))
                    size = size << 7 | (b[p++] & 0x7F);
                size = size << 7 | (p < end ? b[p++] : 0);
                p += size;
                continue;
            }
            int data = (status & 0xE0) == 0xC0 ? 1 : 2;
            if ((status & 0xF0) == 0x90 && p + 1 < end && b[p + 1] > 0)
                ++notes;
            p += data;
        }
        pos += 8 + length;
    }
    return notes;
}

}  // namespace

int main(int argc, char** argv)
{
    long notes = argc > 1 ? std::atol(argv[1]) : 400000;
    std::string work = TRIVANE_BENCH_WORK_DIR;
    Song song = Generate(notes);
    std::ofstream(work + "/bench.mml", std::ios::binary) << song.mml;
    std::ofstream(work + "/bench.abc", std::ios::binary) << song.abc;

    Measure ours, theirs;
    Time({TRIVANE_BENCH_PROGRAM, work + "/bench.mml", work + "/bench-trivane.mid"}, ours,
         {"/usr/bin/abc2midi", work + "/bench.abc", "-silent", "-o", work + "/bench-abc.mid"}, theirs);
    long ourNotes = CountNotes(work + "/bench-trivane.mid");
    long theirNotes = CountNotes(work + "/bench-abc.mid");

    std::printf("song: %ld notes in %d parts (MML %zu bytes, ABC %zu bytes), best of %d runs each\n", notes, Parts,
                song.mml.size(), song.abc.size(), Runs);
    std::printf("%-10s %10s %14s %10s %14s %12s %10s\n", "tool", "seconds", "notes/second", "cpu s", "notes/cpu s",
                "peak KiB", "notes out");
    for (auto [name, m, count] : {std::tuple{"trivane", &ours, ourNotes}, std::tuple{"abc2midi", &theirs, theirNotes}})
        std::printf("%-10s %10.3f %14.0f %10.3f %14.0f %12ld %10ld%s\n", name, m->bestSeconds, notes / m->bestSeconds,
                    m->bestCpuSeconds, notes / m->bestCpuSeconds, m->peakKilobytes, count, m->ok ? "" : "  (failed)");
    std::printf(
        "ratio: trivane compiles %.2f times as many notes a second as abc2midi (%.2f in processor time), in "
        "%.2f times its memory\n",
        theirs.bestSeconds / ours.bestSeconds, theirs.bestCpuSeconds / ours.bestCpuSeconds,
        static_cast<double>(ours.peakKilobytes) / std::max(1L, theirs.peakKilobytes));
    return 0;
}
