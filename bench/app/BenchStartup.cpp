// Start-up of dodavirid.exe, with trivane.exe beside it, against a minimal dialog program, and against the
// same dialog running trivane.exe once before it shows itself (the least that dodavirid.exe must do): the
// time from CreateProcess to the window being visible, the median of several alternating runs of each, and
// the two ratios.
#include <windows.h>
#include <shlwapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace {

double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::string WindowsPath(std::string path)
{
    std::replace(path.begin(), path.end(), '/', '\\');
    return "Z:" + path;
}

// Starts `program`, returns the milliseconds until a visible window titled `title` of that process exists
// (negative when none shows within 20 seconds), then closes it as Escape would.
double TimeStartup(const std::string& program, const char* title, const std::string& arguments = "")
{
    std::string commandLine = "\"" + program + "\"" + arguments;
    std::string folder = program.substr(0, program.rfind('\\'));
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    LARGE_INTEGER start, now;
    QueryPerformanceCounter(&start);
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                        &process))
        return -1;
    double elapsed = -1;
    HWND window = nullptr;
    for (;;) {
        window = FindWindowA("#32770", title);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        QueryPerformanceCounter(&now);
        if (window && owner == process.dwProcessId && IsWindowVisible(window)) {
            elapsed = Milliseconds(start, now);
            break;
        }
        if (Milliseconds(start, now) > 20000)
            break;
        Sleep(1);
    }
    if (window)
        PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    if (WaitForSingleObject(process.hProcess, 10000) != WAIT_OBJECT_0)
        TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return elapsed;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv)
{
    int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 15;
    std::string dodavirid = WindowsPath(DODAVIRID_PATH);
    std::string minimal = WindowsPath(MINIMAL_DIALOG_PATH);
    std::string converter = dodavirid.substr(0, dodavirid.rfind('\\')) + "\\trivane.exe";
    if (GetFileAttributesA(converter.c_str()) == INVALID_FILE_ATTRIBUTES) {
        std::printf("bench_app: no trivane.exe beside %s\n", dodavirid.c_str());
        return 1;
    }
    // The default settings, so that the banner run starts the converter beside the program.
    SHDeleteKeyA(HKEY_CURRENT_USER, "Software\\Pelrin\\Dodavirid\\Preferences");

    std::string withChild = WindowsPath(MINIMAL_DIALOG_CHILD_PATH);
    std::string child = " \"" + converter + "\"";

    // One unmeasured start of each loads Wine's libraries into the file cache.
    TimeStartup(dodavirid, "Dodavirid");
    TimeStartup(minimal, "MinimalDialog");
    TimeStartup(withChild, "MinimalDialog", child);
    std::vector<double> program, baseline, limit;
    for (int i = 0; i < runs; ++i) {
        program.push_back(TimeStartup(dodavirid, "Dodavirid"));
        baseline.push_back(TimeStartup(minimal, "MinimalDialog"));
        limit.push_back(TimeStartup(withChild, "MinimalDialog", child));
        if (program.back() < 0 || baseline.back() < 0 || limit.back() < 0) {
            std::printf("bench_app: a window did not show\n");
            return 1;
        }
    }
    std::printf("start-up to the window shown, median of %d runs each:\n", runs);
    auto show = [](const char* what, const std::vector<double>& times) {
        std::printf("  %-48s %8.1f ms (min %.1f, max %.1f)\n", what, Median(times),
                    *std::min_element(times.begin(), times.end()), *std::max_element(times.begin(), times.end()));
    };
    show("dodavirid.exe with trivane.exe beside it:", program);
    show("minimal dialog program:", baseline);
    show("minimal dialog running trivane.exe first:", limit);
    std::printf("  ratio to the minimal dialog: %.2f\n", Median(program) / Median(baseline));
    std::printf("  ratio to the minimal dialog running trivane.exe first: %.2f\n", Median(program) / Median(limit));
    return 0;
}
