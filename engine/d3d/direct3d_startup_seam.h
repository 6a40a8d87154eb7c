// The Direct3D operations that the window procedure calls on activation changes,
// answered as "Direct3D not up" until the Direct3D renderer is built.
#pragma once

int RestoreAllSurface3DTextures();
int ReleaseDirect3DObject();
// After a display rebuild: gets the 3-D object, device and textures back; nothing to do
// while 3-D was never started.
int AcquireDirect3DObject();
// The transforms handed to the device (the world setter also takes the index of the world
// matrix), and the notice sent after matrix, draw-target, draw-area and restore changes.
int SetWorldMatrixD3D(const float matrix[16], int index);
int SetViewMatrixD3D(const float matrix[16]);
int SetProjectionMatrixD3D(const float matrix[16]);
int NotifyDirect3DStateChange();
