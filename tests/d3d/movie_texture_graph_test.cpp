// A movie file loaded as a texture graph and drawn through the device: each draw brings
// the movie to its present frame, the frame is written into the graph's texture pieces
// and the back buffer shows the frame's pixels, on a graph of one piece and on one cut
// into several. An alpha movie's texture graph holds the left half of its frames with the
// right half as their alpha. A movie of another format (the media player's) shows its
// first frame from the first draw on, while nothing plays it.
#include <gtest/gtest.h>

#include <vector>

#include "engine/graphics/graphs/graph_handles.h"
#include "engine/include/vomur.h"
#include "engine/movie/movie.h"
#include "engine/movie/movie_record.h"
#include "engine/movie/theora_movie.h"
#include "platform/testing/yuv_surface_testing.h"
#include "tests/d3d/d3d_draw_session.h"
#include "tests/movie/alpha_movie_check.h"
#include "tests/movie/flat_movie_check.h"
#include "tests/movie/movie_fixtures.h"
#include "tests/support/engine_testing/movie_testing.h"

namespace {

// The largest texture side the device allows, and the pieces the movie graphs are then cut
// into.
struct PieceCase {
    unsigned largest_side;
    int pieces;
};
constexpr PieceCase kPieceCases[] = {{2048, 1}, {16, 3}};

class MovieTextureGraph : public d3d_test::D3DDrawSession {
protected:
    // Mesa's GL renders on the CPU, where the display offers no YUV surfaces of its own
    // accord: these tests take all three, as a display on a GPU does.
    AcceptYuvFourCCs offered_{kFourCcYv12, kFourCcYuy2, kFourCcUyvy};

    void SetUp() override {
        D3DDrawSession::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        const std::vector<std::uint8_t> bytes = MakeTheoraFile(CroppedTheoraFixture(16));
        reference_ = DecodeTheoraReference(bytes);
        WriteFileBytes("movie.ogv", bytes);
    }

    // Draws the graph at (x, y) on a black back buffer and checks that it shows reference
    // frame k there and nothing around it.
    void ExpectDrawnFrame(int graph, int x, int y, int k) {
        FillBack(0);
        ASSERT_EQ(ApiDrawGraphAtPoint(x, y, graph, 0), 0);
        ExpectShownFrame(x, y, k);
    }
    // The back buffer shows reference frame k at (x, y), with black around it.
    void ExpectShownFrame(int x, int y, int k) {
        const int w = reference_.width, h = reference_.height;
        const std::vector<std::uint32_t> shown = ReadBack(RECT{x - 1, y - 1, x + w + 1, y + h + 1});
        const std::vector<std::uint8_t>& want = reference_.frames[static_cast<std::size_t>(k)];
        int wrong = 0;
        for (int row = -1; row <= h; ++row) {
            for (int col = -1; col <= w; ++col) {
                std::uint32_t colour = 0;
                if (row >= 0 && row < h && col >= 0 && col < w) {
                    const std::uint8_t* p = &want[static_cast<std::size_t>((row * w + col) * 4)];
                    colour = static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[1]) << 8 | p[0];
                }
                const std::uint32_t got = shown[static_cast<std::size_t>(row + 1) * (w + 2) + col + 1];
                if (got != colour && wrong++ < 5) {
                    ADD_FAILURE() << "frame " << k << " at " << col << "," << row << ": " << std::hex << got
                                  << " instead of " << colour;
                }
            }
        }
        EXPECT_EQ(wrong, 0) << "frame " << k;
    }

    ReferenceFrames reference_;
};

