// The real trivane.exe under Wine: its lines end in CR LF, its exit status tells success, failure and a wrong
// command line apart, a failed compile leaves an existing output file as it was, no name of the MML file can
// make it the output, the null device can, and UTF-8 text reaches the file in code page 932.
#include "RunningProgram.h"
#include "SmfCheck.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <regex>

namespace {

// A folder name with a blank and double-byte characters, as users' folders have them.
const char* const Folder = "trivane テスト";
const bool FolderMade = CreateDirectoryA(Folder, nullptr);

void Write(const std::string& name, const std::string& bytes)
{
    std::ofstream(std::string(Folder) + "\\" + name, std::ios::binary) << bytes;
}

// Runs trivane.exe in the folder with its standard output through a pipe; returns its exit status.
DWORD RunTrivane(const std::string& arguments, std::string& output)
{
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE read = nullptr, write = nullptr;
    CreatePipe(&read, &write, &inherit, 0);
    SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = write;
    PROCESS_INFORMATION process = {};
    std::string command = "\"" + WindowsPath(TRIVANE_EXE) + "\" " + arguments;
    bool started = CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, Folder,
                                  &startup, &process);
    CloseHandle(write);
    char buffer[4096];
    DWORD count = 0, status = 99;
    for (output.clear(); started && ReadFile(read, buffer, sizeof buffer, &count, nullptr) && count > 0;)
        output.append(buffer, count);
    CloseHandle(read);
    WaitForSingleObject(process.hProcess, INFINITE);
    GetExitCodeProcess(process.hProcess, &status);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    EXPECT_FALSE(output.empty() ||
                 std::regex_replace(output, std::regex("\r\n"), "").find_first_of("\r\n") != std::string::npos)
        << "lines must end in CR LF: " << output;
    return status;
}

TEST(WineProgram, ExitStatusFailuresThatKeepTheOldFileSameFileNamesAndUtf8)
{
    std::string output, song = std::string(Folder) + "\\song long name.mml", smf = std::string(Folder) + "\\song.mid";
    Write("song long name.mml", ReadBytes(WindowsPath(TRIVANE_TEST_DATA_DIR "/broken.mml")));
    Write("song.mid", "an old file");
    // clang-format off
    const std::pair<std::string, DWORD> failures[] = {{"missing.mml song.mid", 1}, {"-t13 a.mml song.mid", 2},
        {"-q a.mml song.mid", 2}, {"only.mml", 2}, {"\"song long name.mml\" song.mid", 1}};
    // clang-format on
    for (const auto& failure : failures) {
        EXPECT_EQ(RunTrivane(failure.first, output), failure.second) << failure.first << "\n" << output;
        EXPECT_NE(output.find("ERROR! "), std::string::npos) << failure.first;
    }
    EXPECT_NE(output.find("ERROR! in line 4: "), std::string::npos) << output;
    EXPECT_EQ(ReadBytes(smf), "an old file");
    WIN32_FIND_DATAA found;
    EXPECT_EQ(FindFirstFileA((std::string(Folder) + "\\*.tmp").c_str(), &found), INVALID_HANDLE_VALUE);

    const std::string mml = "#title \xE6\x97\xA5\xE6\x9C\xAC\r\nc d e\r\n";  // UTF-8, no byte order mark
    Write("song long name.mml", mml);
    char full[MAX_PATH] = "", shortName[MAX_PATH] = "";
    GetFullPathNameA(song.c_str(), MAX_PATH, full, nullptr);
    GetShortPathNameA(full, shortName, MAX_PATH);
    DeleteFileA((std::string(Folder) + "\\link.mml").c_str());
    CreateHardLinkA((std::string(Folder) + "\\link.mml").c_str(), full, nullptr);
    ASSERT_NE(std::string(shortName).find('~'), std::string::npos) << shortName;
    for (const std::string& name : std::vector<std::string>{"SONG LONG NAME.MML", ".\\song long name.mml", full,
                                                            shortName, "..\\" + song, "link.mml"}) {
        EXPECT_EQ(RunTrivane("\"song long name.mml\" \"" + name + "\"", output), 1u) << name << "\n" << output;
        EXPECT_NE(output.find("同じファイルです: song long name.mml, "), std::string::npos) << output;
        EXPECT_EQ(ReadBytes(song), mml) << name;
    }
    // The null device takes the file, as it is: no file is renamed over it.
    EXPECT_EQ(RunTrivane("\"song long name.mml\" NUL", output), 0u) << output;
    EXPECT_EQ(RunTrivane("-x -v -f -t-3 \"song long name.mml\" song.mid", output), 0u) << output;
    SmfListing listing;
    EXPECT_EQ(CheckSmf(ReadBytes(smf), listing), "");
    EXPECT_EQ(listing.format == 0 ? listing.lines.at(0) : "", "0:0 meta 3 \x93\xFA\x96\x7B");
}

}  // namespace
