// What the font room's string drawing asks of the graphics core: the draw target's image,
// the font's screen-sized 2-D surface (made, read and drawn untinted) and whether the
// software front image must be read back first.
#include <algorithm>
#include <cstring>

#include "engine/core/core.h"
#include "engine/graphics/draw/draw_dispatch.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/graphs/surface_2d.h"
#include "engine/graphics/graphs/surface_data.h"
#include "engine/graphics/screen/screen_state.h"
#include "engine/pixels/pixels.h"

MEMIMG* GetDrawTargetImage() {
    MEMIMG* image = GetScreenState()->target_image;
    return image != nullptr && IsMemImgValid(image) ? image : nullptr;
}

int IsFrontImageStale() { return GetScreenState()->front_image_stale; }

int AddFontScreenSurface2D(int alpha_channel, std::int32_t* lost_flag) {
    int width = 0, height = 0;
    ReadScreenSize(&width, &height);
    if (width <= 0 || height <= 0 || width > 0xFFFF || height > 0xFFFF) return -1;
    GraphCreationBytes creation{};
    creation.texture = 0;
    creation.alpha_channel = static_cast<std::uint8_t>(alpha_channel ? 1 : 0);
    creation.drawable = 0;
    creation.system_memory = 1;
    creation.alpha_test = 0;
    creation.bit_depth = static_cast<std::uint8_t>(GetScreenBitDepth());
    const int handle = AddSurface2D(static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height), 0, 0, -1,
                                    nullptr, 0, 0, &creation);
    if (handle < 0) return -1;
    SetSurface2DLostFlagPointer(handle, lost_flag);
    return handle;
}

MEMIMG* GetSurface2DColorImage(int surface) {
    const Surface2D* piece = GetSurface2DRecord(surface);
    SurfaceData* data = piece != nullptr ? GetSurfaceData(piece->surface_data) : nullptr;
    if (data == nullptr || !IsMemImgValid(&data->color_image)) return nullptr;
    return &data->color_image;
}

int DrawSurface2DUntinted(int x, int y, int surface, const RECT& area) {
    // The live settings stay as they are: the draw gets a copy, white-bright, over `area`.
    DrawSettingsBlock settings = *GetDrawSettings();
    settings.bright[0] = settings.bright[1] = settings.bright[2] = 255;
    settings.draw_area = area;
    return DrawSurface2DSoftWith(settings, x, y, surface, 1);
}
