// Image records: blank-image makers, release, mirror, clear, single-pixel access and
// the DIB header-and-bits bridge and DIB sections made from DIBs. Relies on the colour
// formats, the conversion blit, the tracked allocator (which owns every pixel block), the
// engine log and the platform's GDI calls.
#include "engine/graphics/images/graph_image.h"

#include <cstring>

#include "engine/core/core.h"
#include "engine/pixels/pixels.h"

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

std::uint32_t GetGraphImagePixel(const GraphImage* image, int x, int y) {
    if (image->pixels == nullptr) return 0;
    const unsigned char* p = static_cast<const unsigned char*>(image->pixels) +
                             static_cast<std::intptr_t>(y) * image->pitch +
                             static_cast<std::intptr_t>(x) * image->format.bytes_per_pixel;
    return ReadPixelAsArgb(&image->format, p);
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
    ConvertColorBlt({.dest = block, .dest_pitch = static_cast<int>(row_bytes), .dest_format = &rgb24,
                     .src = image->pixels, .src_pitch = image->pitch, .src_format = &image->format, .src_rect = &all});
    return 1;
}

namespace {

// Engine-wide: 1 makes every DIB section 24 bits. Nothing in the engine sets it.
constexpr int kDib24BitSetting = 0;

}  // namespace

HBITMAP CreateDIBGraph(const BITMAPINFO* source, const void* source_bits, int mirror, ColorFormat* format) {
    if (source == nullptr || source_bits == nullptr) {
        WriteLogText("ＤＩＢの作成に失敗しました3\n");
        return nullptr;
    }
    const BITMAPINFOHEADER& from = source->bmiHeader;
    const int source_bit_count = from.biBitCount;
    const std::int64_t rows = from.biHeight < 0 ? -static_cast<std::int64_t>(from.biHeight) : from.biHeight;

    // The layout of the section, decided before the header block is sized so that the
    // block holds whatever table the layout needs.
    enum class Table { kNone, kMasks, kSourcePalette, kFormatPalette };
    Table table = Table::kNone;
    int bit_count = 24;
    DWORD compression = BI_RGB;
    bool from_source = true;
    if (format != nullptr && format->bit_depth != 16) {
        from_source = false;
        if (format->bit_depth > 24 && source_bit_count != 24) {
            compression = BI_BITFIELDS;
            table = Table::kMasks;
        } else if (format->bit_depth == 32) {
            SetRgb24ColorFormat(format);
        }
        bit_count = format->bit_depth;
        if (bit_count == 8) table = Table::kFormatPalette;
    } else if (format != nullptr && kDib24BitSetting != 1 && GetDitherFlag() == 0) {
        from_source = false;
        compression = BI_BITFIELDS;
        table = Table::kMasks;
        bit_count = 16;
    }
    if (from_source) {
        if (source_bit_count == 8) {
            bit_count = 8;
            compression = from.biCompression;
            table = Table::kSourcePalette;
        } else if (format != nullptr) {
            SetRgb24ColorFormat(format);
        }
    }

    const HDC dc = CreateCompatibleDC(nullptr);
    if (dc == nullptr) {
        WriteLogText("ＤＩＢの作成に失敗しました3\n");
        return nullptr;
    }
    const std::uint32_t table_bytes = table == Table::kMasks ? 12 : table == Table::kNone ? 0 : 1024;
    auto* info = static_cast<BITMAPINFO*>(
        TrackedAlloc(static_cast<std::uint32_t>(sizeof(BITMAPINFOHEADER)) + table_bytes, __FILE__, __LINE__));
    if (info == nullptr) {
        WriteLogText("メモリの確保に失敗しました in CreateDIBGraph \n");
        DeleteDC(dc);
        return nullptr;
    }
    std::memset(info, 0, sizeof(BITMAPINFOHEADER) + table_bytes);
    BITMAPINFOHEADER& header = info->bmiHeader;
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = from.biWidth;
    header.biHeight = static_cast<LONG>(-rows);
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(bit_count);
    header.biCompression = compression;
    auto* colour_table = reinterpret_cast<unsigned char*>(info) + sizeof(BITMAPINFOHEADER);
    if (table == Table::kMasks) {
        const std::uint32_t masks[3] = {format->red_mask, format->green_mask, format->blue_mask};
        std::memcpy(colour_table, masks, sizeof masks);
    } else if (table == Table::kFormatPalette) {
        std::memcpy(colour_table, format->palette, sizeof format->palette);
    } else if (table == Table::kSourcePalette) {
        // Only the entries the source declares are read from it; the rest stay black.
        const std::uint32_t count = from.biClrUsed != 0 && from.biClrUsed < 256 ? from.biClrUsed : 256;
        std::memcpy(colour_table, source->bmiColors, count * sizeof(RGBQUAD));
    }

    void* bits = nullptr;
    const HBITMAP section = CreateDIBSection(dc, info, DIB_RGB_COLORS, &bits, nullptr, 0);
    TrackedFree(info);
    if (section == nullptr) {
        WriteLogText("ＤＩＢの作成に失敗しました3\n");
        DeleteDC(dc);
        return nullptr;
    }
    if (bits == nullptr) {
        WriteLogText("ＤＩＢの作成に失敗しました2\n");
        DeleteObject(section);
        DeleteDC(dc);
        return nullptr;
    }

    const HBITMAP previous = SelectObject(dc, section);
    if (previous == nullptr) {
        WriteLogText("ＤＩＢの作成に失敗しました3\n");
        DeleteObject(section);
        DeleteDC(dc);
        return nullptr;
    }
    const int width = from.biWidth;
    const int height = static_cast<int>(rows);
    if (mirror != 0) {
        // From the last column with a negative width: each row lands reversed. The
        // section is top-down, so the copy keeps the picture upright for either row
        // order of the source.
        StretchDIBits(dc, 0, 0, width, height, width - 1, 0, -width, height, source_bits, source, DIB_RGB_COLORS,
                      SRCCOPY);
    } else {
        SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(width), static_cast<DWORD>(height), 0, 0, 0,
                          static_cast<UINT>(height), source_bits, source, DIB_RGB_COLORS);
    }
    SelectObject(dc, previous);
    DeleteDC(dc);
    return section;
}
