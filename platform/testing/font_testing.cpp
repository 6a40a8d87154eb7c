// Test hooks of the GDI font layer, over the platform's seams.
#include "platform/testing/font_testing.h"

#include "platform/gdi_font_hooks.h"

namespace font_testing {

void SetFixedGlyph(unsigned character, const FixedGlyph& glyph) {
    platform_hooks::SetFixedGlyph(character, platform_hooks::FixedGlyph{glyph.width, glyph.height, glyph.origin_x,
                                                                       glyph.origin_y, glyph.advance, glyph.levels});
}
void ClearFixedGlyphs() { platform_hooks::ClearFixedGlyphs(); }
int LiveFontCount() { return platform_hooks::LiveFontCount(); }

}  // namespace font_testing
