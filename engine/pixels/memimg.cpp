// MEMIMG images: pixel blocks from the tracked allocator shared by reference-counted
// views, their pitch rule, release, the raw rectangle fill and the ten cached formats.
// Relies on the colour-format and pixel-format builders and the tracked allocator.
#include "engine/pixels/memimg.h"

#include <cstring>

#include "engine/core/core.h"
#include "engine/pixels/rectangles.h"

namespace {

int BytesPerPixel(int kind, int palette_flag, int alpha_flag) {
    if (kind == kMemImgRgb565 && alpha_flag) return 4;
    if (palette_flag) return 1;
    switch (kind) {
        case kMemImgRgb565:
            return 2;
        case kMemImgXrgb8888:
            return 4;
        case kMemImgChannel8:
            return 1;
        default:
            return 2;
    }
}

int Log2Pitch(int given_pitch, int bytes_per_pixel, int width, int pitch) {
    const long long n = given_pitch == -1 ? static_cast<long long>(bytes_per_pixel) * width : given_pitch;
    long long p = 1;
    int log = 0;
    while (p < n) {
        p <<= 1;
        ++log;
    }
    return pitch == p ? log : -1;
}

void FreeBlock(MemImgPixelBlock* block) {
    if (block->pixel_memory != nullptr && !block->caller_owns_pixels) TrackedFree(block->pixel_memory);
    if (block->alpha_plane != nullptr) TrackedFree(block->alpha_plane);
    if (block->run_table != nullptr) TrackedFree(block->run_table);
    if (block->palette != nullptr) TrackedFree(block->palette);
    TrackedFree(block);
}

// Slot of the format caches: kinds 0 and 1 by alpha and palette, then kinds 2 and 3.
int FormatSlot(int kind, int alpha_flag, int palette_flag) {
    if (kind < 0 || kind > 3) return -1;
    if (kind >= 2) return 8 + (kind - 2);
    return kind * 4 + (alpha_flag ? 2 : 0) + (palette_flag ? 1 : 0);
}

struct FormatRow {
    int depth;
    std::uint32_t red, green, blue, alpha;
};

FormatRow FormatRowOf(int slot) {
    const bool palette = (slot & 1) != 0;
    const bool alpha = (slot & 2) != 0;
    if (slot < 4) return FormatRow{palette ? 8 : (alpha ? 32 : 16), 0xF800, 0x07E0, 0x001F, alpha ? 0xFF0000u : 0u};
    return FormatRow{palette ? 8 : 32, 0xFF0000, 0xFF00, 0xFF, alpha ? 0xFF000000u : 0u};
}

}  // namespace

