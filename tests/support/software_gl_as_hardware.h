// For the test programs of the 3-D path: Mesa's GL on a machine without GPU renders on the
// CPU, which the 3-D object offers as the software-emulation device the engine does not
// take. Registered once in a program (AddGlobalTestEnvironment), this counts such a GL as
// the hardware device for every test of the program; a test of the software-emulation
// device turns it off for itself with CountSoftwareGlAsHardware(false).
#pragma once

#include <gtest/gtest.h>

#include "platform/testing/gl_testing.h"

class SoftwareGlAsHardware : public ::testing::Environment {
public:
    void SetUp() override { platform_hooks::CountCpuGlAsHardware(true); }
    void TearDown() override { platform_hooks::CountCpuGlAsHardware(false); }
};
