// The non-Direct3D draw dispatch: in software rendering every primitive goes straight
// to the software renderer on the draw target's MEMIMG (a graph piece that is part of a
// shared image is drawn through a view of its own rectangle); on DirectDraw surfaces a
// plain unscaled draw is a DirectDraw blit and everything else goes through a working
// copy, and a working copy that cannot be had fails the draw. Relies on the 2-D
// surfaces, the surface data records, the renderer and the working copies.
#include "engine/graphics/draw/draw_dispatch.h"

#include <algorithm>

#include "engine/core/core.h"
#include "engine/d3d/d3d.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/draw/draw_state_access.h"
#include "engine/graphics/draw/soft_render_entries.h"
#include "engine/graphics/draw/working_copies.h"
#include "engine/graphics/graphs/memimg_transfer.h"
#include "engine/graphics/graphs/surface_2d.h"
#include "engine/graphics/graphs/surface_data.h"
#include "engine/graphics/screen/screen_internal.h"
#include "engine/pixels/pixels.h"
#include "engine/softrender/softrender.h"

namespace {

MEMIMG* TargetImage() {
    MEMIMG* image = GetScreenState()->target_image;
    return image != nullptr && IsMemImgValid(image) ? image : nullptr;
}

void HandOverFromDirect3D() {
    if (IsDirect3DUp()) EndSceneD3D();
    FlushCurrentVertexBatch();
}

// The image a piece shows: its SurfaceData's colour image when the piece is all of it,
// else a view of the piece's rectangle made in `view` (released by the caller).
const MEMIMG* PieceImage(const Surface2D* piece, SurfaceData* data, MEMIMG* view) {
    MEMIMG* image = &data->color_image;
    if (!IsMemImgValid(image)) return nullptr;
    if (piece->width == image->width && piece->height == image->height && piece->source_x == 0 &&
        piece->source_y == 0) {
        return image;
    }
    CreateMemImgView(view, image, piece->source_x, piece->source_y, piece->width, piece->height);
    return IsMemImgValid(view) ? view : nullptr;
}

void ReleaseView(MEMIMG* view) {
    if (IsMemImgValid(view)) ReleaseMemImg(view);
}

// Sets the bits of no channel to ones over `rect` of locked memory, so the copied pixels
// read as opaque.
void SetUnusedBits(const RECT& rect, void* pixels, int pitch, const ColorFormat* format) {
    if (format->unused_mask == 0) return;
    const std::uint32_t ones = format->unused_width >= 32 ? 0xFFFFFFFFu : (1u << format->unused_width) - 1u;
    OrAlphaIntoImageRect(&rect, pixels, pitch, format, ones);
}

// The rectangle of the draw target (target coordinates) copied into the graph's piece,
// outside software rendering.
int CopyDirectDrawScreenToGraph(RECT rect, const Surface2D* piece, SurfaceData* data) {
    ScreenState* screen = GetScreenState();
    const DrawSettingsBlock* settings = GetDrawSettings();
    const RECT target_rect = rect;
    if (settings->draw_target == kDrawTargetFront) {
        RECT front{};
        GetFrontScreenRect(&front);
        rect = MovedRect(rect, front.left, front.top);
    }
    // A graph target on a shared DirectDraw image starts at its piece's place there.
    rect = MovedRect(rect, screen->target_x, screen->target_y);
    FlushCurrentVertexBatch();
    EndSceneD3D();
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    IDirectDrawSurface7* target_surface = screen->target_surface;
    MEMIMG* target_image = TargetImage();
    const bool software_image = data->software && IsMemImgValid(&data->color_image);
    const bool directdraw_image = !data->software && data->surface != nullptr;
    const ColorFormat* screen_format = GetScreenColorFormat();
    RECT piece_rect{piece->source_x, piece->source_y, piece->source_x + width, piece->source_y + height};
    const RECT whole{0, 0, width, height};
    if (target_surface != nullptr && directdraw_image) {
        if (FAILED(data->surface->Blt(&piece_rect, target_surface, &rect, DDBLT_WAIT, nullptr))) return -1;
        if (screen_format->unused_mask != 0) {
            DDSURFACEDESC2 desc{};
            desc.dwSize = sizeof(desc);
            if (FAILED(data->surface->Lock(&piece_rect, &desc, DDLOCK_WAIT | DDLOCK_WRITEONLY, nullptr))) return -1;
            SetUnusedBits(whole, desc.lpSurface, desc.lPitch, screen_format);
            data->surface->Unlock(&piece_rect);
        }
        return 0;
    }
    if (target_image != nullptr && software_image) {
        return BltMemImgToMemImg(&data->color_image, target_image, &target_rect, piece->source_x, piece->source_y) < 0
                   ? -1
                   : 0;
    }
    if (target_surface == nullptr && target_image != nullptr && directdraw_image) {
        DDSURFACEDESC2 desc{};
        desc.dwSize = sizeof(desc);
        if (FAILED(data->surface->Lock(&piece_rect, &desc, DDLOCK_WAIT, nullptr))) return -1;
        ConvertColorBlt({.dest = desc.lpSurface, .dest_pitch = desc.lPitch, .dest_format = screen_format,
                         .src = target_image->pixels, .src_pitch = target_image->block->pitch,
                         .src_format = target_image->block->format, .src_rect = &target_rect});
        SetUnusedBits(whole, desc.lpSurface, desc.lPitch, screen_format);
        data->surface->Unlock(&piece_rect);
        return 0;
    }
    if (target_surface != nullptr && software_image && screen->work != nullptr) {
        if (CopySurfaceRect(screen->work, target_surface, 0, 0, &rect, -1) != 0) return -1;
        DDSURFACEDESC2 desc{};
        desc.dwSize = sizeof(desc);
        RECT locked = whole;
        if (FAILED(screen->work->Lock(&locked, &desc, DDLOCK_WAIT, nullptr))) return -1;
        MEMIMG& image = data->color_image;
        ConvertColorBlt({.dest = image.pixels, .dest_pitch = image.block->pitch, .dest_format = image.block->format,
                         .src = desc.lpSurface, .src_pitch = desc.lPitch, .src_format = screen_format,
                         .dest_x = piece->source_x, .dest_y = piece->source_y, .src_rect = &whole});
        const int bytes = MemImgBytesPerPixel(&image);
        SetUnusedBits(whole,
                      image.pixels + static_cast<std::ptrdiff_t>(piece->source_y) * image.block->pitch +
                          static_cast<std::ptrdiff_t>(piece->source_x) * bytes,
                      image.block->pitch, image.block->format);
        screen->work->Unlock(&locked);
        return 0;
    }
    return -1;
}

}  // namespace

