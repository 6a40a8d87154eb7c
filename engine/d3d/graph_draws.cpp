// Drawing texture graphs through Direct3D: at a point (half-pixel offset, clipped by moving
// the texture coordinates), stretched or mirrored into a rectangle, onto a free
// quadrilateral (parallelograms batched, other shapes as an 8 x 8 grid of indexed strips)
// and, with a blend graph, onto two affine frames. Relies on the batch, scene and
// per-draw set-up of vertex_batch.cpp and draw_setup.cpp and the piece table.
#include <cmath>
#include <cstdint>
#include <utility>

#include "engine/d3d/d3d_state.h"

namespace {

// One corner of a piece on its way to the batch: screen position, graph texture
// coordinates and blend texture coordinates.
struct Corner {
    float x, y;
    float u, v;
    float blend_u, blend_v;
};

constexpr int kGridSide = 8;
constexpr int kGridIndexLimit = 1000;
constexpr float kSeventh = 0.14285715f;

std::uint32_t WishesOf(const DrawSettingsBlock& draw_state, int transparent, int exact) {
    std::uint32_t wishes = draw_state.depth_test != 0 ? kWishDepth : 0u;
    if (exact) wishes |= kWishExact;
    if (transparent) wishes |= kWishTransparent;
    return wishes;
}

// The texture set-up a piece needs: its texture on the device, then the derived states
// when an input changed.
void PrepareTexture(int device, D3DDeviceRecord* record, const Surface3DData* piece) {
    IDirectDrawSurface7* texture = GetPieceTexture(piece);
    if (texture != record->texture) SetDeviceTexture(device, texture);
    if (record->dirty || record->texture_changed) ApplyDeviceRenderState(device);
}

// Clips one corner into [left, right] x [top, bottom], moving its texture coordinates by
// the clipped distance times the given texel steps (per pixel of screen).
void ClipCorner(Corner& c, const float bounds[4], float du, float dv, float dbu, float dbv) {
    if (c.x < bounds[0]) {
        const float d = bounds[0] - c.x;
        c.u += d * du;
        c.blend_u += d * dbu;
        c.x = bounds[0];
    } else if (c.x > bounds[2]) {
        const float d = c.x - bounds[2];
        c.u -= d * du;
        c.blend_u -= d * dbu;
        c.x = bounds[2];
    }
    if (c.y < bounds[1]) {
        const float d = bounds[1] - c.y;
        c.v += d * dv;
        c.blend_v += d * dbv;
        c.y = bounds[1];
    } else if (c.y > bounds[3]) {
        const float d = c.y - bounds[3];
        c.v -= d * dv;
        c.blend_v -= d * dbv;
        c.y = bounds[3];
    }
}

// Appends a quad (top-left, top-right, bottom-left, bottom-right corners) as two
// triangles in the layout of the batch's vertex type. Type 0 (no texture) draws nothing.
void AppendQuad(float z, D3DDeviceRecord* record, const Corner corners[4]) {
    static constexpr int kOrder[6] = {0, 1, 2, 3, 2, 1};
    const std::uint32_t diffuse = D3DState().vertex_diffuse;
    if (record->vertex_type == 1) {
        auto* out = static_cast<D3DVertexTextured*>(ReserveBatchVertices(record, 6));
        if (out == nullptr) return;
        for (int i = 0; i < 6; ++i) {
            const Corner& c = corners[kOrder[i]];
            out[i] = D3DVertexTextured{c.x, c.y, z, 1.0f, diffuse, c.u, c.v};
        }
    } else if (record->vertex_type == 2) {
        auto* out = static_cast<D3DVertexBlend*>(ReserveBatchVertices(record, 6));
        if (out == nullptr) return;
        for (int i = 0; i < 6; ++i) {
            const Corner& c = corners[kOrder[i]];
            out[i] = D3DVertexBlend{c.x, c.y, z, 1.0f, diffuse, 0xFFFFFFFFu, c.blend_u, c.blend_v, c.u, c.v};
        }
    }
}

void EndSceneAfterDraw(int device) {
    if (D3DState().end_scene_each_draw) EndDeviceScene(device);
}

bool TextureSize(const Surface3DData* piece, float* width, float* height) {
    const SurfaceData* data = GraphicsCore().GetSurfaceData(piece->surface_data);
    if (data == nullptr || data->width == 0 || data->height == 0) return false;
    *width = data->width;
    *height = data->height;
    return true;
}

// The common walk of the point and stretched draws: every piece placed at
// (origin + scale * corner), clipped to `bounds` when `clip`.
int DrawPiecesScaled(float z, int device, D3DDeviceRecord* record, const GraphRecord* graph, float origin_x, float origin_y,
                     float scale_x, float scale_y, bool clip, const float bounds[4]) {
    const D3DRendererState& state = D3DState();
    for (int i = 0; i < graph->piece_count && i < kGraphPieceSlots; ++i) {
        const Surface3DData* piece = GetSurface3DData(graph->pieces[i]);
        if (piece == nullptr) return -1;
        PrepareTexture(device, record, piece);
        Corner corners[4];
        for (int k = 0; k < 4; ++k) {
            const D3DVertexTextured& v = piece->vertices[k];
            corners[k] = Corner{origin_x + scale_x * v.x, origin_y + scale_y * v.y, v.u, v.v,
                                v.x * state.blend_width_reciprocal, v.y * state.blend_height_reciprocal};
        }
        float texture_width = 0, texture_height = 0;
        if (clip && TextureSize(piece, &texture_width, &texture_height)) {
            const float du = 1.0f / (texture_width * scale_x);
            const float dv = 1.0f / (texture_height * scale_y);
            for (Corner& c : corners) {
                ClipCorner(c, bounds, du, dv, state.blend_width_reciprocal / scale_x,
                           state.blend_height_reciprocal / scale_y);
            }
        }
        AppendQuad(z, record, corners);
    }
    return 0;
}

}  // namespace

