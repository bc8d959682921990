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
        // Last: closing the job ends whatever the child left running, which might still hold the pipes.
        CloseAndClear(job);
    }

    PROCESS_INFORMATION process = {};
    HANDLE job = nullptr;

private:
    ChildProcess& child_;
};

// The number of bytes waiting in `pipe`, or false when the pipe cannot be asked.
bool BytesAvailable(HANDLE pipe, DWORD& available)
{
    available = 0;
    return PeekNamedPipe(pipe, nullptr, 0, nullptr, &available, nullptr) != FALSE;
}

// A job that ends every process in it when its last handle is closed; null when the system offers none.
HANDLE CreateKillingJob()
{
    HANDLE job = CreateJobObjectA(nullptr, nullptr);
    if (!job)
        return nullptr;
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
        CloseHandle(job);
        return nullptr;
    }
    return job;
}

// Ends the child and, through its job, every process it started; waits a little for the child to be gone,
// so that what it wrote is all in the pipes.
void StopChild(RunResources& resources)
{
    if (resources.job)
        CloseAndClear(resources.job);
    else
        TerminateProcess(resources.process.hProcess, 1);
    WaitForSingleObject(resources.process.hProcess, 5000);
}

// Whether `limit` milliseconds have passed since `start`; never for NoTimeLimit.
bool Passed(DWORD start, DWORD limit)
{
    return limit != NoTimeLimit && GetTickCount() - start >= limit;
}

}  // namespace

bool RunChildProcess(char* commandLine, OutputSink sink, void* context, DWORD timeLimit, bool* stopped)
{
    if (stopped)
        *stopped = false;
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
    // Suspended until it is in its job, so that nothing it starts can escape the job. A system that refuses
    // the job (a program already in a job that allows no other) still runs the child, which the time limit
    // then ends alone.
    const DWORD flags = CREATE_NO_WINDOW | DETACHED_PROCESS | CREATE_SUSPENDED;
    if (!CreateProcessA(nullptr, commandLine, &inheritable, nullptr, TRUE, flags, nullptr, nullptr, &startup,
                        &resources.process))
        return false;
    DWORD start = GetTickCount();
    resources.job = CreateKillingJob();
    if (resources.job && !AssignProcessToJobObject(resources.job, resources.process.hProcess))
        CloseAndClear(resources.job);
    ResumeThread(resources.process.hThread);

    WaitForInputIdle(resources.process.hProcess, 1000);
    CloseAndClear(child.privateInput);

    // The write ends stay open here, so a read never meets the end of a pipe: the end of the output is the
    // child's end followed by pipes that have nothing left.
    bool timedOut = false;
    while (PumpChildProcess(child)) {
        if (WaitForSingleObject(resources.process.hProcess, 1) == WAIT_OBJECT_0)
            break;
        if (Passed(start, timeLimit)) {
            timedOut = true;
            StopChild(resources);
            break;
        }
    }
    for (;;) {
        DWORD outputWaiting = 0;
        DWORD errorWaiting = 0;
        if (!BytesAvailable(child.outputRead, outputWaiting) || !BytesAvailable(child.errorRead, errorWaiting))
            break;
        if (outputWaiting == 0 && errorWaiting == 0)
            break;
        // Something the child started may go on writing after the child has ended: it counts against the
        // same limit. A second past it, whatever still writes (outside any job) is no longer listened to.
        if (!timedOut && Passed(start, timeLimit)) {
            timedOut = true;
            StopChild(resources);
        } else if (timedOut && Passed(start, timeLimit + 1000)) {
            break;
        }
        // A pass that fails with bytes still waiting would fail again on every later pass: stop rather
        // than spin.
        if (!PumpChildProcess(child))
            break;
        Sleep(1);
    }
    if (stopped)
        *stopped = timedOut;
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

bool RunConverter(const ByteString& commandLine, ByteString& output, DWORD timeLimit, bool* stopped)
{
    output.Empty();
    // CreateProcessA may write into the command line: hand it a copy of our own.
    ByteString writable = commandLine;
    char* buffer = writable.GetBuffer(writable.Length());
    if (!buffer)
        return false;
    return RunChildProcess(buffer, AppendOutputText, &output, timeLimit, stopped);
}

bool ReadConverterBanner(const ByteString& converterPath, ByteString& banner, DWORD timeLimit, bool* stopped)
{
    // Appended, not formatted: the formatter stops at 1,023 bytes, and a cut path names another program.
    ByteString commandLine = "\"";
    commandLine.Append(converterPath.c_str());
    commandLine.Append("\"");
    ByteString output;
    if (!RunConverter(commandLine, output, timeLimit, stopped))
        return false;
    // Find gives -1 when there is no CR LF, and Left(-1) is empty: a banner is only a complete first line.
    banner = output.Left(output.Find("\r\n"));
    return true;
}

namespace {

// The file that CreateProcessA would start for a command line whose first word is `name`: a name with a
// folder as it stands, a bare name from the program's folder, the current folder, the system folders and
// PATH, in that order; ".exe" added when the name has no extension. Empty when there is none.
ByteString FindProgramFile(const ByteString& name)
{
    char folder[MAX_PATH] = {};
    DWORD length = GetModuleFileNameA(nullptr, folder, sizeof folder);
    ByteString folders(folder, static_cast<int>(length));
    folders = folders.Left(folders.ReverseFind('\\'));
    folders.Append(";.;");
    if (GetSystemDirectoryA(folder, sizeof folder) > 0)
        folders.Append(folder);
    folders.Append(";");
    if (GetWindowsDirectoryA(folder, sizeof folder) > 0)
        folders.Append(folder);
    DWORD pathLength = GetEnvironmentVariableA("PATH", nullptr, 0);
    if (pathLength > 0) {
        ByteString path;
        char* buffer = path.GetBuffer(static_cast<int>(pathLength));
        if (buffer && GetEnvironmentVariableA("PATH", buffer, pathLength + 1) > 0) {
            path.ReleaseBuffer();
            folders.Append(";");
            folders.Append(path);
        }
    }
    ByteString found;
    for (DWORD size = MAX_PATH;;) {
        char* buffer = found.GetBuffer(static_cast<int>(size));
        if (!buffer)
            return ByteString();
        DWORD needed = SearchPathA(folders.c_str(), name.c_str(), ".exe", size + 1, buffer, nullptr);
        if (needed == 0)
            return ByteString();
        if (needed <= size) {
            found.ReleaseBuffer();
            return found;
        }
        size = needed;
    }
}

// The volume and file number of `path`, which tell a file apart whatever name it is reached by.
bool IdentifyFile(const char* path, BY_HANDLE_FILE_INFORMATION& identity)
{
    HANDLE file = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    bool known = GetFileInformationByHandle(file, &identity) != FALSE;
    CloseHandle(file);
    return known;
}

}  // namespace

bool NamesThisProgram(const ByteString& converterPath)
{
    ByteString program = FindProgramFile(converterPath);
    char own[MAX_PATH] = {};
    BY_HANDLE_FILE_INFORMATION theirs, ours;
    if (program.IsEmpty() || GetModuleFileNameA(nullptr, own, sizeof own) == 0)
        return false;
    if (!IdentifyFile(program.c_str(), theirs) || !IdentifyFile(own, ours))
        return false;
    return theirs.dwVolumeSerialNumber == ours.dwVolumeSerialNumber && theirs.nFileIndexHigh == ours.nFileIndexHigh &&
           theirs.nFileIndexLow == ours.nFileIndexLow;
}
