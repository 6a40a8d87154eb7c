// Movie decoding: a 640x480 Theora movie decoded and converted to 32-bit RGB through the
// movie path (decode thread, frame stock, table conversion) against bare libtheora
// decoding plus a plain conversion of the same file; and the YUV to RGB conversion alone
// against libswscale's, in megapixels per second. Ratios are printed as counters.
extern "C" {
#include <libswscale/swscale.h>
}
#include <benchmark/benchmark.h>
#include <ogg/ogg.h>
#include <theora/theoradec.h>

#include <cstring>
#include <vector>

#include "engine/file/file.h"
#include "engine/movie/movie.h"
#include "engine/movie/theora_movie.h"
#include "engine/movie/yuv_to_rgb.h"
#include "tests/movie/movie_fixtures.h"

namespace {

constexpr int kWidth = 640, kHeight = 480, kFrames = 48;

const std::vector<std::uint8_t>& MovieBytes() {
    static const std::vector<std::uint8_t> bytes = [] {
        TheoraFixture f;
        f.coded_width = f.picture_width = kWidth;
        f.coded_height = f.picture_height = kHeight;
        f.frames = kFrames;
        f.keyframe_interval = 16;
        std::vector<std::uint8_t> b = MakeTheoraFile(f);
        WriteFileBytes("/tmp/vomur_bench_movie.ogv", b);
        return b;
    }();
    return bytes;
}

void BM_MoviePathDecodeAndConvert(benchmark::State& state) {
    MovieBytes();
    SetupFileAccessTable(nullptr);
    InitYuvToRgbTables();
    const FileHandle file = FileAccessOpen("/tmp/vomur_bench_movie.ogv", 0, 1, 0);
    TheoraMovie* movie = OpenTheoraMovie(GetFileAccessTable(), file, 10);
    std::int64_t frames = 0;
    for (auto _ : state) {
        for (int k = 0; k < kFrames; ++k) {
            AdvanceTheoraFrames(movie, 1);
            FetchTheoraFrame(movie, 1, 0);
            ++frames;
        }
        benchmark::DoNotOptimize(GetTheoraFrameImage(movie)->pixels[0]);
    }
    state.counters["fps"] = benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
    CloseTheoraMovie(movie);
    FileAccessClose(file);
}

// libtheora's own decoder over the whole file, each picture converted by the plain
// per-pixel formula.
void BM_BareLibtheoraDecodeAndConvert(benchmark::State& state) {
    const std::vector<std::uint8_t>& bytes = MovieBytes();
    InitYuvToRgbTables();
    std::vector<std::uint8_t> rgb(static_cast<std::size_t>(kWidth) * kHeight * 4);
    std::int64_t frames = 0;
    for (auto _ : state) {
        ogg_sync_state sync;
        ogg_sync_init(&sync);
        char* buffer = ogg_sync_buffer(&sync, static_cast<long>(bytes.size()));
        std::memcpy(buffer, bytes.data(), bytes.size());
        ogg_sync_wrote(&sync, static_cast<long>(bytes.size()));
        th_info info;
        th_info_init(&info);
        th_comment comment;
        th_comment_init(&comment);
        th_setup_info* setup = nullptr;
        ogg_stream_state stream;
        bool have = false;
        th_dec_ctx* decoder = nullptr;
        ogg_page page;
        ogg_packet packet;
        const YuvToRgbTables& t = kYuvToRgbTables;
        while (ogg_sync_pageout(&sync, &page) == 1) {
            if (!have) {
                ogg_stream_init(&stream, ogg_page_serialno(&page));
                have = true;
            }
            ogg_stream_pagein(&stream, &page);
            while (ogg_stream_packetout(&stream, &packet) == 1) {
                if (decoder == nullptr) {
                    if (th_decode_headerin(&info, &comment, &setup, &packet) > 0) continue;
                    decoder = th_decode_alloc(&info, setup);
                }
                th_decode_packetin(decoder, &packet, nullptr);
                th_ycbcr_buffer p;
                th_decode_ycbcr_out(decoder, p);
                for (int y = 0; y < kHeight; ++y) {
                    const std::uint8_t* ys = p[0].data + y * p[0].stride;
                    const std::uint8_t* cb = p[1].data + (y >> 1) * p[1].stride;
                    const std::uint8_t* cr = p[2].data + (y >> 1) * p[2].stride;
                    std::uint8_t* o = rgb.data() + static_cast<std::size_t>(y) * kWidth * 4;
                    for (int x = 0; x < kWidth; ++x) {
                        const int l = t.luma[ys[x]];
                        o[0] = t.clamp[(l + t.cb_to_blue[cb[x >> 1]]) / 16384 + 512];
                        o[1] = t.clamp[(l + t.cb_to_green[cb[x >> 1]] + t.cr_to_green[cr[x >> 1]]) / 16384 + 512];
                        o[2] = t.clamp[(l + t.cr_to_red[cr[x >> 1]]) / 16384 + 512];
                        o[3] = 255;
                        o += 4;
                    }
                }
                ++frames;
            }
        }
        benchmark::DoNotOptimize(rgb[0]);
        th_decode_free(decoder);
        th_setup_free(setup);
        th_comment_clear(&comment);
        th_info_clear(&info);
        if (have) ogg_stream_clear(&stream);
        ogg_sync_clear(&sync);
    }
    state.counters["fps"] = benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
}

struct Planes {
    std::vector<std::uint8_t> y, cb, cr, out;
    Planes() : y(kWidth * kHeight), cb(kWidth * kHeight / 4), cr(kWidth * kHeight / 4), out(kWidth * kHeight * 4) {
        for (std::size_t i = 0; i < y.size(); ++i) y[i] = static_cast<std::uint8_t>(i * 7 + (i >> 9));
        for (std::size_t i = 0; i < cb.size(); ++i) {
            cb[i] = static_cast<std::uint8_t>(i * 3);
            cr[i] = static_cast<std::uint8_t>(i * 5 + 17);
        }
    }
};

void BM_ConvertTables(benchmark::State& state) {
    InitYuvToRgbTables();
    Planes p;
    const YuvKernelKind kind = static_cast<YuvKernelKind>(state.range(0));
    for (auto _ : state) {
        ConvertYuv420Frame(YuvFrameArgs{p.y.data(), kWidth, p.cb.data(), p.cr.data(), kWidth / 2, 0, 0, kWidth,
                                        kHeight, p.out.data(), kWidth * 4},
                           kind);
        benchmark::DoNotOptimize(p.out[0]);
    }
    state.counters["Mpx/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * kWidth * kHeight / 1e6,
                                                 benchmark::Counter::kIsRate);
}

void BM_ConvertSwscale(benchmark::State& state) {
    Planes p;
    SwsContext* sws = sws_getContext(kWidth, kHeight, AV_PIX_FMT_YUV420P, kWidth, kHeight, AV_PIX_FMT_BGRA,
                                     SWS_POINT, nullptr, nullptr, nullptr);
    const std::uint8_t* src[4] = {p.y.data(), p.cb.data(), p.cr.data(), nullptr};
    const int src_stride[4] = {kWidth, kWidth / 2, kWidth / 2, 0};
    std::uint8_t* dst[4] = {p.out.data(), nullptr, nullptr, nullptr};
    const int dst_stride[4] = {kWidth * 4, 0, 0, 0};
    for (auto _ : state) {
        sws_scale(sws, src, src_stride, 0, kHeight, dst, dst_stride);
        benchmark::DoNotOptimize(p.out[0]);
    }
    sws_freeContext(sws);
    state.counters["Mpx/s"] = benchmark::Counter(static_cast<double>(state.iterations()) * kWidth * kHeight / 1e6,
                                                 benchmark::Counter::kIsRate);
}

}  // namespace

BENCHMARK(BM_MoviePathDecodeAndConvert)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_BareLibtheoraDecodeAndConvert)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_ConvertTables)->Arg(kYuvKernelTable)->Arg(kYuvKernelVector)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_ConvertSwscale)->Unit(benchmark::kMicrosecond);
BENCHMARK_MAIN();
