// The movie table's slot and check-count rules, by exact handle values: an open takes the
// lowest free slot, only a successful open advances the check count (0 to 2047, then 0
// again), and the 101st open fails without a word. Every test runs in a process of its
// own, so each starts on an empty table whose check counter stands at 0.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/file/file.h"
#include "engine/movie/movie.h"
#include "platform/testing/manual_clock.h"
#include "tests/movie/movie_fixtures.h"
#include "tests/movie/movie_room_test.h"
#include "tests/support/engine_testing/movie_testing.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_log.h"

namespace {

enum class Op { kOpen, kOpenMissing, kClose };

struct Step {
    Op op;
    int of_step;  // kClose: the step whose handle is closed
    int expect;   // the handle opened, or the result of the close
};

struct Sequence {
    const char* name;
    std::vector<Step> steps;
};

class MovieTableBase : public movie_test::MovieRoomTest {
protected:
    MovieTableBase() : MovieRoomTest(1000) {}
    void SetUp() override {
        MovieRoomTest::SetUp();
        WriteFileBytes("movie.ogv", MakeTheoraFile(TinyTheoraFixture()));
    }
};

class MovieTable : public MovieTableBase, public ::testing::WithParamInterface<Sequence> {};

TEST_P(MovieTable, GivesTheDocumentedHandles) {
    std::vector<int> results;
    for (const Step& s : GetParam().steps) {
        int result = 0;
        switch (s.op) {
            case Op::kOpen: result = OpenMovie("movie.ogv", nullptr, nullptr, 0); break;
            case Op::kOpenMissing: result = OpenMovie("missing.ogv", nullptr, nullptr, 0); break;
            case Op::kClose: result = CloseMovie(results[s.of_step]); break;
        }
        EXPECT_EQ(result, s.expect) << "step " << results.size() << std::hex << ": 0x" << result;
        results.push_back(result);
    }
}

const Sequence kSequences[] = {
    {"ClosingSlot0OfThreeGivesSlot0Next",
     {{Op::kOpen, 0, 0x18000000},
      {Op::kOpen, 0, 0x18010001},
      {Op::kOpen, 0, 0x18020002},
      {Op::kClose, 0, 0},
      {Op::kOpen, 0, 0x18030000},
      {Op::kOpen, 0, 0x18040003}}},
    {"FailedOpensDoNotAdvanceTheCheck",
     {{Op::kOpen, 0, 0x18000000},
      {Op::kOpenMissing, 0, -1},
      {Op::kOpenMissing, 0, -1},
      {Op::kOpen, 0, 0x18010001},
      {Op::kClose, 0, 0},
      {Op::kOpenMissing, 0, -1},
      {Op::kOpen, 0, 0x18020000}}},
    {"TheLowestOfSeveralFreeSlots",
     {{Op::kOpen, 0, 0x18000000},
      {Op::kOpen, 0, 0x18010001},
      {Op::kOpen, 0, 0x18020002},
      {Op::kOpen, 0, 0x18030003},
      {Op::kClose, 2, 0},
      {Op::kClose, 1, 0},
      {Op::kOpen, 0, 0x18040001},
      {Op::kOpen, 0, 0x18050002},
      {Op::kOpen, 0, 0x18060004},
      // The closed handle names nothing, though its slot is in use again.
      {Op::kClose, 1, -1}}},
};

INSTANTIATE_TEST_SUITE_P(Sequences, MovieTable, ::testing::ValuesIn(kSequences),
                         [](const auto& info) { return std::string(info.param.name); });

// A full table refuses the 101st open without a log line; the check count that neither it
// nor a failed open took goes to the next movie that opens, in the lowest slot freed.
TEST_F(MovieTableBase, TheHundredAndFirstOpenIsQuiet) {
    std::vector<int> handles;
    for (int i = 0; i < 100; ++i) handles.push_back(OpenMovie("movie.ogv", nullptr, nullptr, 0));
    EXPECT_EQ(handles[0], 0x18000000);
    EXPECT_EQ(handles[99], 0x18630063);
    const std::string log_before = ReadTestLogWithoutStamps();
    EXPECT_EQ(OpenMovie("movie.ogv", nullptr, nullptr, 0), -1);
    EXPECT_EQ(ReadTestLogWithoutStamps(), log_before);
    ASSERT_EQ(CloseMovie(handles[40]), 0);
    ASSERT_EQ(CloseMovie(handles[7]), 0);
    EXPECT_EQ(OpenMovie("missing.ogv", nullptr, nullptr, 0), -1);
    EXPECT_EQ(OpenMovie("movie.ogv", nullptr, nullptr, 0), 0x18640007);
    EXPECT_EQ(OpenMovie("movie.ogv", nullptr, nullptr, 0), 0x18650028);
}

// Checks 0 to 2047 go to movies opened and closed in slot 0, failed opens between them
// taking none; then 0 comes again.
TEST_F(MovieTableBase, TheCheckCountWrapsAfter2047) {
    for (int check = 0; check < 2048; ++check) {
        const int movie = OpenMovie("movie.ogv", nullptr, nullptr, 0);
        ASSERT_EQ(movie, 0x18000000 | check << 16);
        CloseMovie(movie);
        if (check % 256 == 0) {
            ASSERT_EQ(OpenMovie("missing.ogv", nullptr, nullptr, 0), -1);
        }
    }
    EXPECT_EQ(OpenMovie("movie.ogv", nullptr, nullptr, 0), 0x18000000);
}

}  // namespace
