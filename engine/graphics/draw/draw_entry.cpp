// The draw entry points: the common frame of every draw (graphics off or an empty area
// draws nothing, the graph must be live, the blend source must be large enough, the mask
// brackets, the front image read back before and shown after a draw on the front buffer
// in software rendering) around the choice between the 3-D renderer (texture graphs, and
// boxes while 3-D is in use) and the 2-D dispatch, with the subtract blend of the 3-D path
// drawn as invert, add, invert.
#include "engine/graphics/draw/draw_entry.h"

#include <algorithm>
#include <cmath>

#include "engine/core/core.h"
#include "engine/core/core_shell_hooks.h"
#include "engine/d3d/d3d.h"
#include "engine/graphics/draw/draw_dispatch.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/draw/masks.h"
#include "engine/graphics/draw/working_copies.h"
#include "engine/graphics/graphs/graph_handles.h"
#include "engine/graphics/graphs/movie_graphs.h"
#include "engine/graphics/screen/screen_internal.h"

namespace {

bool SoftwareFront() { return GetDrawSettings()->draw_target == kDrawTargetFront && IsSoftwareRendering(); }

// What wraps every draw: the mask brackets and the front image kept in step.
struct DrawFrame {
    RECT work;
    bool masked;
    bool front;
};

DrawFrame BeginDraw(const RECT& work) {
    DrawFrame frame{work, IsMaskScreenActive() != 0, SoftwareFront()};
    // The front image is brought up to date before the mask keeps its pixels, so that
    // what the mask puts back is what the screen showed.
    if (frame.front && GetScreenState()->front_image_stale) ReadBackFrontImage();
    if (frame.masked) BeginMaskedDraw(work.left, work.top, work.right, work.bottom);
    return frame;
}

void EndDraw(const DrawFrame& frame) {
    if (frame.masked) EndMaskedDraw(frame.work.left, frame.work.top, frame.work.right, frame.work.bottom);
    if (frame.front) FlushFrontImageRect(&frame.work);
}

// The subtract brackets' white fill: in the subtract mode at 255 with a white bright colour,
// the 3-D fill inverts the rectangle; the bright colour is put back afterwards.
void InvertRect(const RECT& rect) {
    DrawSettingsBlock* settings = GetDrawSettings();
    const std::uint32_t white = MakeColorValue(255, 255, 255);
    const std::uint8_t kept[3] = {settings->bright[0], settings->bright[1], settings->bright[2]};
    if (kept[0] != 255 || kept[1] != 255 || kept[2] != 255) SetBrightColorRGB(255, 255, 255);
    if (!settings->graphics_off && (settings->blend_mode != kBlendSubtract || settings->blend_value != 255)) {
        SetBlendModeAndValue(kBlendSubtract, 255);
    }
    DrawFillBoxD3D(*GetDrawSettings(), rect.left, rect.top, rect.right, rect.bottom, white);
    SetBrightColorRGB(kept[2], kept[1], kept[0]);
}

bool SubtractOnThreeD() { return GetDrawSettings()->blend_mode == kBlendSubtract; }

// Boxes take the 3-D path while texture graphs are wanted, 3-D is in use and the screen
// is not rendered in software.
bool BoxesOnThreeD() {
    return GetDrawSettings()->new_graph.texture_graphs != 0 && IsThreeDInUse() && !IsSoftwareRenderChosen();
}

// The opening of every graph draw: with graphics off or an empty draw area nothing is
// drawn (result 0); a dead graph, or a blend source graph too small for it, fails (result
// -1); else it waits while the window is inactive. The record, or null with the result in
// `*result`.
GraphRecord* OpenGraphDraw(int graph, int* result) {
    DrawSettingsBlock* settings = GetDrawSettings();
    *result = 0;
    if (settings->graphics_off || settings->empty_area) return nullptr;
    GraphRecord* record = GetGraphRecord(graph);
    if (record == nullptr || (settings->blend_graph != -1 && CheckBlendSourceGraphSize(record) != 0)) {
        *result = -1;
        return nullptr;
    }
    if (!IsWindowActive()) GetShellHooks()->wait_while_inactive();
    // A movie graph shows the movie's present frame.
    UpdateGraphMovieFrame(record->movie);
    return record;
}

}  // namespace

