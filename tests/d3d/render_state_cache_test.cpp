// The render-state cache and blend set-up through the device call log: the rows chosen for
// blend modes and texture kinds, alpha test and blending, texture factor values of blend
// graphs, the skipped draw at border 255, one SetTexture per texture switch, filters and
// viewports that are not re-issued.
#include <gtest/gtest.h>

#include "engine/graphics/graphics.h"
#include "tests/d3d/d3d_test_support.h"
#include "tests/support/engine_testing/d3d_draw_testing.h"

namespace {

using d3d_test::D3DEngine;
using d3d_test::LastRenderState;
using d3d_test::LastStageState;

class RenderStateCache : public D3DEngine {
protected:
    void SetUp() override {
        D3DEngine::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        DrawSettingsBlock* settings = GetDrawSettings();
        settings->blend_mode = 0;
        settings->blend_value = 255;
        settings->bright[0] = settings->bright[1] = settings->bright[2] = 255;
        settings->filter_mode = 0;
        settings->depth_test = 0;
        BeginDeviceScene(device());
    }
    // What the device holds now.
    long long Stage(DWORD stage, DWORD state) {
        DWORD value = 0;
        record()->device->GetTextureStageState(stage, state, &value);
        return value;
    }
    long long State(DWORD state) {
        DWORD value = 0;
        record()->device->GetRenderState(state, &value);
        return value;
    }
    // A point draw's set-up of a piece (transparent when asked) under a blend mode.
    void Prepare(int piece, int blend_mode, bool transparent, std::uint32_t extra = kWishExact) {
        GetDrawSettings()->blend_mode = blend_mode;
        PrepareDrawStates(GetSurface3DData(piece), (transparent ? kWishTransparent : 0u) | extra);
    }
};

TEST_F(RenderStateCache, BlendModeOneWithAPlainTextureBlendsByTheDiffuseAlpha) {
    const int piece = Piece(32, 32);
    RecordGlDeviceCalls log;
    Prepare(piece, 1, false);
    const auto calls = log.Calls();
    EXPECT_EQ(record()->diffuse_alpha, 1u);
    EXPECT_EQ(State(D3DRENDERSTATE_ALPHABLENDENABLE), 1);
    EXPECT_EQ(State(D3DRENDERSTATE_SRCBLEND), D3DBLEND_SRCALPHA);
    EXPECT_EQ(State(D3DRENDERSTATE_DESTBLEND), D3DBLEND_INVSRCALPHA);
    EXPECT_EQ(record()->cache.texture_factor, 0xFFFFFFFFu);
    // Row 3: texture colour, diffuse alpha; then the disabling stage.
    EXPECT_EQ(Stage(0, D3DTSS_COLOROP), D3DTOP_SELECTARG1);
    EXPECT_EQ(Stage(0, D3DTSS_COLORARG1), D3DTA_TEXTURE);
    EXPECT_EQ(Stage(0, D3DTSS_ALPHAOP), D3DTOP_SELECTARG2);
    EXPECT_EQ(Stage(0, D3DTSS_ALPHAARG2), D3DTA_DIFFUSE);
    EXPECT_EQ(Stage(1, D3DTSS_COLOROP), D3DTOP_DISABLE);
    EXPECT_EQ(Stage(1, D3DTSS_ALPHAOP), D3DTOP_DISABLE);
    EXPECT_EQ(SelectStageSetup(1, 0, 1, 0, 0), SelectStageSetup(0, 0, 1, 0, 0));
    EXPECT_EQ(record()->vertex_type, 1u);
}

TEST_F(RenderStateCache, AnAlphaChannelTextureBlendsOnlyWhenDrawnTransparent) {
    const int piece = Piece(32, 32, 1, 0);
    RecordGlDeviceCalls log;
    Prepare(piece, 0, true);
    auto calls = log.Calls();
    EXPECT_EQ(record()->alpha_channel, 1u);
    EXPECT_EQ(State(D3DRENDERSTATE_ALPHABLENDENABLE), 1);
    EXPECT_EQ(State(D3DRENDERSTATE_SRCBLEND), D3DBLEND_SRCALPHA);
    EXPECT_EQ(State(D3DRENDERSTATE_DESTBLEND), D3DBLEND_INVSRCALPHA);
    EXPECT_EQ(Stage(0, D3DTSS_ALPHAOP), D3DTOP_SELECTARG1);  // row 1: texture alpha
    EXPECT_EQ(Stage(0, D3DTSS_ALPHAARG1), D3DTA_TEXTURE);
    log.Clear();
    Prepare(piece, 0, false);
    calls = log.Calls();
    EXPECT_EQ(State(D3DRENDERSTATE_ALPHABLENDENABLE), 0);
    EXPECT_EQ(Stage(0, D3DTSS_ALPHAOP), D3DTOP_SELECTARG2);  // row 0
}

TEST_F(RenderStateCache, AnAlphaTestTextureIsTestedAndABrightColourModulates) {
    const int piece = Piece(32, 32, 0, 1);
    RecordGlDeviceCalls log;
    Prepare(piece, 0, true);
    auto calls = log.Calls();
    EXPECT_EQ(State(D3DRENDERSTATE_ALPHATESTENABLE), 1);
    EXPECT_EQ(State(D3DRENDERSTATE_ALPHAREF), 16);
    EXPECT_EQ(State(D3DRENDERSTATE_ALPHAFUNC), D3DCMP_GREATER);
    EXPECT_EQ(State(D3DRENDERSTATE_ALPHABLENDENABLE), 0);
    EXPECT_EQ(Stage(0, D3DTSS_COLOROP), D3DTOP_SELECTARG1);  // row 2
    // Red bright colour: row 8, the colour modulated by the diffuse colour.
    log.Clear();
    GetDrawSettings()->bright[0] = GetDrawSettings()->bright[1] = 0;
    Prepare(piece, 0, true);
    calls = log.Calls();
    EXPECT_EQ(record()->modulate_colour, 1u);
    EXPECT_EQ(Stage(0, D3DTSS_COLOROP), D3DTOP_MODULATE);
    EXPECT_EQ(Stage(0, D3DTSS_COLORARG2), D3DTA_DIFFUSE);
    EXPECT_EQ(SelectStageSetup(0, 2, 0, 1, 0)->stages[0].values.color_op, D3DTOP_MODULATE);
}

TEST_F(RenderStateCache, AnAlphaTestTextureDrawnScaledWithBilinearFilteringIsBlended) {
    const int piece = Piece(32, 32, 0, 1);
    GetDrawSettings()->filter_mode = 1;
    Prepare(piece, 0, true, 0);
    EXPECT_EQ(record()->alpha_channel, 1u);
    EXPECT_EQ(record()->alpha_test, 0u);
    Prepare(piece, 0, true, kWishExact);
    EXPECT_EQ(record()->alpha_channel, 0u);
    EXPECT_EQ(record()->alpha_test, 1u);
}

TEST_F(RenderStateCache, BlendGraphBordersGiveTheirTextureFactorAndStageOperations) {
    struct Case {
        int width, position;
        DWORD stage0, stage1;
        std::uint32_t factor;
        std::uint32_t skip;
    };
    const Case cases[] = {{10, 128, D3DTOP_SUBTRACT, D3DTOP_MODULATE4X, 0x61FFFFFFu, 0},
                          {100, 0, D3DTOP_ADD, D3DTOP_MODULATE2X, 0x80FFFFFFu, 0},
                          {255, 255, D3DTOP_SUBTRACT, D3DTOP_MODULATE, 0xFFFFFFFFu, 1}};
    IDirectDrawSurface7* blend = Texture(64, 64, true);
    IDirectDrawSurface7* graph = Texture(64, 64);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        RecordGlDeviceCalls log;
        SetDeviceTexture(device(), graph);
        SetDeviceBlendTexture(device(), blend, c.position, c.width);
        ASSERT_EQ(ApplyDeviceRenderState(device()), 0);
        const auto calls = log.Calls();
        EXPECT_EQ(record()->cache.texture_factor, c.factor);
        EXPECT_EQ(record()->cache.stages[0].values.alpha_op, c.stage0);
        EXPECT_EQ(record()->cache.stages[1].values.alpha_op, c.stage1);
        EXPECT_EQ(record()->cache.stages[0].texture, blend);
        EXPECT_EQ(record()->cache.stages[1].texture, graph);
        EXPECT_EQ(record()->skip_draw, c.skip);
        EXPECT_EQ(record()->vertex_type, 2u);
        // Drawn at border 255, nothing reaches the device.
        ASSERT_NE(ReserveBatchVertices(record(), 6), nullptr);
        FlushVertexBatch(device());
        EXPECT_EQ(log.Count(GlDeviceCallKind::kDrawPrimitive), c.skip ? 0u : 1u);
    }
}

