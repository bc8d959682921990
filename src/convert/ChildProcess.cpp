// The child-process runner: a hidden console program with three anonymous pipes, polled from this thread
// until it has ended and both of its output pipes are empty.
#include "ChildProcess.h"

namespace {

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
void StopChild(KernelHandle& job, HANDLE process)
{
    if (job)
        job.Reset();
    else
        TerminateProcess(process, 1);
    WaitForSingleObject(process, 5000);
}

// Whether `limit` milliseconds have passed since `start`; never for NoTimeLimit.
bool Passed(DWORD start, DWORD limit)
{
    return limit != NoTimeLimit && GetTickCount() - start >= limit;
}

}  // namespace

bool RunChildProcess(char* commandLine, OutputSink sink, void* context, DWORD timeLimit, RunOutcome* outcome)
{
    RunOutcome ended;
    if (outcome)
        *outcome = ended;
    // Closed in the reverse order: the process and thread handles, the buffer and every pipe end still open,
    // and the job last, since closing it ends whatever the child left running, which might still hold the pipes.
    KernelHandle job;
    ChildProcess child;
    child.sink = sink;
    child.context = context;

    SECURITY_ATTRIBUTES inheritable = {};
    inheritable.nLength = sizeof inheritable;
    inheritable.lpSecurityDescriptor = nullptr;
    inheritable.bInheritHandle = TRUE;

    // The child must hold no writing end of its own input, or it would never see the input end. The parent
    // keeps a private, non-inheritable duplicate and drops it once the child has started.
    if (!CreatePipe(child.inputRead.Receive(), child.inputWrite.Receive(), &inheritable, child.bufferSize))
        return false;
    HANDLE self = GetCurrentProcess();
    if (!DuplicateHandle(self, child.inputWrite.Get(), self, child.privateInput.Receive(), 0, FALSE,
                         DUPLICATE_SAME_ACCESS))
        return false;
    child.inputWrite.Reset();

    if (!CreatePipe(child.outputRead.Receive(), child.outputWrite.Receive(), &inheritable, child.bufferSize))
        return false;
    if (!CreatePipe(child.errorRead.Receive(), child.errorWrite.Receive(), &inheritable, child.bufferSize))
        return false;

    // Allocated before the child exists, so that a failed allocation never leaves a child running unread.
    child.buffer = static_cast<char*>(std::malloc(child.bufferSize));
    if (!child.buffer)
        return false;

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    startup.hStdInput = child.inputRead.Get();
    startup.hStdOutput = child.outputWrite.Get();
    startup.hStdError = child.errorWrite.Get();
    // Suspended until it is in its job, so that nothing it starts can escape the job. A system that refuses
    // the job (a program already in a job that allows no other) still runs the child, which the time limit
    // then ends alone.
    const DWORD flags = CREATE_NO_WINDOW | DETACHED_PROCESS | CREATE_SUSPENDED;
    PROCESS_INFORMATION started = {};
    if (!CreateProcessA(nullptr, commandLine, &inheritable, nullptr, TRUE, flags, nullptr, nullptr, &startup, &started))
        return false;
    KernelHandle process(started.hProcess);
    KernelHandle thread(started.hThread);
    DWORD start = GetTickCount();
    job.Reset(CreateKillingJob());
    if (job && !AssignProcessToJobObject(job.Get(), process.Get()))
        job.Reset();
    ResumeThread(thread.Get());

    WaitForInputIdle(process.Get(), 1000);
    child.privateInput.Reset();

    // The write ends stay open here, so a read never meets the end of a pipe: the end of the output is the
    // child's end followed by pipes that have nothing left.
    bool timedOut = false;
    while (PumpChildProcess(child)) {
        if (WaitForSingleObject(process.Get(), 1) == WAIT_OBJECT_0)
            break;
        if (Passed(start, timeLimit)) {
            timedOut = true;
            StopChild(job, process.Get());
            break;
        }
    }
    for (;;) {
        DWORD outputWaiting = 0;
        DWORD errorWaiting = 0;
        if (!BytesAvailable(child.outputRead.Get(), outputWaiting) ||
            !BytesAvailable(child.errorRead.Get(), errorWaiting))
            break;
        if (outputWaiting == 0 && errorWaiting == 0)
            break;
        // Something the child started may go on writing after the child has ended: it counts against the
        // same limit. A second past it, whatever still writes (outside any job) is no longer listened to.
        if (!timedOut && Passed(start, timeLimit)) {
            timedOut = true;
            StopChild(job, process.Get());
        } else if (timedOut && Passed(start, timeLimit + 1000)) {
            break;
        }
        // A pass that fails with bytes still waiting would fail again on every later pass: stop rather
        // than spin.
        if (!PumpChildProcess(child))
            break;
        Sleep(1);
    }
    ended.stopped = timedOut;
    // A child still running (a pipe that failed) gives STILL_ACTIVE, which says nothing.
    GetExitCodeProcess(process.Get(), &ended.exitStatus);
    if (outcome)
        *outcome = ended;
    return true;
}

bool PumpChildProcess(ChildProcess& child)
{
    if (!ReadPipeChunk(child, child.outputRead.Get(), child.sink))
        return false;
    return ReadPipeChunk(child, child.errorRead.Get(), nullptr);
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

bool RunConverter(const ByteString& commandLine, ByteString& output, DWORD timeLimit, RunOutcome* outcome)
{
    output.Empty();
    // CreateProcessA may write into the command line: hand it a copy of our own.
    ByteString writable = commandLine;
    char* buffer = writable.GetBuffer(writable.Length());
    if (!buffer)
        return false;
    return RunChildProcess(buffer, AppendOutputText, &output, timeLimit, outcome);
}

bool ReadConverterBanner(const ByteString& converterPath, ByteString& banner, DWORD timeLimit, RunOutcome* outcome)
{
    // Appended, not formatted: the formatter stops at 1,023 bytes, and a cut path names another program.
    ByteString commandLine = "\"";
    commandLine.Append(converterPath.c_str());
    commandLine.Append("\"");
    ByteString output;
    if (!RunConverter(commandLine, output, timeLimit, outcome))
        return false;
    // Find gives -1 when there is no CR LF, and Left(-1) is empty: a banner is only a complete first line.
    banner = output.Left(output.Find("\r\n"));
    return true;
}