int DrawGraphD3D(const DrawSettingsBlock& draw_state, int x, int y, float float_x, float float_y,
                 const GraphRecord* graph, int transparent, int exact) {
    D3DRendererState& state = D3DState();
    if (state.direct3d == nullptr) return -1;
    const int device = state.current_device;
    D3DDeviceRecord* record = GetD3DDeviceRecord(device);
    if (record == nullptr) return -1;
    if (state.device_unavailable) return 0;
    const DrawSettingsBlock* settings = &draw_state;
    const float origin_x = float_x - 0.5f + static_cast<float>(settings->target_screen_rect.left);
    const float origin_y = float_y - 0.5f + static_cast<float>(settings->target_screen_rect.top);
    BeginDeviceScene(device);
    const Surface3DData* first = graph->piece_count > 0 ? GetSurface3DData(graph->pieces[0]) : nullptr;
    if (first == nullptr) return -1;
    PrepareDrawStates(draw_state, first, WishesOf(draw_state, transparent, exact));

    const RECT& area = settings->draw_area;
    const long long right = static_cast<long long>(x) + graph->width;
    const long long bottom = static_cast<long long>(y) + graph->height;
    if (right <= area.left || bottom <= area.top || x >= area.right || y >= area.bottom) return 0;
    const bool inside = x >= area.left && y >= area.top && right <= area.right && bottom <= area.bottom;
    const float bounds[4] = {settings->draw_area_float[0] + static_cast<float>(settings->target_screen_rect.left),
                             settings->draw_area_float[1] + static_cast<float>(settings->target_screen_rect.top),
                             settings->draw_area_float[2] + static_cast<float>(settings->target_screen_rect.left),
                             settings->draw_area_float[3] + static_cast<float>(settings->target_screen_rect.top)};
    const int result = DrawPiecesScaled(settings->vertex_z, device, record, graph, origin_x, origin_y, 1.0f, 1.0f, !inside, bounds);
    if (result != 0) return result;
    EndSceneAfterDraw(device);
    return 0;
}

