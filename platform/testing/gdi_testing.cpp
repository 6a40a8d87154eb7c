// Test hooks of the GDI layer, over the platform's seams.
#include "platform/testing/gdi_testing.h"

#include "platform/gdi_hooks.h"

namespace gdi_testing {

int LiveBitmapCount() { return platform_hooks::LiveBitmapCount(); }
void FailNextDIBSections(int count) { platform_hooks::FailNextDIBSections(count); }

}  // namespace gdi_testing
