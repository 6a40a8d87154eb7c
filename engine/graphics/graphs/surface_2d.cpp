// 2-D surfaces: the Surface2D table with its handles, creation (a new SurfaceData image
// or a share of another piece's image), deletion with the shared reference count, and
// the per-graph piece operations. Relies on the handle rules, the surface data records,
// the screen record and the draw settings.
#include "engine/graphics/graphs/surface_2d.h"

#include "engine/core/core.h"
#include "engine/d3d/d3d.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/graphs/surface_data.h"
#include "engine/graphics/screen/screen_internal.h"

namespace {
void* g_slots[kSurface2DSlots];
}  // namespace

HandleTable g_surface_2d_table = {kHandleKindSurface2D, kSurface2DSlots, g_slots, 0, 0, 0};

namespace {

int HandleOfSlot(int slot) {
    const auto* record = static_cast<const Surface2D*>(g_slots[slot]);
    return MakeHandleValue(kHandleKindSurface2D, record->check, slot);
}

// Every piece that shows a lost image learns that it must be drawn again, also the
// pieces that share it and are visited after the image was already restored.
void TellOwnersOfLostImage(std::int32_t surface_data) {
    for (int slot = 0; slot < g_surface_2d_table.end_mark; ++slot) {
        const auto* record = static_cast<const Surface2D*>(g_slots[slot]);
        if (record != nullptr && record->surface_data == surface_data && record->lost_flag != nullptr) {
            *record->lost_flag = 1;
        }
    }
}

}  // namespace

int AddSurface2D(std::uint16_t width, std::uint16_t height, std::uint16_t x, std::uint16_t y, int owner_graph,
                 const Surface2D* share, std::uint16_t source_x, std::uint16_t source_y,
                 const GraphCreationBytes* creation) {
    if (!IsScreenUp()) return WriteLogText("Vomurが初期化されていません\n");
    if (g_surface_2d_table.live_count >= kSurface2DSlots) return WriteLogText("２Ｄグラフィックの量が許容量を越えました\n");
    const std::int32_t check_before = g_surface_2d_table.next_check;
    void* raw = nullptr;
    int full = 0;
    const int handle = CreateHandleRecord(g_surface_2d_table, sizeof(Surface2D), &raw, &full);
    if (handle == -1) {
        g_surface_2d_table.next_check = check_before;
        if (full) return WriteLogText("２Ｄグラフィックの量が許容量を越えました\n");
        return WriteLogText("メモリの確保に失敗しました in AddSurface2D \n");
    }
    auto* record = static_cast<Surface2D*>(raw);
    int data = -1;
    if (share != nullptr) {
        if (AddSurfaceDataRef(share->surface_data) != -1) data = share->surface_data;
    } else {
        data = AddSurfaceData(1, width, height, GetDrawSettings()->transparent_color, creation);
    }
    if (data == -1) {
        FreeHandleRecord(g_surface_2d_table, handle);
        g_surface_2d_table.next_check = check_before;
        return WriteLogText("メモリの確保に失敗しました in AddSurface2D \n");
    }
    record->x = x;
    record->y = y;
    record->source_x = source_x;
    record->source_y = source_y;
    record->width = width;
    record->height = height;
    record->owner_graph = owner_graph;
    record->surface_data = data;
    record->lost_flag = nullptr;
    return handle;
}

Surface2D* GetSurface2DRecord(int handle) { return static_cast<Surface2D*>(LookupHandleRecord(g_surface_2d_table, handle)); }

int SetSurface2DLostFlagPointer(int handle, std::int32_t* flag) {
    Surface2D* record = GetSurface2DRecord(handle);
    if (record == nullptr) return 0;
    record->lost_flag = flag;
    if (flag != nullptr) *flag = 0;
    return 0;
}

int DeleteSurface2D(int handle) {
    Surface2D* record = GetSurface2DRecord(handle);
    if (record == nullptr) return 0;
    if (ReleaseSurfaceDataRef(record->surface_data) == 0) DeleteSurfaceData(record->surface_data);
    // The owner learns that its surface is gone; the pointer is read before the record goes.
    std::int32_t* lost_flag = record->lost_flag;
    FreeHandleRecord(g_surface_2d_table, handle);
    if (lost_flag != nullptr) *lost_flag = 1;
    return 0;
}

