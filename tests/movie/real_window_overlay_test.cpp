// Under a real X server (Xvfb started by the test) a movie played in overlay mode on a
// display that offers overlays, in each overlay format (YUV ones converted on the GPU): drawing its graph stretched to twice its size shows the
// overlay's pixels, scaled, at the graph's place in the engine's window over the black
// screen, and closing the movie takes it away. The engine's child writes the overlay
// surface's pixels to a file; the test reads the window back and compares pixel for
// pixel. A screenshot (PPM) is left where the test was started. Skipped only when Xvfb
// is missing.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "engine/d3d/d3d.h"
#include "engine/graphics/draw/draw_entry.h"
#include "engine/graphics/graphs/graph_from_image.h"
#include "engine/graphics/graphs/graph_handles.h"
#include "engine/graphics/screen/screen_state.h"
#include "engine/include/vomur.h"
#include "engine/movie/movie.h"
#include "engine/movie/movie_record.h"
#include "platform/testing/gl_testing.h"
#include "platform/testing/overlay_testing.h"
#include "platform/testing/yuv_surface_testing.h"
#include "tests/movie/movie_fixtures.h"
#include "tests/movie/packed_yuv_row.h"
#include "tests/movie/real_window_run.h"
#include "tests/support/child_under_x.h"
#include "tests/support/engine_link.h"
#include "tests/support/engine_testing/movie_testing.h"
#include "tests/support/x_server.h"
#include "tests/support/x_windows.h"

namespace {

constexpr int kWidth = 160, kHeight = 120;
constexpr int kDrawX = 10, kDrawY = 20, kScale = 2;

// The overlay surface's pixels as 0x00RRGGBB, written by the child to `path`: width,
// height, then the pixels. 16-bit RGB has its channels widened by repeating their high
// bits; UYVY and YUY2 are converted as the movie player converts (its table kernel),
// each pixel pair sharing its chroma.
bool DumpOverlay(IDirectDrawSurface7* surface, const char* path) {
    DDSURFACEDESC2 locked{};
    locked.dwSize = sizeof(locked);
    if (surface == nullptr || FAILED(surface->Lock(nullptr, &locked, DDLOCK_WAIT | DDLOCK_READONLY, nullptr))) {
        return false;
    }
    const DDPIXELFORMAT& f = locked.ddpfPixelFormat;
    const bool fourcc = (f.dwFlags & DDPF_FOURCC) != 0;
    const bool uyvy = fourcc && f.dwFourCC == MakeFourCC('U', 'Y', 'V', 'Y');
    const bool is555 = f.dwRBitMask == 0x7C00;
    const int width = static_cast<int>(locked.dwWidth);
    std::vector<std::uint32_t> pixels;
    std::vector<std::uint8_t> bgra(static_cast<std::size_t>(width) * 4);
    for (DWORD y = 0; y < locked.dwHeight; ++y) {
        const auto* row = static_cast<const std::uint8_t*>(locked.lpSurface) + static_cast<std::ptrdiff_t>(y) * locked.lPitch;
        if (fourcc) {
            movie_test::PackedYuvRowToBgra(row, width, uyvy, bgra.data());
            for (int x = 0; x < width; ++x) {
                const std::uint8_t* p = &bgra[static_cast<std::size_t>(x) * 4];
                pixels.push_back(static_cast<std::uint32_t>(p[2]) << 16 | p[1] << 8 | p[0]);
            }
            continue;
        }
        for (int x = 0; x < width; ++x) {
            const std::uint32_t raw = row[x * 2] | row[x * 2 + 1] << 8;
            const std::uint32_t r5 = is555 ? raw >> 10 & 31 : raw >> 11 & 31;
            const std::uint32_t g = is555 ? (raw >> 5 & 31) << 3 | (raw >> 7 & 7) : (raw >> 5 & 63) << 2 | (raw >> 9 & 3);
            const std::uint32_t b5 = raw & 31;
            pixels.push_back((r5 << 3 | r5 >> 2) << 16 | g << 8 | (b5 << 3 | b5 >> 2));
        }
    }
    const std::uint32_t size[2] = {locked.dwWidth, locked.dwHeight};
    surface->Unlock(nullptr);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(size), sizeof size);
    out.write(reinterpret_cast<const char*>(pixels.data()), static_cast<std::streamsize>(pixels.size() * 4));
    return static_cast<bool>(out);
}

}  // namespace