int DrawGraphStretchD3D(const DrawSettingsBlock& draw_state, int x1, int y1, int x2, int y2, float float_x1,
                        float float_y1, float float_x2, float float_y2, const GraphRecord* graph, int transparent, int exact) {
    D3DRendererState& state = D3DState();
    if (state.direct3d == nullptr) return -1;
    if (state.device_unavailable) return 0;
    if (x1 == x2 || y1 == y2) return -1;
    const int device = state.current_device;
    D3DDeviceRecord* record = GetD3DDeviceRecord(device);
    if (record == nullptr) return -1;
    const DrawSettingsBlock* settings = &draw_state;
    BeginDeviceScene(device);
    const Surface3DData* first = graph->piece_count > 0 ? GetSurface3DData(graph->pieces[0]) : nullptr;
    if (first == nullptr || graph->width <= 0 || graph->height <= 0) return -1;
    PrepareDrawStates(draw_state, first, WishesOf(draw_state, transparent, exact && settings->filter_mode != 1));

    // Taken before sorting: a reversed rectangle gives a negative scale, a mirrored draw.
    const float scale_x = (float_x2 - float_x1) / static_cast<float>(graph->width);
    const float scale_y = (float_y2 - float_y1) / static_cast<float>(graph->height);
    const float origin_x = float_x1 - 0.5f + static_cast<float>(settings->target_screen_rect.left);
    const float origin_y = float_y1 - 0.5f + static_cast<float>(settings->target_screen_rect.top);
    if (x1 > x2) std::swap(x1, x2);
    if (y1 > y2) std::swap(y1, y2);
    const RECT& area = settings->draw_area;
    if (x2 <= area.left || y2 <= area.top || x1 >= area.right || y1 >= area.bottom) return 0;
    const bool inside = x1 >= area.left && y1 >= area.top && x2 <= area.right && y2 <= area.bottom;
    const float bounds[4] = {
        settings->draw_area_float[0] - 0.5f + static_cast<float>(settings->target_screen_rect.left),
        settings->draw_area_float[1] - 0.5f + static_cast<float>(settings->target_screen_rect.top),
        settings->draw_area_float[2] - 0.5f + static_cast<float>(settings->target_screen_rect.left),
        settings->draw_area_float[3] - 0.5f + static_cast<float>(settings->target_screen_rect.top)};
    const int result = DrawPiecesScaled(settings->vertex_z, device, record, graph, origin_x, origin_y, scale_x, scale_y, !inside, bounds);
    if (result != 0) return result;
    EndSceneAfterDraw(device);
    return 0;
}

int DrawGraphQuadD3D(const DrawSettingsBlock& draw_state, float x1, float y1, float x2, float y2, float x3, float y3,
                     float x4, float y4, const GraphRecord* graph, int transparent) {
    D3DRendererState& state = D3DState();
    if (state.direct3d == nullptr) return -1;
    if (state.device_unavailable) return 0;
    const DrawSettingsBlock* settings = &draw_state;
    if (settings->blend_graph != -1) {
        return DrawGraphFourPointD3D(draw_state, static_cast<int>(x1), static_cast<int>(y1), static_cast<int>(x2),
                                     static_cast<int>(y2), static_cast<int>(x3), static_cast<int>(y3),
                                     static_cast<int>(x4), static_cast<int>(y4), graph, transparent);
    }
    const int device = state.current_device;
    if (GetD3DDeviceRecord(device) == nullptr) return -1;
    BeginDeviceScene(device);
    const Surface3DData* first = graph->piece_count > 0 ? GetSurface3DData(graph->pieces[0]) : nullptr;
    if (first == nullptr || graph->width <= 0 || graph->height <= 0) return -1;
    PrepareDrawStates(draw_state, first, WishesOf(draw_state, transparent, 0));
    const float ox = static_cast<float>(settings->target_screen_rect.left);
    const float oy = static_cast<float>(settings->target_screen_rect.top);
    const float p1[2] = {x1 + ox, y1 + oy}, p2[2] = {x2 + ox, y2 + oy};
    const float p3[2] = {x3 + ox, y3 + oy}, p4[2] = {x4 + ox, y4 + oy};
    if (graph->piece_count == 1) {
        DrawPieceOnQuad(settings->vertex_z, graph->pieces[0], p1, p2, p3, p4);
    } else {
        const float w = static_cast<float>(graph->width);
        const float h = static_cast<float>(graph->height);
        for (int i = 0; i < graph->piece_count && i < kGraphPieceSlots; ++i) {
            const Surface3DData* piece = GetSurface3DData(graph->pieces[i]);
            if (piece == nullptr) return -1;
            float mapped[4][2];
            for (int k = 0; k < 4; ++k) {
                const float fx = piece->vertices[k].x / w;
                const float fy = piece->vertices[k].y / h;
                const float lx = p1[0] + fy * (p3[0] - p1[0]), ly = p1[1] + fy * (p3[1] - p1[1]);
                const float rx = p2[0] + fy * (p4[0] - p2[0]), ry = p2[1] + fy * (p4[1] - p2[1]);
                mapped[k][0] = lx + fx * (rx - lx);
                mapped[k][1] = ly + fx * (ry - ly);
            }
            DrawPieceOnQuad(settings->vertex_z, graph->pieces[i], mapped[0], mapped[1], mapped[2], mapped[3]);
        }
    }
    EndSceneAfterDraw(device);
    return 0;
}

