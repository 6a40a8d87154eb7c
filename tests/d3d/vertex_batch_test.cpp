// Vertex batches and scenes through the device call log: batch sizes per vertex type, the
// outline that may fill a buffer, drops while quit is requested or a blend mode has no
// row, and the scene bracket.
#include <gtest/gtest.h>

#include "engine/core/core.h"
#include "engine/graphics/graphics.h"
#include "tests/d3d/d3d_test_support.h"

namespace {

using d3d_test::D3DEngine;

class VertexBatch : public D3DEngine {
protected:
    // Puts the current record on a vertex type through the set-up: 0 untextured, 1 textured.
    void UseType(int type) {
        SetDeviceBlendMode(device(), 0, 0, 0);
        SetDeviceTexture(device(), type == 1 ? Texture(8, 8) : nullptr);
        record()->dirty = 1;
        ASSERT_EQ(ApplyDeviceRenderState(device()), 0);
        ASSERT_EQ(record()->vertex_type, static_cast<std::uint32_t>(type));
        FlushVertexBatch(device());
    }
    void Append(int groups, int count = 6) {
        for (int i = 0; i < groups; ++i) ASSERT_NE(ReserveBatchVertices(record(), count), nullptr);
    }
    std::vector<std::uint32_t> DrawCounts(const RecordGlDeviceCalls& log) {
        std::vector<std::uint32_t> counts;
        for (const GlDeviceCall& call : log.Calls(GlDeviceCallKind::kDrawPrimitive)) counts.push_back(call.count);
        return counts;
    }
};

TEST_F(VertexBatch, SixVertexGroupsNeverFillTheBufferExactly) {
    struct Case {
        int type;
        int full_groups;  // groups making the largest batch
        DWORD fvf;
    };
    const Case cases[] = {{0, 537, 0x44}, {1, 389, 0x144}};  // 3,222 and 2,334 vertices
    for (const Case& c : cases) {
        UseType(c.type);
        RecordGlDeviceCalls log;
        Append(c.full_groups - 1);
        EXPECT_TRUE(DrawCounts(log).empty());
        Append(1);  // the last group that still fits
        EXPECT_TRUE(DrawCounts(log).empty());
        EXPECT_EQ(record()->vertex_count, static_cast<std::uint32_t>(c.full_groups * 6));
        Append(1);  // issues what is pending, then starts a new batch of 6
        ASSERT_EQ(DrawCounts(log), (std::vector<std::uint32_t>{static_cast<std::uint32_t>(c.full_groups * 6)}));
        EXPECT_EQ(log.Calls(GlDeviceCallKind::kDrawPrimitive)[0].value, c.fvf);
        EXPECT_EQ(log.Calls(GlDeviceCallKind::kDrawPrimitive)[0].state, D3DPT_TRIANGLELIST);
        EXPECT_EQ(record()->vertex_count, 6u);
        FlushVertexBatch(device());
        EXPECT_EQ(DrawCounts(log), (std::vector<std::uint32_t>{static_cast<std::uint32_t>(c.full_groups * 6), 6}));
    }
}

TEST_F(VertexBatch, TheOutlineMayFillTheBufferExactly) {
    UseType(0);
    RecordGlDeviceCalls log;
    Append(3201 / 6);            // 3,198 pending
    Append(1, 3);                // 3,201
    Append(1, 24);               // 3,225: exactly full, nothing issued
    EXPECT_TRUE(DrawCounts(log).empty());
    EXPECT_EQ(record()->vertex_count, 3225u);
    Append(1, 24);
    EXPECT_EQ(DrawCounts(log), (std::vector<std::uint32_t>{3225}));
}

TEST_F(VertexBatch, AFlushWhileQuitIsRequestedDropsThePendingVertices) {
    UseType(1);
    RecordGlDeviceCalls log;
    Append(2);
    GetSystemBlock()->window.quit = 1;
    EXPECT_EQ(FlushVertexBatch(device()), 0);
    GetSystemBlock()->window.quit = 0;
    EXPECT_TRUE(DrawCounts(log).empty());
    EXPECT_EQ(record()->vertex_count, 0u);
    EXPECT_EQ(record()->write_pointer, reinterpret_cast<std::uint8_t*>(record()->textured_vertices));
}

TEST_F(VertexBatch, ABlendModeWithoutARowDrawsNothing) {
    for (int mode : {-1, 12, 1000}) {
        SCOPED_TRACE(mode);
        UseType(1);
        RecordGlDeviceCalls log;
        SetDeviceBlendMode(device(), mode, 0, 0);
        EXPECT_EQ(ApplyDeviceRenderState(device()), 0);
        EXPECT_EQ(record()->skip_draw, 1u);
        Append(389 + 1);  // one batch full, and one group more
        FlushVertexBatch(device());
        EXPECT_TRUE(DrawCounts(log).empty());
        EXPECT_TRUE(log.Calls(GlDeviceCallKind::kSetRenderState).empty());
    }
}

TEST_F(VertexBatch, ScenesOpenOnceAndEndWithAFlush) {
    UseType(1);
    RecordGlDeviceCalls log;
    EXPECT_EQ(BeginDeviceScene(device()), 0);
    EXPECT_EQ(BeginDeviceScene(device()), 0);
    Append(1);
    EndSceneD3D();
    EndSceneD3D();
    const std::vector<GlDeviceCall> calls = log.Calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[0].kind, GlDeviceCallKind::kBeginScene);
    EXPECT_EQ(calls[1].kind, GlDeviceCallKind::kDrawPrimitive);
    EXPECT_EQ(calls[1].count, 6u);
    EXPECT_EQ(calls[2].kind, GlDeviceCallKind::kEndScene);
    EXPECT_EQ(BeginDeviceScene(7), -1);
    EXPECT_EQ(FlushVertexBatch(-1), -1);
}

}  // namespace
