// The BMP reader: decodes 4- and 8-bit palette files (plain and run-length), 24-bit
// files, and hands 1-, 16- and 32-bit and bit-field files to the platform's DIB
// converter for a 24-bit picture. Every header field is checked against the file first.
#include <cstring>

#include "engine/core/core.h"
#include "engine/graphics/images/image_readers.h"
#include "platform/dib_convert.h"

namespace {

using u8 = std::uint8_t;
using u32 = std::uint32_t;
using u64 = std::uint64_t;

struct BmpHeader {
    u32 size;
    std::int32_t width;
    std::int32_t height;
    u32 bit_count;
    u32 compression;
    u32 colors_used;
    u32 masks[3];
};

// Sides beyond this are refused before anything is allocated.
constexpr std::int32_t kBmpMaxSide = 32768;

bool IsKnownInfoHeaderSize(u32 size) { return size == 40 || size == 52 || size == 56 || size == 108 || size == 124; }

// Run-length codes into a zero-filled picture of one byte per pixel. Writes outside the
// picture are dropped; a code that runs past the data ends the picture.
void DecodeRunLength(const u8* data, std::size_t size, u8* out, int pitch, int width, int height, bool bottom_up,
                     bool four_bit) {
    std::size_t i = 0;
    int x = 0;
    int row = 0;  // in file order
    const auto put = [&](u8 value) {
        if (x < width && row < height) {
            const int y = bottom_up ? height - 1 - row : row;
            out[static_cast<std::size_t>(y) * pitch + x] = value;
        }
        if (x < width) ++x;
    };
    while (i + 2 <= size && row < height) {
        const u8 n = data[i];
        const u8 v = data[i + 1];
        i += 2;
        if (n > 0) {
            for (int k = 0; k < n; ++k) put(four_bit ? ((k & 1) ? (v & 15) : (v >> 4)) : v);
        } else if (v == 0) {
            x = 0;
            ++row;
        } else if (v == 1) {
            break;
        } else if (v == 2) {
            if (i + 2 > size) break;
            x += data[i];
            if (x > width) x = width;
            row += data[i + 1];
            i += 2;
        } else {
            const std::size_t bytes = four_bit ? (static_cast<std::size_t>(v) + 1) / 2 : v;
            if (i + bytes > size) break;
            for (int k = 0; k < v; ++k) {
                const u8 b = data[i + (four_bit ? k / 2 : k)];
                put(four_bit ? ((k & 1) ? (b & 15) : (b >> 4)) : b);
            }
            const std::size_t padded = (bytes + 1) & ~static_cast<std::size_t>(1);
            i += padded <= size - i ? padded : size - i;
        }
    }
}

void SetPaletteFromTable(GraphImage* image, const u8* table, u32 entries) {
    SetPalette8ColorFormat(&image->format);
    std::memset(image->format.palette, 0, sizeof image->format.palette);
    for (u32 i = 0; i < entries && i < 256; ++i) {
        image->format.palette[i] = ColorPaletteEntry{table[i * 4], table[i * 4 + 1], table[i * 4 + 2], 0};
    }
}

// The pixel data from `offset` on: `bytes` bytes into a new tracked block, or null.
u8* ReadPixelData(const StreamDescriptor* stream, u32 offset, u64 bytes) {
    if (bytes > kGraphImageMaxBytes) return nullptr;
    if (stream->functions.seek(stream->handle, offset, kSeekSet) != 0) return nullptr;
    auto* block = static_cast<u8*>(TrackedAlloc(static_cast<u32>(bytes), __FILE__, __LINE__));
    if (block == nullptr) return nullptr;
    if (!ReadStreamBytes(stream, block, static_cast<std::size_t>(bytes))) {
        TrackedFree(block);
        return nullptr;
    }
    return block;
}

}  // namespace