TEST_F(MovieTextureGraph, DrawnFramesShowTheMoviesPixels) {
    // The largest piece side 2048 gives the 40 x 30 graph one piece; 16 cuts it into three
    // columns (the last one only half covered by the picture) of one row, no side being cut
    // below 32.
    for (const PieceCase& c : kPieceCases) {
        SCOPED_TRACE(c.largest_side);
        D3DState().max_texture_size = c.largest_side;
        const int graph = ApiLoadImageAsGraph("movie.ogv", 0);
        ASSERT_GT(graph, 0);
        const GraphRecord* record = GetGraphRecord(graph);
        ASSERT_EQ(record->creation.texture, 1);
        EXPECT_EQ(record->piece_count, c.pieces);
        EXPECT_EQ(record->width, 40);
        EXPECT_EQ(record->height, 30);
        const int movie = record->movie;
        ASSERT_NE(GetMovieRecord(movie), nullptr);

        ExpectDrawnFrame(graph, 10, 20, 0);
        ASSERT_EQ(PlayMovie(movie, 1), 0);
        session_.clock().AdvanceMs(5 * 40);
        ExpectDrawnFrame(graph, 10, 20, 5);
        // Round the end of the loop: 18 frames on is frame 2.
        session_.clock().AdvanceMs(13 * 40);
        ExpectDrawnFrame(graph, 200, 100, 2);
        // Without a new frame the pieces keep the last one.
        ExpectDrawnFrame(graph, 300, 300, 2);

        ASSERT_EQ(DeleteGraphHandle(graph, 0), 0);
        EXPECT_EQ(GetMovieRecord(movie), nullptr);
    }
}

// A Theora movie's texture graph is fed through the movie's YUV surface in whichever FourCC
// the display takes, the GPU converting while it stretches the picture into the pieces, and
// shows the same pixels as one fed by the CPU conversion (a display taking no FourCC): the
// reference decode's, exactly. Fed through the surface, the movie's frame image is not
// converted again after the first frame.
TEST_F(MovieTextureGraph, AGraphFedThroughTheYuvSurfaceShowsTheSameFramesAsTheRgbPath) {
    struct PathCase {
        const char* name;
        std::uint32_t fourcc;  // 0: the display takes none, frames go through the frame image
    };
    const PathCase paths[] = {{"YV12", kFourCcYv12}, {"YUY2", kFourCcYuy2}, {"UYVY", kFourCcUyvy}, {"RGB", 0}};
    for (const PathCase& path : paths) {
        for (const PieceCase& c : kPieceCases) {
            SCOPED_TRACE(path.name);
            SCOPED_TRACE(c.largest_side);
            D3DState().max_texture_size = c.largest_side;
            int graph = -1;
            if (path.fourcc != 0) {
                AcceptYuvFourCCs only{path.fourcc};
                graph = ApiLoadImageAsGraph("movie.ogv", 0);
            } else {
                // A list with none of the three refuses them all.
                AcceptYuvFourCCs none{MakeFourCC('N', 'O', 'N', 'E')};
                graph = ApiLoadImageAsGraph("movie.ogv", 0);
            }
            ASSERT_GT(graph, 0);
            const GraphRecord* record = GetGraphRecord(graph);
            ASSERT_EQ(record->creation.texture, 1);
            EXPECT_EQ(record->piece_count, c.pieces);
            const int movie = record->movie;
            TheoraMovie* theora = GetMovieRecord(movie)->theora;
            ASSERT_NE(theora, nullptr);
            EXPECT_EQ(theora->yuv_fourcc, path.fourcc);
            EXPECT_EQ(GetTheoraYuvSurface(theora) != nullptr, path.fourcc != 0);

            ExpectDrawnFrame(graph, 10, 20, 0);
            ASSERT_EQ(PlayMovie(movie, 1), 0);
            session_.clock().AdvanceMs(5 * 40);
            ExpectDrawnFrame(graph, 30, 40, 5);
            EXPECT_EQ(theora->rgb_done, path.fourcc != 0 ? 0 : 1);
            EXPECT_EQ(theora->yuv_done, path.fourcc != 0 ? 1 : 0);
            session_.clock().AdvanceMs(13 * 40);
            ExpectDrawnFrame(graph, 200, 100, 2);
            ASSERT_EQ(DeleteGraphHandle(graph, 0), 0);
        }
    }
}

