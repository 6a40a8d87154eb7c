// The set-up of a test program of the 3-D path, included by one source of the program.
// Before anything starts SDL the off-screen driver is chosen: it carries GL where the dummy
// driver (what the test runner sets) does not; a test that wants a real display sets its
// own. And Mesa's GL on a machine without GPU renders on the CPU, which the 3-D object
// offers as the software-emulation device the engine does not take: registered once in the
// program (AddGlobalTestEnvironment), SoftwareGlAsHardware counts such a GL as the hardware
// device for every test of the program; a test of the software-emulation device turns it
// off for itself with CountSoftwareGlAsHardware(false).
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "platform/testing/gl_testing.h"

class SoftwareGlAsHardware : public ::testing::Environment {
public:
    void SetUp() override { platform_hooks::CountCpuGlAsHardware(true); }
    void TearDown() override { platform_hooks::CountCpuGlAsHardware(false); }
};

namespace gl_test_program {

inline const bool g_offscreen_driver = [] {
    const char* driver = std::getenv("SDL_VIDEODRIVER");
    if (driver == nullptr || std::strcmp(driver, "dummy") == 0) setenv("SDL_VIDEODRIVER", "offscreen", 1);
    return true;
}();

inline ::testing::Environment* const g_software_gl_as_hardware =
    ::testing::AddGlobalTestEnvironment(new SoftwareGlAsHardware);

}  // namespace gl_test_program