int CreateMemImg(MEMIMG* image, int width, int height, int pitch, std::uint32_t transparent_color, int kind,
                 int palette_flag, int alpha_flag, int make_planes, void* pixels) {
    if (image->magic == kMemImgMagic) return -1;
    if (width < 0 || height < 0 || kind < 0 || kind > 3) return -1;
    auto* block = static_cast<MemImgPixelBlock*>(TrackedCalloc(sizeof(MemImgPixelBlock), __FILE__, __LINE__));
    image->block = block;
    if (block == nullptr) return -1;
    if (kind >= 2) palette_flag = 0;
    if (kind >= 2 || palette_flag) alpha_flag = 0;
    block->reference_count = 1;
    block->width = width;
    block->height = height;
    block->transparent_color = transparent_color;
    block->kind = kind;
    block->palette_flag = palette_flag ? 1 : 0;
    block->alpha_flag = alpha_flag ? 1 : 0;
    auto fail = [&]() {
        FreeBlock(block);
        image->block = nullptr;
        return -1;
    };
    if (block->palette_flag) {
        block->palette = static_cast<std::uint8_t*>(TrackedCalloc(2048, __FILE__, __LINE__));
        if (block->palette == nullptr) return fail();
        block->palette_copy = block->palette + 1024;
    }
    const int bytes_per_pixel = BytesPerPixel(kind, block->palette_flag, block->alpha_flag);
    const long long chosen_pitch = pitch == -1 ? (static_cast<long long>(bytes_per_pixel) * width + 15) & ~15LL : pitch;
    const long long bytes = chosen_pitch * height;
    if (chosen_pitch < 0 || chosen_pitch > 0x7FFFFFFF || bytes > 0x7FFFFFFF) return fail();
    block->pitch = static_cast<std::int32_t>(chosen_pitch);
    block->log2_pitch = Log2Pitch(pitch, bytes_per_pixel, width, block->pitch);
    block->format = GetMemImgColorFormat(kind, block->alpha_flag, block->palette_flag);
    if (pixels != nullptr) {
        block->pixel_memory = static_cast<std::uint8_t*>(pixels);
        block->caller_owns_pixels = 1;
    } else {
        block->pixel_memory = static_cast<std::uint8_t*>(TrackedAlloc(static_cast<std::uint32_t>(bytes), __FILE__, __LINE__));
        if (block->pixel_memory == nullptr) return fail();
    }
    if (block->alpha_flag && make_planes) {
        block->alpha_plane = static_cast<std::uint8_t*>(TrackedAlloc(static_cast<std::uint32_t>(bytes), __FILE__, __LINE__));
        if (block->alpha_plane == nullptr) return fail();
    }
    if (kind != kMemImgChannel8 && make_planes) {
        const long long run_bytes = (static_cast<long long>(width) + 5) * height;
        if (run_bytes > 0x7FFFFFFF) return fail();
        block->run_table = static_cast<std::uint8_t*>(TrackedAlloc(static_cast<std::uint32_t>(run_bytes), __FILE__, __LINE__));
        if (block->run_table == nullptr) return fail();
    }
    image->magic = kMemImgMagic;
    image->width = width;
    image->height = height;
    image->pixels = block->pixel_memory;
    image->alpha = block->alpha_plane;
    return 0;
}

int CreateMemImgDepth16(MEMIMG* image, int width, int height) {
    std::memset(image, 0, sizeof(*image));
    return CreateMemImg(image, width, height, -1, 0, kMemImgChannel16, 0, 0, 0, nullptr);
}

void CreateMemImgView(MEMIMG* view, const MEMIMG* source, int x, int y, int width, int height) {
    if (x < 0 || y < 0 || static_cast<long long>(x) + width > source->width ||
        static_cast<long long>(y) + height > source->height) {
        return;
    }
    MemImgPixelBlock* block = source->block;
    const std::ptrdiff_t offset = static_cast<std::ptrdiff_t>(block->pitch) * y +
                                  static_cast<std::ptrdiff_t>(MemImgBytesPerPixel(source)) * x;
    view->width = width;
    view->height = height;
    view->magic = kMemImgMagic;
    view->pixels = source->pixels + offset;
    view->alpha = block->alpha_plane != nullptr ? source->alpha + offset : nullptr;
    view->block = block;
    ++block->reference_count;
}

int IsMemImgValid(const MEMIMG* image) { return image->magic == kMemImgMagic && image->block != nullptr ? 1 : 0; }

void ReleaseMemImg(MEMIMG* image) {
    if (image->magic != kMemImgMagic) return;
    MemImgPixelBlock* block = image->block;
    if (block != nullptr && --block->reference_count == 0) FreeBlock(block);
    image->block = nullptr;
    image->magic = 0;
}

int MemImgBytesPerPixel(const MEMIMG* image) {
    return image->block != nullptr && image->block->format != nullptr ? image->block->format->bytes_per_pixel : 0;
}

