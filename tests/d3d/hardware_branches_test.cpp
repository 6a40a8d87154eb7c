// The graphics core's hardware branches with the renderer up (SDL's off-screen driver and
// Mesa's GL): the engine takes Direct3D by default and says so in its log, the output
// surfaces live in video memory, texture graphs get texture pieces and serve as draw
// targets at their texture's place, the default font draws from a texture glyph cache,
// and the software-mode request made before start-up still gives the software path.
// Skips where no OpenGL 3.3 context can be made.
#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "engine/d3d/d3d.h"
#include "engine/font/font.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/graphics.h"
#include "engine/graphics/graphs/graph_handles.h"
#include "engine/graphics/graphs/surface_data.h"
#include "engine/graphics/screen/screen_state.h"
#include "tests/d3d/d3d_test_support.h"
#include "tests/support/child_under_x.h"
#include "tests/support/engine_session.h"
#include "tests/support/engine_testing/d3d_testing.h"

namespace {

constexpr char kDirect3DUpLine[] = "Direct3D 関連の初期化は正常に終了しました\r\n";
constexpr char kSoftwareLine[] = "ソフトウエアレンダリングモードに変更します\r\n";

class HardwareBranches : public ::testing::Test {
protected:
    // Starts the engine in window mode; false when it did not start.
    bool Start() {
        session_.emplace();
        SetDirect3DRendererEnabled(1);
        if (ApiInitializeLibrary() != 0) {
            ADD_FAILURE() << "the engine did not start";
            return false;
        }
        up_ = true;
        return true;
    }
    void TearDown() override {
        if (up_) ApiTerminateLibrary();
        SetDirect3DRendererEnabled(0);
    }
    std::string Log() const { return engine_test::MaskedLog(session_->dir().path() / "Log.txt"); }

    std::optional<engine_test::EngineSession> session_;
    bool up_ = false;
};

TEST_F(HardwareBranches, TheEngineStartsInDirect3DModeWithVideoMemoryOutput) {
    if (!Start()) return;
    if (!IsDirect3DUp()) GTEST_SKIP() << d3d_test::kNoGlMessage;
    const std::string log = Log();
    EXPECT_NE(log.find(kDirect3DUpLine), std::string::npos);
    EXPECT_EQ(log.find(kSoftwareLine), std::string::npos);
    EXPECT_NE(log.find("PrimaryBuffer : VIDEOMEMORY"), std::string::npos);
    EXPECT_EQ(IsSoftwareRendering(), 0);
    EXPECT_EQ(GetUseTextureGraphs(), 1);
    const ScreenState* screen = GetScreenState();
    ASSERT_NE(screen->back, nullptr);
    DDSCAPS2 caps{};
    screen->back->GetCaps(&caps);
    EXPECT_NE(caps.dwCaps & DDSCAPS_VIDEOMEMORY, 0u);
}

TEST(HardwareBranchesSoftware, ASoftwareModeRequestBeforeStartUpGivesTheSoftwarePath) {
    // In a child: the software path, once taken, stays for the rest of the process.
    auto body = [] {
        engine_test::EngineSession session;
        SetUseTextureGraphs(0);
        if (ApiInitializeLibrary() != 0) return 1;
        const bool software = IsDirect3DUp() == 0 && IsSoftwareRendering() != 0;
        const std::string log = engine_test::MaskedLog(session.dir().path() / "Log.txt");
        ApiTerminateLibrary();
        if (!software) return 2;
        return log.find(kDirect3DUpLine) == std::string::npos ? 0 : 3;
    };
    const int status = RunInChild(body);
    EXPECT_EQ(status, 0);
}

TEST_F(HardwareBranches, ATextureGraphHasTexturePiecesAndIsADrawTargetAtItsPlace) {
    if (!Start()) return;
    if (!IsDirect3DUp()) GTEST_SKIP() << d3d_test::kNoGlMessage;
    const int graph = CreateBlankGraph(100, 60, 0);
    ASSERT_GE(graph, 0);
    const GraphRecord* record = GetGraphRecord(graph);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->creation.texture, 1);
    ASSERT_GE(record->piece_count, 1);
    int surface_data = -1, x = -1, y = -1;
    ASSERT_EQ(GetSurface3DDataPlace(record->pieces[0], &surface_data, &x, &y), 0);
    const SurfaceData* data = GetSurfaceData(surface_data);
    ASSERT_NE(data, nullptr);
    ASSERT_NE(data->surface, nullptr);
    ASSERT_EQ(ChooseDrawTarget(graph), 0);
    const ScreenState* screen = GetScreenState();
    EXPECT_EQ(screen->target_surface, data->surface);
    EXPECT_EQ(screen->target_x, x);
    EXPECT_EQ(screen->target_y, y);
    EXPECT_EQ(screen->target_image, nullptr);
    // A derived graph shares the texture over its sub-rectangle.
    const int part = DeriveGraph(10, 20, 30, 30, graph);
    ASSERT_GE(part, 0);
    EXPECT_EQ(GetGraphRecord(part)->creation.texture, 1);
    EXPECT_EQ(DeleteGraphHandle(part, 0), 0);
    EXPECT_EQ(ChooseDrawTarget(kDrawTargetBack), 0);
    EXPECT_EQ(DeleteGraphHandle(graph, 0), 0);
}

TEST_F(HardwareBranches, TheDefaultFontKeepsItsGlyphsInATextureCache) {
    if (!Start()) return;
    if (!IsDirect3DUp()) GTEST_SKIP() << d3d_test::kNoGlMessage;
    ApiChooseDrawTarget(kDrawTargetBack);
    ASSERT_EQ(ApiDrawStringWithDefaultFont(10, 10, "AB", ApiMakeColorValue(255, 255, 255), 0), 0);
    const FontHandleRecord* font = GetFontRecord(GetDefaultFontHandle());
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->texture_cache, 1);
    EXPECT_GE(font->cache_graph, 0);
    EXPECT_EQ(font->cache_width, 512);
    EXPECT_EQ(font->cache_height, 512);
    EXPECT_EQ(font->slot_count, (512 / font->cell_size) * (512 / font->cell_size));
    EXPECT_EQ(font->char_map['A'].cached, 1u);
    EXPECT_EQ(font->char_map['B'].cached, 1u);
    EXPECT_EQ(Log().find("テクスチャ文字キャッシュの作成に失敗しました"), std::string::npos);
}

}  // namespace
