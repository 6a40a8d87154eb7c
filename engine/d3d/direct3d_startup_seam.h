// The Direct3D operations that the window procedure calls on activation changes,
// answered as "Direct3D not up" until the Direct3D renderer is built.
#pragma once

int RestoreAllSurface3DTextures();
int ReleaseDirect3DObject();
