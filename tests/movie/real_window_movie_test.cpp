// Under a real X server (Xvfb started by the test) a movie loaded as a graph and drawn
// through the public draw path shows its frames in the engine's window: the first frame,
// then frame 7 after a seek; a Theora movie drawn as a texture graph through its YUV
// surface (converted on the GPU) shows the same frames as one converted on the CPU; movies
// of other formats, drawn once while nothing plays them, show their first frame in the
// first picture presented. The window is found and read back from the test process
// through tests/support/x_windows.h; the screenshots (PPM) are left where the test was
// started and their paths printed. Skipped only when Xvfb is missing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <iterator>
#include <string>
#include <vector>

#include "engine/graphics/graphs/graph_handles.h"
#include "engine/include/vomur.h"
#include "engine/movie/movie.h"
#include "engine/movie/movie_record.h"
#include "engine/movie/theora_movie.h"
#include "platform/testing/gl_testing.h"
#include "platform/testing/yuv_surface_testing.h"
#include "tests/movie/flat_movie_check.h"
#include "tests/movie/movie_fixtures.h"
#include "tests/movie/real_window_run.h"
#include "tests/support/child_under_x.h"
#include "tests/support/engine_link.h"
#include "tests/support/engine_testing/movie_testing.h"
#include "tests/support/x_server.h"
#include "tests/support/x_windows.h"

namespace {

constexpr int kDrawX = 10, kDrawY = 20;

// The number of pixels of reference frame k that the window does not show at (x, y).
int WrongPixels(const WindowPixels& screen, const ReferenceFrames& reference, int k, int x, int y) {
    int wrong = 0;
    for (int row = 0; row < reference.height; ++row) {
        for (int col = 0; col < reference.width; ++col) {
            const std::uint8_t* want = &reference.frames[k][static_cast<std::size_t>((row * reference.width + col) * 4)];
            const std::uint32_t colour = static_cast<std::uint32_t>(want[2]) << 16 | want[1] << 8 | want[0];
            if (x + col >= screen.width || y + row >= screen.height || screen.At(x + col, y + row) != colour) ++wrong;
        }
    }
    return wrong;
}

class RealWindowMovie : public movie_test::RealWindowTest {};

}  // namespace

