// The display seams that the test hooks drive: lost surfaces and refused display modes
// (the frame capture lives with the presenter).
#include "platform/display_hooks.h"
#include "platform/video/display_internal.h"

namespace platform_hooks {

void MakeDirectDrawSurfacesLost() { display::MakeAllSurfacesLost(); }

void SetRefusedDisplayModes(const std::vector<RefusedMode>& modes, bool all_but_default) {
    std::vector<display::DisplayMode> refused;
    refused.reserve(modes.size());
    for (const RefusedMode& mode : modes) refused.push_back({mode.width, mode.height, mode.bits, mode.refresh});
    display::SetRefusedModes(refused, all_but_default);
}

}  // namespace platform_hooks