int ReleaseAllSurface2D() {
    if (!IsScreenUp()) return -1;
    const int end = g_surface_2d_table.end_mark;
    for (int slot = 0; slot < end; ++slot) {
        if (g_slots[slot] != nullptr) DeleteSurface2D(HandleOfSlot(slot));
    }
    return 0;
}

int ReleaseAllSurface2DChecked() {
    if (!IsScreenUp()) return -1;
    return ReleaseAllSurface2D();
}

int CreateGraphSurface2D(GraphRecord* graph) {
    graph->piece_count = 1;
    graph->pieces[0] = AddSurface2D(static_cast<std::uint16_t>(graph->width), static_cast<std::uint16_t>(graph->height),
                                    0, 0, graph->handle, nullptr, 0, 0, &graph->creation);
    return graph->pieces[0] == -1 ? -1 : 0;
}

int DeriveGraphSurface2D(GraphRecord* graph, int x, int y, int width, int height, const GraphRecord* source) {
    const Surface2D* piece = GetSurface2DRecord(source->pieces[0]);
    if (piece == nullptr) return -1;
    // The new piece's offset is taken inside the shared image, so a piece of a derived
    // graph keeps its parent's offset.
    const int source_x = piece->source_x + x;
    const int source_y = piece->source_y + y;
    graph->pieces[0] = AddSurface2D(static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height), 0, 0,
                                    graph->handle, piece, static_cast<std::uint16_t>(source_x),
                                    static_cast<std::uint16_t>(source_y), &graph->creation);
    if (graph->pieces[0] == -1) return -1;
    graph->piece_count = 1;
    return 0;
}

int RestoreGraphSurface2DImages(const GraphRecord* graph) {
    if (!IsScreenUp()) return -1;
    int result = 0;
    for (int i = 0; i < graph->piece_count; ++i) {
        const Surface2D* piece = GetSurface2DRecord(graph->pieces[i]);
        if (piece == nullptr) return -1;
        const int lost = RestoreSurfaceDataIfLost(piece->surface_data);
        if (lost != 0) TellOwnersOfLostImage(piece->surface_data);
        result |= lost;
    }
    return result;
}

int RestoreAllSurface2DImages() {
    if (!IsScreenUp()) return -1;
    RestoreLostSurfaces();
    int result = 0;
    for (int slot = 0; slot < g_surface_2d_table.end_mark; ++slot) {
        Surface2D* record = static_cast<Surface2D*>(g_slots[slot]);
        if (record == nullptr) continue;
        const int lost = RestoreSurfaceDataIfLost(record->surface_data);
        if (lost != 0) TellOwnersOfLostImage(record->surface_data);
        result |= lost;
    }
    return result;
}

int FillGraphSurface2DColor(const GraphRecord* graph, int red, int green, int blue, int alpha) {
    if (!IsScreenUp()) return -1;
    if (IsDirect3DUp()) EndSceneD3D();
    FlushCurrentVertexBatch();
    for (int i = 0; i < graph->piece_count; ++i) {
        const Surface2D* piece = GetSurface2DRecord(graph->pieces[i]);
        if (piece == nullptr) return -1;
        FillSurfaceDataColor(piece->surface_data, red, green, blue, alpha);
    }
    return 0;
}

int DeleteGraphSurface2Ds(const GraphRecord* graph) {
    if (!IsScreenUp()) return -1;
    for (int i = 0; i < graph->piece_count; ++i) DeleteSurface2D(graph->pieces[i]);
    return 0;
}

int ReleaseAllSurface2DHolders() {
    for (int slot = 0; slot < g_surface_2d_table.end_mark; ++slot) {
        const auto* record = static_cast<const Surface2D*>(g_slots[slot]);
        if (record == nullptr) continue;
        ReleaseSurfaceDataSurface(record->surface_data);
        // The owner learns that the image is gone and must be made again.
        if (record->lost_flag != nullptr) *record->lost_flag = 1;
    }
    return 0;
}

int RecreateAllSurface2DHolders() {
    int result = 0;
    for (int slot = 0; slot < g_surface_2d_table.end_mark; ++slot) {
        auto* record = static_cast<Surface2D*>(g_slots[slot]);
        if (record == nullptr) continue;
        if (CreateSurfaceDataSurface(record->surface_data) != 0) {
            result = -1;
            continue;
        }
        ApplySurfaceDataColorKey(record->surface_data);
    }
    return result;
}

