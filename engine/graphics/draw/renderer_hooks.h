// Fills the 3-D renderer's table of what it asks of the graphics core (renderer_hooks.cpp).
#pragma once

void InstallRendererHooks();
