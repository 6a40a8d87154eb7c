// Copying the back buffer into texture graphs: the copied rectangle lands at (0, 0) of the
#include "engine/graphics/graphs/surface_data.h"
// graph and nothing beyond it changes, across pieces too; refused rectangles; the order
#include "engine/graphics/graphs/surface_data.h"
// in which the ways are tried and the way remembered per texture kind; the ways through
#include "engine/graphics/graphs/surface_data.h"
// device contexts each capture on their own.
#include "engine/graphics/graphs/surface_data.h"
#include <gtest/gtest.h>
#include "engine/graphics/graphs/surface_data.h"

#include "engine/graphics/graphs/surface_data.h"
#include <string>
#include "engine/graphics/graphs/surface_data.h"
#include <vector>
#include "engine/graphics/graphs/surface_data.h"

#include "engine/graphics/graphs/surface_data.h"
#include "tests/d3d/d3d_draw_session.h"
#include "engine/graphics/graphs/surface_data.h"
#include "tests/support/engine_testing/d3d_draw_testing.h"
#include "engine/graphics/graphs/surface_data.h"

#include "engine/graphics/graphs/surface_data.h"
namespace {
#include "engine/graphics/graphs/surface_data.h"

#include "engine/graphics/graphs/surface_data.h"
using d3d_test::PatternTexel;
#include "engine/graphics/graphs/surface_data.h"

#include "engine/graphics/graphs/surface_data.h"
constexpr std::uint32_t kGreen = 0x00FF00;
#include "engine/graphics/graphs/surface_data.h"

#include "engine/graphics/graphs/surface_data.h"
class ScreenCapture : public d3d_test::D3DDrawSession {
#include "engine/graphics/graphs/surface_data.h"
protected:
#include "engine/graphics/graphs/surface_data.h"
    // The remembered way of the graph's texture kind: 1 with an alpha channel or alpha test.
#include "engine/graphics/graphs/surface_data.h"
    static std::int32_t& Remembered(const GraphRecord* graph) {
#include "engine/graphics/graphs/surface_data.h"
        const SurfaceData* data = GetSurfaceData(GetSurface3DData(graph->pieces[0])->surface_data);
#include "engine/graphics/graphs/surface_data.h"
        return D3DState().capture_method[data->creation.alpha_channel || data->creation.alpha_test ? 1 : 0];
#include "engine/graphics/graphs/surface_data.h"
    }
#include "engine/graphics/graphs/surface_data.h"
    void SetUp() override {
#include "engine/graphics/graphs/surface_data.h"
        D3DDrawSession::SetUp();
#include "engine/graphics/graphs/surface_data.h"
        if (!up_) return;
#include "engine/graphics/graphs/surface_data.h"
        const GraphRecord* picture = MakeTextureGraph(256, 128, PatternTexel);
#include "engine/graphics/graphs/surface_data.h"
        ASSERT_EQ(DrawGraphD3D(0, 0, 0.0f, 0.0f, picture, 0, 1), 0);
#include "engine/graphics/graphs/surface_data.h"
        EndSceneD3D();
#include "engine/graphics/graphs/surface_data.h"
    }
#include "engine/graphics/graphs/surface_data.h"
};
#include "engine/graphics/graphs/surface_data.h"

#include "engine/graphics/graphs/surface_data.h"
TEST_F(ScreenCapture, TheRectangleLandsAtTheGraphsCorner) {
#include "engine/graphics/graphs/surface_data.h"
    const GraphRecord* graph = MakeTextureGraph(64, 64, [](int, int) { return kGreen; });
#include "engine/graphics/graphs/surface_data.h"
    ASSERT_EQ(GetDrawScreenGraphD3D(10, 20, 40, 45, graph, 0), 0);
#include "engine/graphics/graphs/surface_data.h"
    EXPECT_GE(Remembered(graph), 0);
#include "engine/graphics/graphs/surface_data.h"
    for (int y = 0; y < 64; y += 3) {
#include "engine/graphics/graphs/surface_data.h"
        for (int x = 0; x < 64; x += 3) {
#include "engine/graphics/graphs/surface_data.h"
            const bool copied = x < 30 && y < 25;
#include "engine/graphics/graphs/surface_data.h"
            ASSERT_EQ(Texel(graph, x, y) & 0xFFFFFFu, copied ? PatternTexel(x + 10, y + 20) : kGreen) << x << "," << y;
#include "engine/graphics/graphs/surface_data.h"
        }
#include "engine/graphics/graphs/surface_data.h"
    }
#include "engine/graphics/graphs/surface_data.h"
    EXPECT_EQ(Texel(graph, 29, 24) & 0xFFFFFFu, PatternTexel(39, 44));
#include "engine/graphics/graphs/surface_data.h"
    EXPECT_EQ(Texel(graph, 30, 24) & 0xFFFFFFu, kGreen);
#include "engine/graphics/graphs/surface_data.h"
    EXPECT_EQ(Texel(graph, 29, 25) & 0xFFFFFFu, kGreen);
#include "engine/graphics/graphs/surface_data.h"
}
#include "engine/graphics/graphs/surface_data.h"

#include "engine/graphics/graphs/surface_data.h"
TEST_F(ScreenCapture, ACaptureAcrossPieces) {
#include "engine/graphics/graphs/surface_data.h"
    D3DState().max_texture_size = 64;
#include "engine/graphics/graphs/surface_data.h"
    const GraphRecord* graph = MakeTextureGraph(150, 100, [](int, int) { return kGreen; });
#include "engine/graphics/graphs/surface_data.h"
    ASSERT_EQ(graph->piece_count, 6);
#include "engine/graphics/graphs/surface_data.h"
    ASSERT_EQ(GetDrawScreenGraphD3D(3, 4, 103, 84, graph, 0), 0);
#include "engine/graphics/graphs/surface_data.h"
    for (int y = 0; y < 100; y += 3) {
#include "engine/graphics/graphs/surface_data.h"
        for (int x = 0; x < 150; x += 3) {
#include "engine/graphics/graphs/surface_data.h"
            const bool copied = x < 100 && y < 80;
#include "engine/graphics/graphs/surface_data.h"
            ASSERT_EQ(Texel(graph, x, y) & 0xFFFFFFu, copied ? PatternTexel(x + 3, y + 4) : kGreen) << x << "," << y;
#include "engine/graphics/graphs/surface_data.h"
        }
#include "engine/graphics/graphs/surface_data.h"
    }
#include "engine/graphics/graphs/surface_data.h"
}
#include "engine/graphics/graphs/surface_data.h"

#include "engine/graphics/graphs/surface_data.h"
TEST_F(ScreenCapture, RectanglesThatDoNotFitAreRefused) {
#include "engine/graphics/graphs/surface_data.h"
    const GraphRecord* graph = MakeTextureGraph(32, 32, [](int, int) { return kGreen; });
#include "engine/graphics/graphs/surface_data.h"
    EXPECT_EQ(GetDrawScreenGraphD3D(0, 0, 33, 10, graph, 0), -1);  // wider than the graph
#include "engine/graphics/graphs/surface_data.h"
    EXPECT_EQ(Remembered(graph), -1);
#include "engine/graphics/graphs/surface_data.h"
    EXPECT_EQ(GetDrawScreenGraphD3D(10, 10, 10, 20, graph, 0), -1);  // empty
#include "engine/graphics/graphs/surface_data.h"
    EXPECT_EQ(GetDrawScreenGraphD3D(-1, 0, 10, 10, graph, 0), -1);
#include "engine/graphics/graphs/surface_data.h"
    // Starting at the screen's right edge passes and copies nothing.
#include "engine/graphics/graphs/surface_data.h"
    EXPECT_EQ(GetDrawScreenGraphD3D(640, 0, 650, 10, graph, 0), 0);
#include "engine/graphics/graphs/surface_data.h"
    EXPECT_EQ(Texel(graph, 0, 0) & 0xFFFFFFu, kGreen);
#include "engine/graphics/graphs/surface_data.h"
}
#include "engine/graphics/graphs/surface_data.h"

#include "engine/graphics/graphs/surface_data.h"
// Stand-in ways that record their calls and answer as told.
#include "engine/graphics/graphs/surface_data.h"
std::vector<std::string> g_calls;
#include "engine/graphics/graphs/surface_data.h"
int g_answers[kScreenCaptureMethodCount];
#include "engine/graphics/graphs/surface_data.h"
template <int N>
#include "engine/graphics/graphs/surface_data.h"
int RecordedWay(int, int, int, int, const GraphRecord*, int) {
#include "engine/graphics/graphs/surface_data.h"
    g_calls.push_back(std::to_string(N));
#include "engine/graphics/graphs/surface_data.h"
    return g_answers[N];
#include "engine/graphics/graphs/surface_data.h"
}
#include "engine/graphics/graphs/surface_data.h"

#include "engine/graphics/graphs/surface_data.h"
TEST_F(ScreenCapture, TheWayThatWorkedIsTriedFirstNextTime) {
#include "engine/graphics/graphs/surface_data.h"
    const GraphRecord* graph = MakeTextureGraph(32, 32, [](int, int) { return kGreen; });
#include "engine/graphics/graphs/surface_data.h"
    ScreenCaptureMethod kept[kScreenCaptureMethodCount];
#include "engine/graphics/graphs/surface_data.h"
    std::copy(g_screen_capture_methods, g_screen_capture_methods + kScreenCaptureMethodCount, kept);
#include "engine/graphics/graphs/surface_data.h"
    const ScreenCaptureMethod ways[kScreenCaptureMethodCount] = {RecordedWay<0>, RecordedWay<1>, RecordedWay<2>,
#include "engine/graphics/graphs/surface_data.h"
                                                                 RecordedWay<3>, RecordedWay<4>};
#include "engine/graphics/graphs/surface_data.h"
    std::copy(ways, ways + kScreenCaptureMethodCount, g_screen_capture_methods);
#include "engine/graphics/graphs/surface_data.h"
    const int answers[kScreenCaptureMethodCount] = {-1, -1, 0, -1, -1};
#include "engine/graphics/graphs/surface_data.h"
    std::copy(answers, answers + kScreenCaptureMethodCount, g_answers);
#include "engine/graphics/graphs/surface_data.h"

#include "engine/graphics/graphs/surface_data.h"
    Remembered(graph) = -1;
#include "engine/graphics/graphs/surface_data.h"
    EXPECT_EQ(GetDrawScreenGraphD3D(0, 0, 8, 8, graph, 0), 0);
#include "engine/graphics/graphs/surface_data.h"
    EXPECT_EQ(g_calls, (std::vector<std::string>{"0", "1", "2"}));
#include "engine/graphics/graphs/surface_data.h"
    EXPECT_EQ(Remembered(graph), 2);
#include "engine/graphics/graphs/surface_data.h"
    g_calls.clear();
#include "engine/graphics/graphs/surface_data.h"
    EXPECT_EQ(GetDrawScreenGraphD3D(0, 0, 8, 8, graph, 0), 0);
#include "engine/graphics/graphs/surface_data.h"
    EXPECT_EQ(g_calls, (std::vector<std::string>{"2"}));
#include "engine/graphics/graphs/surface_data.h"

#include "engine/graphics/graphs/surface_data.h"
    // The remembered way fails now: the table is walked again from its start.
#include "engine/graphics/graphs/surface_data.h"
    g_calls.clear();
#include "engine/graphics/graphs/surface_data.h"
    g_answers[2] = -1;
#include "engine/graphics/graphs/surface_data.h"
    g_answers[4] = 0;
#include "engine/graphics/graphs/surface_data.h"
    EXPECT_EQ(GetDrawScreenGraphD3D(0, 0, 8, 8, graph, 0), 0);
#include "engine/graphics/graphs/surface_data.h"
    EXPECT_EQ(g_calls, (std::vector<std::string>{"2", "0", "1", "2", "3", "4"}));
#include "engine/graphics/graphs/surface_data.h"
    EXPECT_EQ(Remembered(graph), 4);
#include "engine/graphics/graphs/surface_data.h"

#include "engine/graphics/graphs/surface_data.h"
    g_calls.clear();
#include "engine/graphics/graphs/surface_data.h"
    g_answers[4] = -1;
#include "engine/graphics/graphs/surface_data.h"
    EXPECT_EQ(GetDrawScreenGraphD3D(0, 0, 8, 8, graph, 0), -1);
#include "engine/graphics/graphs/surface_data.h"
    EXPECT_EQ(Remembered(graph), -1);
#include "engine/graphics/graphs/surface_data.h"
    EXPECT_EQ(g_calls, (std::vector<std::string>{"4", "0", "1", "2", "3", "4"}));
#include "engine/graphics/graphs/surface_data.h"
    // A graph of the other texture kind keeps its own way.
#include "engine/graphics/graphs/surface_data.h"
    const std::int32_t* other = &Remembered(graph) == &D3DState().capture_method[0] ? &D3DState().capture_method[1]
#include "engine/graphics/graphs/surface_data.h"
                                                                                     : &D3DState().capture_method[0];
#include "engine/graphics/graphs/surface_data.h"
    EXPECT_EQ(*other, -1);
#include "engine/graphics/graphs/surface_data.h"
    std::copy(kept, kept + kScreenCaptureMethodCount, g_screen_capture_methods);
#include "engine/graphics/graphs/surface_data.h"
}
#include "engine/graphics/graphs/surface_data.h"

#include "engine/graphics/graphs/surface_data.h"
int FailingWay(int, int, int, int, const GraphRecord*, int) { return -1; }
#include "engine/graphics/graphs/surface_data.h"

#include "engine/graphics/graphs/surface_data.h"
// The three ways through device contexts (of the video-memory screen, and of a temporary
#include "engine/graphics/graphs/surface_data.h"
// system-memory texture or of the video-memory texture itself: the table's third to fifth
#include "engine/graphics/graphs/surface_data.h"
// entries) each copy the exact pixels on their own, with the other ways failing.
#include "engine/graphics/graphs/surface_data.h"
TEST_F(ScreenCapture, TheDeviceContextWaysCaptureOnTheirOwn) {
#include "engine/graphics/graphs/surface_data.h"
    ScreenCaptureMethod kept[kScreenCaptureMethodCount];
#include "engine/graphics/graphs/surface_data.h"
    std::copy(g_screen_capture_methods, g_screen_capture_methods + kScreenCaptureMethodCount, kept);
#include "engine/graphics/graphs/surface_data.h"
    for (int way = 2; way <= 4; ++way) {
#include "engine/graphics/graphs/surface_data.h"
        SCOPED_TRACE(way);
#include "engine/graphics/graphs/surface_data.h"
        for (int i = 0; i < kScreenCaptureMethodCount; ++i) g_screen_capture_methods[i] = i == way ? kept[i] : FailingWay;
#include "engine/graphics/graphs/surface_data.h"
        const GraphRecord* graph = MakeTextureGraph(64, 64, [](int, int) { return kGreen; });
#include "engine/graphics/graphs/surface_data.h"
        Remembered(graph) = -1;
#include "engine/graphics/graphs/surface_data.h"
        ASSERT_EQ(GetDrawScreenGraphD3D(10, 20, 40, 45, graph, 0), 0);
#include "engine/graphics/graphs/surface_data.h"
        EXPECT_EQ(Remembered(graph), way);
#include "engine/graphics/graphs/surface_data.h"
        for (int y = 0; y < 64; y += 3) {
#include "engine/graphics/graphs/surface_data.h"
            for (int x = 0; x < 64; x += 3) {
#include "engine/graphics/graphs/surface_data.h"
                const bool copied = x < 30 && y < 25;
#include "engine/graphics/graphs/surface_data.h"
                ASSERT_EQ(Texel(graph, x, y) & 0xFFFFFFu, copied ? PatternTexel(x + 10, y + 20) : kGreen)
#include "engine/graphics/graphs/surface_data.h"
                    << x << "," << y;
#include "engine/graphics/graphs/surface_data.h"
            }
#include "engine/graphics/graphs/surface_data.h"
        }
#include "engine/graphics/graphs/surface_data.h"
        EXPECT_EQ(Texel(graph, 29, 24) & 0xFFFFFFu, PatternTexel(39, 44));
#include "engine/graphics/graphs/surface_data.h"
    }
#include "engine/graphics/graphs/surface_data.h"
    std::copy(kept, kept + kScreenCaptureMethodCount, g_screen_capture_methods);
#include "engine/graphics/graphs/surface_data.h"
}
#include "engine/graphics/graphs/surface_data.h"

#include "engine/graphics/graphs/surface_data.h"
}  // namespace
#include "engine/graphics/graphs/surface_data.h"
