// Texture pieces (Surface3DData): the table of 65,536 pieces, each a rectangle of a graph
// held in a rectangle of one texture SurfaceData with a ready quad of four vertices;
// derived pieces share their parent's SurfaceData by reference count. Relies on the
// graphics core's SurfaceData records and draw settings, and core's tracked allocator.
#include "engine/core/core.h"
#include "engine/d3d/d3d_state.h"

namespace {

int SlotOfHandle(int handle) {
    if (handle < 0 || (static_cast<std::uint32_t>(handle) & 0x78000000u) != kSurface3DHandleKindValue) return -1;
    const int slot = handle & kHandleSlotMask;
    const Surface3DData* piece = D3DState().pieces[slot];
    if (piece == nullptr || !HandleCheckMatches(piece->check, handle)) return -1;
    return slot;
}

void BuildVertices(Surface3DData* piece, int texture_width, int texture_height) {
    const float x0 = piece->graph_x;
    const float y0 = piece->graph_y;
    const float x1 = x0 + piece->width;
    const float y1 = y0 + piece->height;
    const float tw = static_cast<float>(texture_width);
    const float th = static_cast<float>(texture_height);
    const float u0 = piece->texture_x / tw;
    const float v0 = piece->texture_y / th;
    const float u1 = (piece->texture_x + piece->width) / tw;
    const float v1 = (piece->texture_y + piece->height) / th;
    piece->vertices[0] = D3DVertexTextured{x0, y0, 0.0f, 1.0f, 0xFFFFFFFFu, u0, v0};
    piece->vertices[1] = D3DVertexTextured{x1, y0, 0.0f, 1.0f, 0xFFFFFFFFu, u1, v0};
    piece->vertices[2] = D3DVertexTextured{x0, y1, 0.0f, 1.0f, 0xFFFFFFFFu, u0, v1};
    piece->vertices[3] = D3DVertexTextured{x1, y1, 0.0f, 1.0f, 0xFFFFFFFFu, u1, v1};
}

}  // namespace

int AddSurface3DData(int texture_width, int texture_height, int graph_x, int graph_y, int width, int height,
                     int source_x, int source_y, int owner_graph, const Surface3DData* parent, int texture_x,
                     int texture_y, const std::uint8_t* creation_bytes, std::uint32_t transparent_color) {
    D3DRendererState& state = D3DState();
    if (state.direct3d == nullptr) return WriteLogText("３Ｄグラフィックエンジンが初期化されていません\n");
    if (state.piece_count >= kSurface3DSlots) return WriteLogText("３Ｄグラフィックの数が許容量を越えました。\n");
    int slot = state.piece_end_mark;
    if (slot >= kSurface3DSlots) {
        for (slot = 0; slot < kSurface3DSlots && state.pieces[slot] != nullptr; ++slot) {
        }
    }
    auto* piece = static_cast<Surface3DData*>(TrackedCalloc(sizeof(Surface3DData), __FILE__, __LINE__));
    if (piece == nullptr) return WriteLogText("メモリの確保に失敗しました in AddSurface3DData \n");
    state.pieces[slot] = piece;
    if (parent != nullptr) {
        piece->surface_data = parent->surface_data;
        GraphicsCore().AddSurfaceDataRef(piece->surface_data);
    } else {
        piece->surface_data = GraphicsCore().AddSurfaceData(1, static_cast<std::uint16_t>(texture_width),
                                             static_cast<std::uint16_t>(texture_height),
                                             transparent_color,
                                             reinterpret_cast<const GraphCreationBytes*>(creation_bytes));
        if (piece->surface_data == -1) {
            TrackedFree(piece);
            state.pieces[slot] = nullptr;
            return -1;
        }
    }
    piece->graph_x = static_cast<std::uint16_t>(graph_x);
    piece->graph_y = static_cast<std::uint16_t>(graph_y);
    piece->texture_x = static_cast<std::uint16_t>(texture_x);
    piece->texture_y = static_cast<std::uint16_t>(texture_y);
    piece->source_x = static_cast<std::uint16_t>(source_x);
    piece->source_y = static_cast<std::uint16_t>(source_y);
    piece->width = static_cast<std::uint16_t>(width);
    piece->height = static_cast<std::uint16_t>(height);
    piece->owner_graph = owner_graph;
    piece->owner_flag = nullptr;
    piece->check = static_cast<std::uint32_t>(state.piece_next_check);
    state.piece_next_check = state.piece_next_check >= kHandleCheckCountLimit - 1 ? 0 : state.piece_next_check + 1;
    if (parent != nullptr) {
        piece->texture_x = static_cast<std::uint16_t>(piece->texture_x + parent->texture_x);
        piece->texture_y = static_cast<std::uint16_t>(piece->texture_y + parent->texture_y);
        piece->source_x = static_cast<std::uint16_t>(piece->source_x + parent->source_x);
        piece->source_y = static_cast<std::uint16_t>(piece->source_y + parent->source_y);
    }
    const SurfaceData* data = GraphicsCore().GetSurfaceData(piece->surface_data);
    BuildVertices(piece, data != nullptr ? data->width : texture_width, data != nullptr ? data->height : texture_height);
    ++state.piece_count;
    if (slot == state.piece_end_mark) ++state.piece_end_mark;
    return MakeHandleValue(kHandleKindTexturePiece, piece->check, slot);
}

Surface3DData* GetSurface3DData(int handle) {
    const int slot = SlotOfHandle(handle);
    return slot < 0 ? nullptr : D3DState().pieces[slot];
}

int DeleteSurface3DData(int handle) {
    const int slot = SlotOfHandle(handle);
    if (slot < 0) return -1;
    D3DRendererState& state = D3DState();
    Surface3DData* piece = state.pieces[slot];
    if (GraphicsCore().ReleaseSurfaceDataRef(piece->surface_data) == 0) GraphicsCore().DeleteSurfaceData(piece->surface_data);
    --state.piece_count;
    if (slot == state.piece_end_mark - 1) {
        int mark = slot;
        while (mark > 0 && state.pieces[mark - 1] == nullptr) --mark;
        state.piece_end_mark = mark;
    }
    if (piece->owner_flag != nullptr) *piece->owner_flag = 1;
    TrackedFree(piece);
    state.pieces[slot] = nullptr;
    return 0;
}

int DeleteAllSurface3DData() {
    D3DRendererState& state = D3DState();
    if (state.direct3d == nullptr) return -1;
    for (int slot = 0; slot < state.piece_end_mark; ++slot) {
        const Surface3DData* piece = state.pieces[slot];
        if (piece != nullptr) DeleteSurface3DData(MakeHandleValue(kHandleKindTexturePiece, piece->check, slot));
    }
    return 0;
}

int NotifyDirect3DStateChange() { return 0; }
