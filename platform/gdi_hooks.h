// Seams inside the GDI layer for tests of the code that makes bitmaps: the count of
// bitmaps and DIB sections not yet deleted, and CreateDIBSection made to fail as if
// memory ran out. The engine never includes this header; platform/testing/gdi_testing.h
// wraps it for tests.
#pragma once

namespace platform_hooks {

// Bitmaps and DIB sections made and not yet deleted.
int LiveBitmapCount();
// The next `count` calls of CreateDIBSection fail; 0 or less clears.
void FailNextDIBSections(int count);

}  // namespace platform_hooks