// Soft borders up to 64 wide steepen the blend alpha four times, up to 128 twice, wider
// ones not at all, each with its own texture factor at border 128. Every case starts from
// the set-up without a blend graph, so the device is sent both values afresh.
TEST_F(RenderStateCache, SoftBorderWidthsAtTheStepsSteepenByFourTwoAndOne) {
    struct Case {
        int width;
        DWORD stage1;
        long long factor;
    };
    const Case cases[] = {{64, D3DTOP_MODULATE4X, 0x61FFFFFF},
                          {65, D3DTOP_MODULATE2X, 0x41FFFFFF},
                          {128, D3DTOP_MODULATE2X, 0x41FFFFFF},
                          {129, D3DTOP_MODULATE, 0x01FFFFFF}};
    IDirectDrawSurface7* blend = Texture(64, 64, true);
    SetDeviceTexture(device(), Texture(64, 64));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.width);
        SetDeviceBlendTexture(device(), nullptr, -1, -1);
        ApplyDeviceRenderState(device());
        RecordGlDeviceCalls log;
        SetDeviceBlendTexture(device(), blend, 128, c.width);
        ASSERT_EQ(ApplyDeviceRenderState(device()), 0);
        const auto calls = log.Calls();
        EXPECT_EQ(LastStageState(calls, 1, D3DTSS_ALPHAOP), c.stage1);
        EXPECT_EQ(LastStageState(calls, 0, D3DTSS_ALPHAOP), D3DTOP_SUBTRACT);
        EXPECT_EQ(LastRenderState(calls, D3DRENDERSTATE_TEXTUREFACTOR), c.factor);
    }
}

