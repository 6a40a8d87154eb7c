// Image loading and colour conversion speed: a 640x480 PNG (8-bit RGB) and JPEG loaded
// through the engine's reader chain against libpng's and libjpeg's own decode of the same
// bytes, and ConvertColorBlt on the decoded picture for the conversions the game makes.
// The pictures are made here, deterministically, with the libraries' writers.
#include <benchmark/benchmark.h>

#include <cstdio>  // before jpeglib.h, which needs FILE
#include <jpeglib.h>
#include <png.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "engine/graphics/images/graph_image.h"
#include "engine/graphics/images/image_loader.h"
#include "engine/pixels/conversion_blit.h"

namespace {

using Bytes = std::vector<unsigned char>;

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr double kMegapixels = kWidth * kHeight / 1e6;

// ---- the test picture and its two files ----------------------------------------------

// A sheet of 40x40 cells, each a black background (the game's colour key) around a disc
// of a red/green/blue gradient with a little noise; about a third of the pixels are black.
Bytes MakeRgbPicture() {
    Bytes rgb(static_cast<std::size_t>(kWidth) * kHeight * 3);
    std::uint32_t seed = 12345;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            seed = seed * 1103515245u + 12345u;
            const int noise = static_cast<int>((seed >> 16) & 15) - 8;
            const int dx = x % 40 - 20;
            const int dy = y % 40 - 20;
            unsigned char* p = &rgb[(static_cast<std::size_t>(y) * kWidth + x) * 3];
            if (dx * dx + dy * dy > 18 * 18) {
                p[0] = p[1] = p[2] = 0;
                continue;
            }
            const int channel[3] = {x * 255 / (kWidth - 1), y * 255 / (kHeight - 1), (x + y) * 255 / (kWidth + kHeight)};
            for (int c = 0; c < 3; ++c) {
                const int v = channel[c] + noise;
                p[c] = static_cast<unsigned char>(v < 16 ? 16 : v > 255 ? 255 : v);
            }
        }
    }
    return rgb;
}

// The libraries report errors through these; the benchmark data is always valid, so any
// error is a fault of the benchmark and stops it.
[[noreturn]] void PngFail(png_structp, png_const_charp message) {
    std::fprintf(stderr, "libpng: %s\n", message);
    std::abort();
}
void PngQuiet(png_structp, png_const_charp) {}
[[noreturn]] void JpegFail(j_common_ptr info) {
    (*info->err->output_message)(info);
    std::abort();
}

void PngWriteToBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}
void PngFlushNothing(png_structp) {}

Bytes WritePng(const Bytes& rgb) {
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, PngFail, PngQuiet);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, PngWriteToBytes, PngFlushNothing);
    png_set_IHDR(png, info, kWidth, kHeight, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < kHeight; ++y) {
        png_write_row(png, const_cast<png_bytep>(&rgb[static_cast<std::size_t>(y) * kWidth * 3]));
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

Bytes WriteJpeg(const Bytes& rgb) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr error{};
    cinfo.err = jpeg_std_error(&error);
    error.error_exit = JpegFail;
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = kWidth;
    cinfo.image_height = kHeight;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 90, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(&rgb[static_cast<std::size_t>(cinfo.next_scanline) * kWidth * 3]);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    Bytes out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

struct TestFiles {
    Bytes png;
    Bytes jpeg;
};

const TestFiles& Files() {
    static const TestFiles files = [] {
        const Bytes rgb = MakeRgbPicture();
        return TestFiles{WritePng(rgb), WriteJpeg(rgb)};
    }();
    return files;
}

// The same bytes on disk, in a private folder that is the current directory while the
// benchmarks run (the engine's file layer opens names relative to it).
const char* const kPngName = "picture.png";
const char* const kJpegName = "picture.jpg";

void WriteFile(const char* name, const Bytes& bytes) {
    std::FILE* f = std::fopen(name, "wb");
    if (f == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size() || std::fclose(f) != 0) {
        std::fprintf(stderr, "cannot write %s\n", name);
        std::abort();
    }
}

// ---- the bare library decodes: BGR rows into one malloc'd block ----------------------

struct PngMemorySource {
    const unsigned char* next;
    std::size_t left;
};

void PngReadFromMemory(png_structp png, png_bytep out, png_size_t length) {
    auto* source = static_cast<PngMemorySource*>(png_get_io_ptr(png));
    if (length > source->left) png_error(png, "read past the end");
    std::memcpy(out, source->next, length);
    source->next += length;
    source->left -= length;
}

// From memory when `file` is null, else from the open file.
void* BarePngDecode(const Bytes& bytes, std::FILE* file) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngFail, PngQuiet);
    png_infop info = png_create_info_struct(png);
    PngMemorySource source{bytes.data(), bytes.size()};
    if (file != nullptr) {
        png_init_io(png, file);
    } else {
        png_set_read_fn(png, &source, PngReadFromMemory);
    }
    png_read_info(png, info);
    png_set_bgr(png);
    png_read_update_info(png, info);
    const std::size_t row_bytes = png_get_rowbytes(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    auto* pixels = static_cast<png_bytep>(std::malloc(row_bytes * height));
    auto* rows = static_cast<png_bytepp>(std::malloc(sizeof(png_bytep) * height));
    for (png_uint_32 y = 0; y < height; ++y) rows[y] = pixels + row_bytes * y;
    png_read_image(png, rows);
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    std::free(rows);
    return pixels;
}

