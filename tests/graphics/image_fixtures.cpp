// Builders of small image files for the reader tests, and the memory-stream helpers.
#include "image_fixtures.h"

#include <png.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <jpeglib.h>

#include "engine/file/memory_stream.h"

void Put16(Bytes& b, std::uint32_t v) {
    b.push_back(static_cast<unsigned char>(v));
    b.push_back(static_cast<unsigned char>(v >> 8));
}

void Put32(Bytes& b, std::uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

Bytes MakeBmp(const BmpSpec& s) {
    Bytes info;
    Put32(info, s.header_size);
    Put32(info, static_cast<std::uint32_t>(s.width));
    Put32(info, static_cast<std::uint32_t>(s.height));
    Put16(info, 1);
    Put16(info, s.bit_count);
    Put32(info, s.compression);
    Put32(info, static_cast<std::uint32_t>(s.pixels.size()));
    Put32(info, 2835);
    Put32(info, 2835);
    Put32(info, s.colors_used);
    Put32(info, 0);
    const bool masks_in_header = s.header_size >= 52;
    if (masks_in_header) {
        for (int i = 0; i < 4; ++i) Put32(info, s.masks[i]);
        info.resize(s.header_size, 0);
    } else if (s.compression == 3) {
        for (int i = 0; i < 3; ++i) Put32(info, s.masks[i]);
    }
    for (std::uint32_t c : s.table) Put32(info, c);
    const std::uint32_t offset = s.offset >= 0 ? static_cast<std::uint32_t>(s.offset) : 14 + static_cast<std::uint32_t>(info.size());
    Bytes out = {'B', 'M'};
    Put32(out, offset + static_cast<std::uint32_t>(s.pixels.size()));
    Put32(out, 0);
    Put32(out, offset);
    out.insert(out.end(), info.begin(), info.end());
    if (out.size() < offset) out.resize(offset, 0);
    out.insert(out.end(), s.pixels.begin(), s.pixels.end());
    return out;
}

Bytes MakeTga(const TgaSpec& s) {
    Bytes out;
    out.push_back(static_cast<unsigned char>(s.id.size()));
    out.push_back(static_cast<unsigned char>(s.map_type));
    out.push_back(static_cast<unsigned char>(s.type));
    Put16(out, s.map_first);
    Put16(out, s.map_length);
    out.push_back(static_cast<unsigned char>(s.map_bits));
    Put16(out, s.x_origin);
    Put16(out, 0);
    Put16(out, s.width);
    Put16(out, s.height);
    out.push_back(static_cast<unsigned char>(s.pixel_depth));
    out.push_back(static_cast<unsigned char>(s.descriptor));
    out.insert(out.end(), s.id.begin(), s.id.end());
    out.insert(out.end(), s.map.begin(), s.map.end());
    out.insert(out.end(), s.data.begin(), s.data.end());
    if (s.footer) {
        Put32(out, 0);
        Put32(out, 0);
        const char* sig = "TRUEVISION-XFILE.";
        out.insert(out.end(), sig, sig + 17);
        out.push_back(0);
    }
    return out;
}

Bytes MakeBgra(std::uint32_t depth_word, std::uint32_t width, std::uint32_t height, const Bytes& data) {
    Bytes out = {'B', 'G', 'R', 'A'};
    Put32(out, depth_word);
    Put32(out, width);
    Put32(out, height);
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

std::uint32_t FourCcCode(const char* t) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(t[0])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(t[1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(t[2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(t[3])) << 24;
}

Bytes MakeDds(const DdsSpec& s) {
    Bytes out = {'D', 'D', 'S', ' '};
    Put32(out, 124);
    Put32(out, s.flags);
    Put32(out, s.height);
    Put32(out, s.width);
    Put32(out, s.pitch);
    Put32(out, 0);
    Put32(out, 0);
    for (int i = 0; i < 11; ++i) Put32(out, 0);
    Put32(out, 32);
    Put32(out, s.pf_flags);
    Put32(out, s.four_cc);
    Put32(out, s.bits);
    for (int i = 0; i < 4; ++i) Put32(out, s.masks[i]);
    for (int i = 0; i < 5; ++i) Put32(out, 0);
    out.insert(out.end(), s.data.begin(), s.data.end());
    return out;
}

namespace {

void PngWriteToVector(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}
void PngFlushNothing(png_structp) {}
[[noreturn]] void PngWriterFailed(png_structp, png_const_charp message) {
    std::fprintf(stderr, "fixture PNG writer: %s\n", message);
    std::abort();
}

}  // namespace

Bytes MakePng(const PngSpec& s) {
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngWriterFailed, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, PngWriteToVector, PngFlushNothing);
    png_set_IHDR(png, info, s.width, s.height, s.bit_depth, s.color_type,
                 s.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> palette;
    for (std::uint32_t c : s.palette) {
        palette.push_back(png_color{static_cast<png_byte>(c >> 16), static_cast<png_byte>(c >> 8), static_cast<png_byte>(c)});
    }
    if (!palette.empty()) png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
    if (!s.trns.empty()) {
        if (s.color_type == PNG_COLOR_TYPE_PALETTE) {
            png_set_tRNS(png, info, s.trns.data(), static_cast<int>(s.trns.size()), nullptr);
        } else {
            png_color_16 colour{};
            if (s.color_type == PNG_COLOR_TYPE_GRAY) {
                colour.gray = static_cast<png_uint_16>(s.trns[0] << 8 | s.trns[1]);
            } else {
                colour.red = static_cast<png_uint_16>(s.trns[0] << 8 | s.trns[1]);
                colour.green = static_cast<png_uint_16>(s.trns[2] << 8 | s.trns[3]);
                colour.blue = static_cast<png_uint_16>(s.trns[4] << 8 | s.trns[5]);
            }
            png_set_tRNS(png, info, nullptr, 0, &colour);
        }
    }
    std::vector<png_text> text;
    for (const auto& [keyword, words] : s.text) {
        png_text t{};
        t.compression = PNG_TEXT_COMPRESSION_NONE;
        t.key = const_cast<char*>(keyword.c_str());
        t.text = const_cast<char*>(words.c_str());
        t.text_length = words.size();
        text.push_back(t);
    }
    if (!text.empty()) png_set_text(png, info, text.data(), static_cast<int>(text.size()));
    png_write_info(png, info);
    std::vector<Bytes> rows = s.rows;
    std::vector<png_bytep> pointers;
    for (Bytes& r : rows) pointers.push_back(r.data());
    png_write_image(png, pointers.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

Bytes MakeJpeg(const JpegSpec& s) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr error;
    cinfo.err = jpeg_std_error(&error);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(s.width);
    cinfo.image_height = static_cast<JDIMENSION>(s.height);
    cinfo.input_components = s.components;
    cinfo.in_color_space = s.components == 1 ? JCS_GRAYSCALE : s.components == 3 ? JCS_RGB : JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, s.quality, TRUE);
    if (s.progressive) jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    Bytes pixels = s.pixels;
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = pixels.data() + static_cast<std::size_t>(cinfo.next_scanline) * s.width * s.components;
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    Bytes out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

int ReadImageBytes(GraphImageReader reader, const Bytes& bytes, GraphImage* image) {
    StreamDescriptor d{*GetMemoryStreamFunctions(),
                       OpenMemoryStream(bytes.empty() ? static_cast<const void*>("") : bytes.data(),
                                        static_cast<std::uint32_t>(bytes.size()))};
    if (d.handle == 0) return -2;
    int result;
    if (reader == nullptr) {
        result = ReadGraphImage(&d, image);
    } else {
        d.functions.seek(d.handle, 0, kSeekSet);
        std::memset(image, 0, sizeof *image);
        result = reader(&d, image);
    }
    d.functions.close(d.handle);
    return result;
}

unsigned PixelByte(const GraphImage& image, int x, int y, int b) {
    return static_cast<const unsigned char*>(image.pixels)[static_cast<std::size_t>(y) * image.pitch +
                                                          static_cast<std::size_t>(x) * image.format.bytes_per_pixel + b];
}

std::uint32_t PixelValue(const GraphImage& image, int x, int y) {
    std::uint32_t v = 0;
    for (int b = image.format.bytes_per_pixel - 1; b >= 0; --b) v = v << 8 | PixelByte(image, x, y, b);
    return v;
}