TEST_F(RenderStateCache, AHardBorderOnAnAlphaChannelTextureTestsFromOne) {
    SetDeviceTexture(device(), Texture(32, 32, true));
    SetDeviceBlendMode(device(), 0, 1, 0);
    SetDeviceBlendTexture(device(), Texture(32, 32, true), 0, 1);
    RecordGlDeviceCalls log;
    ASSERT_EQ(ApplyDeviceRenderState(device()), 0);
    const auto calls = log.Calls();
    EXPECT_EQ(State(D3DRENDERSTATE_ALPHATESTENABLE), 1);
    EXPECT_EQ(State(D3DRENDERSTATE_ALPHAREF), 1);
    EXPECT_EQ(State(D3DRENDERSTATE_ALPHAFUNC), D3DCMP_GREATEREQUAL);
    EXPECT_EQ(State(D3DRENDERSTATE_ALPHABLENDENABLE), 0);
    EXPECT_EQ(record()->cache.stages[2].texture, record()->texture);  // the graph on stage 2
    EXPECT_EQ(record()->cache.stages[1].texture, nullptr);
}

TEST_F(RenderStateCache, SwitchingTexturesIssuesOneSetTextureAndNothingElse) {
    const int first = Piece(32, 32);
    const int second = Piece(32, 32);
    Prepare(first, 0, true);
    RecordGlDeviceCalls log;
    Prepare(second, 0, true);
    auto calls = log.Calls();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].kind, GlDeviceCallKind::kSetTexture);
    EXPECT_EQ(calls[0].stage, 0u);
    EXPECT_EQ(calls[0].object, GetPieceTexture(GetSurface3DData(second)));
    // The same piece again with the same settings: no call at all.
    log.Clear();
    Prepare(second, 0, true);
    EXPECT_TRUE(log.Calls().empty());
}

