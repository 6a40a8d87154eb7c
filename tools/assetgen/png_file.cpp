// PNG output of the asset generator through libpng's simplified writer, which stores
// the pixels, the header and nothing that changes between runs.
// Relies on libpng and canvas.h.
#include "png_file.h"

#include <png.h>

#include <cstdio>
#include <cstring>
#include <vector>

bool WritePng(const std::string& path, const Canvas& canvas) {
    std::vector<uint8_t> bytes(size_t(canvas.width) * canvas.height * 3);
    for (size_t i = 0; i < canvas.pixels.size(); ++i) {
        bytes[i * 3 + 0] = canvas.pixels[i].r;
        bytes[i * 3 + 1] = canvas.pixels[i].g;
        bytes[i * 3 + 2] = canvas.pixels[i].b;
    }
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = png_uint_32(canvas.width);
    image.height = png_uint_32(canvas.height);
    image.format = PNG_FORMAT_RGB;
    if (!png_image_write_to_file(&image, path.c_str(), 0, bytes.data(), 0, nullptr)) {
        std::fprintf(stderr, "assetgen: cannot write %s: %s\n", path.c_str(), image.message);
        png_image_free(&image);
        return false;
    }
    return true;
}
