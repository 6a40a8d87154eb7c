// Direct3D start-up, device records, display loss and shutdown, with the engine started in
// a window over Mesa's GL: the device chosen and its first states, texture-format slots and
// size limits, the four device records, and the object given up and got back.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "engine/core/core.h"
#include "engine/core/tracked_alloc.h"
#include "engine/graphics/graphics.h"
#include "engine/graphics/screen/screen_state.h"
#include "engine/graphics/graphs/surface_data.h"
#include "platform/testing/gl_testing.h"
#include "tests/d3d/d3d_draw_session.h"
#include "tests/d3d/d3d_test_support.h"
#include "tests/support/engine_testing/core_testing.h"
#include "tests/support/engine_testing/d3d_draw_testing.h"

namespace {

using d3d_test::D3DEngine;

class DeviceStartup : public D3DEngine {};

TEST_F(DeviceStartup, ComesUpWithTheHardwareDeviceFormatsAndLimits) {
    const D3DRendererState& state = D3DState();
    EXPECT_EQ(state.initialised, 1);
    EXPECT_EQ(state.tnl_device, 1);
    EXPECT_EQ(state.device_desc.deviceGUID, IID_IDirect3DTnLHalDevice);
    EXPECT_EQ(state.z_buffer_format.dwFlags, DDPF_ZBUFFER);
    EXPECT_EQ(state.z_buffer_format.dwZBufferBitDepth, 16u);
    EXPECT_EQ(state.min_texture_size, 1u);
    EXPECT_EQ(state.max_texture_size, 2048u);
    EXPECT_EQ(state.end_scene_each_draw, 1);
    EXPECT_EQ(state.capture_method[0], -1);
    EXPECT_EQ(state.capture_method[1], -1);
    // Slot by slot: (depth, red mask, alpha mask). The window's screen is 32-bit, so slot 1
    // keeps the X8R8G8B8 format and slot 0 the first 16-bit plain format offered.
    const std::uint32_t expected[9][3] = {{16, 0xF800, 0},          {32, 0xFF0000, 0},
                                          {16, 0x0F00, 0xF000},     {32, 0xFF0000, 0xFF000000u},
                                          {16, 0x7C00, 0x8000},     {32, 0xFF0000, 0xFF000000u},
                                          {16, 0xF800, 0},          {32, 0xFF0000, 0},
                                          {32, 0xFF0000, 0xFF000000u}};
    for (int slot = 0; slot < 9; ++slot) {
        const ColorFormat* format = GetTextureFormatColorFormat(slot);
        EXPECT_EQ(format->bit_depth, expected[slot][0]) << "slot " << slot;
        EXPECT_EQ(format->red_mask, expected[slot][1]) << "slot " << slot;
        EXPECT_EQ(format->alpha_mask, expected[slot][2]) << "slot " << slot;
        EXPECT_EQ(GetTextureFormatPixelFormat(slot)->dwRBitMask, expected[slot][1]) << "slot " << slot;
    }
}

TEST_F(DeviceStartup, ASecondStartUpIsRefusedAndChangesNothing) {
    RecordGlDeviceCalls log;
    const int device = D3DState().current_device;
    EXPECT_EQ(InitializeDirect3D(*GetDrawSettings()), -1);
    EXPECT_TRUE(log.Calls().empty());
    EXPECT_EQ(D3DState().current_device, device);
    EXPECT_NE(CurrentD3DDeviceRecord(), nullptr);
}

TEST_F(DeviceStartup, ANewDeviceGetsItsStagesAndStatesAndAFifthRecordIsRefused) {
    RecordGlDeviceCalls log;
    const int second = Create3DDevice(GetFrontSurface(), *GetDrawSettings());
    ASSERT_GE(second, 0);
    ASSERT_NE(second, device());
    const std::vector<GlDeviceCall> calls = log.Calls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls[0].kind, GlDeviceCallKind::kCreateDevice);
    // Stages 0 to 7: address, then point filters from the three tables.
    for (std::uint32_t k = 0; k < 8; ++k) {
        EXPECT_EQ(d3d_test::LastStageState(calls, k, D3DTSS_ADDRESS), 3) << k;
        EXPECT_EQ(d3d_test::LastStageState(calls, k, D3DTSS_MAGFILTER), 1) << k;
        EXPECT_EQ(d3d_test::LastStageState(calls, k, D3DTSS_MINFILTER), 1) << k;
        EXPECT_EQ(d3d_test::LastStageState(calls, k, D3DTSS_MIPFILTER), 2) << k;
    }
    const auto states = d3d_test::RenderStates(calls);
    const std::pair<std::uint32_t, std::uint32_t> first[] = {
        {D3DRENDERSTATE_COLORKEYBLENDENABLE, 0}, {D3DRENDERSTATE_CULLMODE, D3DCULL_NONE},
        {D3DRENDERSTATE_LIGHTING, 0},            {D3DRENDERSTATE_TEXTUREPERSPECTIVE, 0},
        {D3DRENDERSTATE_SHADEMODE, D3DSHADE_FLAT}, {D3DRENDERSTATE_COLORKEYENABLE, 0},
        {D3DRENDERSTATE_DITHERENABLE, 0}};
    ASSERT_GE(states.size(), std::size(first));
    for (std::size_t i = 0; i < std::size(first); ++i) EXPECT_EQ(states[i], first[i]) << i;
    const D3DDeviceRecord* created = GetD3DDeviceRecord(second);
    // The states re-applied at creation derive the untextured set-up: vertex type 0.
    EXPECT_EQ(created->vertex_type, 0u);
    EXPECT_EQ(created->write_pointer, reinterpret_cast<const std::uint8_t*>(created->colour_vertices));
    EXPECT_EQ(created->blend_border_position, -1);
    EXPECT_EQ(created->z_enable, 1u);
    EXPECT_EQ(created->z_func, 4u);
    EXPECT_EQ(created->cache.stages[7].values.alpha_arg1, 2);
    EXPECT_EQ(created->cache.stages[7].values.color_op, 1);
    EXPECT_EQ(created->textured_vertices[2339].rhw, 1.0f);
    EXPECT_EQ(created->blend_vertices[1637].specular, 0xFFFFFFFFu);

