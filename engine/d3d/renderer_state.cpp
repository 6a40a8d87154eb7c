// The renderer's one state record and its four device records, with the look-ups every
// other file of the room goes through: a device handle is the index of its record, and a
// record counts only while it is in use and the Direct3D object exists.
#include "engine/d3d/d3d_state.h"

namespace {

D3DRendererState g_state;
D3DDeviceRecord g_devices[kD3DDeviceRecords];
D3DGraphicsHooks g_graphics{};  // filled by the graphics core before it starts the renderer

}  // namespace

int g_direct3d_renderer_enabled = 1;  // Direct3D is the default path wherever it can be opened

D3DRendererState& D3DState() { return g_state; }
D3DDeviceRecord* D3DDeviceRecords() { return g_devices; }

void InstallD3DGraphicsHooks(const D3DGraphicsHooks& hooks) { g_graphics = hooks; }
const D3DGraphicsHooks& GraphicsCore() { return g_graphics; }

D3DDeviceRecord* GetD3DDeviceRecord(int device) {
    if (g_state.direct3d == nullptr || device < 0 || device >= kD3DDeviceRecords) return nullptr;
    D3DDeviceRecord* record = &g_devices[device];
    return record->in_use ? record : nullptr;
}

D3DDeviceRecord* CurrentD3DDeviceRecord() { return GetD3DDeviceRecord(g_state.current_device); }

int IsDirect3DRendererEnabled() { return g_direct3d_renderer_enabled; }

int IsDirect3DUp() { return g_state.direct3d != nullptr ? 1 : 0; }
int IsD3DDeviceUnavailable() { return g_state.device_unavailable != 0 ? 1 : 0; }

IDirect3DDevice7* GetCurrentD3DDevice() {
    const int device = g_state.current_device;
    if (device < 0 || device >= kD3DDeviceRecords) return nullptr;
    return g_devices[device].device;
}
