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

// Starts `commandLine` (a writable NUL-terminated buffer) and hands its standard output to `sink` until the
// child has ended and both pipes are drained. Returns whether the child was started.
bool RunChildProcess(char* commandLine, OutputSink sink, void* context);
bool PumpChildProcess(ChildProcess& child);
bool ReadPipeChunk(ChildProcess& child, HANDLE pipe, OutputSink sink);

// The output sink whose context is a ByteString: appends the chunk as it is, NUL bytes included.
void AppendOutputText(const char* bytes, int count, void* context);

// One compile run: started, and everything the converter wrote to its standard output.
bool RunConverter(const ByteString& commandLine, ByteString& output);
// Runs the converter with no argument; when it started, `banner` becomes its first line of output (empty
// when the output holds no CR LF). When it did not start, `banner` stays as it was.
bool ReadConverterBanner(const ByteString& converterPath, ByteString& banner);