void DrawPieceOnQuad(float z, int piece_handle, const float q1[2], const float q2[2], const float q3[2],
                     const float q4[2]) {
    const Surface3DData* piece = GetSurface3DData(piece_handle);
    if (piece == nullptr) return;
    const int device = D3DState().current_device;
    D3DDeviceRecord* record = GetD3DDeviceRecord(device);
    if (record == nullptr) return;
    IDirectDrawSurface7* texture = GetPieceTexture(piece);
    if (texture != record->texture) {
        SetDeviceTexture(device, texture);
        ApplyDeviceRenderState(device);
    }
    const D3DVertexTextured& tl = piece->vertices[0];
    const D3DVertexTextured& tr = piece->vertices[1];
    const D3DVertexTextured& bl = piece->vertices[2];
    const D3DVertexTextured& br = piece->vertices[3];
    const bool parallelogram =
        std::fabs((q2[0] - q1[0]) - (q4[0] - q3[0])) < 1 && std::fabs((q2[1] - q1[1]) - (q4[1] - q3[1])) < 1 &&
        std::fabs((q3[0] - q1[0]) - (q4[0] - q2[0])) < 1 && std::fabs((q3[1] - q1[1]) - (q4[1] - q2[1])) < 1;
    const std::uint32_t diffuse = D3DState().vertex_diffuse;
    if (parallelogram) {
        if (record->dirty || record->texture_changed) ApplyDeviceRenderState(device);
        // These are textured vertices: with any other vertex type set up (no texture
        // surface, or a blend texture) they would not fit the batch's buffer.
        if (record->vertex_type != 1) return;
        D3DVertexTextured v[6] = {{q1[0], q1[1], z, 1.0f, diffuse, tl.u, tl.v}, {q2[0], q2[1], z, 1.0f, diffuse, tr.u, tl.v},
                                  {q3[0], q3[1], z, 1.0f, diffuse, tl.u, bl.v}, {q4[0], q4[1], z, 1.0f, diffuse, tr.u, bl.v},
                                  {}, {}};
        const float c1 = (q3[1] - q1[1]) * (q2[0] - q1[0]) - (q3[0] - q1[0]) * (q2[1] - q1[1]);
        const float c2 = (q3[0] - q4[0]) * (q2[1] - q4[1]) - (q2[0] - q4[0]) * (q3[1] - q4[1]);
        v[4] = v[2];
        v[5] = v[1];
        if (c1 <= 0 && c2 <= 0) {
            std::swap(v[1], v[2]);
            std::swap(v[4], v[5]);
        }
        auto* out = static_cast<D3DVertexTextured*>(ReserveBatchVertices(record, 6));
        if (out == nullptr) return;
        for (int i = 0; i < 6; ++i) out[i] = v[i];
        return;
    }
    if (record->vertex_type != 1) return;
    D3DVertexTextured grid[kGridSide * kGridSide];
    const float left_step[2] = {kSeventh * (q3[0] - q1[0]), kSeventh * (q3[1] - q1[1])};
    const float right_step[2] = {kSeventh * (q4[0] - q2[0]), kSeventh * (q4[1] - q2[1])};
    const float u_step = kSeventh * (br.u - tl.u);
    const float v_step = kSeventh * (br.v - tl.v);
    float left[2] = {q1[0], q1[1]}, right[2] = {q2[0], q2[1]};
    float v = tl.v;
    for (int r = 0; r < kGridSide; ++r) {
        const float step[2] = {kSeventh * (right[0] - left[0]), kSeventh * (right[1] - left[1])};
        float point[2] = {left[0], left[1]};
        float u = tl.u;
        for (int c = 0; c < kGridSide; ++c) {
            grid[r * kGridSide + c] = D3DVertexTextured{point[0], point[1], z, 1.0f, diffuse, u, v};
            point[0] += step[0];
            point[1] += step[1];
            u += u_step;
        }
        left[0] += left_step[0];
        left[1] += left_step[1];
        right[0] += right_step[0];
        right[1] += right_step[1];
        v += v_step;
    }
    DrawGridStrips(device, kGridSide, kGridSide, grid);
}

