// The TGA reader: colour-mapped and true-colour files, plain and run-length encoded,
// of 16, 24 or 32 bits, turned top-down and left-to-right. The id field and an unused
// colour map are skipped; map bounds and run lengths are checked against the file.
#include <cstring>

#include "engine/core/core.h"
#include "engine/graphics/images/image_readers.h"

namespace {

using u8 = std::uint8_t;
using u32 = std::uint32_t;
using u64 = std::uint64_t;

constexpr int kTgaMaxSide = 8192;
constexpr int kFooterBytes = 26;

// The longest packet is one header byte and one element repeated 128 times.
constexpr u64 kMostElementsPerPacketByte = 64;

bool HasFooter(const StreamDescriptor* stream, std::int64_t size) {
    if (size < kFooterBytes) return false;
    u8 footer[kFooterBytes];
    if (stream->functions.seek(stream->handle, size - kFooterBytes, kSeekSet) != 0) return false;
    if (!ReadStreamBytes(stream, footer, sizeof footer)) return false;
    return std::memcmp(footer + 8, "TRUEVISION-XFILE", 16) == 0 && LoadLe32(footer) == 0;
}

// Packets of `element` bytes into `count` elements. False when the data ends first.
// A packet that runs past the last element is cut there.
bool DecodePackets(const u8* data, std::size_t size, u8* out, u64 count, int element) {
    std::size_t i = 0;
    u64 written = 0;
    while (written < count) {
        if (i >= size) return false;
        const u8 h = data[i++];
        const u64 n = static_cast<u64>(h & 0x7F) + 1;
        const u64 take = n < count - written ? n : count - written;
        if (h & 0x80) {
            if (size - i < static_cast<std::size_t>(element)) return false;
            for (u64 k = 0; k < take; ++k) std::memcpy(out + (written + k) * element, data + i, element);
            i += element;
        } else {
            if ((size - i) / element < n) return false;
            std::memcpy(out + written * element, data + i, static_cast<std::size_t>(take * element));
            i += static_cast<std::size_t>(n * element);
        }
        written += take;
    }
    return true;
}

}  // namespace

