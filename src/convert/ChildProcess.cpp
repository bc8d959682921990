// The child-process runner: a hidden console program with three anonymous pipes, polled from this thread
// until it has ended and both of its output pipes are empty.
#include "ChildProcess.h"

#include <cstdlib>

namespace {

void CloseAndClear(HANDLE& handle)
{
    if (handle) {
        CloseHandle(handle);
        handle = nullptr;
    }
}

// Owns everything one run opens, so that each way out of RunChildProcess releases the same things in the
// same order: the buffer, the thread and process handles, then every pipe end still open.
class RunResources {
public:
    explicit RunResources(ChildProcess& child) : child_(child) {}
    RunResources(const RunResources&) = delete;
    RunResources& operator=(const RunResources&) = delete;

    ~RunResources()
    {
        std::free(child_.buffer);
        child_.buffer = nullptr;
        CloseAndClear(process.hThread);
        CloseAndClear(process.hProcess);
        CloseAndClear(child_.inputRead);
        CloseAndClear(child_.inputWrite);
        CloseAndClear(child_.outputRead);
        CloseAndClear(child_.outputWrite);
        CloseAndClear(child_.errorRead);
        CloseAndClear(child_.errorWrite);
        CloseAndClear(child_.privateInput);
    }

    PROCESS_INFORMATION process = {};

private:
    ChildProcess& child_;
};

// The number of bytes waiting in `pipe`, or false when the pipe cannot be asked.
bool BytesAvailable(HANDLE pipe, DWORD& available)
{
    available = 0;
    return PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) != FALSE;
}

}  // namespace

bool RunChildProcess(char* commandLine, OutputSink sink, void* context)
{
    ChildProcess child;
    child.sink = sink;
    child.context = context;
    RunResources resources(child);

    SECURITY_ATTRIBUTES inheritable = {};
    inheritable.nLength = sizeof inheritable;
    inheritable.lpSecurityDescriptor = nullptr;
    inheritable.bInheritHandle = TRUE;

    // The child must hold no writing end of its own input, or it would never see the input end. The parent
    // keeps a private, non-inheritable duplicate and drops it once the child has started.
    if (!CreatePipe(&child.inputRead, &child.inputWrite, &inheritable, child.bufferSize))
        return false;
    HANDLE self = GetCurrentProcess();
    if (!DuplicateHandle(self, child.inputWrite, self, &child.privateInput, 0, FALSE, DUPLICATE_SAME_ACCESS))
        return false;
    CloseAndClear(child.inputWrite);

    if (!CreatePipe(&child.outputRead, &child.outputWrite, &inheritable, child.bufferSize))
        return false;
    if (!CreatePipe(&child.errorRead, &child.errorWrite, &inheritable, child.bufferSize))
        return false;

    // Allocated before the child exists, so that a failed allocation never leaves a child running unread.
    child.buffer = static_cast<char*>(std::malloc(child.bufferSize));
    if (!child.buffer)
        return false;

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    startup.hStdInput = child.inputRead;
    startup.hStdOutput = child.outputWrite;
    startup.hStdError = child.errorWrite;
    if (!CreateProcessA(nullptr, commandLine, &inheritable, nullptr, TRUE, CREATE_NO_WINDOW | DETACHED_PROCESS, nullptr,
                        nullptr, &startup, &resources.process))
        return false;

    WaitForInputIdle(resources.process.hProcess, 1000);
    CloseAndClear(child.privateInput);

    // The write ends stay open here, so a read never meets the end of a pipe: the end of the output is the
    // child's end followed by pipes that have nothing left.
    while (PumpChildProcess(child)) {
        if (WaitForSingleObject(resources.process.hProcess, 1) == WAIT_OBJECT_0)
            break;
    }
    for (;;) {
        DWORD outputWaiting = 0;
        DWORD errorWaiting = 0;
        if (!BytesAvailable(child.outputRead, outputWaiting) || !BytesAvailable(child.errorRead, errorWaiting))
            break;
        if (outputWaiting == 0 && errorWaiting == 0)
            break;
        // A pass that fails with bytes still waiting would fail again on every later pass: stop rather
        // than spin.
        if (!PumpChildProcess(child))
            break;
        Sleep(1);
    }
    return true;
}

bool PumpChildProcess(ChildProcess& child)
{
    if (!ReadPipeChunk(child, child.outputRead, child.sink))
        return false;
    return ReadPipeChunk(child, child.errorRead, nullptr);
}

bool ReadPipeChunk(ChildProcess& child, HANDLE pipe, OutputSink sink)
{
    DWORD available = 0;
    if (!BytesAvailable(pipe, available))
        return false;
    if (available == 0)
        return true;
    DWORD wanted = available < child.bufferSize ? available : child.bufferSize;
    DWORD read = 0;
    if (!ReadFile(pipe, child.buffer, wanted, &read, nullptr))
        return false;
    if (sink && read > 0)
        sink(child.buffer, static_cast<int>(read), child.context);
    return true;
}

void AppendOutputText(const char* bytes, int count, void* context)
{
    // Append keeps the string as it was when it cannot get memory: that chunk is lost, the run goes on.
    static_cast<ByteString*>(context)->Append(bytes, count);
}

bool RunConverter(const ByteString& commandLine, ByteString& output)
{
    output.Empty();
    // CreateProcessA may write into the command line: hand it a copy of our own.
    ByteString writable = commandLine;
    char* buffer = writable.GetBuffer(writable.Length());
    if (!buffer)
        return false;
    return RunChildProcess(buffer, AppendOutputText, &output);
}

bool ReadConverterBanner(const ByteString& converterPath, ByteString& banner)
{
    ByteString commandLine;
    commandLine.Format("\"%s\"", converterPath.c_str());
    ByteString output;
    if (!RunConverter(commandLine, output))
        return false;
    // Find gives -1 when there is no CR LF, and Left(-1) is empty: a banner is only a complete first line.
    banner = output.Left(output.Find("\r\n"));
    return true;
}
