// The Direct3D renderer as the screen code sees it until it is built: the display offers
// no 3-D interface, so start-up is refused and the screen falls back to software
// rendering with GDI output; nothing is ever up, pending or in a scene.
#include "engine/graphics/screen_internal.h"

namespace {
int g_stand_in_starts = 0;
}  // namespace

void SetDirect3DStandInStarts(int starts) { g_stand_in_starts = starts; }

int InitializeDirect3D() {
    IDirectDraw7* object = GetDirectDrawObject();
    if (object == nullptr) return -1;
    if (g_stand_in_starts) return 0;
    IUnknown* direct3d = nullptr;
    if (FAILED(object->QueryInterface(IID_IDirect3D7, reinterpret_cast<void**>(&direct3d)))) return -1;
    direct3d->Release();
    return -1;  // a 3-D object without a renderer behind it is no use
}

int TerminateDirect3D() { return -1; }
int IsDirect3DUp() { return 0; }
void FlushCurrentVertexBatch() {}
void EndSceneD3D() {}
int DeleteAllSurface3DData() { return -1; }
int DeleteAllLights() { return -1; }
