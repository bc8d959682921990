// The sample songs of the documentation, compiled with every option, and the broken song of the tests,
// whose mistakes must be reported on exactly the lines marked for them.
#include "TrivaneTesting.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> Samples()
{
    std::vector<fs::path> paths;
    for (const auto& entry : fs::directory_iterator(TRIVANE_SAMPLES_DIR)) {
        if (entry.path().extension() == ".mml")
            paths.push_back(entry.path());
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

TEST(Samples, CompileCleanlyWithEveryOptionIntoFilesThatPassTheStrictCheck)
{
    std::vector<fs::path> samples = Samples();
    ASSERT_GE(samples.size(), 3u);
    std::vector<CompileOptions> variants(7);
    variants[1].format0 = true;
    variants[2].swapAngleBrackets = true;
    variants[3].swapParentheses = true;
    variants[4].transpose = -12;
    variants[5].transpose = 12;
    variants[6].swapAngleBrackets = variants[6].swapParentheses = variants[6].format0 = true;
    variants[6].transpose = 5;
    for (const fs::path& sample : samples) {
        std::string mml = ReadBytes(sample.string());
        for (std::size_t i = 0; i < variants.size(); ++i) {
            Compiled song = CompileText(mml, variants[i]);
            SCOPED_TRACE(sample.filename().string() + " variant " + std::to_string(i) + "\n" + song.AllLines());
            ASSERT_TRUE(song.result.ok);
            EXPECT_EQ(song.problem, "");
            EXPECT_EQ(song.listing.format, variants[i].format0 ? 0 : 1);
            if (i == 0) {
                EXPECT_EQ(song.result.warnings, 0);
            }
        }
        // Drums on channel 10 are part of every sample but the first.
        Compiled song = CompileText(mml);
        bool drums = false;
        for (const std::string& line : song.listing.lines)
            drums = drums || line.find(" on 9 ") != std::string::npos;
        EXPECT_EQ(drums, sample.filename() != "hello.mml") << sample;
    }
}

TEST(Samples, BrokenSongReportsEachMarkedLineAndNoOther)
{
    std::string mml = ReadBytes(TRIVANE_TEST_DATA_DIR "/broken.mml");
    std::set<int> marked = MarkedErrorLines(mml);
    ASSERT_GE(marked.size(), 10u);

    Compiled song = CompileText(mml);
    EXPECT_FALSE(song.result.ok);
    EXPECT_TRUE(song.result.smf.empty());
    std::set<int> reported;
    for (const std::string& message : song.Lines("ERROR! ")) {
        std::size_t at = message.find("in line ");
        ASSERT_NE(at, std::string::npos) << message;
        reported.insert(std::atoi(message.c_str() + at + 8));
    }
    EXPECT_EQ(reported, marked);
}

}  // namespace
