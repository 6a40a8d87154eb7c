// The save file and the ways out of a game: Q writes the ranking and returns to the title,
// Escape and EXIT end the program without writing it (and nothing is asked of the engine
// after EXIT ended it), and a save file is taken only when it is a whole, sorted,
// non-negative record whose 10th entry is above the default 10th.
#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "tests/game/game_harness.h"

using namespace game_test;

namespace {

const char kDefaultSaveBytes[] =
    "\x98\x3A\x00\x00\xB0\x36\x00\x00\xC8\x32\x00\x00\xE0\x2E\x00\x00\x10\x27\x00\x00"
    "\x40\x1F\x00\x00\x70\x17\x00\x00\xA0\x0F\x00\x00\xD0\x07\x00\x00\xE8\x03\x00\x00";

}  // namespace

TEST(SaveAndQuit, QOnTheFirstPlayFrameWritesTheFortyDefaultBytesInTheNextFrame) {
    GameHarness run;
    ASSERT_EQ(run.StartUp(), 0);
    ASSERT_EQ(run.Frame(), 0);
    ASSERT_EQ(run.Frame({kKeyZ}), 0);
    ASSERT_EQ(run.game().state, 1);
    ASSERT_EQ(run.Frame({kKeyQ}), 0);
    EXPECT_EQ(run.game().state, 888);
    EXPECT_FALSE(run.SaveFileExists());
    ASSERT_EQ(run.Frame({kKeyQ}), 0);
    EXPECT_EQ(run.game().state, 0);
    EXPECT_EQ(run.SaveFile(), std::string(kDefaultSaveBytes, 40));
    EXPECT_FALSE(std::filesystem::exists(run.dir().path() / "save_data.dat.tmp"));
    // Back on the title with a fresh game.
    ASSERT_EQ(run.Frame(), 0);
    EXPECT_TRUE(run.last().HasText("GAME START"));
    EXPECT_EQ(run.game().score, 0);
    EXPECT_EQ(run.game().title_cursor, 340);
}

TEST(SaveAndQuit, EscapeEndsTheLoopWithoutWritingTheSaveFile) {
    GameHarness run;
    ASSERT_EQ(run.StartUp(), 0);
    ASSERT_EQ(run.Frame({kKeyZ}), 0);
    ASSERT_EQ(run.Frame(), 0);
    EXPECT_EQ(run.Frame({kKeyEscape}), 1);
    EXPECT_FALSE(run.SaveFileExists());
}

TEST(SaveAndQuit, ExitOnTheTitleEndsTheEngineAndNothingIsDrawnOrShownAfterIt) {
    GameHarness run(std::nullopt, true);
    ASSERT_EQ(run.StartUp(), 0);
    ASSERT_EQ(run.Frame({kKeyDown}), 0);
    ASSERT_EQ(run.game().title_cursor, 360);
    const int shown = run.shown();
    EXPECT_EQ(run.Frame({kKeyZ}), 1);
    EXPECT_EQ(run.game().engine_ended, 1);
    // The title was drawn before the menu acted; nothing after the engine's end.
    EXPECT_FALSE(run.last().HasText("-RANKING-"));
    EXPECT_EQ(run.last().Plays(kMusicPlay), 0);
    EXPECT_EQ(run.shown(), shown);
    EXPECT_EQ(run.Frame(), 1);
    EXPECT_TRUE(run.last().events.empty());
    EXPECT_FALSE(run.SaveFileExists());
}

struct SaveCase {
    const char* name;
    std::string bytes;
    const char* tenth_shown;
    std::vector<std::int32_t> ranking;
};

class SaveFileLoading : public ::testing::TestWithParam<SaveCase> {};

TEST_P(SaveFileLoading, RankingShownAtStartUp) {
    const SaveCase& c = GetParam();
    GameHarness run(c.bytes);
    ASSERT_EQ(run.StartUp(), 0);
    ASSERT_EQ(run.Frame(), 0);
    EXPECT_EQ(run.last().TextAt(471, 226), c.tenth_shown);
    EXPECT_EQ(RankingOf(run.game()), c.ranking);
    // The high score never comes from the file.
    EXPECT_EQ(run.last().TextAt(272, 0), "HISCORE 015000");
}