MEMIMG* GetBlendSourceMemImg() {
    const int graph = GetDrawSettings()->blend_graph;
    if (graph == -1) return nullptr;
    const GraphRecord* record = GetGraphRecord(graph);
    if (record == nullptr || record->creation.texture) return nullptr;
    const Surface2D* piece = GetSurface2DRecord(record->pieces[0]);
    if (piece == nullptr) return nullptr;
    SurfaceData* data = GetSurfaceData(piece->surface_data);
    if (data == nullptr || !IsMemImgValid(&data->color_image)) return nullptr;
    return &data->color_image;
}

int SetBlendSourceParamsSoft(int, int border_value, int border_range) {
    BuildBlendGraphWeightTable(border_value, border_range);
    return 0;
}

int DrawSurface2DSoft(int x, int y, int surface, int transparent) {
    return DrawSurface2DSoftWith(*GetDrawSettings(), x, y, surface, transparent);
}

int DrawSurface2DSoftWith(const DrawSettingsBlock& settings, int x, int y, int surface, int transparent) {
    if (!IsScreenUp()) return -1;
    const Surface2D* piece = GetSurface2DRecord(surface);
    if (piece == nullptr) return -1;
    SurfaceData* data = GetSurfaceData(piece->surface_data);
    if (data == nullptr) return -1;
    const MEMIMG* blend = GetBlendSourceMemImg();
    if (IsSoftwareRendering()) {
        MEMIMG* target = TargetImage();
        if (target == nullptr) return -1;
        MEMIMG view{};
        const MEMIMG* source = PieceImage(piece, data, &view);
        if (source == nullptr) return -1;
        DrawMemImgWith(SoftDrawStateFromSettings(settings), target, source, x, y, transparent, blend);
        ReleaseView(&view);
        return 0;
    }
    HandOverFromDirect3D();
    const RECT& area = settings.draw_area;
    RECT destination{x, y, HoldToInt(static_cast<long long>(x) + piece->width),
                     HoldToInt(static_cast<long long>(y) + piece->height)};
    ClipRectToRect(&destination, &area);
    if (IsRectEmpty(destination)) return 0;
    const RECT source{destination.left - x, destination.top - y, destination.right - x, destination.bottom - y};
    const ScopedWorkingCopy copy(settings, piece, 1, &source, &destination, 0, nullptr, nullptr);
    if (!copy.begun()) return -1;
    WorkingCopyState* working = copy.state();
    if (working->blit_chosen) {
        RECT from = working->blit_source_rect;
        const DWORD flags = transparent != 0 ? DDBLTFAST_SRCCOLORKEY : DDBLTFAST_NOCOLORKEY;
        // A blit that did not happen is a draw that failed.
        return FAILED(working->blit_destination->BltFast(static_cast<DWORD>(working->blit_x),
                                                         static_cast<DWORD>(working->blit_y), working->blit_source,
                                                         &from, flags))
                   ? -1
                   : 0;
    }
    if (working->target == nullptr || working->source == nullptr) {
        return -1;
    }
    DrawMemImgWith(SoftDrawStateFromSettings(settings), working->target, working->source, x, y, transparent,
                   blend);
    return 0;
}