int DrawGraphAtPoint(int x, int y, int graph, int transparent) {
    int result = 0;
    GraphRecord* record = OpenGraphDraw(graph, &result);
    if (record == nullptr) return result;
    if (PlaceGraphMovieOverlay(record->movie, x, y, 1)) return -1;
    const DrawFrame frame =
        BeginDraw(RECT{x, y, HoldToInt(static_cast<long long>(x) + record->width),
                       HoldToInt(static_cast<long long>(y) + record->height)});
    if (record->creation.texture) {
        const bool subtract = SubtractOnThreeD();
        if (subtract) SubtractBlendPrologue(&frame.work);
        result = DrawGraphD3D(*GetDrawSettings(), x, y, static_cast<float>(x), static_cast<float>(y), record,
                              transparent, 1);
        if (subtract) SubtractBlendEpilogue(&frame.work);
    } else {
        result = DrawGraphSoft(x, y, record, transparent);
    }
    EndDraw(frame);
    return result;
}

int DrawGraphStretched(int x1, int y1, int x2, int y2, int graph, int transparent) {
    int result = 0;
    GraphRecord* record = OpenGraphDraw(graph, &result);
    if (record == nullptr) return result;
    // A scale below 1 (narrower than the graph, or mirrored) hides the overlay.
    const long long wide = record->width != 0 ? (static_cast<long long>(x2) - x1) / record->width : 0;
    const int scale = wide > 0x7FFFFFFF ? 0x7FFFFFFF : wide < 0 ? 0 : static_cast<int>(wide);
    if (PlaceGraphMovieOverlay(record->movie, x1, y1, scale)) return -1;
    const DrawFrame frame = BeginDraw(OrderedRect(x1, y1, x2, y2));
    if (record->creation.texture) {
        const bool subtract = SubtractOnThreeD();
        if (subtract) SubtractBlendPrologue(&frame.work);
        result = DrawGraphStretchD3D(*GetDrawSettings(), x1, y1, x2, y2, static_cast<float>(x1), static_cast<float>(y1),
                                     static_cast<float>(x2), static_cast<float>(y2), record, transparent, 1);
        if (subtract) SubtractBlendEpilogue(&frame.work);
    } else {
        result = DrawGraphStretchSoft(x1, y1, x2, y2, record, transparent);
    }
    EndDraw(frame);
    return result;
}

int DrawGraphQuad(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4, int graph,
                  int transparent) {
    int result = 0;
    GraphRecord* record = OpenGraphDraw(graph, &result);
    if (record == nullptr) return result;
    RECT work{0xFFFFFF, 0xFFFFFF, 0, 0};
    for (float fx : {x1, x2, x3, x4}) {
        work.left = std::min<LONG>(work.left, HoldFloatToInt(fx));
        work.right = std::max<LONG>(work.right, HoldFloatToInt(fx));
    }
    for (float fy : {y1, y2, y3, y4}) {
        work.top = std::min<LONG>(work.top, HoldFloatToInt(fy));
        work.bottom = std::max<LONG>(work.bottom, HoldFloatToInt(fy));
    }
    const DrawFrame frame = BeginDraw(work);
    // The renderer takes the corners as first, second, fourth, third.
    if (record->creation.texture) {
        const bool subtract = SubtractOnThreeD();
        if (subtract) SubtractBlendPrologue(&frame.work);
        result = DrawGraphQuadD3D(*GetDrawSettings(), x1, y1, x2, y2, x4, y4, x3, y3, record, transparent);
        if (subtract) SubtractBlendEpilogue(&frame.work);
    } else {
        result = DrawGraphQuadSoftFloat(x1, y1, x2, y2, x4, y4, x3, y3, record, transparent);
    }
    EndDraw(frame);
    return result;
}