const std::vector<std::int32_t> kLoaded = {20000, 9000, 8000, 7000, 6000, 5000, 4000, 3000, 2000, 1500};

INSTANTIATE_TEST_SUITE_P(
    Cases, SaveFileLoading,
    ::testing::Values(
        SaveCase{"Tenth1500", SaveBytes(kLoaded), "10th 001500", kLoaded},
        SaveCase{"Short36Bytes", SaveBytes(kLoaded).substr(0, 36), "10th 001000", DefaultRanking()},
        SaveCase{"Empty", "", "10th 001000", DefaultRanking()},
        SaveCase{"Longer44Bytes", SaveBytes(kLoaded) + std::string(4, '\0'), "10th 001000", DefaultRanking()},
        SaveCase{"Unsorted", SaveBytes({9000, 20000, 8000, 7000, 6000, 5000, 4000, 3000, 2000, 1500}), "10th 001000",
                 DefaultRanking()},
        SaveCase{"Negative", SaveBytes({20000, 9000, 8000, 7000, 6000, 5000, 4000, 3000, -2000, 1500}),
                 "10th 001000", DefaultRanking()},
        SaveCase{"TenthNotAboveDefault", SaveBytes({20000, 9000, 8000, 7000, 6000, 5000, 4000, 3000, 2000, 1000}),
                 "10th 001000", DefaultRanking()},
        SaveCase{"Default", std::string(kDefaultSaveBytes, 40), "10th 001000", DefaultRanking()}),
    [](const ::testing::TestParamInfo<SaveCase>& info) { return std::string(info.param.name); });

TEST(SaveAndQuit, NoSaveFileShowsTheDefaults) {
    GameHarness run;
    ASSERT_EQ(run.StartUp(), 0);
    ASSERT_EQ(run.Frame(), 0);
    EXPECT_EQ(run.last().TextAt(480, 64), "1st 015000");
    EXPECT_EQ(run.last().TextAt(480, 208), "9th 002000");
    EXPECT_EQ(run.last().TextAt(471, 226), "10th 001000");
    EXPECT_EQ(run.last().TextAt(484, 42), "-RANKING-");
}

// A save file that cannot be opened at start-up (the first run) is reported on the standard
// output in the engine's text bytes, never on the debug output; a file that opens is not.
TEST(SaveAndQuit, AMissingSaveFileIsReportedOnTheStandardOutputOnly) {
    const std::string message = "ファイルオープンエラー\n";
    const std::string message_utf8 = reinterpret_cast<const char*>(u8"ファイルオープンエラー");
    for (const bool present : {false, true}) {
        GameHarness run(present ? std::optional<std::string>(std::string(kDefaultSaveBytes, 40)) : std::nullopt);
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        const int started = run.StartUp();
        const std::string out = testing::internal::GetCapturedStdout();
        const std::string err = testing::internal::GetCapturedStderr();
        ASSERT_EQ(started, 0);
        EXPECT_EQ(out, present ? "" : message) << "save file present: " << present;
        EXPECT_EQ(err.find(message_utf8), std::string::npos);
        EXPECT_EQ(err.find(message), std::string::npos);
    }
}

TEST(SaveAndQuit, AFailedWriteKeepsTheOldFileWhole) {
    const std::vector<std::int32_t> old = {20000, 9000, 8000, 7000, 6000, 5000, 4000, 3000, 2000, 1500};
    GameHarness run(SaveBytes(old));
    // The temporary file's name is taken by a folder: the write cannot start.
    std::filesystem::create_directory(run.dir().path() / "save_data.dat.tmp");
    ASSERT_EQ(run.StartUp(), 0);
    ASSERT_EQ(run.Frame({kKeyZ}), 0);
    ASSERT_EQ(run.Frame({kKeyQ}), 0);
    ASSERT_EQ(run.Frame(), 0);
    EXPECT_EQ(run.game().state, 0);
    EXPECT_EQ(run.SaveFile(), SaveBytes(old));
}
