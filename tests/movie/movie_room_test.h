// The fixture of movie-room tests that open movies without the engine started: files read
// through the plain file table, the log kept for the test, the YUV conversion tables
// built, a temporary current folder and the manual clock; every movie closed at the end.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>

#include "engine/file/file.h"
#include "engine/movie/movie.h"
#include "platform/testing/manual_clock.h"
#include "tests/support/engine_testing/movie_testing.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_log.h"

namespace movie_test {

class MovieRoomTest : public ::testing::Test {
protected:
    // The manual clock starts at `start_ms`.
    explicit MovieRoomTest(std::uint32_t start_ms) : clock_(start_ms) {}
    void SetUp() override {
        SetupFileAccessTable(nullptr);
        StartTestLog();
        InitYuvToRgbTables();
    }
    void TearDown() override { CloseAllMovies(); }
    ScopedTempDir dir_;
    ManualClock clock_;
};

}  // namespace movie_test
