// The reader of the engine's raw "BGRA" format: a 16-byte header (magic, channel depth
// word, width, height) and rows of 8- or 16-bit blue, green, red, alpha channels, read
// into an A8R8G8B8 picture. The declared size is checked against the stream first.
#include <cstring>

#include "engine/core/core.h"
#include "engine/graphics/images/image_readers.h"

namespace {

constexpr std::uint32_t kDepth8 = 0x08080808u;
constexpr std::uint32_t kDepth16 = 0x10101010u;

}  // namespace

int ReadBgraImage(const StreamDescriptor* stream, GraphImage* image) {
    unsigned char header[16];
    if (!ReadStreamBytes(stream, header, sizeof header) || std::memcmp(header, "BGRA", 4) != 0) return -1;
    const std::uint32_t depth = LoadLe32(header + 4);
    if (depth != kDepth8 && depth != kDepth16) return -1;
    const std::uint32_t width = LoadLe32(header + 8);
    const std::uint32_t height = LoadLe32(header + 12);
    const std::uint64_t in_pixel = depth == kDepth8 ? 4 : 8;
    const std::uint64_t pixels = static_cast<std::uint64_t>(width) * height;
    const std::uint64_t out_bytes = pixels * 4;
    if (width == 0 || height == 0 || width > 0x1FFFFFFF || out_bytes > kGraphImageMaxBytes ||
        pixels * in_pixel > StreamBytesLeft(stream)) {
        return -1;
    }
    auto* out = static_cast<unsigned char*>(TrackedAlloc(static_cast<std::uint32_t>(out_bytes), __FILE__, __LINE__));
    if (out == nullptr) return -1;
    if (depth == kDepth8) {
        if (!ReadStreamBytes(stream, out, static_cast<std::size_t>(out_bytes))) {
            TrackedFree(out);
            return -1;
        }
    } else {
        auto* row = static_cast<unsigned char*>(TrackedAlloc(width * 8, __FILE__, __LINE__));
        if (row == nullptr) {
            TrackedFree(out);
            return -1;
        }
        for (std::uint32_t y = 0; y < height; ++y) {
            if (!ReadStreamBytes(stream, row, static_cast<std::size_t>(width) * 8)) {
                TrackedFree(row);
                TrackedFree(out);
                return -1;
            }
            // Each 16-bit channel keeps its high byte.
            unsigned char* o = out + static_cast<std::size_t>(y) * width * 4;
            for (std::uint32_t x = 0; x < width * 4; ++x) o[x] = row[x * 2 + 1];
        }
        TrackedFree(row);
    }
    SetRgb24ColorFormat(&image->format);
    image->format.bit_depth = 32;
    image->format.bytes_per_pixel = 4;
    image->format.alpha_shift = 24;
    image->format.alpha_mask = 0xFF000000u;
    image->format.alpha_width = 8;
    image->width = static_cast<std::int32_t>(width);
    image->height = static_cast<std::int32_t>(height);
    image->pitch = static_cast<std::int32_t>(width * 4);
    image->pixels = out;
    return 0;
}
