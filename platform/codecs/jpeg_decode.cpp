// JPEG decoding over libjpeg (6b interface): a source manager that refills a 4,096-byte
// buffer from the caller's stream and ends a short file with an inserted end-of-image
// marker, and an error exit that jumps back, quiet. No C++ object with a destructor
// lives in the function that jumps; the pixel block is released by hand on a jump.
#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>
#include <jerror.h>

#include "platform/image_codecs.h"

namespace {

constexpr std::size_t kJpegBufferBytes = 4096;

// What libjpeg may hold at once. A progressive or multi-scan picture keeps every
// coefficient until the last scan: two bytes per sample, so up to twice the pixel block
// for the pictures that fit it, plus room for the row buffers and tables. Beyond this the
// library fails (it has no backing store) instead of allocating and zeroing more.
constexpr long kJpegMaxWorkMemory = static_cast<long>(2 * kDecodedImageMaxBytes + 64ull * 1024 * 1024);

// The output rows of the picture as jpeg_calc_output_dimensions or jpeg_start_decompress
// worked them out fit one block within the pixel limit.
bool OutputFitsPixelLimit(const jpeg_decompress_struct& cinfo) {
    const int components = cinfo.output_components;
    const std::uint64_t row_bytes = static_cast<std::uint64_t>(cinfo.output_width) * components;
    return (components == 1 || components == 3) && row_bytes != 0 && cinfo.output_height != 0 &&
           row_bytes * cinfo.output_height <= kDecodedImageMaxBytes;
}

struct JpegErrorManager {
    jpeg_error_mgr pub;
    std::jmp_buf jump;
};

struct JpegStreamSource {
    jpeg_source_mgr pub;
    JOCTET* buffer;
    boolean start_of_file;
    const ImageCodecStream* stream;
    std::int64_t end;
    boolean ended;  // the end-of-image marker was inserted: no data is left
};

[[noreturn]] void JpegErrorExit(j_common_ptr cinfo) {
    (*cinfo->err->output_message)(cinfo);
    std::longjmp(reinterpret_cast<JpegErrorManager*>(cinfo->err)->jump, 1);
}

// Messages are not shown anywhere.
void JpegQuietOutput(j_common_ptr) {}

void JpegStreamInitSource(j_decompress_ptr cinfo) {
    reinterpret_cast<JpegStreamSource*>(cinfo->src)->start_of_file = TRUE;
}

boolean JpegStreamFillBuffer(j_decompress_ptr cinfo) {
    auto* src = reinterpret_cast<JpegStreamSource*>(cinfo->src);
    const ImageCodecStream* s = src->stream;
    const std::int64_t position = s->tell(s->handle);
    std::int64_t left = position < 0 ? 0 : src->end - position;
    if (left < 0) left = 0;
    const std::size_t n = left < static_cast<std::int64_t>(kJpegBufferBytes) ? static_cast<std::size_t>(left)
                                                                             : kJpegBufferBytes;
    if (n > 0 && s->read(src->buffer, n, 1, s->handle) == 1) {
        src->pub.next_input_byte = src->buffer;
        src->pub.bytes_in_buffer = n;
        src->start_of_file = FALSE;
        return TRUE;
    }
    if (src->start_of_file) ERREXIT(cinfo, JERR_INPUT_EMPTY);
    WARNMS(cinfo, JWRN_JPEG_EOF);
    src->buffer[0] = 0xFF;
    src->buffer[1] = JPEG_EOI;
    src->pub.next_input_byte = src->buffer;
    src->pub.bytes_in_buffer = 2;
    src->start_of_file = FALSE;
    src->ended = TRUE;
    return TRUE;
}

void JpegStreamSkipData(j_decompress_ptr cinfo, long count) {
    auto* src = reinterpret_cast<JpegStreamSource*>(cinfo->src);
    if (count <= 0) return;
    while (count > static_cast<long>(src->pub.bytes_in_buffer)) {
        count -= static_cast<long>(src->pub.bytes_in_buffer);
        JpegStreamFillBuffer(cinfo);
        // Past the end only the inserted marker is left; keep it for the decoder.
        if (src->ended) return;
    }
    src->pub.next_input_byte += count;
    src->pub.bytes_in_buffer -= static_cast<std::size_t>(count);
}

void JpegStreamTerminate(j_decompress_ptr) {}

void SetJpegStreamSource(j_decompress_ptr cinfo, const ImageCodecStream* stream) {
    if (cinfo->src == nullptr) {
        auto* src = static_cast<JpegStreamSource*>(
            (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, sizeof(JpegStreamSource)));
        src->buffer = static_cast<JOCTET*>(
            (*cinfo->mem->alloc_small)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, kJpegBufferBytes));
        cinfo->src = &src->pub;
    }
    auto* src = reinterpret_cast<JpegStreamSource*>(cinfo->src);
    src->pub.init_source = JpegStreamInitSource;
    src->pub.fill_input_buffer = JpegStreamFillBuffer;
    src->pub.skip_input_data = JpegStreamSkipData;
    src->pub.resync_to_restart = jpeg_resync_to_restart;
    src->pub.term_source = JpegStreamTerminate;
    src->stream = stream;
    src->end = stream->end;
    src->ended = FALSE;
    src->pub.bytes_in_buffer = 0;
    src->pub.next_input_byte = nullptr;
}

}  // namespace

