// The table through which the graphics core reaches the font room: the defaults, which
// answer as if no font and no on-screen log existed, and the installed table.
#include "engine/graphics/graphics.h"

namespace {

int DoNothing() { return 0; }
int NoDefaultFont(int*, int*) { return -1; }
int SetNothing(int, int) { return 0; }

constexpr GraphicsFontHooks kDefaults{
    DoNothing, DoNothing, DoNothing, NoDefaultFont, SetNothing, DoNothing, DoNothing, DoNothing,
};

GraphicsFontHooks g_hooks = kDefaults;

}  // namespace

const GraphicsFontHooks* GetGraphicsFontHooks() { return &g_hooks; }

void InstallGraphicsFontHooks(const GraphicsFontHooks* hooks) { g_hooks = hooks != nullptr ? *hooks : kDefaults; }
