// A graph as the draw target: the piece's software image becomes the target MEMIMG, a
// piece of a shared image through a view of its own rectangle (so drawing into a
// derived graph lands in its own pixels), a DirectDraw image becomes the target surface
// at the piece's origin, and a texture graph's first texture piece names the texture
// surface and the origin inside it. Relies on the graph table, 2-D surfaces, surface data
// and the texture pieces of the 3-D door.
#include "engine/graphics/graphs/graph_draw_target.h"

#include "engine/d3d/d3d.h"
#include "engine/graphics/graphs/graph_handles.h"
#include "engine/graphics/graphs/surface_2d.h"
#include "engine/graphics/graphs/surface_data.h"

namespace {

MEMIMG g_target_view;

bool IsWholeImage(const Surface2D* piece, const MEMIMG& image) {
    return piece->source_x == 0 && piece->source_y == 0 && piece->width == image.width &&
           piece->height == image.height;
}

}  // namespace

int SelectGraphDrawTarget(int graph, ScreenState* screen) {
    if (IsMemImgValid(&g_target_view)) ReleaseMemImg(&g_target_view);
    screen->target_image = nullptr;
    const GraphRecord* record = GetGraphRecord(graph);
    if (record == nullptr) return -1;
    if (record->creation.texture) {
        // The texture surface holding the first piece, at the piece's place in it; the
        // depth image stays as it was.
        int surface_data = -1;
        int x = 0;
        int y = 0;
        if (GetSurface3DDataPlace(record->pieces[0], &surface_data, &x, &y) != 0) return -1;
        const SurfaceData* data = GetSurfaceData(surface_data);
        if (data == nullptr) return -1;
        screen->target_surface = data->surface;
        screen->target_x = x;
        screen->target_y = y;
        NotifyDirect3DStateChange();
        return 0;
    }
    const Surface2D* piece = GetSurface2DRecord(record->pieces[0]);
    if (piece == nullptr) return -1;
    SurfaceData* data = GetSurfaceData(piece->surface_data);
    if (data == nullptr) return -1;
    if (data->software && IsMemImgValid(&data->color_image)) {
        if (IsWholeImage(piece, data->color_image)) {
            screen->target_image = &data->color_image;
        } else {
            CreateMemImgView(&g_target_view, &data->color_image, piece->source_x, piece->source_y, piece->width,
                             piece->height);
            if (!IsMemImgValid(&g_target_view)) return -1;
            screen->target_image = &g_target_view;
        }
        screen->target_surface = nullptr;
        screen->target_x = screen->target_y = 0;
    } else {
        screen->target_surface = data->surface;
        screen->target_x = piece->source_x;
        screen->target_y = piece->source_y;
    }
    screen->target_depth_image = IsMemImgValid(&data->z_image) ? &data->z_image : nullptr;
    return 0;
}

void ReleaseGraphDrawTarget() {
    ScreenState* screen = GetScreenState();
    if (screen->target_image == &g_target_view) screen->target_image = nullptr;
    if (IsMemImgValid(&g_target_view)) ReleaseMemImg(&g_target_view);
}

int ClearGraphDrawTarget(int graph, std::uint32_t red, std::uint32_t green, std::uint32_t blue) {
    const GraphRecord* record = GetGraphRecord(graph);
    if (record == nullptr) return -1;
    if (record->creation.texture) return 0;
    const Surface2D* piece = GetSurface2DRecord(record->pieces[0]);
    if (piece == nullptr) return -1;
    SurfaceData* data = GetSurfaceData(piece->surface_data);
    if (data == nullptr) return -1;
    if (data->software) {
        if (!IsMemImgValid(&data->color_image)) return -1;
        if (IsMemImgValid(&data->z_image)) FillMemImgRectRaw(&data->z_image, nullptr, 0xFFFF);
        MEMIMG view{};
        MEMIMG* image = &data->color_image;
        if (!IsWholeImage(piece, data->color_image)) {
            CreateMemImgView(&view, &data->color_image, piece->source_x, piece->source_y, piece->width, piece->height);
            if (!IsMemImgValid(&view)) return -1;
            image = &view;
        }
        FillMemImgRectRaw(image, nullptr, MakeColorValueInFormat(image->block->format, red, green, blue, 255));
        if (IsMemImgValid(&view)) ReleaseMemImg(&view);
        return 0;
    }
    // A DirectDraw image: its attached depth surface is filled with 0xFFFF and its colour
    // with the background in the screen's format, both over the piece's own rectangle so
    // other pieces of a shared image keep their pixels.
    if (data->surface == nullptr) return -1;
    RECT area{piece->source_x, piece->source_y, piece->source_x + piece->width, piece->source_y + piece->height};
    DDBLTFX fx{};
    fx.dwSize = sizeof(fx);
    if (data->attached_surface != nullptr) {
        fx.dwFillDepth = 0xFFFF;
        data->attached_surface->Blt(&area, nullptr, nullptr, DDBLT_DEPTHFILL | DDBLT_WAIT, &fx);
    }
    fx.dwFillColor = MakeColorValueInFormat(GetScreenColorFormat(), red, green, blue, 255);
    return FAILED(data->surface->Blt(&area, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx)) ? -1 : 0;
}
