// The font manager block, for tests.
#include "tests/support/engine_testing/font_testing.h"

FontManagerBlock* GetFontManager() { return &g_font_manager; }
