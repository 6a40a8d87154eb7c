// The engine's LZ unpacker against zlib's inflate on the same content: the game's data
// files (when they have been generated; they are mostly PNG and Ogg, so already dense)
// and synthetic raw image- and sound-like data that does compress. Each file is packed
// with the test packer and deflated with zlib (level 9) once; a run unpacks all files of
// its corpus. Prints MB/s per library and their ratio for each corpus.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "engine/file/lz_unpack.h"
#include "tests/support/lz_packer.h"

namespace {

struct Packed {
    std::string name;
    std::string original;
    std::string lz;
    std::string deflated;
};

// Images: smooth gradients with flat areas and repeated sprites; sounds: 16-bit tones
// with a decaying envelope and a little noise.
std::vector<std::pair<std::string, std::string>> SyntheticFiles() {
    std::vector<std::pair<std::string, std::string>> files;
    for (int k = 0; k < 4; ++k) {
        std::string image;
        for (int y = 0; y < 240; ++y) {
            for (int x = 0; x < 320; ++x) {
                const bool sprite = ((x / 32 + y / 32 + k) % 5) == 0;
                const int r = sprite ? 255 : (x * 255 / 320);
                const int g = sprite ? (x % 32) * 8 : (y * 255 / 240);
                const int b = sprite ? 0 : 64 * k;
                image.push_back(static_cast<char>(b));
                image.push_back(static_cast<char>(g));
                image.push_back(static_cast<char>(r));
                image.push_back(static_cast<char>(255));
            }
        }
        files.emplace_back("image" + std::to_string(k), image);
    }
    std::uint32_t seed = 7;
    for (int k = 0; k < 4; ++k) {
        std::string sound;
        for (int i = 0; i < 44100; ++i) {
            seed = seed * 1103515245u + 12345u;
            const double envelope = std::exp(-i / (8000.0 * (k + 1)));
            const int noise = static_cast<int>((seed >> 16) & 0x3F) - 32;
            const int sample = static_cast<int>(12000 * envelope * std::sin(i * (0.03 + 0.02 * k))) + noise;
            sound.push_back(static_cast<char>(sample & 0xFF));
            sound.push_back(static_cast<char>((sample >> 8) & 0xFF));
        }
        files.emplace_back("sound" + std::to_string(k), sound);
    }
    return files;
}

std::vector<std::pair<std::string, std::string>> GameFiles() {
    std::vector<std::pair<std::string, std::string>> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(VOMUR_BENCH_DAT_DIR, error)) {
        if (!entry.is_regular_file()) continue;
        std::ifstream in(entry.path(), std::ios::binary);
        files.emplace_back(entry.path().filename().string(),
                           std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
    }
    return files;
}

// Corpus 0: the game's data files; corpus 1: synthetic raw data.
std::vector<Packed>& Corpus(int which) {
    static std::vector<Packed> corpora[2];
    static bool made[2] = {false, false};
    if (!made[which]) {
        made[which] = true;
        std::vector<std::pair<std::string, std::string>> files = which == 0 ? GameFiles() : SyntheticFiles();
        std::vector<Packed>& out = corpora[which];
        for (auto& [name, data] : files) {
            Packed p{name, data, PackLz(data), {}};
            uLongf bound = compressBound(static_cast<uLong>(data.size()));
            p.deflated.resize(bound);
            compress2(reinterpret_cast<Bytef*>(p.deflated.data()), &bound,
                      reinterpret_cast<const Bytef*>(data.data()), static_cast<uLong>(data.size()), 9);
            p.deflated.resize(bound);
            out.push_back(std::move(p));
        }
    }
    return corpora[which];
}

std::int64_t TotalBytes(int which) {
    std::int64_t total = 0;
    for (const Packed& p : Corpus(which)) total += static_cast<std::int64_t>(p.original.size());
    return total;
}

void BM_LzUnpack(benchmark::State& state) {
    const int which = static_cast<int>(state.range(0));
    std::vector<Packed>& corpus = Corpus(which);
    if (corpus.empty()) {
        state.SkipWithError("no data files generated");
        return;
    }
    std::vector<std::string> out;
    for (const Packed& p : corpus) out.emplace_back(p.original.size(), '\0');
    for (auto _ : state) {
        for (std::size_t i = 0; i < corpus.size(); ++i) {
            const std::int64_t n = UnpackLz(corpus[i].lz.data(), static_cast<std::uint32_t>(corpus[i].lz.size()),
                                            out[i].data(), static_cast<std::uint32_t>(out[i].size()));
            if (n != static_cast<std::int64_t>(corpus[i].original.size())) state.SkipWithError("LZ unpack failed");
            benchmark::DoNotOptimize(out[i].data());
        }
    }
    state.SetBytesProcessed(state.iterations() * TotalBytes(which));
}
BENCHMARK(BM_LzUnpack)->Arg(0)->Arg(1);

void BM_ZlibInflate(benchmark::State& state) {
    const int which = static_cast<int>(state.range(0));
    std::vector<Packed>& corpus = Corpus(which);
    if (corpus.empty()) {
        state.SkipWithError("no data files generated");
        return;
    }
    std::vector<std::string> out;
    for (const Packed& p : corpus) out.emplace_back(p.original.size(), '\0');
    for (auto _ : state) {
        for (std::size_t i = 0; i < corpus.size(); ++i) {
            uLongf size = static_cast<uLongf>(out[i].size());
            if (uncompress(reinterpret_cast<Bytef*>(out[i].data()), &size,
                           reinterpret_cast<const Bytef*>(corpus[i].deflated.data()),
                           static_cast<uLong>(corpus[i].deflated.size())) != Z_OK) {
                state.SkipWithError("inflate failed");
            }
            benchmark::DoNotOptimize(out[i].data());
        }
    }
    state.SetBytesProcessed(state.iterations() * TotalBytes(which));
}
BENCHMARK(BM_ZlibInflate)->Arg(0)->Arg(1);

// Keeps each run's throughput so the ratio can be printed after the table.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            const auto it = run.counters.find("bytes_per_second");
            if (it != run.counters.end()) rates_[run.benchmark_name()] = it->second.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> rates_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    const char* const names[2] = {"game data files (" VOMUR_BENCH_DAT_DIR ")", "synthetic raw images and sounds"};
    for (int which = 0; which < 2; ++which) {
        std::size_t original = 0;
        std::size_t lz = 0;
        std::size_t deflated = 0;
        for (const Packed& p : Corpus(which)) {
            original += p.original.size();
            lz += p.lz.size();
            deflated += p.deflated.size();
        }
        if (original == 0) {
            std::printf("corpus %d, %s: none found\n", which, names[which]);
            continue;
        }
        std::printf("corpus %d, %s: %zu files, %zu bytes; LZ packs to %.1f%%, zlib to %.1f%%\n", which, names[which],
                    Corpus(which).size(), original, 100.0 * lz / original, 100.0 * deflated / original);
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (int which = 0; which < 2; ++which) {
        const double lz_rate = reporter.rates_["BM_LzUnpack/" + std::to_string(which)];
        const double zlib_rate = reporter.rates_["BM_ZlibInflate/" + std::to_string(which)];
        if (lz_rate > 0 && zlib_rate > 0) {
            std::printf("corpus %d: LZ unpack %.1f MB/s, zlib inflate %.1f MB/s, ratio LZ/zlib %.2f\n", which,
                        lz_rate / 1e6, zlib_rate / 1e6, lz_rate / zlib_rate);
        }
    }
    benchmark::Shutdown();
    return 0;
}
