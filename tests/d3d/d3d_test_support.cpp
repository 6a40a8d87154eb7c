// Before anything starts SDL: the off-screen driver carries GL where the dummy driver (what
// the test runner sets) does not.
#include "tests/d3d/d3d_test_support.h"

#include <cstdlib>
#include <cstring>

namespace {

struct OffscreenDriver {
    OffscreenDriver() {
        const char* driver = std::getenv("SDL_VIDEODRIVER");
        if (driver == nullptr || std::strcmp(driver, "dummy") == 0) setenv("SDL_VIDEODRIVER", "offscreen", 1);
    }
} g_offscreen_driver;

}  // namespace
