// Direct3D as seen before the renderer exists: never initialised.
#include "engine/d3d/direct3d_startup_seam.h"

int RestoreAllSurface3DTextures() { return -1; }
int ReleaseDirect3DObject() { return -1; }
