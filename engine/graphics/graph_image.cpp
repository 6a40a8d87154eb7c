// Image records: blank-image makers, release, mirror, clear, single-pixel access and
// the DIB header-and-bits bridge. Relies on the colour formats, the conversion blit and
// the tracked allocator, which owns every pixel block.
#include "engine/graphics/graph_image.h"

#include <cstring>

#include "engine/core/tracked_alloc.h"
#include "engine/graphics/conversion_blit.h"

namespace {

// Stores the size and a pitch rounded up to 4, then allocates the pixels.
int AllocateBlankImage(int width, int height, GraphImage* image) {
    image->width = width;
    image->height = height;
    image->pixels = nullptr;
    if (width < 0 || height < 0) {
        image->pitch = 0;
        return -1;
    }
    const std::uint64_t pitch = (static_cast<std::uint64_t>(width) * image->format.bytes_per_pixel + 3) / 4 * 4;
    const std::uint64_t bytes = pitch * static_cast<std::uint64_t>(height);
    if (pitch > 0x7FFFFFFF || bytes > kGraphImageMaxBytes) {
        image->pitch = 0;
        return -1;
    }
    image->pitch = static_cast<std::int32_t>(pitch);
    image->pixels = TrackedAlloc(static_cast<std::uint32_t>(bytes), __FILE__, __LINE__);
    return image->pixels == nullptr ? -1 : 0;
}

void StorePixel(unsigned char* p, int bytes, std::uint32_t value) {
    p[0] = static_cast<unsigned char>(value);
    if (bytes >= 2) p[1] = static_cast<unsigned char>(value >> 8);
    if (bytes >= 3) p[2] = static_cast<unsigned char>(value >> 16);
    if (bytes >= 4) p[3] = static_cast<unsigned char>(value >> 24);
}

unsigned char* PixelAddress(const GraphImage* image, std::uint32_t x, std::uint32_t y) {
    return static_cast<unsigned char*>(image->pixels) + static_cast<std::ptrdiff_t>(y) * image->pitch +
           static_cast<std::ptrdiff_t>(x) * image->format.bytes_per_pixel;
}

bool Inside(const GraphImage* image, std::uint32_t x, std::uint32_t y) {
    return image->pixels != nullptr && x < static_cast<std::uint32_t>(image->width) &&
           y < static_cast<std::uint32_t>(image->height);
}

}  // namespace

int CreateXrgb32GraphImage(int width, int height, GraphImage* image) {
    SetXrgb32ColorFormat(&image->format);
    return AllocateBlankImage(width, height, image);
}

int CreateArgb32GraphImage(int width, int height, GraphImage* image) {
    SetArgb32ColorFormat(&image->format);
    return AllocateBlankImage(width, height, image);
}

int CreateRgb24GraphImage(int width, int height, GraphImage* image) {
    SetRgb24ColorFormat(&image->format);
    return AllocateBlankImage(width, height, image);
}

int FreeGraphImage(GraphImage* image) {
    if (image->pixels != nullptr) TrackedFree(image->pixels);
    std::memset(image, 0, sizeof *image);
    return 0;
}

int MirrorGraphImage(GraphImage* image) {
    if (image->width <= 0 || image->height <= 0 || image->pixels == nullptr) return -1;
    const int bytes = image->format.bytes_per_pixel;
    if (bytes < 1 || bytes > 4) return 0;
    for (int y = 0; y < image->height; ++y) {
        unsigned char* row = static_cast<unsigned char*>(image->pixels) + static_cast<std::ptrdiff_t>(y) * image->pitch;
        for (int i = 0; i < image->width / 2; ++i) {
            unsigned char* left = row + i * bytes;
            unsigned char* right = row + (image->width - 1 - i) * bytes;
            for (int b = 0; b < bytes; ++b) {
                const unsigned char t = left[b];
                left[b] = right[b];
                right[b] = t;
            }
        }
    }
    return 0;
}

int ClearGraphImage(GraphImage* image, std::uint32_t red, std::uint32_t green, std::uint32_t blue,
                    std::uint8_t alpha) {
    const int bytes = image->format.bytes_per_pixel;
    if (bytes < 2 || bytes > 4 || image->pixels == nullptr) return 0;
    const std::uint32_t value = MakeColorValueInFormat(&image->format, red, green, blue, alpha);
    for (int y = 0; y < image->height; ++y) {
        for (int x = 0; x < image->width; ++x) {
            StorePixel(PixelAddress(image, static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y)), bytes, value);
        }
    }
    return 0;
}

