// The child-process runner against convert_test_child, a real console program started through real pipes.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>

#include "ChildProcess.h"
#include "Pattern.h"

namespace {

const char* const kMissing = "\"Z:\\no\\such\\folder\\trivane.exe\"";

// The test child, which is built beside this program.
ByteString ChildPath()
{
    char path[MAX_PATH];
    ByteString folder(path, static_cast<int>(GetModuleFileNameA(nullptr, path, sizeof path)));
    return folder.Left(folder.ReverseFind('\\') + 1) + "convert_test_child.exe";
}

void RecordChunk(const char* bytes, int count, void* context)
{
    auto& chunks = *static_cast<std::pair<std::string, int>*>(context);
    chunks.first.append(bytes, static_cast<size_t>(count));
    chunks.second = std::max(chunks.second, count);
}

TEST(RunChildProcess, DeliversTheWholeStandardOutputInOrderAndNothingElse)
{
    const std::pair<const char*, std::string> cases[] = {
        {"outpattern 1048576", Pattern(1048576)},
        {"out 41000D0A00", {"A\0\r\n\0", 5}},
        {"err 4F6F7073", ""},
        // A child blocked on a full error pipe would never get to its output, nor end.
        {"errpattern 1000000 out 4F4B outpattern 20000 errpattern 100000 out 21", "OK" + Pattern(20000) + "!"},
        // The input's end is seen at once, or the child writes "blocked" after ten seconds.
        {"stdin", "eof"},
        // Still quiet when the runner starts waiting: what it writes as it ends is found by draining after.
        {"sleep 300 out 6C617374 err 78 outpattern 30000", "last" + Pattern(30000)},
    };
    for (const auto& c : cases) {
        ByteString command = "\"" + ChildPath() + "\" " + c.first;
        std::pair<std::string, int> chunks;
        ASSERT_TRUE(RunChildProcess(command.GetBuffer(command.Length()), RecordChunk, &chunks)) << c.first;
        EXPECT_TRUE(chunks.first == c.second) << c.first << ": " << chunks.first.size() << " bytes";
        EXPECT_LE(chunks.second, 8192) << c.first;
    }
}

// How many handles the process holds. Wine gives no count; there a stand-in grows with every handle left
// open: Wine hands out the lowest free slots, so the highest of a batch of fresh handles lies one slot further
// up for each handle held below it.
DWORD HandleLoad()
{
    DWORD count = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &count) && count > 0)
        return count;
    HANDLE probes[256];
    for (HANDLE& probe : probes) {
        probe = CreateEventA(nullptr, FALSE, FALSE, nullptr);
        count = std::max(count, static_cast<DWORD>(reinterpret_cast<UINT_PTR>(probe)));
    }
    for (HANDLE probe : probes)
        CloseHandle(probe);
    return count;
}

TEST(RunConverter, ReportsAMissingProgramAndLeavesNoHandleOpen)
{
    ByteString output = "left over";
    EXPECT_FALSE(RunConverter(kMissing, output));
    EXPECT_EQ(output, "");
    // The first runs may open handles that the system keeps for the process's lifetime.
    ASSERT_TRUE(RunConverter("\"" + ChildPath() + "\" out 41", output));
    EXPECT_EQ(output, "A");
    DWORD before = HandleLoad();
    for (int run = 0; run < 120; ++run)
        RunConverter(run % 4 ? kMissing : "\"" + ChildPath() + "\" out 41 err 42", output);
    EXPECT_LE(HandleLoad(), before);
}

TEST(ReadConverterBanner, TakesOnlyACompleteFirstLineAndNothingWhenNotStarted)
{
    // The banner run passes no argument: the child takes its commands from the environment.
    const std::pair<const char*, const char*> cases[] = {
        {"out 41310D0A420D0A", "A1"}, {"out 4131", ""}, {"out 0D0A41", ""}, {"", ""}, {"out 82A0410D0A", "\202\240A"},
    };
    for (const auto& c : cases) {
        ByteString banner = "old";
        SetEnvironmentVariableA("DODAVIRID_TEST_CHILD", c.first);
        EXPECT_TRUE(ReadConverterBanner(ChildPath(), banner)) << c.first;
        EXPECT_EQ(banner, c.second) << c.first;
    }
    SetEnvironmentVariableA("DODAVIRID_TEST_CHILD", nullptr);
    ByteString banner = "old";
    EXPECT_FALSE(ReadConverterBanner("Z:\\no\\such\\folder\\trivane.exe", banner));
    EXPECT_EQ(banner, "old");
}

}  // namespace