// While the YUV surface cannot be locked, the frame is not written: after three tries (the
// surface made anew after each) the graph keeps showing the frame it had, not a surface
// nothing was written to; once locks work again the next draw brings the movie's frame.
TEST_F(MovieTextureGraph, AFrameTheYuvSurfaceCouldNotTakeLeavesTheGraphAsItWas) {
    AcceptYuvFourCCs only{kFourCcYuy2};
    const int graph = ApiLoadImageAsGraph("movie.ogv", 0);
    ASSERT_GT(graph, 0);
    const int movie = GetGraphRecord(graph)->movie;
    TheoraMovie* theora = GetMovieRecord(movie)->theora;
    ASSERT_NE(GetTheoraYuvSurface(theora), nullptr);
    ExpectDrawnFrame(graph, 10, 20, 0);
    ASSERT_EQ(PlayMovie(movie, 1), 0);
    session_.clock().AdvanceMs(3 * 40);
    FillBack(0);
    {
        FailSurfaceLocks fail;
        ASSERT_EQ(ApiDrawGraphAtPoint(10, 20, graph, 0), 0);
        EXPECT_EQ(theora->yuv_done, 0);
        EXPECT_EQ(theora->rgb_done, 0);
    }
    ExpectShownFrame(10, 20, 0);
    ASSERT_NE(GetTheoraYuvSurface(theora), nullptr);
    ExpectDrawnFrame(graph, 10, 20, 3);
    EXPECT_EQ(theora->yuv_done, 1);
    ASSERT_EQ(DeleteGraphHandle(graph, 0), 0);
}

// Frames whose chroma is not 4:2:0 never reach the YUV surface: their texture graphs are
// fed through the CPU conversion although the movie has a surface.
TEST_F(MovieTextureGraph, A422Or444MovieIsFedThroughTheCpuConversion) {
    for (const int format : {2, 3}) {
        SCOPED_TRACE(format);
        TheoraFixture f;
        f.pixel_format = format;
        f.frames = 12;
        const std::vector<std::uint8_t> bytes = MakeTheoraFile(f);
        reference_ = DecodeTheoraReference(bytes);
        WriteFileBytes("chroma.ogv", bytes);
        const int graph = ApiLoadImageAsGraph("chroma.ogv", 0);
        ASSERT_GT(graph, 0);
        ASSERT_EQ(GetGraphRecord(graph)->creation.texture, 1);
        const int movie = GetGraphRecord(graph)->movie;
        TheoraMovie* theora = GetMovieRecord(movie)->theora;
        EXPECT_NE(GetTheoraYuvSurface(theora), nullptr);
        ExpectDrawnFrame(graph, 10, 20, 0);
        ASSERT_EQ(PlayMovie(movie, 1), 0);
        session_.clock().AdvanceMs(5 * 40);
        ExpectDrawnFrame(graph, 10, 20, 5);
        EXPECT_EQ(theora->rgb_done, 1);
        EXPECT_EQ(theora->yuv_done, 0);
        ASSERT_EQ(DeleteGraphHandle(graph, 0), 0);
    }
}

// Two draws in one scene, the movie moving on between them: the frame is written into the
// textures only after the first draw's vertices went to the device, so each draw shows the
// frame it was made with.
TEST_F(MovieTextureGraph, ADrawKeepsItsFrameWhenTheNextDrawBringsANewOne) {
    const int graph = ApiLoadImageAsGraph("movie.ogv", 0);
    ASSERT_GT(graph, 0);
    ASSERT_EQ(GetGraphRecord(graph)->creation.texture, 1);
    const int movie = GetGraphRecord(graph)->movie;
    ASSERT_EQ(ApiDrawGraphAtPoint(10, 20, graph, 0), 0);
    ASSERT_EQ(PlayMovie(movie, 1), 0);
    session_.clock().AdvanceMs(7 * 40);
    ASSERT_EQ(ApiDrawGraphAtPoint(200, 100, graph, 0), 0);
    ExpectShownFrame(10, 20, 0);
    ExpectShownFrame(200, 100, 7);
}

