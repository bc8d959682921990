// Runs a console program hidden, with pipes as its standard handles, and collects its standard output.
#pragma once

#include <windows.h>

#include "ByteString.h"

// Receives each chunk (at least one byte) read from the child's standard output, in order.
typedef void (*OutputSink)(const char* bytes, int count, void* context);

struct ChildProcess {
    HANDLE inputRead = nullptr;
    HANDLE inputWrite = nullptr;
    HANDLE outputRead = nullptr;
    HANDLE outputWrite = nullptr;
    HANDLE errorRead = nullptr;
    HANDLE errorWrite = nullptr;
    HANDLE privateInput = nullptr;
    OutputSink sink = nullptr;
    void* context = nullptr;
    char* buffer = nullptr;
    DWORD bufferSize = 8192;
};

// No time limit: the run waits for the child as long as it takes.
const DWORD NoTimeLimit = INFINITE;

// Starts `commandLine` (a writable NUL-terminated buffer) and hands its standard output to `sink` until the
// child has ended and both pipes are drained. Returns whether the child was started. The child runs in a job
// of its own: when it has not ended within `timeLimit` milliseconds, it and every process it started are
// ended, what they wrote so far is still handed on, and `*stopped` (when given) becomes true.
bool RunChildProcess(char* commandLine,
                     OutputSink sink,
                     void* context,
                     DWORD timeLimit = NoTimeLimit,
                     bool* stopped = nullptr);
bool PumpChildProcess(ChildProcess& child);
bool ReadPipeChunk(ChildProcess& child, HANDLE pipe, OutputSink sink);

// The output sink whose context is a ByteString: appends the chunk as it is, NUL bytes included.
void AppendOutputText(const char* bytes, int count, void* context);

// One compile run: started, and everything the converter wrote to its standard output.
bool RunConverter(const ByteString& commandLine,
                  ByteString& output,
                  DWORD timeLimit = NoTimeLimit,
                  bool* stopped = nullptr);
// Runs the converter with no argument; when it started, `banner` becomes its first line of output (empty
// when the output holds no CR LF). When it did not start, `banner` stays as it was.
bool ReadConverterBanner(const ByteString& converterPath,
                         ByteString& banner,
                         DWORD timeLimit = NoTimeLimit,
                         bool* stopped = nullptr);

// Whether `converterPath`, looked up as CreateProcess looks up the first word of a command line, names this
// very program's executable file (by any spelling, link or short name). Such a converter is never started:
// each instance would start the next from its own start-up run.
bool NamesThisProgram(const ByteString& converterPath);