int DrawGraphSoft(int x, int y, const GraphRecord* graph, int transparent) {
    FlushCurrentVertexBatch();
    return DrawSurface2DSoft(x, y, graph->pieces[0], transparent);
}

int DrawGraphStretchSoft(int x1, int y1, int x2, int y2, const GraphRecord* graph, int transparent) {
    if (!IsScreenUp()) return -1;
    const RECT given{x1, y1, x2, y2};
    const RECT box = OrderedRect(x1, y1, x2, y2);
    const bool flip_x = x2 < x1;
    const bool flip_y = y2 < y1;
    const Surface2D* piece = GetSurface2DRecord(graph->pieces[0]);
    if (piece == nullptr) return -1;
    SurfaceData* data = GetSurfaceData(piece->surface_data);
    if (data == nullptr) return -1;
    const MEMIMG* blend = GetBlendSourceMemImg();
    if (IsSoftwareRendering()) {
        MEMIMG* target = TargetImage();
        if (target == nullptr) return -1;
        MEMIMG view{};
        const MEMIMG* source = PieceImage(piece, data, &view);
        if (source == nullptr) return -1;
        DrawMemImgStretch(target, source, &given, transparent, blend);
        ReleaseView(&view);
        return 0;
    }
    FlushCurrentVertexBatch();
    EndSceneD3D();
    const long long w = static_cast<long long>(box.right) - box.left;
    const long long h = static_cast<long long>(box.bottom) - box.top;
    if (w == 0 || h == 0) return -1;
    if (w == graph->width && h == graph->height && !flip_x && !flip_y) {
        return DrawGraphSoft(box.left, box.top, graph, transparent);
    }
    // 16.16 scale factors in 64 bits, so large sizes cannot overflow.
    const long long sx = (w << 16) / graph->width;
    const long long sy = (h << 16) / graph->height;
    if (sx == 0 || sy == 0) return -1;
    RECT clipped = box;
    ClipRectToRect(&clipped, &GetDrawSettings()->draw_area);
    if (IsRectEmpty(clipped)) return -1;
    long long left = clipped.left != box.left ? ((static_cast<long long>(clipped.left) - box.left) << 16) / sx : 0;
    long long top = clipped.top != box.top ? ((static_cast<long long>(clipped.top) - box.top) << 16) / sy : 0;
    long long right = left + ((static_cast<long long>(clipped.right - clipped.left) << 16) - 1 + sx) / sx;
    long long bottom = top + ((static_cast<long long>(clipped.bottom - clipped.top) << 16) - 1 + sy) / sy;
    if (flip_x) {
        const long long l = graph->width - right;
        right = graph->width - left;
        left = l;
    }
    if (flip_y) {
        const long long t = graph->height - bottom;
        bottom = graph->height - top;
        top = t;
    }
    const RECT source{HoldToInt(left), HoldToInt(top), HoldToInt(right), HoldToInt(bottom)};
    const ScopedWorkingCopy copy(piece, 0, &source, &clipped, 0, nullptr, nullptr);
    if (!copy.begun()) return -1;
    WorkingCopyState* working = copy.state();
    if (working->target == nullptr || working->source == nullptr) {
        return -1;
    }
    DrawMemImgStretch(working->target, working->source, &given, transparent, blend);
    return 0;
}