int DrawGraphMirrored(int x, int y, int graph, int transparent) {
    const GraphRecord* record = GetGraphRecord(graph);
    if (record == nullptr) return -1;
    return DrawGraphStretched(HoldToInt(static_cast<long long>(x) + record->width), y, x,
                              HoldToInt(static_cast<long long>(y) + record->height), graph, transparent);
}

namespace {

// Narrows the draw area for one draw and puts it back afterwards.
struct AreaKeeper {
    RECT area;
    float area_float[4];
    std::int32_t empty;
    AreaKeeper() {
        const DrawSettingsBlock* s = GetDrawSettings();
        area = s->draw_area;
        std::copy(s->draw_area_float, s->draw_area_float + 4, area_float);
        empty = s->empty_area;
    }
    void Narrow(const RECT& rect) const {
        DrawSettingsBlock* s = GetDrawSettings();
        RECT narrowed = rect;
        ClipRectToRect(&narrowed, &area);
        s->draw_area = narrowed;
        s->draw_area_float[0] = static_cast<float>(narrowed.left);
        s->draw_area_float[1] = static_cast<float>(narrowed.top);
        s->draw_area_float[2] = static_cast<float>(narrowed.right);
        s->draw_area_float[3] = static_cast<float>(narrowed.bottom);
    }
    ~AreaKeeper() {
        DrawSettingsBlock* s = GetDrawSettings();
        s->draw_area = area;
        std::copy(area_float, area_float + 4, s->draw_area_float);
        s->empty_area = empty;
    }
};

}  // namespace

int DrawGraphSubRect(int x, int y, int source_x, int source_y, int width, int height, int graph, int transparent,
                     int mirror) {
    const AreaKeeper keeper;
    keeper.Narrow(RECT{x, y, HoldToInt(static_cast<long long>(x) + width), HoldToInt(static_cast<long long>(y) + height)});
    const GraphRecord* record = GetGraphRecord(graph);
    const int draw_y = HoldToInt(static_cast<long long>(y) - source_y);
    if (mirror) {
        if (record == nullptr) return -1;
        return DrawGraphMirrored(HoldToInt(static_cast<long long>(x) - record->width + source_x + width), draw_y, graph,
                                 transparent);
    }
    return DrawGraphAtPoint(HoldToInt(static_cast<long long>(x) - source_x), draw_y, graph, transparent);
}

int DrawGraphSubRectStretched(int x1, int y1, int x2, int y2, int source_x, int source_y, int source_width,
                              int source_height, int graph, int transparent) {
    const GraphRecord* record = GetGraphRecord(graph);
    if (record == nullptr) return -1;
    // A source of no width or height has no scale: nothing to draw.
    if (source_width <= 0 || source_height <= 0) return -1;
    // A part wholly outside the graph shows nothing of it in the box (and would scale the
    // graph far beyond the int range).
    if (source_x >= record->width || source_y >= record->height ||
        static_cast<long long>(source_x) + source_width <= 0 || static_cast<long long>(source_y) + source_height <= 0) {
        return 0;
    }
    const RECT box = OrderedRect(x1, y1, x2, y2);
    const bool mirror_x = x2 < x1;
    const bool mirror_y = y2 < y1;
    const AreaKeeper keeper;
    keeper.Narrow(box);
    const double sx = (static_cast<double>(box.right) - box.left) / source_width;
    const double sy = (static_cast<double>(box.bottom) - box.top) / source_height;
    // Truncated toward zero; the sums are held to the int range.
    auto at = [](double base, double offset) {
        return HoldDoubleToRange(base + std::trunc(offset), INT32_MIN, INT32_MAX);
    };
    const double width_left = static_cast<double>(record->width) - source_x;
    const double height_left = static_cast<double>(record->height) - source_y;
    int left = 0, right = 0, top = 0, bottom = 0;
    if (!mirror_x) {
        left = at(box.left, -std::trunc(source_x * sx));
        right = at(box.left, width_left * sx);
    } else {
        left = at(box.right, source_x * sx);
        right = at(box.right, -std::trunc(width_left * sx));
    }
    if (!mirror_y) {
        top = at(box.top, -std::trunc(source_y * sy));
        bottom = at(box.top, height_left * sy);
    } else {
        top = at(box.bottom, source_y * sy);
        bottom = at(box.bottom, -std::trunc(height_left * sy));
    }
    return DrawGraphStretched(left, top, right, bottom, graph, transparent);
}

