// The display rebuild as seen before it is built: it does nothing.
#include "engine/graphics/screen_startup_seam.h"

int RebuildDisplayObjects() { return 0; }
