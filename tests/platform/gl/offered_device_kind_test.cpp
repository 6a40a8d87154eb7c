// The kind of device the 3-D object offers: the hardware T&L device where GL renders on a
// GPU or a test counts a CPU rasteriser as hardware, the software-emulation device where
// GL renders on the CPU; the device answers to its GUID alike in every case. And which
// renderer strings name a CPU rasteriser.
#include <string>

#include "platform/testing/gl_testing.h"
#include "tests/platform/gl/gl_fixture.h"

namespace {

class OfferedDeviceKind : public GlFixture {};

struct Enumerated {
    std::string description;
    std::string name;
    D3DDEVICEDESC7 desc;
};

HRESULT KeepDevice(char* description, char* name, D3DDEVICEDESC7* desc, void* context) {
    static_cast<std::vector<Enumerated>*>(context)->push_back({description, name, *desc});
    return D3DENUMRET_OK;
}

HRESULT CountFormat(DDPIXELFORMAT*, void* context) {
    ++*static_cast<int*>(context);
    return D3DENUMRET_OK;
}

TEST_F(OfferedDeviceKind, ACpuRasteriserIsOfferedAsTheEmulationDeviceUnlessCountedAsHardware) {
    if (!GlRendersOnCpu()) GTEST_SKIP() << "GL here renders on a GPU";
    struct Case {
        bool counted_as_hardware;
        const IID* guid;
        const char* name;
        const char* description;
    };
    const Case cases[] = {
        {false, &IID_IDirect3DRGBDevice, "Vomur RGB Emulation", "Vomur 3-D device over OpenGL rendered on the CPU"},
        {true, &IID_IDirect3DTnLHalDevice, "Vomur T&L HAL", "Vomur hardware 3-D device over OpenGL"},
    };
    IDirectDrawSurface7* target = Surface(8, 8, kX8R8G8B8);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CountSoftwareGlAsHardware counted(c.counted_as_hardware);
        std::vector<Enumerated> devices;
        ASSERT_EQ(d3d_->EnumDevices(&KeepDevice, &devices), D3D_OK);
        ASSERT_EQ(devices.size(), 1u);
        EXPECT_EQ(devices[0].desc.deviceGUID, *c.guid);
        EXPECT_EQ(devices[0].name, c.name);
        EXPECT_EQ(devices[0].description, c.description);
        EXPECT_EQ(devices[0].desc.dwDeviceRenderBitDepth, DDBD_16 | DDBD_32);

        // The device is made under the GUID it was offered with, and reports that GUID.
        int depth_formats = 0;
        EXPECT_EQ(d3d_->EnumZBufferFormats(*c.guid, &CountFormat, &depth_formats), D3D_OK);
        EXPECT_EQ(depth_formats, 1);
        IDirect3DDevice7* device = nullptr;
        ASSERT_EQ(d3d_->CreateDevice(*c.guid, target, &device), D3D_OK);
        D3DDEVICEDESC7 caps{};
        EXPECT_EQ(device->GetCaps(&caps), D3D_OK);
        EXPECT_EQ(caps.deviceGUID, *c.guid);
        device->Release();
    }
}

TEST(CpuRasteriserName, MesasCpuRasterisersAreToldFromGpus) {
    struct Case {
        const char* renderer;
        bool on_cpu;
    };
    const Case cases[] = {
        {"llvmpipe (LLVM 15.0.7, 256 bits)", true},
        {"softpipe", true},
        {"Software Rasterizer", true},
        {"Mesa DRI swrast", true},
        {"zink Vulkan 1.3(llvmpipe (LLVM 15.0.7, 256 bits) (MESA_LLVMPIPE))", true},
        {"Example GPU (example, LLVM 15.0.7, DRM 3.49)", false},  // a GPU driver built with LLVM
        {"Example Graphics 620 (GT2)", false},
        {"", false},
        {nullptr, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(platform_hooks::IsCpuRasteriserName(c.renderer), c.on_cpu) << (c.renderer ? c.renderer : "null");
    }
}

}  // namespace