TEST_F(MovieTextureGraph, AnAlphaMovieGraphHoldsTheLeftHalfWithTheRightHalfAsAlpha) {
    const ReferenceFrames reference = WriteAlphaRampMovie("alpha.ogv", 96);
    // The 48 x 32 graph in one piece, and (largest side 16) in several.
    for (const PieceCase& c : kPieceCases) {
        SCOPED_TRACE(c.largest_side);
        D3DState().max_texture_size = c.largest_side;
        MovieAlphaDefault() = 1;
        const int graph = ApiLoadImageAsGraph("alpha.ogv", 0);
        MovieAlphaDefault() = 0;
        ASSERT_GT(graph, 0);
        const GraphRecord* record = GetGraphRecord(graph);
        ASSERT_EQ(record->creation.texture, 1);
        EXPECT_EQ(record->creation.alpha_channel, 1);
        EXPECT_EQ(record->piece_count, c.pieces);
        EXPECT_EQ(record->width, 48);
        EXPECT_EQ(record->height, 32);
        const int movie = record->movie;
        for (const int k : {0, 4}) {
            SCOPED_TRACE(k);
            ASSERT_EQ(ApiDrawGraphAtPoint(0, 0, graph, 0), 0);
            ExpectAlphaMovieFrame(reference, k, 48, 32, [&](int x, int y) { return Texel(record, x, y); });
            ASSERT_EQ(PlayMovie(movie, 1), 0);
            session_.clock().AdvanceMs(4 * 40);
        }
        ASSERT_EQ(DeleteGraphHandle(graph, 0), 0);
    }
}

class FlatMovieTextureGraph : public d3d_test::D3DDrawSession, public ::testing::WithParamInterface<FlatMovieFormat> {
protected:
    void SetUp() override {
        D3DDrawSession::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        if (!WriteFlatMovie(GetParam(), 8)) GTEST_SKIP() << "no " << GetParam().codec << " encoder in this build";
    }
    // Draws the graph at (x, y) on a black back buffer and checks it shows frame k there.
    void ExpectDrawnFrame(int graph, int x, int y, int k) {
        FillBack(0);
        ASSERT_EQ(ApiDrawGraphAtPoint(x, y, graph, 0), 0);
        const int w = GetParam().width;
        const std::vector<std::uint32_t> shown = ReadBack(RECT{x - 1, y - 1, x + w + 1, y + GetParam().height + 1});
        ExpectFlatMovieFrame(GetParam(), k, [&](int col, int row) {
            return shown[static_cast<std::size_t>(row + 1) * static_cast<std::size_t>(w + 2) +
                         static_cast<std::size_t>(col + 1)];
        });
    }
};

// Loaded as a texture graph the movie stands paused at its first frame, and nothing plays
// it: the first draw shows that frame, and so does a draw two seconds later; on a graph
// of one piece and (largest side 128, for the wider movie) on one cut into several.
TEST_P(FlatMovieTextureGraph, ShowsItsFirstFrameFromTheFirstDraw) {
    for (const unsigned largest_side : {2048u, 128u}) {
        SCOPED_TRACE(largest_side);
        D3DState().max_texture_size = largest_side;
        const int graph = ApiLoadImageAsGraph(GetParam().file, 0);
        ASSERT_GT(graph, 0);
        const GraphRecord* record = GetGraphRecord(graph);
        ASSERT_EQ(record->creation.texture, 1);
        EXPECT_EQ(record->piece_count > 1, GetParam().width > static_cast<int>(largest_side));
        EXPECT_EQ(record->width, GetParam().width);
        EXPECT_EQ(record->height, GetParam().height);
        ExpectDrawnFrame(graph, 10, 20, 0);
        session_.clock().AdvanceMs(2000);
        ExpectDrawnFrame(graph, 30, 40, 0);
        ASSERT_EQ(DeleteGraphHandle(graph, 0), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, FlatMovieTextureGraph, ::testing::ValuesIn(kFlatMovieFormats),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