int ReadTgaImage(const StreamDescriptor* stream, GraphImage* image) {
    const std::int64_t size = FindStreamEnd(stream);
    if (size < 0) return -1;
    const bool footer = HasFooter(stream, size);
    if (stream->functions.seek(stream->handle, 0, kSeekSet) != 0) return -1;
    u8 h[18];
    if (!ReadStreamBytes(stream, h, sizeof h)) return -1;
    const int id_length = h[0];
    const int map_type = h[1];
    const int type = h[2];
    const u32 map_first = LoadLe16(h + 3);
    const u32 map_length = LoadLe16(h + 5);
    const int map_bits = h[7];
    const int x_origin = LoadLe16(h + 8);
    const int y_origin = LoadLe16(h + 10);
    const int width = LoadLe16(h + 12);
    const int height = LoadLe16(h + 14);
    const int pixel_depth = h[16];
    const int descriptor = h[17];

    if (type != 1 && type != 2 && type != 9 && type != 10) return -1;
    const bool mapped = type == 1 || type == 9;
    const bool run_length = type == 9 || type == 10;
    const int bits = mapped ? map_bits : pixel_depth;
    if (x_origin != 0 || y_origin != 0) return -1;
    if (width == 0 || height == 0 || width > kTgaMaxSide || height > kTgaMaxSide) return -1;
    if (bits != 16 && bits != 24 && bits != 32) return -1;
    if (mapped && (pixel_depth != 8 || map_first + map_length > 256)) return -1;

    const int bytes = bits / 8;
    const u64 pitch = static_cast<u64>(width) * bytes;
    const u64 count = static_cast<u64>(width) * height;

    // The id field, then the colour map (read for mapped files, skipped otherwise).
    u8 map[256 * 4] = {};
    if (stream->functions.seek(stream->handle, 18 + id_length, kSeekSet) != 0) return -1;
    if (map_type != 0 && map_length != 0) {
        const int entry_bytes = (map_bits + 7) / 8;
        if (mapped) {
            if (!ReadStreamBytes(stream, map + map_first * bytes, static_cast<std::size_t>(map_length) * bytes)) return -1;
        } else {
            if (stream->functions.seek(stream->handle, static_cast<std::int64_t>(map_length) * entry_bytes, kSeekCurrent) != 0)
                return -1;
        }
    }

    const std::int64_t here = stream->functions.tell(stream->handle);
    std::int64_t data_end = footer ? size - kFooterBytes : size;
    if (here < 0 || here > size) return -1;
    if (data_end < here) data_end = here;
    const u64 data_bytes = static_cast<u64>(data_end - here);
    const u64 element = mapped ? 1 : static_cast<u64>(bytes);
    // Reject before allocating when the data cannot hold the picture.
    if (run_length ? count > data_bytes * kMostElementsPerPacketByte : count * element > static_cast<u64>(size - here))
        return -1;

    auto* out = static_cast<u8*>(TrackedAlloc(static_cast<u32>(pitch * height), __FILE__, __LINE__));
    if (out == nullptr) return -1;
    // Mapped pictures are first decoded as index bytes, then resolved through the map.
    u8* indices = out;
    if (mapped) {
        indices = static_cast<u8*>(TrackedAlloc(static_cast<u32>(count), __FILE__, __LINE__));
        if (indices == nullptr) {
            TrackedFree(out);
            return -1;
        }
    }
    bool ok;
    if (run_length) {
        u8* packets = static_cast<u8*>(TrackedAlloc(static_cast<u32>(data_bytes), __FILE__, __LINE__));
        ok = packets != nullptr && ReadStreamBytes(stream, packets, static_cast<std::size_t>(data_bytes)) &&
             DecodePackets(packets, static_cast<std::size_t>(data_bytes), indices, count, static_cast<int>(element));
        TrackedFree(packets);
    } else {
        ok = ReadStreamBytes(stream, indices, static_cast<std::size_t>(count * element));
    }
    if (ok && mapped) {
        for (u64 i = 0; i < count; ++i) std::memcpy(out + i * bytes, map + static_cast<std::size_t>(indices[i]) * bytes, bytes);
    }
    if (mapped) TrackedFree(indices);
    if (!ok) {
        TrackedFree(out);
        return -1;
    }

    // Rows stored bottom to top and pixels stored right to left are turned in place.
    if ((descriptor & 0x20) == 0) {
        u8 swap[kTgaMaxSide * 4];
        for (int y = 0; y < height / 2; ++y) {
            u8* a = out + static_cast<std::size_t>(y) * pitch;
            u8* b = out + static_cast<std::size_t>(height - 1 - y) * pitch;
            std::memcpy(swap, a, pitch);
            std::memcpy(a, b, pitch);
            std::memcpy(b, swap, pitch);
        }
    }
    if (descriptor & 0x10) {
        for (int y = 0; y < height; ++y) {
            u8* row = out + static_cast<std::size_t>(y) * pitch;
            for (int x = 0; x < width / 2; ++x) {
                u8 t[4];
                std::memcpy(t, row + x * bytes, bytes);
                std::memcpy(row + x * bytes, row + (width - 1 - x) * bytes, bytes);
                std::memcpy(row + (width - 1 - x) * bytes, t, bytes);
            }
        }
    }

    if (bits == 16) {
        BuildColorFormat(&image->format, 16, 0x7C00, 0x03E0, 0x001F, 0);
    } else if (bits == 24) {
        SetRgb24ColorFormat(&image->format);
    } else {
        SetArgb32ColorFormat(&image->format);
    }
    image->width = width;
    image->height = height;
    image->pitch = static_cast<std::int32_t>(pitch);
    image->pixels = out;
    return 0;
}
