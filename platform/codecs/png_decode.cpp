// PNG decoding over libpng: a custom read function that pulls from the caller's
// stream, and the library's non-local error jump, quiet (no message on stderr). No C++
// object with a destructor lives here; what the jump skips is released by hand.
#include <png.h>

#include <csetjmp>
#include <cstdlib>
#include <cstring>

#include "platform/image_codecs.h"

namespace {

// The widest and tallest picture read (libpng's usual default, kept whatever the build).
constexpr png_uint_32 kPngMaxSide = 1000000;
// The largest ancillary chunk libpng may take in, and how many of them it keeps.
constexpr png_alloc_size_t kPngMaxChunkBytes = 8u * 1024 * 1024;
constexpr png_uint_32 kPngMaxCachedChunks = 128;
// The largest block libpng may ask for regardless of the file. Its row buffers need at
// most eight bytes a pixel of the widest row. Beyond this a block is only given when the
// rest of the file could fill it: libpng only warns when a chunk's declared length passes
// the chunk limit and then asks for the whole length, so the allocator is what refuses a
// chunk that declares more than the file still holds. Its missing bytes end the read.
constexpr png_alloc_size_t kPngMaxBlockBytes = 16u * 1024 * 1024;
static_assert(kPngMaxBlockBytes > 8ull * kPngMaxSide + 64 && kPngMaxBlockBytes > kPngMaxChunkBytes);

struct PngReadRecord {
    const ImageCodecStream* stream;
};

// The bytes between the read position and the end of the data.
std::uint64_t PngBytesLeft(const ImageCodecStream* s) {
    const std::int64_t position = s->tell(s->handle);
    return position < 0 || position > s->end ? 0 : static_cast<std::uint64_t>(s->end - position);
}

png_voidp PngAllocate(png_structp png, png_alloc_size_t bytes) {
    if (bytes > kPngMaxBlockBytes) {
        const auto* record = static_cast<const PngReadRecord*>(png_get_mem_ptr(png));
        // A chunk's buffer holds one byte more than its data (a terminating zero).
        if (record == nullptr || record->stream == nullptr || bytes - 1 > PngBytesLeft(record->stream)) {
            return nullptr;
        }
    }
    return std::malloc(bytes);
}
void PngRelease(png_structp, png_voidp block) { std::free(block); }

// Reads exactly `length` bytes, or raises "Read Error" when fewer are left.
void PngStreamRead(png_structp png, png_bytep buffer, png_size_t length) {
    auto* record = static_cast<PngReadRecord*>(png_get_io_ptr(png));
    const ImageCodecStream* s = record->stream;
    const std::int64_t position = s->tell(s->handle);
    if (position < 0 || position > s->end || static_cast<std::uint64_t>(s->end - position) < length) {
        png_error(png, "Read Error");
    }
    if (length != 0 && s->read(buffer, length, 1, s->handle) != 1) png_error(png, "Read Error");
}

void SetPngStreamRead(png_structp png, PngReadRecord* record, const ImageCodecStream* stream) {
    record->stream = stream;
    png_set_read_fn(png, record, PngStreamRead);
}

[[noreturn]] void PngQuietError(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void PngQuietWarning(png_structp, png_const_charp) {}

}  // namespace

int DecodePngImage(const ImageCodecStream* stream, const ImageCodecMemory* memory, DecodedImage* out) {
    PngReadRecord record{stream};
    png_structp png = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, nullptr, PngQuietError, PngQuietWarning,
                                               &record, PngAllocate, PngRelease);
    if (png == nullptr) return -1;
    png_set_user_limits(png, kPngMaxSide, kPngMaxSide);
    png_set_chunk_malloc_max(png, kPngMaxChunkBytes);
    png_set_chunk_cache_max(png, kPngMaxCachedChunks);
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return -1;
    }
    // Blocks made after the jump point; volatile so their values survive the jump.
    png_bytep volatile pixels = nullptr;
    png_bytepp volatile rows = nullptr;
    if (setjmp(png_jmpbuf(png))) {
        if (rows != nullptr) memory->release(rows);
        if (pixels != nullptr) memory->release(pixels);
        png_destroy_read_struct(&png, &info, nullptr);
        return -1;
    }

    SetPngStreamRead(png, &record, stream);
    png_set_sig_bytes(png, 0);
    png_read_info(png, info);
    png_uint_32 width = 0, height = 0;
    int bit_depth = 0, color_type = 0, interlace = 0;
    png_get_IHDR(png, info, &width, &height, &bit_depth, &color_type, &interlace, nullptr, nullptr);
    // Every pixel takes at least one byte of the block: refuse before libpng sets up rows.
    if (static_cast<std::uint64_t>(width) * height > kDecodedImageMaxBytes) png_error(png, "Image too large");

    const bool has_trns = png_get_valid(png, info, PNG_INFO_tRNS) != 0;
    png_set_strip_16(png);
    png_set_packing(png);
    png_set_packswap(png);
    if ((color_type == PNG_COLOR_TYPE_GRAY && bit_depth <= 8) || has_trns) png_set_expand(png);
    // Grey with alpha (or with a transparent grey) becomes blue-green-red-alpha so the
    // alpha is kept as alpha.
    const bool grey_with_alpha =
        color_type == PNG_COLOR_TYPE_GRAY_ALPHA || (color_type == PNG_COLOR_TYPE_GRAY && has_trns);
    if (grey_with_alpha) png_set_gray_to_rgb(png);
    png_set_bgr(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);

    const png_size_t row_bytes = png_get_rowbytes(png, info);
    const int channels = png_get_channels(png, info);
    if (width == 0 || height == 0 || row_bytes == 0 || row_bytes > 0x7FFFFFFF ||
        static_cast<std::uint64_t>(row_bytes) * height > kDecodedImageMaxBytes) {
        png_error(png, "Image too large");
    }
    rows = static_cast<png_bytepp>(memory->allocate(sizeof(png_bytep) * height));
    if (rows == nullptr) png_error(png, "Out of memory");
    pixels = static_cast<png_bytep>(memory->allocate(row_bytes * height));
    if (pixels == nullptr) png_error(png, "Out of memory");
    for (png_uint_32 y = 0; y < height; ++y) rows[y] = pixels + static_cast<std::size_t>(y) * row_bytes;
    png_read_image(png, rows);
    memory->release(rows);
    rows = nullptr;
    png_read_end(png, nullptr);

    std::memset(out, 0, sizeof *out);
    out->width = static_cast<std::int32_t>(width);
    out->height = static_cast<std::int32_t>(height);
    out->row_bytes = static_cast<std::int32_t>(row_bytes);
    if (color_type == PNG_COLOR_TYPE_PALETTE && !has_trns) {
        out->layout = kDecodedPalette8;
        png_colorp palette = nullptr;
        int count = 0;
        if (png_get_PLTE(png, info, &palette, &count) != 0 && palette != nullptr) {
            if (count > 256) count = 256;
            for (int i = 0; i < count; ++i) {
                out->palette[i][0] = palette[i].red;
                out->palette[i][1] = palette[i].green;
                out->palette[i][2] = palette[i].blue;
            }
            out->palette_count = count;
        }
    } else if (channels == 1) {
        out->layout = kDecodedGrey8;
    } else if (channels == 4) {
        out->layout = kDecodedBgra32;
    } else {
        out->layout = kDecodedBgr24;
    }
    out->pixels = pixels;
    png_destroy_read_struct(&png, &info, nullptr);
    return 0;
}