    EXPECT_GE(Create3DDevice(GetFrontSurface(), *GetDrawSettings()), 0);
    EXPECT_GE(Create3DDevice(GetFrontSurface(), *GetDrawSettings()), 0);
    EXPECT_EQ(Create3DDevice(GetFrontSurface(), *GetDrawSettings()), -1);
}

TEST_F(DeviceStartup, TheObjectIsGivenUpAndGotBackWithANewDevice) {
    EXPECT_EQ(ReleaseDirect3DObject(), 0);
    EXPECT_EQ(D3DState().direct3d, nullptr);
    EXPECT_EQ(D3DState().initialised, 1);
    EXPECT_EQ(D3DDeviceRecords()[device()].device, nullptr);
    EXPECT_EQ(D3DDeviceRecords()[device()].in_use, 1u);
    EXPECT_EQ(ReleaseDirect3DObject(), 0);  // already released: logged, still 0

    RecordGlDeviceCalls log;
    EXPECT_EQ(AcquireDirect3DObject(*GetDrawSettings()), 0);
    ASSERT_NE(record(), nullptr);
    EXPECT_NE(record()->device, nullptr);
    EXPECT_EQ(log.Count(GlDeviceCallKind::kCreateDevice), 1u);

    // While the object is there, getting it again touches nothing.
    log.Clear();
    EXPECT_EQ(AcquireDirect3DObject(*GetDrawSettings()), 0);
    EXPECT_TRUE(log.Calls().empty());
    const std::string text = engine_test::MaskedLog(session_->dir().path() / "Log.txt");
    EXPECT_NE(text.find("Ｄｉｒｅｃｔ３Ｄオブジェクトは既に解放されています"), std::string::npos);
    EXPECT_NE(text.find("Ｄｉｒｅｃｔ３Ｄオブジェクトは既に取得されています\r\n"), std::string::npos);
}

