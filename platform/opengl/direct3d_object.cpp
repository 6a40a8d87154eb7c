// The Direct3D object of the 3-D stand-in, answered by the DirectDraw object for
// IID_IDirect3D7 while an OpenGL 3.3 core context can be made: one device (hardware, or
// software emulation where GL renders on the CPU), one 16-bit depth format (or the device
// a test offers), devices made on video-memory surfaces.
#include <new>
#include <string>

#include "platform/opengl/d3d_device.h"
#include "platform/opengl/device_call_log.h"
#include "platform/opengl/gl_backend.h"
#include "platform/opengl/offered_device.h"

const IID IID_IDirect3DTnLHalDevice = {0x5f0b7a40, 0x1c2e, 0x4d6a, {0x9a, 0x10, 0x3e, 0x52, 0x70, 0x01, 0xd0, 0x07}};
const IID IID_IDirect3DHALDevice = {0x5f0b7a41, 0x1c2e, 0x4d6a, {0x9a, 0x10, 0x3e, 0x52, 0x70, 0x01, 0xd0, 0x07}};
const IID IID_IDirect3DRGBDevice = {0x5f0b7a43, 0x1c2e, 0x4d6a, {0x9a, 0x10, 0x3e, 0x52, 0x70, 0x01, 0xd0, 0x07}};
const IID IID_IDirect3DDevice7 = {0x5f0b7a42, 0x1c2e, 0x4d6a, {0x9a, 0x10, 0x3e, 0x52, 0x70, 0x01, 0xd0, 0x07}};

namespace gl_backend {
namespace {

// The one device answers for each of the device GUIDs, whichever of them is enumerated.
bool IsDeviceGuid(REFCLSID device) {
    return device == IID_IDirect3DTnLHalDevice || device == IID_IDirect3DHALDevice || device == IID_IDirect3DRGBDevice;
}

class Direct3DObject final : public IDirect3D7 {
public:
    explicit Direct3DObject(IDirectDraw7* owner) : owner_(owner) { owner_->AddRef(); }

    HRESULT QueryInterface(REFIID iid, void** object) override {
        return QueryOneInterface<IDirect3D7>(this, iid, IID_IDirect3D7, object);
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override {
        const ULONG left = --refs_;
        if (left == 0) delete this;
        return left;
    }

    HRESULT EnumDevices(LPD3DENUMDEVICESCALLBACK7 callback, void* context) override {
        if (callback == nullptr) return DDERR_INVALIDPARAMS;
        D3DDEVICEDESC7 desc = OfferedDeviceDescription();
        const OfferedDeviceNames names = OfferedNames();
        std::string description = names.description;
        std::string name = names.name;
        callback(description.data(), name.data(), &desc, context);
        return D3D_OK;
    }

    HRESULT EnumZBufferFormats(REFCLSID device, LPD3DENUMPIXELFORMATSCALLBACK callback, void* context) override {
        if (callback == nullptr) return DDERR_INVALIDPARAMS;
        if (!IsDeviceGuid(device)) return DDERR_INVALIDPARAMS;
        if (!OfferedDepthFormat()) return D3D_OK;
        DDPIXELFORMAT format{};
        format.dwSize = sizeof(format);
        format.dwFlags = DDPF_ZBUFFER;
        format.dwZBufferBitDepth = 16;
        format.dwZBitMask = 0xFFFF;
        callback(&format, context);
        return D3D_OK;
    }

    HRESULT CreateDevice(REFCLSID device, IDirectDrawSurface7* target, IDirect3DDevice7** created) override {
        const HRESULT result = CreateDeviceUnlogged(device, target, created);
        LogDeviceCall(platform_hooks::GlDeviceCallKind::kCreateDevice, created != nullptr ? *created : nullptr, 0, 0, 0,
                      0, target, result);
        return result;
    }

private:
    HRESULT CreateDeviceUnlogged(REFCLSID device, IDirectDrawSurface7* target, IDirect3DDevice7** created) {
        if (created == nullptr) return DDERR_INVALIDPARAMS;
        *created = nullptr;
        if (!IsDeviceGuid(device)) return DDERR_INVALIDPARAMS;
        GlSurface* surface = GlSurface::From(target);
        // The device draws into video memory only.
        if (surface == nullptr || surface->is_depth()) return DDERR_INVALIDPARAMS;
        const HRESULT usable = surface->UsableResult();
        if (usable != DD_OK) return usable;
        return Direct3DDevice::Create(surface, created);
    }

    ~Direct3DObject() {
        ReleaseContext();
        owner_->Release();
    }

    ULONG refs_ = 1;
    IDirectDraw7* owner_;
};

}  // namespace

HRESULT CreateDirect3D(IDirectDraw7* owner, void** object) {
    *object = nullptr;
    if (!AcquireContext()) return E_NOINTERFACE;
    auto* created = new (std::nothrow) Direct3DObject(owner);
    if (created == nullptr) {
        ReleaseContext();
        return E_OUTOFMEMORY;
    }
    *object = static_cast<IDirect3D7*>(created);
    return S_OK;
}

}  // namespace gl_backend
