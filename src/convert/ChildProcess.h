// Runs a console program hidden, with pipes as its standard handles, and collects its standard output.
#pragma once

#include <windows.h>

#include <cstdlib>

#include "ByteString.h"
#include "Handles.h"

// Receives each chunk (at least one byte) read from the child's standard output, in order.
typedef void (*OutputSink)(const char* bytes, int count, void* context);

// The pipes and the read buffer of one run, released with it.
struct ChildProcess {
    ChildProcess() = default;
    ~ChildProcess() { std::free(buffer); }

    KernelHandle inputRead;
    KernelHandle inputWrite;
    KernelHandle outputRead;
    KernelHandle outputWrite;
    KernelHandle errorRead;
    KernelHandle errorWrite;
    KernelHandle privateInput;
    OutputSink sink = nullptr;
    void* context = nullptr;
    char* buffer = nullptr;  // from malloc, so that a failed allocation is a result rather than an exception
    DWORD bufferSize = 8192;
};

// How a run that started ended.
struct RunOutcome {
    bool stopped = false;  // the time limit ended it
    DWORD exitStatus = 0;  // its exit status, when it ended by itself
    // An exception ended it (0xC0000005 for an access violation): such statuses lie at 0xC0000000 and above,
    // where no program puts an exit code of its own. Any other status means nothing to the caller.
    bool Crashed() const { return !stopped && exitStatus >= 0xC0000000; }
};

// No time limit: the run waits for the child as long as it takes.
const DWORD NoTimeLimit = INFINITE;

// Starts `commandLine` (a writable NUL-terminated buffer) and hands its standard output to `sink` until the
// child has ended and both pipes are drained. Returns whether the child was started; `*outcome` (when given)
// then tells how it ended. The child runs in a job of its own: when it has not ended within `timeLimit`
// milliseconds, it and every process it started are ended, and what they wrote so far is still handed on.
bool RunChildProcess(char* commandLine,
                     OutputSink sink,
                     void* context,
                     DWORD timeLimit = NoTimeLimit,
                     RunOutcome* outcome = nullptr);
bool PumpChildProcess(ChildProcess& child);
bool ReadPipeChunk(ChildProcess& child, HANDLE pipe, OutputSink sink);

// The output sink whose context is a ByteString: appends the chunk as it is, NUL bytes included.
void AppendOutputText(const char* bytes, int count, void* context);

// One compile run: started, and everything the converter wrote to its standard output.
bool RunConverter(const ByteString& commandLine,
                  ByteString& output,
                  DWORD timeLimit = NoTimeLimit,
                  RunOutcome* outcome = nullptr);
// Runs the converter with no argument; when it started, `banner` becomes its first line of output (empty
// when the output holds no CR LF). When it did not start, `banner` stays as it was.
bool ReadConverterBanner(const ByteString& converterPath,
                         ByteString& banner,
                         DWORD timeLimit = NoTimeLimit,
                         RunOutcome* outcome = nullptr);
