// Temporary files: a new, empty file in the system's temporary folder, opened for writing.
#pragma once

#include "platform/kernel_types.h"

// The handle of the new file (the caller owns it and the file), its full path copied to
// `path` (260 bytes) when given; null on failure.
HANDLE CreateTempFile(char* path);