TEST_F(RealWindowMovie, ATextureGraphThroughTheYuvSurfaceShowsTheSameFramesAsTheRgbPath) {
    const std::vector<std::uint8_t> bytes = MakeTheoraFile(CroppedTheoraFixture(12));
    const ReferenceFrames reference = DecodeTheoraReference(bytes);
    WriteFileBytes("movie.ogv", bytes);
    // The X server's GL renders on the CPU; the child counts it as the hardware device, so
    // that the engine opens Direct3D on it and makes texture graphs.
    CountSoftwareGlAsHardware software_gl_as_hardware;
    // The graph fed through the YUV surface on the left, the one converted on the CPU to its
    // right.
    const int yuv_x = kDrawX, rgb_x = kDrawX + reference.width + 10;

    ChildProcess engine = StartEngine([&] {
        ApiChangeWindowMode(1);
        int yuv_graph = -1, rgb_graph = -1;
        auto show = [&] {
            ApiClearDrawTarget();
            ApiDrawGraphAtPoint(yuv_x, kDrawY, yuv_graph, 0);
            ApiDrawGraphAtPoint(rgb_x, kDrawY, rgb_graph, 0);
            ApiFlipScreen();
        };
        // Says which path each graph takes: texture graph, and YUV surface or not.
        auto report = [&] {
            std::string line = "u";
            for (const int graph : {yuv_graph, rgb_graph}) {
                const GraphRecord* record = GetGraphRecord(graph);
                const MovieRecord* movie = record != nullptr ? GetMovieRecord(record->movie) : nullptr;
                line += record != nullptr && record->creation.texture ? " t" : " -";
                line += movie != nullptr && movie->theora != nullptr && GetTheoraYuvSurface(movie->theora) != nullptr
                            ? "y"
                            : "-";
            }
            return link_.Report(line);
        };
        if (ApiInitializeLibrary() == 0) {
            {
                AcceptYuvFourCCs yv12{kFourCcYv12};
                yuv_graph = ApiLoadImageAsGraph("movie.ogv", 0);
            }
            // A list with none of the three refuses them all.
            AcceptYuvFourCCs none{MakeFourCC('N', 'O', 'N', 'E')};
            rgb_graph = ApiLoadImageAsGraph("movie.ogv", 0);
        }
        if (yuv_graph > 0 && rgb_graph > 0) {
            ApiChooseDrawTarget(-2);
            show();
        }
        if (!report()) std::_Exit(5);
        link_.ServeUntilQuit([&](char) {
            SeekMovieFrame(GetGraphRecord(yuv_graph)->movie, 7);
            SeekMovieFrame(GetGraphRecord(rgb_graph)->movie, 7);
            show();
            if (!report()) std::_Exit(5);
        });
        return ApiTerminateLibrary() == 0 ? 0 : 6;
    });
    auto check = [&](int k) {
        ASSERT_NO_FATAL_FAILURE(FindEngineWindow());
        int wrong_yuv = -1, wrong_rgb = -1;
        const WindowPixels screen = ReadWindowUntil([&](const WindowPixels& shown) {
            wrong_yuv = WrongPixels(shown, reference, k, yuv_x, kDrawY);
            wrong_rgb = WrongPixels(shown, reference, k, rgb_x, kDrawY);
            return wrong_yuv == 0 && wrong_rgb == 0;
        });
        ASSERT_GT(screen.width, 0) << "the window could not be read back";
        folder_->SaveScreenshot(screen, "movie_window_yuv_frame_" + std::to_string(k) + ".ppm",
                                "of frame " + std::to_string(k) + ", YUV left, RGB right");
        EXPECT_EQ(wrong_yuv, 0) << "frame " << k << " through the YUV surface";
        EXPECT_EQ(wrong_rgb, 0) << "frame " << k << " through the CPU conversion";
    };
    // Both texture graphs, the first with a YUV surface, the second without.
    const std::string paths = link_.NextReport();
    if (paths == "u -y --") {
        ASSERT_EQ(link_.Send('q'), 1);
        engine.Wait();
        GTEST_SKIP() << "Direct3D could not be opened on the X server";
    }
    ASSERT_EQ(paths, "u ty t-");
    check(0);
    ASSERT_EQ(link_.Send('s'), 1);
    EXPECT_EQ(link_.NextReport(), "u ty t-");
    check(7);
    QuitAndExpectCleanExit(link_, engine);
}

TEST_F(RealWindowMovie, ADrawnMovieGraphShowsItsFramesInTheWindow) {
    const std::vector<std::uint8_t> bytes = MakeTheoraFile(CroppedTheoraFixture(12));
    const ReferenceFrames reference = DecodeTheoraReference(bytes);
    WriteFileBytes("movie.ogv", bytes);

    ChildProcess engine = StartEngine([&] {
        ApiChangeWindowMode(1);
        int graph = -1;
        auto show = [&graph] {
            ApiClearDrawTarget();
            ApiDrawGraphAtPoint(kDrawX, kDrawY, graph, 0);
            ApiFlipScreen();
        };
        if (ApiInitializeLibrary() == 0) graph = ApiLoadImageAsGraph("movie.ogv", 1);
        if (graph > 0) {
            ApiChooseDrawTarget(-2);
            show();
        }
        if (!link_.Report(graph > 0 ? "u" : "x")) std::_Exit(5);
        link_.ServeUntilQuit([&](char) {
            SeekMovieFrame(GetGraphRecord(graph)->movie, 7);
            show();
            if (!link_.Report("u")) std::_Exit(5);
        });
        return ApiTerminateLibrary() == 0 ? 0 : 6;
    });
    // Reads the window back from the X server and compares the drawn rectangle.
    auto check = [&](int k) {
        ASSERT_NO_FATAL_FAILURE(FindEngineWindow());
        int wrong = -1;
        const WindowPixels screen = ReadWindowUntil([&](const WindowPixels& shown) {
            wrong = WrongPixels(shown, reference, k, kDrawX, kDrawY);
            return wrong == 0;
        });
        ASSERT_GT(screen.width, 0) << "the window could not be read back";
        folder_->SaveScreenshot(screen, "movie_window_frame_" + std::to_string(k) + ".ppm",
                                "of frame " + std::to_string(k));
        EXPECT_EQ(wrong, 0) << "frame " << k;
    };
    std::string state = link_.NextReport();
    ASSERT_EQ(state, "u");
    check(0);
    ASSERT_EQ(link_.Send('s'), 1);
    state = link_.NextReport();
    EXPECT_EQ(state, "u");
    check(7);
    QuitAndExpectCleanExit(link_, engine);
}

