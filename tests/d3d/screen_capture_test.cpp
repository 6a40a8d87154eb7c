// Copying the back buffer into texture graphs: the copied rectangle lands at (0, 0) of the
// graph and nothing beyond it changes, across pieces too; refused rectangles; the order
// in which the ways are tried and the way remembered per texture kind; the ways through
// device contexts each capture on their own.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/graphics/graphics.h"
#include "engine/graphics/graphs/surface_data.h"
#include "tests/d3d/d3d_draw_session.h"
#include "tests/support/engine_testing/d3d_draw_testing.h"

namespace {

using d3d_test::PatternTexel;

constexpr std::uint32_t kGreen = 0x00FF00;

class ScreenCapture : public d3d_test::D3DDrawSession {
protected:
    // The remembered way of the graph's texture kind: 1 with an alpha channel or alpha test.
    static std::int32_t& Remembered(const GraphRecord* graph) {
        const SurfaceData* data = GetSurfaceData(GetSurface3DData(graph->pieces[0])->surface_data);
        return D3DState().capture_method[data->creation.alpha_channel || data->creation.alpha_test ? 1 : 0];
    }
    void SetUp() override {
        D3DDrawSession::SetUp();
        if (!up_) return;
        const GraphRecord* picture = MakeTextureGraph(256, 128, PatternTexel);
        ASSERT_EQ(DrawGraphD3D(0, 0, 0.0f, 0.0f, picture, 0, 1), 0);
        EndSceneD3D();
    }
};

TEST_F(ScreenCapture, TheRectangleLandsAtTheGraphsCorner) {
    const GraphRecord* graph = MakeTextureGraph(64, 64, [](int, int) { return kGreen; });
    ASSERT_EQ(GetDrawScreenGraphD3D(*GetDrawSettings(), 10, 20, 40, 45, graph, 0), 0);
    EXPECT_GE(Remembered(graph), 0);
    for (int y = 0; y < 64; y += 3) {
        for (int x = 0; x < 64; x += 3) {
            const bool copied = x < 30 && y < 25;
            ASSERT_EQ(Texel(graph, x, y) & 0xFFFFFFu, copied ? PatternTexel(x + 10, y + 20) : kGreen) << x << "," << y;
        }
    }
    EXPECT_EQ(Texel(graph, 29, 24) & 0xFFFFFFu, PatternTexel(39, 44));
    EXPECT_EQ(Texel(graph, 30, 24) & 0xFFFFFFu, kGreen);
    EXPECT_EQ(Texel(graph, 29, 25) & 0xFFFFFFu, kGreen);
}

TEST_F(ScreenCapture, ACaptureAcrossPieces) {
    D3DState().max_texture_size = 64;
    const GraphRecord* graph = MakeTextureGraph(150, 100, [](int, int) { return kGreen; });
    ASSERT_EQ(graph->piece_count, 6);
    ASSERT_EQ(GetDrawScreenGraphD3D(*GetDrawSettings(), 3, 4, 103, 84, graph, 0), 0);
    for (int y = 0; y < 100; y += 3) {
        for (int x = 0; x < 150; x += 3) {
            const bool copied = x < 100 && y < 80;
            ASSERT_EQ(Texel(graph, x, y) & 0xFFFFFFu, copied ? PatternTexel(x + 3, y + 4) : kGreen) << x << "," << y;
        }
    }
}

TEST_F(ScreenCapture, RectanglesThatDoNotFitAreRefused) {
    const GraphRecord* graph = MakeTextureGraph(32, 32, [](int, int) { return kGreen; });
    EXPECT_EQ(GetDrawScreenGraphD3D(*GetDrawSettings(), 0, 0, 33, 10, graph, 0), -1);  // wider than the graph
    EXPECT_EQ(Remembered(graph), -1);
    EXPECT_EQ(GetDrawScreenGraphD3D(*GetDrawSettings(), 10, 10, 10, 20, graph, 0), -1);  // empty
    EXPECT_EQ(GetDrawScreenGraphD3D(*GetDrawSettings(), -1, 0, 10, 10, graph, 0), -1);
    // Starting at the screen's right edge passes and copies nothing.
    EXPECT_EQ(GetDrawScreenGraphD3D(*GetDrawSettings(), 640, 0, 650, 10, graph, 0), 0);
    EXPECT_EQ(Texel(graph, 0, 0) & 0xFFFFFFu, kGreen);
}

// Stand-in ways that record their calls and answer as told.
std::vector<std::string> g_calls;
int g_answers[kScreenCaptureMethodCount];
template <int N>
int RecordedWay(const DrawSettingsBlock&, int, int, int, int, const GraphRecord*, int) {
    g_calls.push_back(std::to_string(N));
    return g_answers[N];
}

TEST_F(ScreenCapture, TheWayThatWorkedIsTriedFirstNextTime) {
    const GraphRecord* graph = MakeTextureGraph(32, 32, [](int, int) { return kGreen; });
    ScreenCaptureMethod kept[kScreenCaptureMethodCount];
    std::copy(g_screen_capture_methods, g_screen_capture_methods + kScreenCaptureMethodCount, kept);
    const ScreenCaptureMethod ways[kScreenCaptureMethodCount] = {RecordedWay<0>, RecordedWay<1>, RecordedWay<2>,
                                                                 RecordedWay<3>, RecordedWay<4>};
    std::copy(ways, ways + kScreenCaptureMethodCount, g_screen_capture_methods);
    const int answers[kScreenCaptureMethodCount] = {-1, -1, 0, -1, -1};
    std::copy(answers, answers + kScreenCaptureMethodCount, g_answers);

    Remembered(graph) = -1;
    EXPECT_EQ(GetDrawScreenGraphD3D(*GetDrawSettings(), 0, 0, 8, 8, graph, 0), 0);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"0", "1", "2"}));
    EXPECT_EQ(Remembered(graph), 2);
    g_calls.clear();
    EXPECT_EQ(GetDrawScreenGraphD3D(*GetDrawSettings(), 0, 0, 8, 8, graph, 0), 0);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"2"}));

    // The remembered way fails now: the table is walked again from its start.
    g_calls.clear();
    g_answers[2] = -1;
    g_answers[4] = 0;
    EXPECT_EQ(GetDrawScreenGraphD3D(*GetDrawSettings(), 0, 0, 8, 8, graph, 0), 0);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"2", "0", "1", "2", "3", "4"}));
    EXPECT_EQ(Remembered(graph), 4);

    g_calls.clear();
    g_answers[4] = -1;
    EXPECT_EQ(GetDrawScreenGraphD3D(*GetDrawSettings(), 0, 0, 8, 8, graph, 0), -1);
    EXPECT_EQ(Remembered(graph), -1);
    EXPECT_EQ(g_calls, (std::vector<std::string>{"4", "0", "1", "2", "3", "4"}));
    // A graph of the other texture kind keeps its own way.
    const std::int32_t* other = &Remembered(graph) == &D3DState().capture_method[0] ? &D3DState().capture_method[1]
                                                                                     : &D3DState().capture_method[0];
    EXPECT_EQ(*other, -1);
    std::copy(kept, kept + kScreenCaptureMethodCount, g_screen_capture_methods);
}