int DrawFilledBox(int x1, int y1, int x2, int y2, std::uint32_t colour) {
    DrawSettingsBlock* settings = GetDrawSettings();
    if (settings->graphics_off || settings->empty_area) return 0;
    if (!IsWindowActive()) GetShellHooks()->wait_while_inactive();
    const DrawFrame frame = BeginDraw(OrderedRect(x1, y1, x2, y2));
    int result = 0;
    if (BoxesOnThreeD()) {
        const bool subtract = SubtractOnThreeD();
        if (subtract) SubtractBlendPrologue(&frame.work);
        result = DrawFillBoxD3D(*GetDrawSettings(), x1, y1, x2, y2, colour);
        if (subtract) SubtractBlendEpilogue(&frame.work);
    } else {
        result = DrawFillBoxSoft(x1, y1, x2, y2, colour);
    }
    EndDraw(frame);
    return result;
}

int DrawBoxOutline(int x1, int y1, int x2, int y2, std::uint32_t colour) {
    DrawSettingsBlock* settings = GetDrawSettings();
    if (settings->graphics_off || settings->empty_area) return 0;
    if (!IsWindowActive()) GetShellHooks()->wait_while_inactive();
    const DrawFrame frame = BeginDraw(OrderedRect(x1, y1, x2, y2));
    int result = 0;
    if (BoxesOnThreeD() && settings->outline_switch == 0) {
        const bool subtract = SubtractOnThreeD();
        if (subtract) SubtractBlendPrologue(&frame.work);
        result = DrawLineBoxD3D(*GetDrawSettings(), x1, y1, x2, y2, colour);
        if (subtract) SubtractBlendEpilogue(&frame.work);
    } else {
        result = DrawLineBoxSoft(x1, y1, x2, y2, colour);
    }
    EndDraw(frame);
    return result;
}

int SubtractBlendPrologue(const RECT* rect) {
    const int value = GetDrawSettings()->blend_value;
    InvertRect(*rect);
    SetBlendModeAndValue(kBlendAddByAlpha, value);
    return 0;
}

int SubtractBlendEpilogue(const RECT* rect) {
    const int value = GetDrawSettings()->blend_value;
    InvertRect(*rect);
    SetBlendModeAndValue(kBlendSubtract, value);
    return 0;
}

int DrawRectangle(int x1, int y1, int x2, int y2, std::uint32_t colour, int fill) {
    return fill ? DrawFilledBox(x1, y1, x2, y2, colour) : DrawBoxOutline(x1, y1, x2, y2, colour);
}

int GetDrawScreenGraph(int x1, int y1, int x2, int y2, int graph, int flag) {
    if (GetDrawSettings()->graphics_off) return 0;
    const GraphRecord* record = GetGraphRecord(graph);
    if (record == nullptr) return -1;
    GetShellHooks()->wait_while_inactive();
    EndSceneD3D();
    if (record->creation.texture) return GetDrawScreenGraphD3D(*GetDrawSettings(), x1, y1, x2, y2, record, flag);
    return GetDrawScreenGraphSoft(x1, y1, x2, y2, record, flag);
}