TEST_F(RealWindowMovie, MoviesOfOtherFormatsShowTheirFirstFrameInTheFirstPresentedPicture) {
    for (const FlatMovieFormat& format : kFlatMovieFormats) {
        if (!WriteFlatMovie(format, 8)) GTEST_SKIP() << "no " << format.codec << " encoder in this build";
    }
    // Where each movie is drawn: side by side, inside the 640 x 480 client area.
    constexpr int kPlaceX[] = {10, 100}, kPlaceY = 20;
    static_assert(std::size(kPlaceX) == std::size(kFlatMovieFormats));

    ChildProcess engine = StartEngine([&] {
        ApiChangeWindowMode(1);
        bool loaded = ApiInitializeLibrary() == 0;
        int graphs[std::size(kFlatMovieFormats)] = {};
        for (std::size_t i = 0; loaded && i < std::size(kFlatMovieFormats); ++i) {
            graphs[i] = ApiLoadImageAsGraph(kFlatMovieFormats[i].file, 1);
            loaded = graphs[i] > 0;
        }
        // One picture, drawn once and presented; the movies are never played.
        if (loaded) {
            ApiChooseDrawTarget(-2);
            ApiClearDrawTarget();
            for (std::size_t i = 0; i < std::size(kFlatMovieFormats); ++i) {
                ApiDrawGraphAtPoint(kPlaceX[i], kPlaceY, graphs[i], 0);
            }
            ApiFlipScreen();
        }
        if (!link_.Report(loaded ? "u" : "x")) std::_Exit(5);
        link_.ServeUntilQuit([](char) {});
        return ApiTerminateLibrary() == 0 ? 0 : 6;
    });
    ASSERT_EQ(link_.NextReport(), "u");
    ASSERT_NO_FATAL_FAILURE(FindEngineWindow());
    // What `screen` shows at (col, row) of the rectangle drawn at (left, top).
    auto shown = [](const WindowPixels& screen, int left, int top) {
        return [&screen, left, top](int col, int row) -> std::uint32_t {
            const int at_x = left + col, at_y = top + row;
            return at_x < screen.width && at_y < screen.height ? screen.At(at_x, at_y) : 0xFFFFFFu;
        };
    };
    // The window is read again until both frames are there or the time is up.
    const WindowPixels screen = ReadWindowUntil([&](const WindowPixels& grabbed) {
        int wrong = 0;
        for (std::size_t i = 0; i < std::size(kFlatMovieFormats); ++i) {
            wrong += CountFlatMovieFrameMisses(kFlatMovieFormats[i], 0, shown(grabbed, kPlaceX[i], kPlaceY));
        }
        return wrong == 0;
    });
    ASSERT_GT(screen.width, 0) << "the window could not be read back";
    folder_->SaveScreenshot(screen, "movie_window_other_formats.ppm", "of the first frames");
    for (std::size_t i = 0; i < std::size(kFlatMovieFormats); ++i) {
        ExpectFlatMovieFrame(kFlatMovieFormats[i], 0, shown(screen, kPlaceX[i], kPlaceY));
    }
    QuitAndExpectCleanExit(link_, engine);
}