int DrawGridStrips(int device, int columns, int rows, D3DVertexTextured* vertices) {
    if (D3DState().direct3d == nullptr) return -1;
    D3DDeviceRecord* record = GetD3DDeviceRecord(device);
    if (record == nullptr || columns < 2 || rows < 2) return -1;
    // One row pair must fit the index list, and every index a 16-bit value.
    if (2 * columns + 2 > kGridIndexLimit || static_cast<long long>(columns) * rows > 0xFFFF) return -1;
    FlushVertexBatch(device);
    WORD indices[kGridIndexLimit];
    int count = 0;
    const DWORD fvf = kVertexBatchFormats[1].fvf;
    const DWORD vertex_count = static_cast<DWORD>(columns * rows);
    for (int r = 0; r + 1 < rows; ++r) {
        if (count + 2 * columns + 2 > kGridIndexLimit) {
            record->device->DrawIndexedPrimitive(D3DPT_TRIANGLESTRIP, fvf, vertices, vertex_count, indices,
                                                 static_cast<DWORD>(count), 0);
            count = 0;
        } else if (count > 0) {
            indices[count++] = static_cast<WORD>((r + 1) * columns);
        }
        for (int c = 0; c < columns; ++c) {
            indices[count++] = static_cast<WORD>((r + 1) * columns + c);
            indices[count++] = static_cast<WORD>(r * columns + c);
        }
        if (r + 2 < rows) {
            indices[count] = indices[count - 1];
            ++count;
        }
    }
    if (count > 0) {
        record->device->DrawIndexedPrimitive(D3DPT_TRIANGLESTRIP, fvf, vertices, vertex_count, indices,
                                             static_cast<DWORD>(count), 0);
    }
    return 0;
}