int SetGraphImagePixel(GraphImage* image, std::uint32_t x, std::uint32_t y, std::uint32_t red, std::uint32_t green,
                       std::uint32_t blue, std::uint8_t alpha) {
    if (!Inside(image, x, y)) return -1;
    const int bytes = image->format.bytes_per_pixel;
    if (bytes < 1 || bytes > 4) return 0;
    StorePixel(PixelAddress(image, x, y), bytes, MakeColorValueInFormat(&image->format, red, green, blue, alpha));
    return 0;
}

int GetGraphImagePixelRGBA(const GraphImage* image, std::uint32_t x, std::uint32_t y, std::uint32_t* red,
                           std::uint32_t* green, std::uint32_t* blue, std::uint32_t* alpha) {
    if (!Inside(image, x, y)) return -1;
    const int bytes = image->format.bytes_per_pixel;
    const unsigned char* p = PixelAddress(image, x, y);
    if (bytes == 1) {
        const ColorPaletteEntry& e = image->format.palette[p[0]];
        if (red != nullptr) *red = e.red;
        if (green != nullptr) *green = e.green;
        if (blue != nullptr) *blue = e.blue;
        if (alpha != nullptr) *alpha = e.reserved;
        return 0;
    }
    if (bytes < 2 || bytes > 4) return -1;
    std::uint32_t v = 0;
    for (int b = bytes - 1; b >= 0; --b) v = v << 8 | p[b];
    return SplitColorValueInFormat(&image->format, v, red, green, blue, alpha);
}

int ConvertGraphImageToDIB(const GraphImage* image, BITMAPINFO* info, void** bits, int force_copy,
                           int force_true_color) {
    std::memset(info, 0, sizeof(BITMAPINFOHEADER) + sizeof(RGBQUAD));
    BITMAPINFOHEADER& h = info->bmiHeader;
    h.biSize = sizeof(BITMAPINFOHEADER);
    h.biWidth = image->width;
    h.biHeight = -image->height;
    h.biPlanes = 1;
    h.biCompression = BI_RGB;
    const auto* source = static_cast<const unsigned char*>(image->pixels);
    const std::size_t rows = image->height > 0 ? static_cast<std::size_t>(image->height) : 0;
    const std::size_t width = image->width > 0 ? static_cast<std::size_t>(image->width) : 0;

    if (image->format.bit_depth == 8 && force_true_color == 0) {
        h.biBitCount = 8;
        std::memcpy(reinterpret_cast<unsigned char*>(info) + sizeof(BITMAPINFOHEADER), image->format.palette,
                    sizeof image->format.palette);
        const std::size_t row_bytes = (width + 3) / 4 * 4;
        if (force_copy != 1 && row_bytes == static_cast<std::size_t>(image->pitch)) {
            *bits = image->pixels;
            return force_copy;
        }
        auto* block = static_cast<unsigned char*>(TrackedAlloc(static_cast<std::uint32_t>(row_bytes * rows), __FILE__, __LINE__));
        *bits = block;
        if (block == nullptr) return -1;
        for (std::size_t y = 0; y < rows; ++y) std::memcpy(block + y * row_bytes, source + y * image->pitch, width);
        return 1;
    }

    h.biBitCount = 24;
    const std::size_t row_bytes = (width * 3 + 3) / 4 * 4;
    const ColorFormat& f = image->format;
    const bool is_rgb24 = f.bit_depth == 24 && f.red_mask == 0x00FF0000u && f.green_mask == 0x0000FF00u &&
                          f.blue_mask == 0x000000FFu;
    if (is_rgb24 && force_copy != 1 && row_bytes == static_cast<std::size_t>(image->pitch)) {
        *bits = image->pixels;
        return force_copy;
    }
    auto* block = static_cast<unsigned char*>(TrackedAlloc(static_cast<std::uint32_t>(row_bytes * rows), __FILE__, __LINE__));
    *bits = block;
    if (block == nullptr) return -1;
    if (is_rgb24 && force_copy != 1) {
        for (std::size_t y = 0; y < rows; ++y) std::memcpy(block + y * row_bytes, source + y * image->pitch, width * 3);
        return 1;
    }
    ColorFormat rgb24{};
    SetRgb24ColorFormat(&rgb24);
    const RECT all{0, 0, image->width, image->height};
    ConvertColorBlt(block, static_cast<int>(row_bytes), &rgb24, image->pixels, image->pitch, &image->format, nullptr, 0,
                    nullptr, 0, 0, &all, 0, 0, 0, 0, 0, 0, 0, 0);
    return 1;
}
