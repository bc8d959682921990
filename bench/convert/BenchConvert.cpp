// bench_convert: what the polling runner and the message list cost. The runner is measured against a plain
// reference reader in the same run, on the same child (convert_test_child, copied beside this program):
// the same three pipes, but a blocking ReadFile loop on standard output and a second thread that drains
// standard error. Prints figures; asserts nothing.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>

#include "ChildProcess.h"
#include "MessageList.h"

namespace {

double Seconds()
{
    LARGE_INTEGER now;
    LARGE_INTEGER frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(now.QuadPart) / static_cast<double>(frequency.QuadPart);
}

ByteString ChildCommand(const char* commands)
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    ByteString self(path, static_cast<int>(length));
    ByteString line("\"");
    line.Append(self.Left(self.ReverseFind('\\') + 1));
    line.Append("convert_test_child.exe\" ");
    line.Append(commands);
    return line;
}

DWORD WINAPI DiscardPipe(void* pipe)
{
    static char sink[8192];
    DWORD read = 0;
    while (ReadFile(static_cast<HANDLE>(pipe), sink, sizeof sink, &read, nullptr) && read > 0) {
    }
    return 0;
}

// The reference: the parent drops its copies of the child's ends at once, so the pipes end with the child
// and blocking reads find that end.
bool ReferenceRun(const ByteString& commandLine, ByteString& output)
{
    output.Empty();
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    HANDLE inputRead, inputWrite, outputRead, outputWrite, errorRead, errorWrite;
    if (!CreatePipe(&inputRead, &inputWrite, &inheritable, 8192))
        return false;
    SetHandleInformation(inputWrite, HANDLE_FLAG_INHERIT, 0);
    CreatePipe(&outputRead, &outputWrite, &inheritable, 8192);
    CreatePipe(&errorRead, &errorWrite, &inheritable, 8192);
    SetHandleInformation(outputRead, HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(errorRead, HANDLE_FLAG_INHERIT, 0);

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    startup.hStdInput = inputRead;
    startup.hStdOutput = outputWrite;
    startup.hStdError = errorWrite;
    PROCESS_INFORMATION process = {};
    ByteString writable = commandLine;
    bool started = CreateProcessA(nullptr, writable.GetBuffer(writable.Length()), nullptr, nullptr, TRUE,
                                  CREATE_NO_WINDOW | DETACHED_PROCESS, nullptr, nullptr, &startup, &process);
    CloseHandle(inputRead);
    CloseHandle(inputWrite);
    CloseHandle(outputWrite);
    CloseHandle(errorWrite);
    if (started) {
        HANDLE drainer = CreateThread(nullptr, 0, DiscardPipe, errorRead, 0, nullptr);
        char buffer[8192];
        DWORD read = 0;
        while (ReadFile(outputRead, buffer, sizeof buffer, &read, nullptr) && read > 0)
            output.Append(buffer, static_cast<int>(read));
        WaitForSingleObject(drainer, INFINITE);
        WaitForSingleObject(process.hProcess, INFINITE);
        CloseHandle(drainer);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(outputRead);
    CloseHandle(errorRead);
    return started;
}

struct Timing {
    double runner = 0;
    double reference = 0;
};

// Alternates the two readers, so that a change in the machine's load touches both alike. Mean seconds a run.
Timing Compare(const char* commands, int runs, int expectedLength)
{
    ByteString command = ChildCommand(commands);
    ByteString output;
    Timing total;
    for (int run = 0; run < runs; ++run) {
        double start = Seconds();
        if (!RunConverter(command, output) || output.Length() != expectedLength)
            std::printf("  runner: wrong output (%d bytes)\n", output.Length());
        double middle = Seconds();
        if (!ReferenceRun(command, output) || output.Length() != expectedLength)
            std::printf("  reference: wrong output (%d bytes)\n", output.Length());
        double end = Seconds();
        total.runner += middle - start;
        total.reference += end - middle;
    }
    total.runner /= runs;
    total.reference /= runs;
    return total;
}

void ShortRun()
{
    const int expected = 9 * 8 + 11 * 9;  // "line 1" to "line 20", each with CR LF
    // One run of each first, so that neither pays for loading the child from disk.
    Compare("lines 20", 1, expected);
    Timing t = Compare("lines 20", 30, expected);
    std::printf("20-line child, mean of 30 runs: runner %.1f ms, reference %.1f ms, ratio %.2f\n", t.runner * 1000,
                t.reference * 1000, t.runner / t.reference);
}

void Throughput(int megabytes, int runs)
{
    char commands[64];
    int bytes = megabytes << 20;
    std::snprintf(commands, sizeof commands, "outpattern %d", bytes);
    Timing t = Compare(commands, runs, bytes);
    std::printf("%2d MB, mean of %d runs: runner %.1f MB/s (%.0f ms), reference %.1f MB/s (%.0f ms), ratio %.2f\n",
                megabytes, runs, megabytes / t.runner, t.runner * 1000, megabytes / t.reference, t.reference * 1000,
                t.runner / t.reference);
}

HWND MakeListView(HWND& frame)
{
    frame = CreateWindowExA(0, "STATIC", "bench", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 500, 400, nullptr, nullptr,
                            GetModuleHandleA(nullptr), nullptr);
    HWND view = CreateWindowExA(WS_EX_CLIENTEDGE, WC_LISTVIEWA, "", WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, 0, 480, 360,
                                frame, nullptr, GetModuleHandleA(nullptr), nullptr);
    LVCOLUMNA column = {};
    column.mask = LVCF_WIDTH;
    column.cx = 460;
    SendMessageA(view, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
    return view;
}

bool LastRowVisible(HWND view)
{
    int top = static_cast<int>(SendMessageA(view, LVM_GETTOPINDEX, 0, 0));
    int perPage = static_cast<int>(SendMessageA(view, LVM_GETCOUNTPERPAGE, 0, 0));
    int last = static_cast<int>(SendMessageA(view, LVM_GETITEMCOUNT, 0, 0)) - 1;
    return top <= last && last < top + perPage;
}

// Rows a second for one AddOutput of `lines` lines into a shown list view; with `quiet`, the caller turns
// the view's drawing off around the call, as a caller may.
void ListRows(int lines, bool quiet)
{
    ByteString text;
    for (int line = 1; line <= lines; ++line) {
        char row[64];
        int length = std::snprintf(row, sizeof row, "song.mml: Warning: note %d in line %d\r\n", line, line);
        text.Append(row, length);
    }
    HWND frame = nullptr;
    MessageList list;
    list.Attach(MakeListView(frame));
    double start = Seconds();
    if (quiet)
        SendMessageA(list.Handle(), WM_SETREDRAW, FALSE, 0);
    list.AddOutput(text);
    if (quiet) {
        SendMessageA(list.Handle(), WM_SETREDRAW, TRUE, 0);
        InvalidateRect(list.Handle(), nullptr, TRUE);
    }
    double seconds = Seconds() - start;
    std::printf("AddOutput of %d lines%s: %.2f s, %.0f rows/s, last row %s\n", lines,
                quiet ? " (drawing turned off by the caller)" : "", seconds, lines / seconds,
                LastRowVisible(list.Handle()) ? "in view" : "NOT in view");
    DestroyWindow(frame);
}

}  // namespace

int main()
{
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    ShortRun();
    Throughput(1, 10);
    Throughput(16, 3);
    ListRows(10000, false);
    return 0;
}