int DrawGraphFourPointD3D(const DrawSettingsBlock& draw_state, int x1, int y1, int x2, int y2, int x3, int y3, int x4,
                          int y4, const GraphRecord* graph, int transparent) {
    if (x1 == x3 && x2 == x4 && y1 == y2 && y3 == y4) {
        return DrawGraphStretchD3D(draw_state, x1, y1, x4, y4, static_cast<float>(x1), static_cast<float>(y1),
                                   static_cast<float>(x4), static_cast<float>(y4), graph, transparent, 1);
    }
    const DrawSettingsBlock* settings = &draw_state;
    if (settings->blend_graph == -1) {
        return DrawGraphQuadD3D(draw_state, static_cast<float>(x1), static_cast<float>(y1), static_cast<float>(x2),
                                static_cast<float>(y2), static_cast<float>(x3), static_cast<float>(y3),
                                static_cast<float>(x4), static_cast<float>(y4), graph, transparent);
    }
    D3DRendererState& state = D3DState();
    if (state.direct3d == nullptr) return -1;
    if (state.device_unavailable) return 0;
    const int device = state.current_device;
    D3DDeviceRecord* record = GetD3DDeviceRecord(device);
    if (record == nullptr) return -1;
    FlushVertexBatch(device);
    const float ox = static_cast<float>(settings->target_screen_rect.left);
    const float oy = static_cast<float>(settings->target_screen_rect.top);
    const float p1[2] = {x1 + ox, y1 + oy}, p2[2] = {x2 + ox, y2 + oy};
    const float p3[2] = {x3 + ox, y3 + oy}, p4[2] = {x4 + ox, y4 + oy};
    BeginDeviceScene(device);
    const Surface3DData* first = graph->piece_count > 0 ? GetSurface3DData(graph->pieces[0]) : nullptr;
    if (first == nullptr || graph->width <= 0 || graph->height <= 0) return -1;
    PrepareDrawStates(draw_state, first, WishesOf(draw_state, transparent, 1));
    const float w = static_cast<float>(graph->width);
    const float h = static_cast<float>(graph->height);
    const float z = settings->vertex_z;
    const std::uint32_t diffuse = state.vertex_diffuse;
    for (int i = 0; i < graph->piece_count && i < kGraphPieceSlots; ++i) {
        const Surface3DData* piece = GetSurface3DData(graph->pieces[i]);
        if (piece == nullptr) return -1;
        IDirectDrawSurface7* texture = GetPieceTexture(piece);
        if (texture != record->texture) {
            SetDeviceTexture(device, texture);
            ApplyDeviceRenderState(device);
        }
        Corner corners[4];
        for (int k = 0; k < 4; ++k) {
            const D3DVertexTextured& v = piece->vertices[k];
            float px, py;
            if (piece->diagonal[k]) {
                px = p1[0] - 0.5f + (v.x / w) * (p2[0] - p1[0]) + (v.y / h) * (p3[0] - p1[0]);
                py = p1[1] - 0.5f + (v.x / w) * (p2[1] - p1[1]) + (v.y / h) * (p3[1] - p1[1]);
            } else {
                px = p4[0] - 0.5f + ((w - v.x) / w) * (p3[0] - p4[0]) + ((h - v.y) / h) * (p2[0] - p4[0]);
                py = p4[1] - 0.5f + ((w - v.x) / w) * (p3[1] - p4[1]) + ((h - v.y) / h) * (p2[1] - p4[1]);
            }
            corners[k] = Corner{px, py, v.u, v.v, v.x * state.blend_width_reciprocal, v.y * state.blend_height_reciprocal};
        }
        auto cross = [](float ax, float ay, float bx, float by) { return ax * by - ay * bx; };
        const float c1 = cross(corners[1].x - corners[0].x, corners[1].y - corners[0].y, corners[2].x - corners[0].x,
                               corners[2].y - corners[0].y);
        const float c2 = cross(corners[2].x - corners[3].x, corners[2].y - corners[3].y, corners[1].x - corners[3].x,
                               corners[1].y - corners[3].y);
        if (c1 < 0 || (c1 == 0 && c2 <= 0)) std::swap(corners[1], corners[2]);
        if (record->vertex_type == 2) {
            D3DVertexBlend strip[4];
            for (int k = 0; k < 4; ++k) {
                const Corner& c = corners[k];
                strip[k] = D3DVertexBlend{c.x, c.y, z, 1.0f, diffuse, 0xFFFFFFFFu, c.blend_u, c.blend_v, c.u, c.v};
            }
            record->device->DrawPrimitive(D3DPT_TRIANGLESTRIP, kVertexBatchFormats[2].fvf, strip, 4, 0);
        } else if (record->vertex_type == 1) {
            D3DVertexTextured strip[4];
            for (int k = 0; k < 4; ++k) {
                const Corner& c = corners[k];
                strip[k] = D3DVertexTextured{c.x, c.y, z, 1.0f, diffuse, c.u, c.v};
            }
            record->device->DrawPrimitive(D3DPT_TRIANGLESTRIP, kVertexBatchFormats[1].fvf, strip, 4, 0);
        }
    }
    EndSceneAfterDraw(device);
    return 0;
}