// The overlay format the display is left to offer first (an index of the screen's
// overlay table: 0 UYVY, 1 YUY2, 2 16-bit RGB 5:5:5), through the YUV layouts it takes.
class RealWindowOverlay : public movie_test::RealWindowTest, public ::testing::WithParamInterface<int> {};

TEST_P(RealWindowOverlay, AMovieOverlayIsShownScaledAtItsGraphsPlaceUntilClosed) {
    const int format_index = GetParam();
    const std::vector<std::uint8_t> bytes = MakeFfmpegFile("mpeg", "mpeg1video", kWidth, kHeight, 12, 25);
    if (bytes.empty()) GTEST_SKIP() << "no mpeg1video encoder in this build";
    WriteFileBytes("movie.mpg", bytes);

    ChildProcess engine = StartEngine([&] {
        OfferOverlays overlays;
        std::optional<AcceptYuvFourCCs> layouts;
        // The X server's GL renders on the CPU, where the display offers no YUV layouts of
        // its own accord: all three, or only the one under test.
        if (format_index == 0) {
            layouts.emplace(std::initializer_list<DWORD>{MakeFourCC('Y', 'V', '1', '2'), MakeFourCC('Y', 'U', 'Y', '2'),
                                                         MakeFourCC('U', 'Y', 'V', 'Y')});
        }
        if (format_index == 1) layouts.emplace(std::initializer_list<DWORD>{MakeFourCC('Y', 'U', 'Y', '2')});
        if (format_index == 2) layouts.emplace(std::initializer_list<DWORD>{MakeFourCC('Y', 'V', '1', '2')});
        // The X server's GL renders on the CPU: counted as the hardware device, the
        // engine opens its DirectDraw screen with Direct3D on it.
        CountSoftwareGlAsHardware software_gl_as_hardware;
        ApiChangeWindowMode(1);
        int graph = -1;
        std::string state = "x";
        if (ApiInitializeLibrary() == 0) graph = LoadGraphFile("movie.mpg", 0, 0, 1);
        if (graph > 0) {
            const int movie = GetGraphRecord(graph)->movie;
            PlayMovie(movie, 0);
            ApiChooseDrawTarget(-2);
            ApiClearDrawTarget();
            const int drawn = DrawGraphStretched(kDrawX, kDrawY, kDrawX + kWidth * kScale,
                                                   kDrawY + kHeight * kScale, graph, 0);
            PauseMovie(movie, 0);
            ApiFlipScreen();
            const bool dumped = DumpOverlay(GetMovieRecord(movie)->overlay_surface, "overlay.bin");
            // "u" with how the screen runs: 3-D up, GDI output, the overlay format.
            if (drawn == -1 && dumped) {
                state = "u";
                state += std::to_string(IsDirect3DUp());
                state += std::to_string(GetScreenState()->gdi_output);
                state += std::to_string(GetScreenState()->overlay_index);
            }
        }
        if (!link_.Report(state)) std::_Exit(5);
        link_.ServeUntilQuit([&](char) {
            DeleteGraphHandle(graph, 0);  // closes the movie: the overlay goes
            ApiFlipScreen();
            if (!link_.Report("c")) std::_Exit(5);
        });
        return ApiTerminateLibrary() == 0 ? 0 : 6;
    });
    const std::string state = link_.NextReport();
    ASSERT_EQ(state.substr(0, 1), "u") << "the engine did not show the overlay";
    // Overlays show only on the DirectDraw screen, which needs Direct3D (GL) here.
    if (state.substr(0, 3) == "u01") GTEST_SKIP() << "Direct3D could not be opened on the X server";
    // The first format of the table that the display makes is taken.
    ASSERT_EQ(state, "u10" + std::to_string(format_index));

    std::ifstream in("overlay.bin", std::ios::binary);
    std::uint32_t size[2] = {};
    in.read(reinterpret_cast<char*>(size), sizeof size);
    ASSERT_EQ(size[0], static_cast<std::uint32_t>(kWidth));
    ASSERT_EQ(size[1], static_cast<std::uint32_t>(kHeight));
    std::vector<std::uint32_t> overlay(static_cast<std::size_t>(kWidth) * kHeight);
    in.read(reinterpret_cast<char*>(overlay.data()), static_cast<std::streamsize>(overlay.size() * 4));
    ASSERT_TRUE(in);
    // The overlay holds one of the movie's frames (solid colours, moved a little by
    // lossy coding and the 5-bit channels).
    const std::uint32_t centre = overlay[static_cast<std::size_t>(kHeight / 2) * kWidth + kWidth / 2];
    bool a_frame = false;
    for (int k = 0; k < 12; ++k) {
        int r = 0, g = 0, b = 0;
        FfmpegFrameColour(k, &r, &g, &b);
        a_frame = a_frame || (std::abs(static_cast<int>(centre >> 16 & 255) - r) <= 15 &&
                              std::abs(static_cast<int>(centre >> 8 & 255) - g) <= 15 &&
                              std::abs(static_cast<int>(centre & 255) - b) <= 15);
    }
    EXPECT_TRUE(a_frame) << std::hex << centre;

    ASSERT_NO_FATAL_FAILURE(FindEngineWindow());
    // Counts the pixels of the window that differ from what it should show: with the
    // overlay, its pixels magnified kScale times at (kDrawX, kDrawY); the rest black.
    auto wrong_pixels = [&](const WindowPixels& screen, bool with_overlay) {
        int wrong = 0;
        for (int y = 0; y < 480; ++y) {
            for (int col = 0; col < 640; ++col) {
                const bool inside = with_overlay && col >= kDrawX && col < kDrawX + kWidth * kScale && y >= kDrawY &&
                                    y < kDrawY + kHeight * kScale;
                const std::uint32_t want =
                    inside ? overlay[static_cast<std::size_t>((y - kDrawY) / kScale) * kWidth + (col - kDrawX) / kScale]
                           : 0u;
                if (col >= screen.width || y >= screen.height || screen.At(col, y) != want) ++wrong;
            }
        }
        return wrong;
    };
    // The window is read again until it is right or the time is up. The comparison is
    // exact: the server's 24-bit visual keeps the widened 8-bit channels as they are.
    int wrong = -1;
    const WindowPixels screen = ReadWindowUntil([&](const WindowPixels& shown) {
        wrong = wrong_pixels(shown, true);
        return wrong == 0;
    });
    ASSERT_GT(screen.width, 0) << "the window could not be read back";
    folder_->SaveScreenshot(screen, "movie_overlay_window_" + std::to_string(format_index) + ".ppm",
                            "with the overlay");
    EXPECT_EQ(wrong, 0) << "pixels differing from the overlay scaled at its place";

    ASSERT_EQ(link_.Send('c'), 1);
    EXPECT_EQ(link_.NextReport(), "c");
    ReadWindowUntil([&](const WindowPixels& shown) {
        wrong = wrong_pixels(shown, false);
        return wrong == 0;
    });
    EXPECT_EQ(wrong, 0) << "pixels still showing after the movie closed";
    QuitAndExpectCleanExit(link_, engine);
}

INSTANTIATE_TEST_SUITE_P(OverlayFormats, RealWindowOverlay, ::testing::Values(0, 1, 2),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return std::string(info.param == 0 ? "Uyvy" : info.param == 1 ? "Yuy2" : "Rgb555");
                         });
