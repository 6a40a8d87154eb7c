// Light handles: up to 4,096 directional-light records in the Direct3D 7 light layout,
// made by the draw-settings reset (the default light) and deleted with the graphics. No
// light reaches a device; the table is bookkeeping. A full table refuses a new light.
// Relies on core's handle values and tracked allocator.
#include <cmath>

#include "engine/core/core.h"
#include "engine/d3d/d3d_state.h"

LightTable g_lights;

namespace {

int SlotOfHandle(int handle) {
    if (handle < 0 || (static_cast<std::uint32_t>(handle) & 0x78000000u) != kLightHandleKindValue) return -1;
    const int slot = handle & kHandleSlotMask;
    if (slot >= kLightSlots || g_lights.records[slot] == nullptr) return -1;
    if (!HandleCheckMatches(g_lights.records[slot]->check, handle)) return -1;
    return slot;
}

}  // namespace

LightData* GetLightData(int handle) {
    const int slot = SlotOfHandle(handle);
    return slot < 0 ? nullptr : g_lights.records[slot];
}

int CreateLightHandle() {
    int slot = g_lights.end_mark;
    if (slot >= kLightSlots) {
        for (slot = 0; slot < kLightSlots && g_lights.records[slot] != nullptr; ++slot) {
        }
        if (slot >= kLightSlots) return -1;  // every slot holds a light
    }
    auto* light = static_cast<LightData*>(TrackedCalloc(sizeof(LightData), __FILE__, __LINE__));
    if (light == nullptr) FatalErrorExit("ライト用のメモリの確保に失敗しました");
    for (int c = 0; c < 4; ++c) {
        light->light.diffuse[c] = 1.0f;
        light->light.specular[c] = 1.0f;
        light->light.ambient[c] = 0.33f;
    }
    light->device_index = -1;
    light->check = static_cast<std::uint32_t>(g_lights.next_check);
    g_lights.next_check = g_lights.next_check >= kHandleCheckCountLimit - 1 ? 0 : g_lights.next_check + 1;
    light->handle = MakeHandleValue(kHandleKindLight, light->check, slot);
    g_lights.records[slot] = light;
    ++g_lights.count;
    if (slot == g_lights.end_mark) ++g_lights.end_mark;
    light->enabled = 1;
    light->changed = 1;
    g_lights.lights_changed = 1;
    return light->handle;
}

int CreateDirectionalLight(float x, float y, float z) {
    const int handle = CreateLightHandle();
    LightData* light = GetLightData(handle);
    if (light == nullptr) return -1;
    light->light.type = 3;
    const float scale = 1.0f / std::sqrt(x * x + y * y + z * z);
    light->light.direction[0] = scale * x;
    light->light.direction[1] = scale * y;
    light->light.direction[2] = scale * z;
    return handle;
}

int DeleteLightHandle(int handle) {
    const int slot = SlotOfHandle(handle);
    if (slot < 0) return -1;
    --g_lights.count;
    if (slot == g_lights.end_mark - 1) {
        int mark = slot;
        while (mark > 0 && g_lights.records[mark - 1] == nullptr) --mark;
        g_lights.end_mark = mark;
    }
    TrackedFree(g_lights.records[slot]);
    g_lights.records[slot] = nullptr;
    g_lights.lights_changed = 1;
    return 0;
}

int DeleteAllLightHandles() {
    for (int slot = 0; slot < g_lights.end_mark; ++slot) {
        if (g_lights.records[slot] != nullptr) DeleteLightHandle(g_lights.records[slot]->handle);
    }
    return 0;
}

int DeleteAllLights() { return DeleteAllLightHandles(); }