int FailingWay(const DrawSettingsBlock&, int, int, int, int, const GraphRecord*, int) { return -1; }

// The three ways through device contexts (of the video-memory screen, and of a temporary
// system-memory texture or of the video-memory texture itself: the table's third to fifth
// entries) each copy the exact pixels on their own, with the other ways failing.
TEST_F(ScreenCapture, TheDeviceContextWaysCaptureOnTheirOwn) {
    ScreenCaptureMethod kept[kScreenCaptureMethodCount];
    std::copy(g_screen_capture_methods, g_screen_capture_methods + kScreenCaptureMethodCount, kept);
    for (int way = 2; way <= 4; ++way) {
        SCOPED_TRACE(way);
        for (int i = 0; i < kScreenCaptureMethodCount; ++i) g_screen_capture_methods[i] = i == way ? kept[i] : FailingWay;
        const GraphRecord* graph = MakeTextureGraph(64, 64, [](int, int) { return kGreen; });
        Remembered(graph) = -1;
        ASSERT_EQ(GetDrawScreenGraphD3D(*GetDrawSettings(), 10, 20, 40, 45, graph, 0), 0);
        EXPECT_EQ(Remembered(graph), way);
        for (int y = 0; y < 64; y += 3) {
            for (int x = 0; x < 64; x += 3) {
                const bool copied = x < 30 && y < 25;
                ASSERT_EQ(Texel(graph, x, y) & 0xFFFFFFu, copied ? PatternTexel(x + 10, y + 20) : kGreen)
                    << x << "," << y;
            }
        }
        EXPECT_EQ(Texel(graph, 29, 24) & 0xFFFFFFu, PatternTexel(39, 44));
    }
    std::copy(kept, kept + kScreenCaptureMethodCount, g_screen_capture_methods);
}

}  // namespace