int DrawGraphTriangleSoft(const TriangleVertex* vertices, const GraphRecord* graph, int transparent) {
    if (!IsScreenUp()) return -1;
    const Surface2D* piece = nullptr;
    SurfaceData* data = nullptr;
    if (graph != nullptr) {
        piece = GetSurface2DRecord(graph->pieces[0]);
        if (piece == nullptr) return -1;
        data = GetSurfaceData(piece->surface_data);
        if (data == nullptr) return -1;
    }
    const MEMIMG* blend = GetBlendSourceMemImg();
    if (IsSoftwareRendering()) {
        MEMIMG* target = TargetImage();
        if (target == nullptr) return -1;
        MEMIMG view{};
        const MEMIMG* source = piece != nullptr ? PieceImage(piece, data, &view) : nullptr;
        if (piece != nullptr && source == nullptr) return -1;
        DrawMemImgTriangle(target, source, vertices, transparent, blend);
        ReleaseView(&view);
        return 0;
    }
    FlushCurrentVertexBatch();
    EndSceneD3D();
    // The working boxes reach one past the largest coordinate, so the last row and
    // column of the triangle are inside them.
    RECT destination{1000000, 1000000, -1000000, -1000000};
    RECT source{1000000, 1000000, -1000000, -1000000};
    for (int i = 0; i < 3; ++i) {
        destination.left = std::min<LONG>(destination.left, vertices[i].x);
        destination.top = std::min<LONG>(destination.top, vertices[i].y);
        destination.right = std::max<LONG>(destination.right, HoldToInt(vertices[i].x + 1LL));
        destination.bottom = std::max<LONG>(destination.bottom, HoldToInt(vertices[i].y + 1LL));
        source.left = std::min<LONG>(source.left, vertices[i].u);
        source.top = std::min<LONG>(source.top, vertices[i].v);
        source.right = std::max<LONG>(source.right, HoldToInt(vertices[i].u + 1LL));
        source.bottom = std::max<LONG>(source.bottom, HoldToInt(vertices[i].v + 1LL));
    }
    const ScopedWorkingCopy copy(piece, 0, &source, &destination, 0, nullptr, nullptr);
    if (!copy.begun()) return -1;
    WorkingCopyState* working = copy.state();
    if (working->target == nullptr) {
        return -1;
    }
    DrawMemImgTriangle(working->target, working->source, vertices, transparent, blend);
    return 0;
}

int DrawGraphQuadSoft(int x1, int y1, int x2, int y2, int x3, int y3, int x4, int y4, const GraphRecord* graph,
                      int transparent) {
    const TriangleVertex corners[4] = {
        {x1, y1, 0, 0}, {x2, y2, graph->width, 0}, {x3, y3, 0, graph->height}, {x4, y4, graph->width, graph->height}};
    const TriangleVertex first[3] = {corners[0], corners[1], corners[2]};
    const TriangleVertex second[3] = {corners[1], corners[2], corners[3]};
    DrawGraphTriangleSoft(first, graph, transparent);
    DrawGraphTriangleSoft(second, graph, transparent);
    return 0;
}

int DrawGraphQuadSoftFloat(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4,
                           const GraphRecord* graph, int transparent) {
    return DrawGraphQuadSoft(HoldFloatToInt(x1), HoldFloatToInt(y1), HoldFloatToInt(x2), HoldFloatToInt(y2),
                             HoldFloatToInt(x3), HoldFloatToInt(y3), HoldFloatToInt(x4), HoldFloatToInt(y4), graph,
                             transparent);
}

int DrawFillBoxSoft(int x1, int y1, int x2, int y2, std::uint32_t colour) {
    if (!IsScreenUp()) return -1;
    const RECT rect{x1, y1, x2, y2};
    if (IsSoftwareRendering()) {
        MEMIMG* target = TargetImage();
        if (target == nullptr) return -1;
        FillMemImgRect(target, &rect, colour);
        return 0;
    }
    FlushCurrentVertexBatch();
    EndSceneD3D();
    std::uint32_t converted = colour;
    // The fill takes its corners in either order; the working copy needs them ordered.
    const RECT box = OrderedRect(x1, y1, x2, y2);
    const ScopedWorkingCopy copy(nullptr, 0, nullptr, &box, 1, &converted, nullptr);
    if (!copy.begun()) return -1;
    WorkingCopyState* working = copy.state();
    if (working->target == nullptr) {
        return -1;
    }
    FillMemImgRect(working->target, &rect, converted);
    return 0;
}

