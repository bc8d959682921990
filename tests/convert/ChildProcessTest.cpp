// The child-process runner against convert_test_child, a real console program started through real pipes.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>

#include "ChildProcess.h"
#include "Pattern.h"

namespace {

std::string Str(const ByteString& text)
{
    return std::string(text.c_str(), static_cast<size_t>(text.Length()));
}

// The test child, which is built beside this program.
ByteString ChildPath()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    ByteString folder(path, static_cast<int>(length));
    ByteString child = folder.Left(folder.ReverseFind('\\') + 1);
    child.Append("convert_test_child.exe");
    return child;
}

ByteString ChildCommand(const char* commands)
{
    ByteString line("\"");
    line.Append(ChildPath());
    line.Append("\" ");
    line.Append(commands);
    return line;
}

const char* const kMissingConverter = "\"Z:\\no\\such\\folder\\trivane.exe\"";

struct Chunks {
    ByteString text;
    int count = 0;
    int largest = 0;
};

void RecordChunk(const char* bytes, int count, void* context)
{
    Chunks& chunks = *static_cast<Chunks*>(context);
    chunks.text.Append(bytes, count);
    ++chunks.count;
    if (count > chunks.largest)
        chunks.largest = count;
}

TEST(RunChildProcess, DeliversLargeOutputWholeInOrderInBufferSizedChunks)
{
    const unsigned size = 1 << 20;
    ByteString command = ChildCommand("outpattern 1048576");
    Chunks chunks;
    ASSERT_TRUE(RunChildProcess(command.GetBuffer(command.Length()), RecordChunk, &chunks));
    ASSERT_EQ(chunks.text.Length(), static_cast<int>(size));
    unsigned firstWrong = size;
    for (unsigned i = 0; i < size && firstWrong == size; ++i) {
        if (chunks.text[static_cast<int>(i)] != PatternByte(i))
            firstWrong = i;
    }
    EXPECT_EQ(firstWrong, size);
    EXPECT_LE(chunks.largest, 8192);
    EXPECT_GT(chunks.count, 0);
}

TEST(RunConverter, KeepsEveryByteIncludingNul)
{
    ByteString output = "left over";
    ASSERT_TRUE(RunConverter(ChildCommand("out 41000D0A00"), output));
    EXPECT_EQ(Str(output), std::string("A\0\r\n\0", 5));
}

TEST(RunConverter, DiscardsStandardError)
{
    ByteString output = "left over";
    EXPECT_TRUE(RunConverter(ChildCommand("err 4F6F7073"), output));
    EXPECT_EQ(Str(output), "");
    EXPECT_TRUE(RunConverter(ChildCommand(""), output));
    EXPECT_EQ(Str(output), "");
}

TEST(RunConverter, ReadsBothPipesSoABusyStandardErrorCannotStallTheChild)
{
    // A child blocked on a full error pipe never gets to its standard output and never ends.
    ByteString output;
    ASSERT_TRUE(
        RunConverter(ChildCommand("errpattern 1000000 out 4F4B outpattern 20000 errpattern 100000 out 21"), output));
    ASSERT_EQ(output.Length(), 2 + 20000 + 1);
    EXPECT_EQ(Str(output.Left(2)), "OK");
    EXPECT_EQ(output[2 + 19999], PatternByte(19999));
    EXPECT_EQ(output[2 + 20000], '!');
}

TEST(RunConverter, ChildSeesTheEndOfItsInputAtOnce)
{
    ByteString output;
    ASSERT_TRUE(RunConverter(ChildCommand("stdin"), output));
    EXPECT_EQ(Str(output), "eof");
}

TEST(RunConverter, PicksUpOutputWrittenJustBeforeTheChildEnds)
{
    // The child is still quiet when the runner starts waiting for it, so what it writes as it ends is
    // found only by draining the pipes after its end.
    ByteString output;
    ASSERT_TRUE(RunConverter(ChildCommand("sleep 300 out 6C617374 err 78 outpattern 30000"), output));
    ASSERT_EQ(output.Length(), 4 + 30000);
    EXPECT_EQ(Str(output.Left(4)), "last");
    EXPECT_EQ(output[4 + 29999], PatternByte(29999));
}

TEST(RunConverter, ReportsAMissingProgramAsNotStarted)
{
    ByteString output = "left over";
    EXPECT_FALSE(RunConverter(kMissingConverter, output));
    EXPECT_EQ(Str(output), "");
    EXPECT_FALSE(RunConverter("", output));
}

// How many handles the process holds. Wine gives no count; there a stand-in grows with every handle left
// open: Wine hands out the lowest free slots of the handle table, so the highest of a batch of fresh handles
// lies one slot further up for each handle held below it.
DWORD HandleLoad()
{
    DWORD count = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &count) && count > 0)
        return count;
    HANDLE probes[256];
    DWORD highest = 0;
    for (HANDLE& probe : probes) {
        probe = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        EXPECT_NE(probe, nullptr);
        highest = std::max(highest, static_cast<DWORD>(reinterpret_cast<UINT_PTR>(probe)));
    }
    for (HANDLE probe : probes)
        CloseHandle(probe);
    return highest;
}

TEST(RunConverter, LeavesNoHandleOpen)
{
    ByteString output;
    // The first runs may open handles that the system keeps for the process's lifetime.
    RunConverter(kMissingConverter, output);
    RunConverter(ChildCommand("out 41"), output);
    DWORD before = HandleLoad();
    for (int run = 0; run < 200; ++run)
        EXPECT_FALSE(RunConverter(kMissingConverter, output));
    for (int run = 0; run < 30; ++run)
        EXPECT_TRUE(RunConverter(ChildCommand("out 41 err 42"), output));
    EXPECT_LE(HandleLoad(), before);
}

// The banner run passes the child no argument; it takes its commands from the environment instead.
bool Banner(const char* commands, ByteString& banner)
{
    SetEnvironmentVariableA("DODAVIRID_TEST_CHILD", commands);
    bool started = ReadConverterBanner(ChildPath(), banner);
    SetEnvironmentVariableA("DODAVIRID_TEST_CHILD", nullptr);
    return started;
}

TEST(ReadConverterBanner, TakesOnlyACompleteFirstLine)
{
    const std::pair<const char*, const char*> cases[] = {
        {"out 41310D0A420D0A", "A1"},  // A1 CR LF B CR LF
        {"out 4131", ""},              // no line break: no banner
        {"out 0D0A41", ""},            // an empty first line
        {"out 41", ""},
        {"", ""},
        {"out 82A0410D0A", "\202\240A"},
    };
    for (const auto& c : cases) {
        ByteString banner = "old";
        EXPECT_TRUE(Banner(c.first, banner)) << c.first;
        EXPECT_EQ(Str(banner), c.second) << c.first;
    }
}

TEST(ReadConverterBanner, LeavesTheBannerAloneWhenTheConverterDoesNotStart)
{
    ByteString banner = "old";
    EXPECT_FALSE(ReadConverterBanner("Z:\\no\\such\\folder\\trivane.exe", banner));
    EXPECT_EQ(Str(banner), "old");
}

}  // namespace
