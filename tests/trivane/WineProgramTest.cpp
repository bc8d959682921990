// The real trivane.exe, started the way the front-end starts it: hidden, standard output through a pipe.
// Its lines must end in CR LF, the banner run must come first, and a failed compile must leave an
// existing output file as it was.
#include "TrivaneTesting.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <string>

namespace {

class Handle {
public:
    Handle() = default;
    explicit Handle(HANDLE handle) : handle_(handle) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() { Close(); }
    void Close()
    {
        if (handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE)
            CloseHandle(handle_);
        handle_ = nullptr;
    }
    HANDLE* Receive()
    {
        Close();
        return &handle_;
    }
    HANDLE Get() const { return handle_; }

private:
    HANDLE handle_ = nullptr;
};

struct RunResult {
    DWORD exitCode = 0;
    std::string output;
};

RunResult RunTrivane(const std::string& arguments)
{
    RunResult run;
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    Handle readOut, writeOut, readIn, writeIn;
    EXPECT_TRUE(CreatePipe(readOut.Receive(), writeOut.Receive(), &inherit, 0));
    EXPECT_TRUE(CreatePipe(readIn.Receive(), writeIn.Receive(), &inherit, 0));
    SetHandleInformation(readOut.Get(), HANDLE_FLAG_INHERIT, 0);
    SetHandleInformation(writeIn.Get(), HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES | STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    startup.hStdInput = readIn.Get();
    startup.hStdOutput = writeOut.Get();
    startup.hStdError = writeOut.Get();
    std::string commandLine = "\"" + HostPath(TRIVANE_EXE) + "\" " + arguments;
    PROCESS_INFORMATION process = {};
    bool started = CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                                  &startup, &process);
    EXPECT_TRUE(started) << commandLine;
    if (!started)
        return run;
    Handle processHandle(process.hProcess), thread(process.hThread);
    writeOut.Close();
    readIn.Close();
    writeIn.Close();
    char buffer[4096];
    DWORD count = 0;
    while (ReadFile(readOut.Get(), buffer, sizeof buffer, &count, nullptr) && count > 0)
        run.output.append(buffer, count);
    WaitForSingleObject(processHandle.Get(), INFINITE);
    GetExitCodeProcess(processHandle.Get(), &run.exitCode);
    return run;
}

std::string Quoted(const std::string& path)
{
    return "\"" + path + "\"";
}

void WriteBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// Every line ends in CR LF, and no CR stands alone or doubled.
void ExpectCrLfLines(const std::string& output)
{
    ASSERT_FALSE(output.empty());
    EXPECT_EQ(output.substr(output.size() - 2), "\r\n");
    for (std::size_t i = 0; i < output.size(); ++i) {
        if (output[i] == '\n') {
            EXPECT_TRUE(i > 0 && output[i - 1] == '\r') << "LF alone at " << i;
        }
        if (output[i] == '\r') {
            EXPECT_TRUE(i + 1 < output.size() && output[i + 1] == '\n') << "CR without LF at " << i;
        }
    }
}

class WineProgram : public ::testing::Test {
protected:
    void SetUp() override
    {
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        // A folder name with a blank and double-byte characters, as users' folders have them.
        folder_ = std::string(temp) + "trivane テスト " + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(folder_.c_str(), nullptr);
    }
    void TearDown() override
    {
        for (const char* name : {"song.mml", "song.mid", "broken.mml"})
            DeleteFileA((folder_ + "\\" + name).c_str());
        RemoveDirectoryA(folder_.c_str());
    }
    std::string In(const char* name) const { return folder_ + "\\" + name; }

    std::string folder_;
};

TEST_F(WineProgram, BannerRunPrintsNameAndVersionFirstAndNoError)
{
    RunResult run = RunTrivane("");
    EXPECT_EQ(run.exitCode, 0u);
    ExpectCrLfLines(run.output);
    EXPECT_EQ(run.output.rfind("Trivane version 2.0.0.1", 0), 0u) << run.output;
    EXPECT_EQ(run.output.find("ERROR! "), std::string::npos);
    EXPECT_NE(run.output.find("-t<N>"), std::string::npos);
}

TEST_F(WineProgram, CompilesASampleWithEveryOptionIntoAValidFileReplacingTheOldOne)
{
    WriteBytes(In("song.mml"), ReadBytes(HostPath(TRIVANE_SAMPLES_DIR "/march.mml")));
    WriteBytes(In("song.mid"), "an old file");
    RunResult run = RunTrivane("-x -v -f -t-3 " + Quoted(In("song.mml")) + " " + Quoted(In("song.mid")));
    EXPECT_EQ(run.exitCode, 0u) << run.output;
    ExpectCrLfLines(run.output);
    EXPECT_EQ(run.output.find("ERROR! "), std::string::npos) << run.output;
    std::string smf = ReadBytes(In("song.mid"));
    SmfListing listing;
    EXPECT_EQ(CheckSmf(std::vector<std::uint8_t>(smf.begin(), smf.end()), listing), "");
    EXPECT_EQ(listing.format, 0);
}

TEST_F(WineProgram, FailedCompileLeavesTheOutputAsItWasAndNamesTheLines)
{
    WriteBytes(In("broken.mml"), ReadBytes(HostPath(TRIVANE_TEST_DATA_DIR "/broken.mml")));
    WriteBytes(In("song.mid"), "an old file");
    RunResult run = RunTrivane(Quoted(In("broken.mml")) + " " + Quoted(In("song.mid")));
    EXPECT_NE(run.exitCode, 0u);
    ExpectCrLfLines(run.output);
    EXPECT_NE(run.output.find("ERROR! in line 4: "), std::string::npos) << run.output;
    EXPECT_EQ(ReadBytes(In("song.mid")), "an old file");
    WIN32_FIND_DATAA found;
    Handle search(FindFirstFileA((folder_ + "\\*.tmp").c_str(), &found));
    EXPECT_EQ(search.Get(), INVALID_HANDLE_VALUE);
}

TEST_F(WineProgram, CommandLineMistakesAndMissingFilesFail)
{
    WriteBytes(In("song.mid"), "an old file");
    for (const std::string& arguments :
         {"-t13 a.mml " + Quoted(In("song.mid")), "-q a.mml " + Quoted(In("song.mid")), std::string("only.mml"),
          Quoted(In("missing.mml")) + " " + Quoted(In("song.mid"))}) {
        RunResult run = RunTrivane(arguments);
        EXPECT_NE(run.exitCode, 0u) << arguments;
        EXPECT_NE(run.output.find("ERROR! "), std::string::npos) << arguments;
        ExpectCrLfLines(run.output);
    }
    EXPECT_EQ(ReadBytes(In("song.mid")), "an old file");
}

}  // namespace