int DrawLineListSoft(const LineRecord* lines, int count) {
    if (!IsScreenUp()) return -1;
    static_assert(sizeof(LineRecord) == sizeof(LineListItem));
    const auto* items = reinterpret_cast<const LineListItem*>(lines);
    if (IsSoftwareRendering()) {
        MEMIMG* target = TargetImage();
        if (target == nullptr) return -1;
        DrawMemImgLines(target, items, count);
        return 0;
    }
    FlushCurrentVertexBatch();
    EndSceneD3D();
    RECT box{1000000, 1000000, -1000000, -1000000};
    for (int i = 0; i < count; ++i) {
        box.left = std::min<LONG>(box.left, std::min(lines[i].x1, lines[i].x2));
        box.top = std::min<LONG>(box.top, std::min(lines[i].y1, lines[i].y2));
        box.right = std::max<LONG>(box.right, HoldToInt(std::max(lines[i].x1, lines[i].x2) + 1LL));
        box.bottom = std::max<LONG>(box.bottom, HoldToInt(std::max(lines[i].y1, lines[i].y2) + 1LL));
    }
    const ScopedWorkingCopy copy(nullptr, 0, nullptr, &box, 0, nullptr, nullptr);
    if (!copy.begun()) return -1;
    WorkingCopyState* working = copy.state();
    if (working->target == nullptr) {
        return -1;
    }
    if (working->target_lock.converted) {
        // The target holds working-format pixels: the colours, given in the screen's
        // format, are converted too, a batch of records at a time.
        const ColorFormat* screen_format = GetScreenColorFormat();
        const ColorFormat* working_format = working->target_view.block->format;
        LineListItem batch[64];
        for (int done = 0; done < count;) {
            const int n = std::min(count - done, 64);
            for (int i = 0; i < n; ++i) {
                batch[i] = items[done + i];
                batch[i].colour = ConvertColorValue(working_format, screen_format, batch[i].colour);
            }
            DrawMemImgLines(working->target, batch, n);
            done += n;
        }
    } else {
        DrawMemImgLines(working->target, items, count);
    }
    return 0;
}

int DrawLineBoxSoft(int x1, int y1, int x2, int y2, std::uint32_t colour) {
    const std::int32_t c = static_cast<std::int32_t>(colour);
    const std::int32_t v = GetDrawSettings()->blend_value;
    const std::int32_t right = HoldToInt(x2 - 1LL);
    const std::int32_t bottom = HoldToInt(y2 - 1LL);
    const LineRecord lines[4] = {{x1, y1, right, y1, c, v},
                                 {right, y1, right, bottom, c, v},
                                 {right, bottom, x1, bottom, c, v},
                                 {x1, bottom, x1, y1, c, v}};
    return DrawLineListSoft(lines, 4);
}

int GetDrawScreenGraphSoft(int x1, int y1, int x2, int y2, const GraphRecord* graph, int) {
    if (!IsScreenUp()) return -1;
    EndSceneD3D();
    const DrawSettingsBlock* settings = GetDrawSettings();
    if (x2 - x1 < 1 || y2 - y1 < 1 || x2 - x1 != graph->width || y2 - y1 != graph->height || x1 < 0 || y1 < 0 ||
        x2 > settings->target_width || y2 > settings->target_height) {
        return -1;
    }
    const Surface2D* piece = GetSurface2DRecord(graph->pieces[0]);
    if (piece == nullptr) return -1;
    SurfaceData* data = GetSurfaceData(piece->surface_data);
    if (data == nullptr) return -1;
    const bool software_image = data->software && IsMemImgValid(&data->color_image);
    const RECT rect{x1, y1, x2, y2};
    if (IsSoftwareRendering()) {
        if (!software_image) return -1;
        if (settings->draw_target == kDrawTargetFront) ReadBackFrontImage();
        MEMIMG* target = TargetImage();
        if (target == nullptr) return -1;
        return BltMemImgToMemImg(&data->color_image, target, &rect, piece->source_x, piece->source_y) < 0 ? -1 : 0;
    }
    return CopyDirectDrawScreenToGraph(rect, piece, data);
}
