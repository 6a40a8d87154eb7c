// The bridge between the reader chain and the platform's PNG and JPEG decoders: stream
// callbacks over a StreamDescriptor, tracked allocation for the pixels, and the colour
// format for each decoded layout.
#include "engine/graphics/images/codec_reader.h"

#include <cstring>

#include "engine/core/core.h"
#include "engine/graphics/images/image_readers.h"

namespace {

std::int64_t TellDescriptor(void* handle) {
    const auto* d = static_cast<const StreamDescriptor*>(handle);
    return d->functions.tell(d->handle);
}

std::size_t ReadDescriptor(void* buffer, std::size_t element_size, std::size_t element_count, void* handle) {
    const auto* d = static_cast<const StreamDescriptor*>(handle);
    return d->functions.read(buffer, element_size, element_count, d->handle);
}

void* AllocateTracked(std::size_t bytes) {
    if (bytes > 0xFFFFFFFFu) return nullptr;
    return TrackedAlloc(static_cast<std::uint32_t>(bytes), __FILE__, __LINE__);
}

void ReleaseTracked(void* block) { TrackedFree(block); }

const ImageCodecMemory kTrackedMemory = {AllocateTracked, ReleaseTracked};

}  // namespace

ImageCodecStream MakeImageCodecStream(const StreamDescriptor* descriptor) {
    ImageCodecStream s{};
    s.handle = const_cast<StreamDescriptor*>(descriptor);
    s.tell = TellDescriptor;
    s.read = ReadDescriptor;
    s.end = FindStreamEnd(descriptor);
    return s;
}

const ImageCodecMemory* GetTrackedCodecMemory() { return &kTrackedMemory; }

void StoreDecodedImage(const DecodedImage* decoded, GraphImage* image) {
    ColorFormat& f = image->format;
    switch (decoded->layout) {
        case kDecodedPalette8:
            SetPalette8ColorFormat(&f);
            std::memset(f.palette, 0, sizeof f.palette);
            for (int i = 0; i < decoded->palette_count && i < 256; ++i) {
                f.palette[i] = ColorPaletteEntry{decoded->palette[i][2], decoded->palette[i][1], decoded->palette[i][0], 0};
            }
            break;
        case kDecodedGrey8:
            SetGrey8ColorFormat(&f);
            break;
        case kDecodedBgr24:
            SetRgb24ColorFormat(&f);
            break;
        case kDecodedBgra32:
            SetRgb24ColorFormat(&f);
            f.bit_depth = 32;
            f.bytes_per_pixel = 4;
            f.alpha_mask = 0xFF000000u;
            f.alpha_shift = 24;
            f.alpha_width = 8;
            break;
    }
    image->width = decoded->width;
    image->height = decoded->height;
    image->pitch = decoded->row_bytes;
    image->pixels = decoded->pixels;
}