void* BareJpegDecode(const Bytes& bytes, std::FILE* file) {
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr error{};
    cinfo.err = jpeg_std_error(&error);
    error.error_exit = JpegFail;
    jpeg_create_decompress(&cinfo);
    if (file != nullptr) {
        jpeg_stdio_src(&cinfo, file);
    } else {
        jpeg_mem_src(&cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
    }
    jpeg_read_header(&cinfo, TRUE);
#ifdef JCS_EXTENSIONS
    cinfo.out_color_space = JCS_EXT_BGR;
#endif
    jpeg_start_decompress(&cinfo);
    const std::size_t row_bytes = static_cast<std::size_t>(cinfo.output_width) * cinfo.output_components;
    const JDIMENSION height = cinfo.output_height;
    auto* pixels = static_cast<JSAMPLE*>(std::malloc(row_bytes * height));
    auto* rows = static_cast<JSAMPROW*>(std::malloc(sizeof(JSAMPROW) * height));
    for (JDIMENSION y = 0; y < height; ++y) rows[y] = pixels + row_bytes * y;
    while (cinfo.output_scanline < height) {
        jpeg_read_scanlines(&cinfo, rows + cinfo.output_scanline, height - cinfo.output_scanline);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    std::free(rows);
    return pixels;
}

// ---- reader chain against bare decode, interleaved in one run ------------------------

enum Format { kPng = 0, kJpeg = 1 };
enum Source { kMemory = 0, kFile = 1 };

void ChainLoad(Format format, Source source, benchmark::State& state) {
    const Bytes& bytes = format == kPng ? Files().png : Files().jpeg;
    GraphImage image{};
    const int result =
        source == kMemory
            ? LoadGraphImage(nullptr, bytes.data(), static_cast<std::uint32_t>(bytes.size()), 1, 0, 0, &image, nullptr,
                             nullptr)
            : LoadGraphImage(format == kPng ? kPngName : kJpegName, nullptr, 0, 0, 0, 0, &image, nullptr, nullptr);
    if (result != 0 || image.width != kWidth || image.height != kHeight || image.format.bit_depth != 24) {
        state.SkipWithError("the reader chain did not load the picture as 640x480 RGB24");
    }
    benchmark::DoNotOptimize(image.pixels);
    FreeGraphImage(&image);
}

void BareDecode(Format format, Source source) {
    const Bytes& bytes = format == kPng ? Files().png : Files().jpeg;
    std::FILE* file = nullptr;
    if (source == kFile) file = std::fopen(format == kPng ? kPngName : kJpegName, "rb");
    void* pixels = format == kPng ? BarePngDecode(bytes, file) : BareJpegDecode(bytes, file);
    benchmark::DoNotOptimize(pixels);
    std::free(pixels);
    if (file != nullptr) std::fclose(file);
}

// Each iteration loads the picture once through the chain and once with the bare
// library, timing both, so the ratio comes from the same run under the same conditions.
void BM_ChainAgainstBare(benchmark::State& state, Format format, Source source) {
    using Clock = std::chrono::steady_clock;
    Clock::duration chain{};
    Clock::duration bare{};
    for (auto _ : state) {
        const Clock::time_point t0 = Clock::now();
        ChainLoad(format, source, state);
        const Clock::time_point t1 = Clock::now();
        BareDecode(format, source);
        const Clock::time_point t2 = Clock::now();
        chain += t1 - t0;
        bare += t2 - t1;
    }
    const double n = static_cast<double>(state.iterations());
    const double chain_s = std::chrono::duration<double>(chain).count() / n;
    const double bare_s = std::chrono::duration<double>(bare).count() / n;
    const double file_mb = static_cast<double>((format == kPng ? Files().png : Files().jpeg).size()) / 1e6;
    state.counters["chain_ms"] = chain_s * 1e3;
    state.counters["bare_ms"] = bare_s * 1e3;
    state.counters["chain_MPix/s"] = kMegapixels / chain_s;
    state.counters["bare_MPix/s"] = kMegapixels / bare_s;
    state.counters["chain_file_MB/s"] = file_mb / chain_s;
    state.counters["ratio"] = chain_s / bare_s;
}

// ---- ConvertColorBlt on the decoded picture ------------------------------------------

struct Conversion {
    const char* name;
    int bit_depth;
    std::uint32_t masks[4];  // red, green, blue, alpha
    bool key_to_alpha;       // black becomes alpha 0
    bool alpha_picture;      // alpha from a separate "_a" picture
};

// The screen formats, the keyed sprite formats with alpha, and a picture with its "_a".
const Conversion kConversions[] = {
    {"rgb24_to_r5g6b5", 16, {0xF800, 0x07E0, 0x001F, 0}, false, false},
    {"rgb24_to_x8r8g8b8", 32, {0xFF0000, 0xFF00, 0xFF, 0}, false, false},
    {"rgb24_key_to_a8r8g8b8", 32, {0xFF0000, 0xFF00, 0xFF, 0xFF000000u}, true, false},
    {"rgb24_key_to_a1r5g5b5", 16, {0x7C00, 0x03E0, 0x001F, 0x8000}, true, false},
    {"rgb24_key_to_a4r4g4b4", 16, {0x0F00, 0x00F0, 0x000F, 0xF000}, true, false},
    {"rgb24_with_alpha_picture_to_a8r8g8b8", 32, {0xFF0000, 0xFF00, 0xFF, 0xFF000000u}, false, true},
};

// The PNG as the reader chain gives it, and a grey "_a" picture of the same size.
struct BlitSources {
    GraphImage picture{};
    GraphImage alpha{};
    std::size_t black_pixels = 0;
};

const BlitSources& Sources() {
    static const BlitSources sources = [] {
        BlitSources s;
        const Bytes& png = Files().png;
        if (LoadGraphImage(nullptr, png.data(), static_cast<std::uint32_t>(png.size()), 1, 0, 0, &s.picture, nullptr,
                           nullptr) != 0 ||
            CreateRgb24GraphImage(kWidth, kHeight, &s.alpha) != 0) {
            std::fprintf(stderr, "cannot make the blit sources\n");
            std::abort();
        }
        for (int y = 0; y < kHeight; ++y) {
            const auto* row = static_cast<const unsigned char*>(s.picture.pixels) + y * s.picture.pitch;
            auto* alpha_row = static_cast<unsigned char*>(s.alpha.pixels) + y * s.alpha.pitch;
            for (int x = 0; x < kWidth; ++x) {
                if (row[x * 3] == 0 && row[x * 3 + 1] == 0 && row[x * 3 + 2] == 0) ++s.black_pixels;
                std::memset(alpha_row + x * 3, (x + y) & 0xFF, 3);
            }
        }
        return s;
    }();
    return sources;
}

void BM_ConvertColorBlt(benchmark::State& state, const Conversion& c) {
    const BlitSources& s = Sources();
    ColorFormat dest_format{};
    BuildColorFormat(&dest_format, c.bit_depth, c.masks[0], c.masks[1], c.masks[2], c.masks[3]);
    const int bytes = c.bit_depth / 8;
    const int dest_pitch = kWidth * bytes;
    std::vector<unsigned char> dest(static_cast<std::size_t>(dest_pitch) * kHeight);
    const RECT rect{0, 0, kWidth, kHeight};
    const void* alpha = c.alpha_picture ? s.alpha.pixels : nullptr;
    const ColorFormat* alpha_format = c.alpha_picture ? &s.alpha.format : nullptr;
    for (auto _ : state) {
        ConvertColorBlt({.dest = dest.data(), .dest_pitch = dest_pitch, .dest_format = &dest_format,
                         .src = s.picture.pixels, .src_pitch = s.picture.pitch, .src_format = &s.picture.format,
                         .alpha = alpha, .alpha_pitch = c.alpha_picture ? s.alpha.pitch : 0,
                         .alpha_format = alpha_format, .src_rect = &rect, .key_to_alpha = c.key_to_alpha ? 1 : 0,
                         .key = 0x000000});
        benchmark::DoNotOptimize(dest.data());
        benchmark::ClobberMemory();
    }
    // A keyed conversion must have cleared the alpha of exactly the black pixels.
    if (c.key_to_alpha) {
        std::size_t transparent = 0;
        for (int i = 0; i < kWidth * kHeight; ++i) {
            std::uint32_t v = 0;
            std::memcpy(&v, &dest[static_cast<std::size_t>(i) * bytes], bytes);
            if ((v & c.masks[3]) == 0) ++transparent;
        }
        if (transparent != s.black_pixels) state.SkipWithError("key to alpha missed some black pixels");
    }
    const double pixels = static_cast<double>(state.iterations()) * kWidth * kHeight;
    state.counters["MPix/s"] = benchmark::Counter(pixels / 1e6, benchmark::Counter::kIsRate);
    state.counters["dest_MB/s"] = benchmark::Counter(pixels * bytes / 1e6, benchmark::Counter::kIsRate);
}

void RegisterBenchmarks() {
    const struct {
        const char* name;
        Format format;
        Source source;
    } loads[] = {
        {"ChainAgainstBare/png_memory", kPng, kMemory},
        {"ChainAgainstBare/jpeg_memory", kJpeg, kMemory},
        {"ChainAgainstBare/png_file", kPng, kFile},
        {"ChainAgainstBare/jpeg_file", kJpeg, kFile},
    };
    for (const auto& load : loads) {
        benchmark::RegisterBenchmark(load.name, BM_ChainAgainstBare, load.format, load.source)
            ->Unit(benchmark::kMillisecond);
    }
    for (const Conversion& c : kConversions) {
        benchmark::RegisterBenchmark((std::string("ConvertColorBlt/") + c.name).c_str(), BM_ConvertColorBlt, c)
            ->Unit(benchmark::kMicrosecond);
    }
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RegisterBenchmarks();
    const TestFiles& files = Files();
    char folder[] = "/tmp/vomur_image_bench_XXXXXX";
    char previous[4096];
    if (mkdtemp(folder) == nullptr || getcwd(previous, sizeof previous) == nullptr || chdir(folder) != 0) {
        std::fprintf(stderr, "cannot make a working folder\n");
        return 1;
    }
    WriteFile(kPngName, files.png);
    WriteFile(kJpegName, files.jpeg);
    std::printf("test picture 640x480 RGB: PNG %zu bytes, JPEG (quality 90) %zu bytes; %zu of %d pixels black\n",
                files.png.size(), files.jpeg.size(), Sources().black_pixels, kWidth * kHeight);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::remove(kPngName);
    std::remove(kJpegName);
    if (chdir(previous) != 0) return 1;
    rmdir(folder);
    return 0;
}
