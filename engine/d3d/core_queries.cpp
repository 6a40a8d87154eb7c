// What the graphics core reads of the renderer's records: the index of the current
// device, the keep-viewport flag the mask screen clears, and where a texture piece lies
// (its SurfaceData and its place in that texture) for a texture graph as draw target.
#include "engine/d3d/d3d_state.h"

int GetCurrentD3DDeviceIndex() { return CurrentD3DDeviceRecord() != nullptr ? D3DState().current_device : -1; }

void SetKeepViewportFlag(int flag) { D3DState().keep_viewport = flag; }

int GetSurface3DDataPlace(int piece, int* surface_data, int* x, int* y) {
    const Surface3DData* data = GetSurface3DData(piece);
    if (data == nullptr) return -1;
    if (surface_data != nullptr) *surface_data = data->surface_data;
    if (x != nullptr) *x = data->texture_x;
    if (y != nullptr) *y = data->texture_y;
    return 0;
}