TEST_F(DeviceStartup, PiecesSharingATextureGetItMadeOnceOnRestore) {
    const int parent = Piece(64, 64);
    const Surface3DData* parent_piece = GetSurface3DData(parent);
    std::uint8_t bytes[9] = {0, 0, 0, 0, 0, 0, 16, 0, 0};
    const int child = AddSurface3DData(64, 64, 0, 0, 16, 16, 0, 0, -1, parent_piece, 16, 8, bytes, GetDrawSettings()->transparent_color);
    ASSERT_NE(child, -1);
    const int shared = parent_piece->surface_data;
    EXPECT_EQ(GetSurfaceData(shared)->reference_count, 2);
    EXPECT_EQ(ReleaseDirect3DObject(), 0);
    EXPECT_EQ(GetSurfaceData(shared)->surface, nullptr);
    EXPECT_EQ(AcquireDirect3DObject(*GetDrawSettings()), 0);
    EXPECT_NE(GetSurfaceData(shared)->surface, nullptr);
    EXPECT_EQ(GetSurfaceData(shared)->reference_count, 2);
    EXPECT_EQ(DeleteSurface3DData(child), 0);
    EXPECT_EQ(DeleteSurface3DData(parent), 0);
    EXPECT_EQ(GetSurfaceData(shared), nullptr);
}

TEST_F(DeviceStartup, ShutdownDeletesPiecesAndDevicesAndLeavesTheRendererDown) {
    // The default font's glyph textures may hold pieces already.
    const int before = D3DState().piece_count;
    Piece(32, 32);
    Piece(32, 32);
    EXPECT_EQ(D3DState().piece_count, before + 2);
    EXPECT_EQ(TerminateDirect3D(), 0);
    EXPECT_EQ(IsDirect3DUp(), 0);
    EXPECT_EQ(D3DState().piece_count, 0);
    EXPECT_EQ(D3DState().initialised, 0);
    for (int i = 0; i < kD3DDeviceRecords; ++i) EXPECT_EQ(D3DDeviceRecords()[i].in_use, 0u);
    EXPECT_EQ(TerminateDirect3D(), -1);
    EXPECT_EQ(DeleteAllSurface3DData(), -1);
}

}  // namespace

namespace {

TEST_F(DeviceStartup, ShutdownAfterTheObjectWasGivenUpLetsPiecesAndRecordsGo) {
    std::int32_t deleted = 0;
    GetSurface3DData(Piece(32, 32))->owner_flag = &deleted;
    const int live = TrackedLiveBlockCount();
    EXPECT_EQ(ReleaseDirect3DObject(), 0);
    EXPECT_EQ(TerminateDirect3D(), -1);
    EXPECT_EQ(deleted, 1);
    EXPECT_EQ(D3DState().piece_count, 0);
    EXPECT_EQ(D3DState().initialised, 0);
    EXPECT_LT(TrackedLiveBlockCount(), live);
    for (int i = 0; i < kD3DDeviceRecords; ++i) EXPECT_EQ(D3DDeviceRecords()[i].in_use, 0u);
    // Start-up works again from there.
    EXPECT_EQ(InitializeDirect3D(*GetDrawSettings()), 0);
    EXPECT_NE(CurrentD3DDeviceRecord(), nullptr);
}

}  // namespace

