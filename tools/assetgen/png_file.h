// Writes a picture as an 8-bit RGB, non-interlaced PNG file (no time stamp, so the bytes
// depend on the pixels only). Relies on libpng and canvas.h.
#pragma once

#include <string>

#include "canvas.h"

// False (with a message on stderr) when the file cannot be written.
bool WritePng(const std::string& path, const Canvas& canvas);
