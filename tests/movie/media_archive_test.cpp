// Movies in other formats inside archives: the player copies the member whole into a
// temporary file, plays the copy and deletes it on close; a member that is no movie
// leaves no copy behind, and a file found nowhere makes none.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/file/file.h"
#include "engine/movie/movie.h"
#include "engine/movie/movie_record.h"
#include "platform/testing/manual_clock.h"
#include "tests/movie/movie_fixtures.h"
#include "tests/support/engine_testing/movie_testing.h"
#include "tests/support/qva_writer.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_log.h"

namespace {

namespace fs = std::filesystem;

int g_frames = 0;
int g_red = -1;

int TakeFrame(MovieRecord* record, std::intptr_t) {
    MovieFrame frame;
    if (FetchMovieFrame(record, &frame) != 1) return 0;
    ++g_frames;
    g_red = frame.pixels[(frame.height / 2) * frame.pitch + (frame.width / 2) * 4 + 2];
    return 0;
}

// The temporary files in a folder.
std::vector<fs::path> TemporaryFiles(const fs::path& folder) {
    std::vector<fs::path> found;
    for (const auto& entry : fs::directory_iterator(folder)) found.push_back(entry.path());
    return found;
}

std::string ReadWhole(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class MediaArchive : public ::testing::Test {
protected:
    void SetUp() override {
        SetupFileAccessTable(nullptr);
        InitializeArchiveState();
        StartTestLog();
        InitYuvToRgbTables();
        fs::create_directory(dir_.path() / "temporary");
        const char* old = std::getenv("TMPDIR");
        had_tmpdir_ = old != nullptr;
        if (had_tmpdir_) old_tmpdir_ = old;
        setenv("TMPDIR", (dir_.path() / "temporary").c_str(), 1);
        g_frames = 0;
        g_red = -1;
    }
    void TearDown() override {
        CloseAllMovies();
        TerminateArchiveState();
        if (had_tmpdir_) setenv("TMPDIR", old_tmpdir_.c_str(), 1);
        else unsetenv("TMPDIR");
    }
    fs::path Temporary() const { return dir_.path() / "temporary"; }

    ScopedTempDir dir_;
    ManualClock clock_{1000};
    bool had_tmpdir_ = false;
    std::string old_tmpdir_;
};

// An MP4 movie padded with a trailing free box to exactly `size` bytes, so that the copy
// runs over several chunks and its last chunk is a part one.
std::string PaddedMovie(std::size_t size) {
    const std::vector<std::uint8_t> movie = MakeFfmpegFile("mp4", "mpeg4", 64, 48, 12, 25);
    if (movie.empty() || movie.size() + 8 > size) return {};
    std::string bytes(movie.begin(), movie.end());
    const std::size_t box = size - bytes.size();
    const char header[8] = {static_cast<char>(box >> 24), static_cast<char>(box >> 16), static_cast<char>(box >> 8),
                            static_cast<char>(box), 'f', 'r', 'e', 'e'};
    bytes.append(header, 8);
    bytes.append(box - 8, '\0');
    return bytes;
}

TEST_F(MediaArchive, AMemberIsPlayedFromAWholeTemporaryCopyThatGoesWithTheMovie) {
    const std::string movie_bytes = PaddedMovie(2500000);
    ASSERT_EQ(movie_bytes.size(), 2500000u);
    dir_.WriteFile("dat.qva", BuildQvaArchive({{"movie/intro.mp4", movie_bytes}}, 1));
    int width = 0, height = 0;
    const int movie = OpenMovie("dat\\movie\\intro.mp4", &width, &height, 0);
    ASSERT_GE(movie, 0) << ReadTestLogWithoutStamps();
    EXPECT_EQ(width, 64);
    EXPECT_EQ(height, 48);
    const MovieRecord* record = GetMovieRecord(movie);
    EXPECT_EQ(record->temporary_copy, 1);
    const std::vector<fs::path> copies = TemporaryFiles(Temporary());
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(copies[0].filename().string().substr(0, 3), "tmp");
    // The record names the copy, and the copy holds the member byte for byte.
    std::string named = record->path;
    for (char& c : named) {
        if (c == '\\') c = '/';
    }
    EXPECT_EQ(fs::path(named), copies[0]);
    EXPECT_EQ(fs::file_size(copies[0]), 2500000u);
    EXPECT_TRUE(ReadWhole(copies[0]) == movie_bytes);

    SetMovieFrameCallback(movie, TakeFrame, 0);
    PlayMovie(movie, 0);
    clock_.AdvanceMs(5 * 40);
    UpdateMovieFrame(movie, 0);
    int r, g, b;
    FfmpegFrameColour(5, &r, &g, &b);
    EXPECT_EQ(g_frames, 1);
    EXPECT_NEAR(g_red, r, 8);

    // A display change re-opens the copy; it is not copied again.
    ReleaseAllMovieGraphs();
    ASSERT_EQ(RebuildAllMovieGraphs(), 0);
    EXPECT_EQ(TemporaryFiles(Temporary()).size(), 1u);
    EXPECT_EQ(fs::path(named), copies[0]);

    ASSERT_EQ(CloseMovie(movie), 0);
    EXPECT_TRUE(TemporaryFiles(Temporary()).empty());
}

TEST_F(MediaArchive, AFileThatIsNoMovieOrIsNowhereLeavesNoCopy) {
    dir_.WriteFile("dat.qva", BuildQvaArchive({{"notes.txt", std::string(3000, 'x')}}, 1));
    dir_.WriteFile("plain.txt", "not a movie");
    struct Case {
        const char* path;
        const char* log;
    };
    const Case cases[] = {
        {"dat\\notes.txt", "ファイル:dat\\notes.txt が開けませんでした\r\nムービーファイルオープン処理時にエラーが発生しました"},
        {"plain.txt", "ファイル:plain.txt が開けませんでした\r\nムービーファイルオープン処理時にエラーが発生しました"},
        {"nowhere.mp4", "ファイル:nowhere.mp4 が開けませんでした\r\nムービーファイルオープン処理時にエラーが発生しました"},
    };
    for (const Case& c : cases) {
        StartTestLog();
        EXPECT_EQ(OpenMovie(c.path, nullptr, nullptr, 0), -1) << c.path;
        EXPECT_TRUE(TemporaryFiles(Temporary()).empty()) << c.path;
        EXPECT_EQ(ReadTestLogWithoutStamps(), c.log) << c.path;
    }
}

}  // namespace