namespace {

// Start-up again on a device other than the fixed one, or at a screen depth no device
// renders: the renderer is taken down first and brought back on the fixed device after.
class OtherDeviceStartup : public D3DEngine {
protected:
    void TearDown() override {
        if (started_ && !IsSkipped()) {
            if (IsDirect3DUp()) TerminateDirect3D();
            EXPECT_EQ(InitializeDirect3D(*GetDrawSettings()), 0);
        }
        D3DEngine::TearDown();
    }
    // Start-up on `device` at screen depth `depth`: its result, with what it logged (the
    // log's own bytes, each line's time masked as "T:").
    int StartUp(const platform_hooks::GlOfferedDevice& device, int depth, std::string* log) {
        if (IsDirect3DUp()) TerminateDirect3D();
        const int screen_depth = GetScreenState()->current_depth;
        GetScreenState()->current_depth = depth;
        const std::filesystem::path file = session_->dir().path() / "Log.txt";
        const std::size_t before = engine_test::MaskedLog(file).size();
        const int result = [&] {
            OfferGlDevice offer(device);
            return InitializeDirect3D(*GetDrawSettings());
        }();
        *log = engine_test::MaskedLog(file).substr(before);
        GetScreenState()->current_depth = screen_depth;
        return result;
    }
};

constexpr char kStartLines[] =
    "T:Direct3D 関連の初期化を行います\r\n"
    "T:Ｄｉｒｅｃｔ３Ｄオブジェクトを取得します\r\n"
    "T:Ｄｉｒｅｃｔ３Ｄオブジェクトを取得しました\r\n";

// A screen depth other than 16 or 32, or a device without the screen's depth, finds no
// device: start-up logs so, gives the 3-D object back and fails.
TEST_F(OtherDeviceStartup, NoDeviceForTheScreenDepth) {
    struct Case {
        int depth;
        std::uint32_t render_depths;
        int result;
    };
    const Case cases[] = {{8, DDBD_16 | DDBD_32, -1}, {24, DDBD_16 | DDBD_32, -1}, {32, DDBD_16, -1},
                          {16, DDBD_32, -1},          {16, DDBD_16, 0},            {32, DDBD_32, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.depth);
        SCOPED_TRACE(c.render_depths);
        platform_hooks::GlOfferedDevice device = platform_hooks::GlFixedDevice();
        device.render_bit_depths = c.render_depths;
        std::string log;
        EXPECT_EQ(StartUp(device, c.depth, &log), c.result);
        if (c.result == -1) {
            EXPECT_EQ(log, std::string(kStartLines) + "T:現在の画面モードで使用できる描画デバイスが見つかりませんでした\r\n");
            EXPECT_EQ(D3DState().direct3d, nullptr);
            EXPECT_EQ(D3DState().initialised, 0);
            EXPECT_EQ(IsDirect3DUp(), 0);
        } else {
            EXPECT_EQ(log.rfind(std::string(kStartLines) + "T:ハードウエアＴ＆Ｌデバイスを発見しました\r\n", 0), 0u);
            EXPECT_EQ(D3DState().tnl_device, 1);
            EXPECT_EQ(D3DState().initialised, 1);
        }
    }
}

// Texture sides of 0 fall back to a smallest piece of 32 and a largest of 256; the lesser
// side counts. The smallest piece decides the texture of a small graph.
TEST_F(OtherDeviceStartup, TextureSizeLimitsFallBack) {
    struct Case {
        std::uint32_t min_width, min_height, max_width, max_height;
        std::uint32_t smallest, largest;
        int small_graph_side;  // the texture side a 16 x 16 graph gets
        const char* line;
    };
    const Case cases[] = {{0, 0, 2048, 2048, 32, 2048, 32, "T:\tテクスチャ最大幅:2048 最小幅:32 \r\n"},
                          {4, 0, 2048, 2048, 32, 2048, 32, "T:\tテクスチャ最大幅:2048 最小幅:32 \r\n"},
                          {1, 1, 0, 0, 1, 256, 16, "T:\tテクスチャ最大幅:256 最小幅:1 \r\n"},
                          {1, 1, 8, 4096, 1, 8, 16, "T:\tテクスチャ最大幅:8 最小幅:1 \r\n"},
                          {64, 64, 2048, 2048, 64, 2048, 64, "T:\tテクスチャ最大幅:2048 最小幅:64 \r\n"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        platform_hooks::GlOfferedDevice device = platform_hooks::GlFixedDevice();
        device.min_texture_width = c.min_width;
        device.min_texture_height = c.min_height;
        device.max_texture_width = c.max_width;
        device.max_texture_height = c.max_height;
        std::string log;
        ASSERT_EQ(StartUp(device, 32, &log), 0);
        EXPECT_EQ(D3DState().min_texture_size, c.smallest);
        EXPECT_EQ(D3DState().max_texture_size, c.largest);
        const std::string head = std::string(kStartLines) +
                                 "T:ハードウエアＴ＆Ｌデバイスを発見しました\r\n"
                                 "T:３Ｄデバイスを作成します... ３Ｄデバイスの作成に成功しました\r\n" +
                                 c.line;
        EXPECT_EQ(log.rfind(head, 0), 0u);
        int sizes[64];
        EXPECT_EQ(DivideTextureSide(16, sizes, 0), 1);
        EXPECT_EQ(sizes[0], c.small_graph_side);
    }
}

// Without a 16-bit depth format start-up logs so and goes on, with a zero depth format.
TEST_F(OtherDeviceStartup, NoDepthFormatIsLoggedAndStartUpGoesOn) {
    platform_hooks::GlOfferedDevice device = platform_hooks::GlFixedDevice();
    device.depth_format = false;
    std::string log;
    ASSERT_EQ(StartUp(device, 32, &log), 0);
    EXPECT_EQ(log.rfind(std::string(kStartLines) +
                            "T:ハードウエアＴ＆Ｌデバイスを発見しました\r\n"
                            "T:使用可能なＺバッファが見つかりませんでした\r\n"
                            "T:３Ｄデバイスを作成します... ３Ｄデバイスの作成に成功しました\r\n",
                        0),
              0u);
    const std::string end = "T:Direct3D 関連の初期化は正常に終了しました\r\n";
    ASSERT_GE(log.size(), end.size());
    EXPECT_EQ(log.substr(log.size() - end.size()), end);
    const DDPIXELFORMAT zero{};
    EXPECT_EQ(std::memcmp(GetZBufferPixelFormat(), &zero, sizeof zero), 0);
    EXPECT_EQ(IsDirect3DUp(), 1);
    EXPECT_EQ(D3DState().initialised, 1);
}

}  // namespace

namespace {

class DisplayLoss : public d3d_test::D3DDrawSession {};

// A graph drawn into the back buffer with its Z buffer under the draw settings' depth
// states: after a display loss the new device is sent those states again, in order. Left
// alone it would keep its own (Z off, made on the front surface; writes on; less-or-equal)
// while the record's cache still held the drawn ones, and the next draw would send nothing.
TEST_F(DisplayLoss, TheRestoredDeviceIsSentTheDepthStatesAgain) {
    ASSERT_NE(GetScreenState()->z_buffer, nullptr);
    DrawSettingsBlock* settings = GetDrawSettings();
    settings->depth_test = 1;
    settings->depth_write = 0;
    settings->depth_compare = D3DCMP_LESS;
    const GraphRecord* graph = MakeTextureGraph(16, 16, d3d_test::PatternTexel);
    ASSERT_EQ(DrawGraphD3D(10, 10, 10.0f, 10.0f, graph, 0, 1), 0);
    EndSceneD3D();
    ASSERT_EQ(ReleaseDirect3DObject(), 0);
    RecordGlDeviceCalls log;
    ASSERT_EQ(AcquireDirect3DObject(*GetDrawSettings()), 0);
    std::vector<std::pair<std::uint32_t, std::uint32_t>> depth_states;
    for (const auto& state : d3d_test::RenderStates(log.Calls())) {
        if (state.first == D3DRENDERSTATE_ZENABLE || state.first == D3DRENDERSTATE_ZWRITEENABLE ||
            state.first == D3DRENDERSTATE_ZFUNC || state.first == D3DRENDERSTATE_ZBIAS) {
            depth_states.push_back(state);
        }
    }
    const std::vector<std::pair<std::uint32_t, std::uint32_t>> expected = {
        {D3DRENDERSTATE_ZENABLE, D3DZB_TRUE},
        {D3DRENDERSTATE_ZWRITEENABLE, 0},
        {D3DRENDERSTATE_ZFUNC, D3DCMP_LESS},
        {D3DRENDERSTATE_ZBIAS, 0}};
    EXPECT_EQ(depth_states, expected);
    IDirect3DDevice7* device = CurrentD3DDeviceRecord()->device;
    ASSERT_NE(device, nullptr);
    for (const auto& [state, value] : expected) {
        DWORD held = 0xDEADBEEF;
        device->GetRenderState(static_cast<D3DRENDERSTATETYPE>(state), &held);
        EXPECT_EQ(held, value) << state;
    }
}

}  // namespace
