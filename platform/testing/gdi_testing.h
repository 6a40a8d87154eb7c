// Test hooks of the GDI layer: the count of bitmaps and DIB sections not yet deleted, and
// CreateDIBSection made to fail a number of times as if memory ran out.
#pragma once

namespace gdi_testing {
int LiveBitmapCount();
void FailNextDIBSections(int count);
}  // namespace gdi_testing