int DecodeJpegImage(const ImageCodecStream* stream, const ImageCodecMemory* memory, DecodedImage* out) {
    jpeg_decompress_struct cinfo;
    JpegErrorManager error;
    std::memset(&cinfo, 0, sizeof cinfo);
    cinfo.err = jpeg_std_error(&error.pub);
    error.pub.error_exit = JpegErrorExit;
    error.pub.output_message = JpegQuietOutput;
    JSAMPLE* volatile pixels = nullptr;
    if (setjmp(error.jump)) {
        if (pixels != nullptr) memory->release(pixels);
        jpeg_destroy_decompress(&cinfo);
        return -1;
    }
    jpeg_create_decompress(&cinfo);
    cinfo.mem->max_memory_to_use = kJpegMaxWorkMemory;
    SetJpegStreamSource(&cinfo, stream);
    jpeg_read_header(&cinfo, TRUE);

    // Only grey and three-component colour pictures are read; four-component (CMYK,
    // YCCK) pictures are refused.
    const int components = cinfo.num_components;
    if (components != 1 && components != 3) {
        jpeg_destroy_decompress(&cinfo);
        return -1;
    }
#ifdef JCS_EXTENSIONS
    cinfo.out_color_space = components == 1 ? JCS_GRAYSCALE : JCS_EXT_BGR;
#else
    cinfo.out_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
#endif
    // The size from the header is checked before the decompressor starts: starting it
    // sets up the coefficient store of a progressive picture, which is as large as the
    // picture however few bytes the file has.
    jpeg_calc_output_dimensions(&cinfo);
    if (!OutputFitsPixelLimit(cinfo)) {
        jpeg_destroy_decompress(&cinfo);
        return -1;
    }
    jpeg_start_decompress(&cinfo);
    if (!OutputFitsPixelLimit(cinfo)) {
        jpeg_destroy_decompress(&cinfo);
        return -1;
    }
    const int out_components = cinfo.output_components;
    const std::uint64_t row_bytes = static_cast<std::uint64_t>(cinfo.output_width) * out_components;
    pixels = static_cast<JSAMPLE*>(memory->allocate(static_cast<std::size_t>(row_bytes * cinfo.output_height)));
    if (pixels == nullptr) {
        jpeg_destroy_decompress(&cinfo);
        return -1;
    }
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = pixels + static_cast<std::size_t>(cinfo.output_scanline) * row_bytes;
        jpeg_read_scanlines(&cinfo, &row, 1);
#ifndef JCS_EXTENSIONS
        if (out_components == 3) {
            for (std::uint64_t i = 0; i + 2 < row_bytes; i += 3) {
                const JSAMPLE t = row[i];
                row[i] = row[i + 2];
                row[i + 2] = t;
            }
        }
#endif
    }
    jpeg_finish_decompress(&cinfo);

    std::memset(out, 0, sizeof *out);
    out->width = static_cast<std::int32_t>(cinfo.output_width);
    out->height = static_cast<std::int32_t>(cinfo.output_height);
    out->row_bytes = static_cast<std::int32_t>(row_bytes);
    out->layout = out_components == 1 ? kDecodedGrey8 : kDecodedBgr24;
    out->pixels = pixels;
    jpeg_destroy_decompress(&cinfo);
    return 0;
}