TEST_F(RenderStateCache, FiltersAndViewportsAreIssuedOnlyOnChange) {
    RecordGlDeviceCalls log;
    EXPECT_EQ(SetDeviceFilter(device(), 2), -1);
    EXPECT_EQ(SetDeviceFilter(device(), 0), 0);
    EXPECT_TRUE(log.Calls(GlDeviceCallKind::kSetTextureStageState).empty());
    EXPECT_EQ(SetDeviceFilter(device(), 1), 0);
    EXPECT_EQ(LastStageState(log.Calls(), 0, D3DTSS_MAGFILTER), D3DTFG_LINEAR);
    EXPECT_EQ(LastStageState(log.Calls(), 0, D3DTSS_MINFILTER), D3DTFN_LINEAR);

    log.Clear();
    D3DVIEWPORT7 viewport{0, 0, 320, 240, 0.0f, 1.0f};
    EXPECT_EQ(SetDeviceViewport(&viewport, device()), 0);
    viewport.dvMinZ = 0.5f;
    EXPECT_EQ(SetDeviceViewport(&viewport, device()), 0);
    EXPECT_EQ(log.Count(GlDeviceCallKind::kSetViewport), 1u);
    viewport.dwWidth = 5000;  // outside the target: refused by the device, logged, -1
    EXPECT_EQ(SetDeviceViewport(&viewport, device()), -1);
}

TEST_F(RenderStateCache, VertexDiffuseTakesTheBlendValueOnlyUnderABlendMode) {
    DrawSettingsBlock* settings = GetDrawSettings();
    settings->bright[0] = 0x30;
    settings->bright[1] = 0x20;
    settings->bright[2] = 0x10;
    settings->blend_value = 0x80;
    settings->blend_mode = 0;
    UpdateVertexDiffuseColor();
    EXPECT_EQ(D3DState().vertex_diffuse, 0xFF102030u);
    settings->blend_mode = 1;
    UpdateVertexDiffuseColor();
    EXPECT_EQ(D3DState().vertex_diffuse, 0x80102030u);
}

}  // namespace

namespace {

TEST_F(RenderStateCache, UntexturedDrawsTakeTheDiffuseColourByStageKind) {
    struct Case {
        int mode;
        DWORD color_op, color_arg1, color_arg2;
        long long blend;
    };
    const Case cases[] = {{0, D3DTOP_SELECTARG2, 2, D3DTA_DIFFUSE, 0},
                          {3, D3DTOP_SELECTARG1, D3DTA_DIFFUSE, 0, 1},
                          {11, D3DTOP_BLENDDIFFUSEALPHA, D3DTA_DIFFUSE, D3DTA_TFACTOR, 1},
                          {10, D3DTOP_SELECTARG1, D3DTA_DIFFUSE | D3DTA_COMPLEMENT, 0, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        GetDrawSettings()->blend_mode = c.mode;
        PrepareDrawStates(nullptr, kWishModulateColour);
        EXPECT_EQ(record()->vertex_type, 0u);
        EXPECT_EQ(Stage(0, D3DTSS_COLOROP), c.color_op);
        EXPECT_EQ(Stage(0, D3DTSS_COLORARG1), c.color_arg1);
        if (c.color_arg2 != 0) {
            EXPECT_EQ(Stage(0, D3DTSS_COLORARG2), c.color_arg2);
        }
        EXPECT_EQ(Stage(0, D3DTSS_ALPHAOP), D3DTOP_SELECTARG2);
        EXPECT_EQ(Stage(1, D3DTSS_COLOROP), D3DTOP_DISABLE);
        EXPECT_EQ(State(D3DRENDERSTATE_ALPHABLENDENABLE), c.blend);
    }
}

TEST_F(RenderStateCache, TheViewportComesFromTheDrawAreaMovedByTheTargetOrigin) {
    GetDrawSettings()->target_screen_rect = RECT{10, 20, 330, 260};
    RecordGlDeviceCalls log;
    const RECT area{5, 6, 105, 56};
    EXPECT_EQ(SetViewportFromRect(&area, *GetDrawSettings()), 0);
    D3DVIEWPORT7 viewport{};
    record()->device->GetViewport(&viewport);
    EXPECT_EQ(viewport.dwX, 15u);
    EXPECT_EQ(viewport.dwY, 26u);
    EXPECT_EQ(viewport.dwWidth, 100u);
    EXPECT_EQ(viewport.dwHeight, 50u);
    EXPECT_EQ(record()->in_scene, 0u);  // a new viewport ends the scene
    const RECT empty{5, 6, 5, 56};
    EXPECT_EQ(SetViewportFromRect(&empty, *GetDrawSettings()), -1);
    D3DState().keep_viewport = 1;
    const RECT other{0, 0, 10, 10};
    EXPECT_EQ(SetViewportFromRect(&other, *GetDrawSettings()), 0);
    D3DState().keep_viewport = 0;
    EXPECT_EQ(log.Count(GlDeviceCallKind::kSetViewport), 1u);
}

}  // namespace