void FillMemImgRectRaw(MEMIMG* image, const RECT* rect, std::uint32_t value) {
    if (!IsMemImgValid(image)) return;
    RECT area = rect != nullptr ? *rect : RECT{0, 0, image->width, image->height};
    const RECT bounds{0, 0, image->width, image->height};
    ClipRectToRect(&area, &bounds);
    if (IsRectEmpty(area)) return;
    const int bytes_per_pixel = MemImgBytesPerPixel(image);
    if (bytes_per_pixel != 1 && bytes_per_pixel != 2 && bytes_per_pixel != 4) return;
    const std::ptrdiff_t pitch = image->block->pitch;
    // One pixel's bytes repeated over a 64-byte pattern; every row starts on a pixel, so
    // each row is whole patterns and a tail taken from the pattern's start.
    std::uint8_t pattern[64];
    for (int i = 0; i < 64; i += bytes_per_pixel) std::memcpy(pattern + i, &value, static_cast<std::size_t>(bytes_per_pixel));
    bool one_byte = true;
    for (int i = 1; i < bytes_per_pixel; ++i) one_byte = one_byte && pattern[i] == pattern[0];
    std::ptrdiff_t row_bytes = static_cast<std::ptrdiff_t>(area.right - area.left) * bytes_per_pixel;
    std::uint8_t* first = image->pixels + static_cast<std::ptrdiff_t>(area.top) * pitch +
                          static_cast<std::ptrdiff_t>(area.left) * bytes_per_pixel;
    LONG rows = area.bottom - area.top;
    if (row_bytes == pitch) {
        // Gap-free rows are one run.
        row_bytes *= rows;
        rows = 1;
    }
    for (LONG y = 0; y < rows; ++y) {
        std::uint8_t* at = first + static_cast<std::ptrdiff_t>(y) * pitch;
        if (one_byte) {
            std::memset(at, pattern[0], static_cast<std::size_t>(row_bytes));
            continue;
        }
        std::ptrdiff_t left = row_bytes;
        for (; left >= 64; left -= 64, at += 64) std::memcpy(at, pattern, 64);
        std::memcpy(at, pattern, static_cast<std::size_t>(left));
    }
}

const ColorFormat* GetMemImgColorFormat(int kind, int alpha_flag, int palette_flag) {
    static ColorFormat formats[10];
    static bool built[10];
    const int slot = FormatSlot(kind, alpha_flag, palette_flag);
    if (slot < 0) return nullptr;
    if (!built[slot]) {
        ColorFormat& format = formats[slot];
        if (slot < 8) {
            const FormatRow row = FormatRowOf(slot);
            BuildColorFormat(&format, row.depth, row.red, row.green, row.blue, row.alpha);
        } else {
            std::memset(&format, 0, sizeof(format));
            const bool wide = slot == 9;
            const std::uint32_t mask = wide ? 0xFFFFu : 0xFFu;
            const std::uint8_t width = wide ? 16 : 8;
            format.bit_depth = wide ? 16 : 8;
            format.bytes_per_pixel = wide ? 2 : 1;
            format.red_width = format.green_width = format.blue_width = format.alpha_width = width;
            format.red_mask = format.green_mask = format.blue_mask = format.alpha_mask = mask;
        }
        built[slot] = true;
    }
    return &formats[slot];
}

const DDPIXELFORMAT* GetMemImgPixelFormat(int kind, int alpha_flag, int palette_flag) {
    static DDPIXELFORMAT formats[10];
    static bool built[10];
    const int slot = FormatSlot(kind, alpha_flag, palette_flag);
    if (slot < 0) return nullptr;
    if (!built[slot]) {
        DDPIXELFORMAT& format = formats[slot];
        if (slot < 8) {
            const FormatRow row = FormatRowOf(slot);
            MakeRgbPixelFormat(&format, row.depth, row.red, row.green, row.blue, row.alpha);
        } else {
            std::memset(&format, 0, sizeof(format));
            const std::uint32_t mask = slot == 9 ? 0xFFFFu : 0xFFu;
            format.dwRGBBitCount = slot == 9 ? 16 : 8;
            format.dwRBitMask = format.dwGBitMask = format.dwBBitMask = format.dwRGBAlphaBitMask = mask;
        }
        built[slot] = true;
    }
    return &formats[slot];
}

MemImgDibHeader DescribeMemImgAsDib(const MEMIMG& image) {
    const ColorFormat* format = image.block->format;
    MemImgDibHeader info{};
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = image.block->pitch / format->bytes_per_pixel;
    info.header.biHeight = -image.height;
    info.header.biPlanes = 1;
    info.header.biBitCount = format->bit_depth;
    info.header.biCompression = BI_BITFIELDS;
    info.masks[0] = format->red_mask;
    info.masks[1] = format->green_mask;
    info.masks[2] = format->blue_mask;
    return info;
}