int ReadBmpImage(const StreamDescriptor* stream, GraphImage* image) {
    const std::int64_t file_size = FindStreamEnd(stream);
    if (file_size < 0) return -1;
    u8 file_header[14];
    if (!ReadStreamBytes(stream, file_header, sizeof file_header) || file_header[0] != 'B' || file_header[1] != 'M') {
        return -1;
    }
    const u32 data_offset = LoadLe32(file_header + 10);

    u8 info[124] = {};
    if (!ReadStreamBytes(stream, info, 4)) return -1;
    BmpHeader h{};
    h.size = LoadLe32(info);
    if (!IsKnownInfoHeaderSize(h.size) || !ReadStreamBytes(stream, info + 4, h.size - 4)) return -1;
    h.width = static_cast<std::int32_t>(LoadLe32(info + 4));
    h.height = static_cast<std::int32_t>(LoadLe32(info + 8));
    h.bit_count = LoadLe16(info + 14);
    h.compression = LoadLe32(info + 16);
    h.colors_used = LoadLe32(info + 32);
    if (h.compression == BI_BITFIELDS) {
        // The masks follow a 40-byte header; the longer headers hold them.
        if (h.size == 40 && !ReadStreamBytes(stream, info + 40, 12)) return -1;
        for (int i = 0; i < 3; ++i) h.masks[i] = LoadLe32(info + 40 + 4 * i);
    }

    const u32 bc = h.bit_count;
    if (h.width <= 0 || h.width > kBmpMaxSide || h.height == 0 || h.height < -kBmpMaxSide || h.height > kBmpMaxSide) {
        return -1;
    }
    if (bc != 1 && bc != 4 && bc != 8 && bc != 16 && bc != 24 && bc != 32) return -1;
    if (h.compression == BI_RLE8 && bc != 8) return -1;
    if (h.compression == BI_RLE4 && bc != 4) return -1;
    if (h.compression == BI_BITFIELDS && bc != 16 && bc != 32) return -1;
    if (h.compression > BI_BITFIELDS) return -1;
    const int width = h.width;
    const int height = h.height < 0 ? -h.height : h.height;
    const bool bottom_up = h.height > 0;

    // The colour table holds the used colours only (all of them when none are given).
    u8 table[256 * 4] = {};
    u32 entries = 0;
    if (bc <= 8) {
        const u32 full = 1u << bc;
        entries = (h.colors_used == 0 || h.colors_used > full) ? full : h.colors_used;
        if (!ReadStreamBytes(stream, table, entries * 4)) return -1;
    }

    if (data_offset > static_cast<u64>(file_size)) return -1;
    const u64 available = static_cast<u64>(file_size) - data_offset;
    const u32 stride = DibRowBytes(width, bc);
    if (stride == 0) return -1;

    if (h.compression == BI_RLE8 || h.compression == BI_RLE4) {
        const u64 pitch = (static_cast<u64>(width) + 3) / 4 * 4;
        const u64 out_bytes = pitch * static_cast<u64>(height);
        if (out_bytes > kGraphImageMaxBytes || available == 0) return -1;
        u8* data = ReadPixelData(stream, data_offset, available);
        if (data == nullptr) return -1;
        auto* out = static_cast<u8*>(TrackedCalloc(static_cast<u32>(out_bytes), __FILE__, __LINE__));
        if (out == nullptr) {
            TrackedFree(data);
            return -1;
        }
        DecodeRunLength(data, static_cast<std::size_t>(available), out, static_cast<int>(pitch), width, height,
                        bottom_up, h.compression == BI_RLE4);
        TrackedFree(data);
        SetPaletteFromTable(image, table, entries);
        image->width = width;
        image->height = height;
        image->pitch = static_cast<std::int32_t>(pitch);
        image->pixels = out;
        return 0;
    }

    // Uncompressed and bit-field files must hold every row they declare.
    const u64 data_bytes = static_cast<u64>(stride) * static_cast<u64>(height);
    if (data_bytes > available || data_bytes > kGraphImageMaxBytes) return -1;

    if (h.compression == BI_RGB && bc == 4) {
        const u64 pitch = (static_cast<u64>(width) + 3) & ~static_cast<u64>(3);
        if (pitch * static_cast<u64>(height) > kGraphImageMaxBytes) return -1;
        u8* data = ReadPixelData(stream, data_offset, data_bytes);
        if (data == nullptr) return -1;
        auto* out = static_cast<u8*>(TrackedCalloc(static_cast<u32>(pitch * height), __FILE__, __LINE__));
        if (out == nullptr) {
            TrackedFree(data);
            return -1;
        }
        for (int y = 0; y < height; ++y) {
            const u8* src = data + static_cast<std::size_t>(bottom_up ? height - 1 - y : y) * stride;
            u8* dst = out + static_cast<std::size_t>(y) * pitch;
            for (int x = 0; x < width; ++x) dst[x] = (x & 1) ? (src[x / 2] & 15) : (src[x / 2] >> 4);
        }
        TrackedFree(data);
        SetPaletteFromTable(image, table, entries);
        image->width = width;
        image->height = height;
        image->pitch = static_cast<std::int32_t>(pitch);
        image->pixels = out;
        return 0;
    }

    if (h.compression == BI_RGB && (bc == 8 || bc == 24)) {
        u8* data = ReadPixelData(stream, data_offset, data_bytes);
        if (data == nullptr) return -1;
        u8* pixels = data;
        if (bottom_up) {
            pixels = static_cast<u8*>(TrackedAlloc(static_cast<u32>(data_bytes), __FILE__, __LINE__));
            if (pixels == nullptr) {
                TrackedFree(data);
                return -1;
            }
            for (int y = 0; y < height; ++y) {
                std::memcpy(pixels + static_cast<std::size_t>(y) * stride,
                            data + static_cast<std::size_t>(height - 1 - y) * stride, stride);
            }
            TrackedFree(data);
        }
        if (bc == 8) {
            SetPaletteFromTable(image, table, entries);
        } else {
            SetRgb24ColorFormat(&image->format);
        }
        image->width = width;
        image->height = height;
        image->pitch = static_cast<std::int32_t>(stride);
        image->pixels = pixels;
        return 0;
    }

    // Every other kind becomes a 24-bit picture through the DIB converter.
    alignas(4) u8 info_block[kDibInfoBlockBytes] = {};
    auto* dib = reinterpret_cast<BITMAPINFO*>(info_block);
    dib->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    dib->bmiHeader.biWidth = width;
    dib->bmiHeader.biHeight = h.height;
    dib->bmiHeader.biPlanes = 1;
    dib->bmiHeader.biBitCount = static_cast<WORD>(bc);
    dib->bmiHeader.biCompression = h.compression;
    dib->bmiHeader.biClrUsed = entries;
    if (h.compression == BI_BITFIELDS) {
        std::memcpy(info_block + sizeof(BITMAPINFOHEADER), h.masks, sizeof h.masks);
    } else {
        std::memcpy(info_block + sizeof(BITMAPINFOHEADER), table, entries * 4);
    }
    const u64 pitch = (static_cast<u64>(width) * 3 + 3) / 4 * 4;
    if (pitch * static_cast<u64>(height) > kGraphImageMaxBytes) return -1;
    u8* data = ReadPixelData(stream, data_offset, data_bytes);
    if (data == nullptr) return -1;
    auto* out = static_cast<u8*>(TrackedCalloc(static_cast<u32>(pitch * height), __FILE__, __LINE__));
    if (out == nullptr) {
        TrackedFree(data);
        WriteLogText("２４ビットカラー化したグラフィックを格納するメモリ領域の確保に失敗しました\n");
        return -1;
    }
    const int converted = ConvertDibToRgb24(dib, data, static_cast<std::size_t>(data_bytes), out,
                                            static_cast<std::int32_t>(pitch));
    TrackedFree(data);
    if (converted != 0) {
        TrackedFree(out);
        return -1;
    }
    SetRgb24ColorFormat(&image->format);
    image->width = width;
    image->height = height;
    image->pitch = static_cast<std::int32_t>(pitch);
    image->pixels = out;
    return 0;
}
