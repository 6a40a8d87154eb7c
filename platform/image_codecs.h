// PNG and JPEG decoding for the image readers. The decoders pull bytes through the
// caller's stream callbacks, put the pixels in a block from the caller's allocator and
// release everything they made on every error path. Pixels come out blue first.
#pragma once

#include <cstddef>
#include <cstdint>

// Where the bytes come from: tell and fread-shaped read over the caller's handle; the
// data ends at `end` (a position as tell gives it).
struct ImageCodecStream {
    void* handle;
    std::int64_t (*tell)(void* handle);
    std::size_t (*read)(void* buffer, std::size_t element_size, std::size_t element_count, void* handle);
    std::int64_t end;
};

// Where the pixel block comes from; allocate returns null on failure.
struct ImageCodecMemory {
    void* (*allocate)(std::size_t bytes);
    void (*release)(void* block);
};

enum DecodedPixelLayout : std::int32_t {
    kDecodedPalette8 = 1,  // one index byte per pixel; see palette
    kDecodedGrey8 = 2,     // one grey byte per pixel
    kDecodedBgr24 = 3,     // blue, green, red
    kDecodedBgra32 = 4,    // blue, green, red, alpha
};

struct DecodedImage {
    std::int32_t width;
    std::int32_t height;
    std::int32_t row_bytes;  // rows follow each other row_bytes apart
    DecodedPixelLayout layout;
    void* pixels;  // from ImageCodecMemory::allocate; the caller owns it on success
    std::int32_t palette_count;
    std::uint8_t palette[256][3];  // red, green, blue of a palette picture
};

// The largest pixel block the decoders ask for; bigger pictures are refused.
constexpr std::uint64_t kDecodedImageMaxBytes = 256ull * 1024 * 1024;

// 0 with `out` filled, or -1 (not this format, damaged, too large, or out of memory)
// with nothing left allocated. Neither writes any message.
int DecodePngImage(const ImageCodecStream* stream, const ImageCodecMemory* memory, DecodedImage* out);
int DecodeJpegImage(const ImageCodecStream* stream, const ImageCodecMemory* memory, DecodedImage* out);
