// Fills the graphics core's table of what it asks of the font room.
#include "engine/font/font.h"
#include "engine/graphics/graphics.h"

namespace {

int ReadDefaultFontSize(int* size, int* thickness) {
    const int font = GetDefaultFontHandle();
    if (!IsFontHandleValid(font)) return -1;
    return GetFontHandleSettings(nullptr, size, thickness, font) == 0 ? 0 : -1;
}

int SetDefaultFontSize(int size, int thickness) { return SetDefaultFontSettings(nullptr, size, thickness); }

}  // namespace

void InstallFontGraphicsHooks() {
    GraphicsFontHooks hooks{};
    hooks.initialize_font_settings = InitializeFontSettings;
    hooks.delete_all_fonts = DeleteAllFontHandles;
    hooks.recreate_all_fonts = RecreateAllFonts;
    hooks.read_default_font_size = ReadDefaultFontSize;
    hooks.set_default_font_size = SetDefaultFontSize;
    hooks.start_screen_log = StartScreenLog;
    hooks.is_screen_log_used = IsScreenLogUsed;
    hooks.draw_screen_log = DrawScreenLog;
    InstallGraphicsFontHooks(&hooks);
}
