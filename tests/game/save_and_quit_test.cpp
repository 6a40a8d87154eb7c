// The save file and the ways out of a game: Q writes the ranking and returns to the title,
// Escape and EXIT end the program without writing it (and nothing is asked of the engine
// after EXIT ended it), and a save file is taken only when it is a whole, sorted,
// non-negative record whose 10th entry is above the default 10th.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "platform/console_text.h"
#include "platform/testing/debug_capture.h"
#include "tests/game/game_harness.h"
#include "tests/support/child_under_x.h"
#include "tests/support/engine_session.h"

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
        SaveCase{"Longer44BytesGivesItsFirst40", SaveBytes(kLoaded) + std::string(4, '\xFF'), "10th 001500", kLoaded},
        SaveCase{"TiesAsTheClimbLeavesThem",
                 SaveBytes({20000, 9000, 8000, 7000, 6000, 5000, 4000, 2000, 2000, 1500}), "10th 001500",
                 {20000, 9000, 8000, 7000, 6000, 5000, 4000, 2000, 2000, 1500}},
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
// output, never on the debug output nor standard error; a file that opens is not. The program
// shows it in the character set of the locale the environment names: in a child that makes
// standard output the program's, under a locale given explicitly.
TEST(SaveAndQuit, AMissingSaveFileIsReportedOnTheStandardOutputOnly) {
    struct Case {
        const char* locale;
        bool present;
        std::string out;
    };
    const Case cases[] = {
        {"C.UTF-8", false, reinterpret_cast<const char*>(u8"ファイルオープンエラー\n")},
        {"C", false, "???????????\n"},  // a character set without them: one '?' each, the line kept
        {"C.UTF-8", true, ""},
    };
    for (const Case& c : cases) {
        ScopedTempDir streams;
        const std::string out_path = (streams.path() / "stdout").string();
        const std::string err_path = (streams.path() / "stderr").string();
        const int status = RunInChild([&] {
            setenv("LC_ALL", c.locale, 1);
            unsetenv("VOMUR_DEBUG_OUTPUT");
            std::fflush(nullptr);
            std::FILE* out = std::fopen(out_path.c_str(), "wb");
            std::FILE* err = std::fopen(err_path.c_str(), "wb");
            if (out == nullptr || err == nullptr) return 2;
            if (dup2(fileno(out), STDOUT_FILENO) < 0 || dup2(fileno(err), STDERR_FILENO) < 0) return 3;
            if (!InstallConsoleStandardOutput()) return 4;
            DebugCapture debug;
            int result = 0;
            {
                GameHarness run(c.present ? std::optional<std::string>(std::string(kDefaultSaveBytes, 40))
                                          : std::nullopt);
                result = run.StartUp() == 0 ? 0 : 5;
            }
            // The debug output carries the engine's log, never the message.
            if (debug.Take().find("ファイルオープンエラー") != std::string::npos) result = 6;
            // Ended here: the leak checker's closing summary would go to standard error.
            std::fflush(nullptr);
            std::_Exit(result);
            return result;
        }, kChildWithExitChecks);
        ASSERT_TRUE(WIFEXITED(status)) << c.locale;
        EXPECT_EQ(WEXITSTATUS(status), 0) << c.locale << " present: " << c.present;
        EXPECT_EQ(streams.ReadFile("stdout"), c.out) << c.locale << " present: " << c.present;
        const std::string err = streams.ReadFile("stderr");
        EXPECT_EQ(err.find("ファイルオープンエラー"), std::string::npos) << c.locale;
        EXPECT_EQ(err.find(reinterpret_cast<const char*>(u8"ファイルオープンエラー")), std::string::npos) << c.locale;
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

TEST(SaveAndQuit, ALongerSaveFileKeepsItsRankingThroughTheNextSave) {
    GameHarness run(SaveBytes(kLoaded) + std::string(4, '\xFF'));
    ASSERT_EQ(run.StartUp(), 0);
    ASSERT_EQ(run.Frame({kKeyZ}), 0);
    ASSERT_EQ(run.Frame({kKeyQ}), 0);
    ASSERT_EQ(run.Frame(), 0);
    EXPECT_EQ(run.game().state, 0);
    EXPECT_EQ(run.SaveFile(), SaveBytes(kLoaded));
}

namespace {

// While it lives, file access is checked as the unprivileged user "nobody" when the tests run
// as root (root may make files in any folder); otherwise as the user running the tests.
class UnprivilegedFileAccess {
public:
    UnprivilegedFileAccess() {
        if (geteuid() != 0) return;
        dropped_ = setegid(kNobody) == 0 && seteuid(kNobody) == 0;
    }
    ~UnprivilegedFileAccess() {
        if (!dropped_) return;
        if (seteuid(0) != 0 || setegid(0) != 0) std::abort();
    }
    UnprivilegedFileAccess(const UnprivilegedFileAccess&) = delete;
    UnprivilegedFileAccess& operator=(const UnprivilegedFileAccess&) = delete;

private:
    static constexpr uid_t kNobody = 65534;
    bool dropped_ = false;
};

}  // namespace

// A folder where no file may be made, holding a save file: the ranking is written over the
// file in place when the file may be written, and the old file is kept (and the failure
// reported) when it may not. The old file's 10th entry is not above the default, so the
// game's record is the default ranking and differs from the file.
TEST(SaveAndQuit, AReadOnlyFolderHasAWritableSaveFileWrittenInPlace) {
    const std::string old = SaveBytes({20000, 9000, 8000, 7000, 6000, 5000, 4000, 3000, 2000, 1000});
    struct Case {
        mode_t file_mode;
        std::string file_after;
        std::string out;
    };
    const Case cases[] = {
        {0666, std::string(kDefaultSaveBytes, 40), ""},
        {0444, old, "ファイルオープンエラー\n"},
    };
    for (const Case& c : cases) {
        GameHarness run(old);
        ASSERT_EQ(run.StartUp(), 0);
        ASSERT_EQ(run.Frame({kKeyZ}), 0);
        ASSERT_EQ(run.Frame({kKeyQ}), 0);
        const auto save = run.dir().path() / "save_data.dat";
        ASSERT_EQ(chmod(save.c_str(), c.file_mode), 0);
        ASSERT_EQ(chmod(run.dir().path().c_str(), 0555), 0);
        testing::internal::CaptureStdout();
        {
            const UnprivilegedFileAccess unprivileged;
            ASSERT_EQ(run.Frame(), 0);
        }
        const std::string out = testing::internal::GetCapturedStdout();
        ASSERT_EQ(chmod(run.dir().path().c_str(), 0700), 0);
        EXPECT_EQ(run.game().state, 0);
        EXPECT_EQ(run.SaveFile(), c.file_after) << std::oct << c.file_mode;
        EXPECT_EQ(out, c.out) << std::oct << c.file_mode;
        EXPECT_FALSE(std::filesystem::exists(run.dir().path() / "save_data.dat.tmp"));
    }
}
