// Direct3D as seen before the renderer exists: never initialised.
#include "engine/d3d/direct3d_startup_seam.h"

int RestoreAllSurface3DTextures() { return -1; }
int ReleaseDirect3DObject() { return -1; }
int AcquireDirect3DObject() { return 0; }
int SetWorldMatrixD3D(const float*, int) { return -1; }
int SetViewMatrixD3D(const float*) { return -1; }
int SetProjectionMatrixD3D(const float*) { return -1; }
int NotifyDirect3DStateChange() { return 0; }
