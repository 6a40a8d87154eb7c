// The sound converter's decode of the game's music (Ogg Vorbis) and of MPEG audio
// against bare libvorbisfile and libmpg123 on the same bytes in memory, and the mixer's
// throughput with 16 looping voices of the game's effects at 44.1 kHz stereo. Prints the
// decode ratios (converter time / library time) and the mixer's share of one core.
#include <benchmark/benchmark.h>
#include <mpg123.h>
#include <vorbis/vorbisfile.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "engine/sound/sound_records.h"
#include "platform/audio/sound_mixer.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes ReadFile(const std::string& name) {
    std::ifstream in(std::string(VOMUR_BENCH_DAT_DIR) + "/" + name, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

const char* const kMusic[] = {"bgm00.ogg", "gover.ogg", "end.ogg"};
const char* const kEffects[] = {"bom00.wav", "out00.wav", "shot00.wav", "metal01.wav", "metal00.wav",
                                "ufo00.wav", "bari00.wav", "atk00.wav", "count.wav"};

// 600 silent MPEG-1 Layer III frames (128 kbit/s, 44.1 kHz stereo) behind an ID3v2 tag:
// the game has no MP3, so the MPEG path is measured on frames made here.
Bytes Mp3() {
    Bytes out = {'I', 'D', '3', 4, 0, 0, 0, 0, 0, 20};
    out.resize(30, 0);
    for (int i = 0; i < 600; ++i) {
        Bytes frame(417, 0);
        frame[0] = 0xFF;
        frame[1] = 0xFB;
        frame[2] = 0x90;
        out.insert(out.end(), frame.begin(), frame.end());
    }
    return out;
}

const Bytes& Input(int which) {
    static std::map<int, Bytes> inputs;
    auto it = inputs.find(which);
    if (it == inputs.end()) it = inputs.emplace(which, which < 3 ? ReadFile(kMusic[which]) : Mp3()).first;
    return it->second;
}

// Decodes whole through the engine's converter; returns the PCM bytes.
std::uint32_t ConverterDecode(const Bytes& file) {
    StreamDescriptor stream{};
    stream.functions = *GetMemoryStreamFunctions();
    stream.handle = OpenMemoryStream(file.data(), static_cast<std::uint32_t>(file.size()));
    SoundConvertRecord record{};
    std::uint32_t bytes = 0;
    if (OpenSoundConverter(stream, &record) == 0) {
        WAVEFORMATEX format{};
        unsigned char* block = nullptr;
        if (DecodeSoundConverterToPcm(&record, &format, &block, &bytes) == 0) TrackedFree(block);
        CloseSoundConverter(&record);
    }
    CloseMemoryStream(stream.handle);
    return bytes;
}

struct MemorySource {
    const Bytes* bytes;
    std::size_t position;
};

std::size_t MemRead(void* out, std::size_t size, std::size_t count, void* source) {
    auto* s = static_cast<MemorySource*>(source);
    std::size_t n = size * count;
    if (n > s->bytes->size() - s->position) n = s->bytes->size() - s->position;
    std::memcpy(out, s->bytes->data() + s->position, n);
    s->position += n;
    return size == 0 ? 0 : n / size;
}
int MemSeek(void* source, ogg_int64_t offset, int origin) {
    auto* s = static_cast<MemorySource*>(source);
    const std::int64_t base = origin == SEEK_SET ? 0 : origin == SEEK_CUR ? static_cast<std::int64_t>(s->position)
                                                                          : static_cast<std::int64_t>(s->bytes->size());
    const std::int64_t to = base + offset;
    if (to < 0 || to > static_cast<std::int64_t>(s->bytes->size())) return -1;
    s->position = static_cast<std::size_t>(to);
    return 0;
}
long MemTell(void* source) { return static_cast<long>(static_cast<MemorySource*>(source)->position); }

// The same decode with libvorbisfile alone, into one block of the whole PCM size.
std::uint32_t BareVorbisDecode(const Bytes& file) {
    MemorySource source{&file, 0};
    OggVorbis_File vf;
    const ov_callbacks callbacks{&MemRead, &MemSeek, nullptr, &MemTell};
    if (ov_open_callbacks(&source, &vf, nullptr, 0, callbacks) != 0) return 0;
    const vorbis_info* info = ov_info(&vf, -1);
    const std::int64_t total = ov_pcm_total(&vf, -1) * info->channels * 2;
    std::vector<char> pcm(static_cast<std::size_t>(total));
    std::uint32_t done = 0;
    int section = 0;
    for (;;) {
        const long got = ov_read(&vf, pcm.data() + done, 4096 < total - done ? 4096 : static_cast<int>(total - done),
                                 0, 2, 1, &section);
        if (got <= 0) break;
        done += static_cast<std::uint32_t>(got);
    }
    ov_clear(&vf);
    return done;
}

// The same decode with libmpg123 alone: the whole file fed at once, read into one block.
std::uint32_t BareMpg123Decode(const Bytes& file) {
    mpg123_handle* h = mpg123_new(nullptr, nullptr);
    mpg123_param(h, MPG123_FLAGS, MPG123_QUIET | MPG123_IGNORE_INFOFRAME, 0);
    mpg123_param(h, MPG123_REMOVE_FLAGS, MPG123_GAPLESS, 0);
    mpg123_format_none(h);
    mpg123_format(h, 44100, MPG123_STEREO, MPG123_ENC_SIGNED_16);
    mpg123_open_feed(h);
    mpg123_feed(h, file.data(), file.size());
    std::vector<unsigned char> pcm(600 * 1152 * 4 + 8192);
    std::size_t total = 0;
    for (;;) {
        std::size_t done = 0;
        const int code = mpg123_read(h, pcm.data() + total, pcm.size() - total, &done);
        total += done;
        if (code == MPG123_NEW_FORMAT || (code == MPG123_OK && done > 0)) continue;
        break;
    }
    mpg123_delete(h);
    return static_cast<std::uint32_t>(total);
}

void BM_ConverterDecode(benchmark::State& state) {
    const Bytes& file = Input(static_cast<int>(state.range(0)));
    std::uint32_t bytes = 0;
    for (auto _ : state) benchmark::DoNotOptimize(bytes = ConverterDecode(file));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * bytes);
}
BENCHMARK(BM_ConverterDecode)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

void BM_LibraryDecode(benchmark::State& state) {
    const int which = static_cast<int>(state.range(0));
    const Bytes& file = Input(which);
    std::uint32_t bytes = 0;
    for (auto _ : state) benchmark::DoNotOptimize(bytes = which < 3 ? BareVorbisDecode(file) : BareMpg123Decode(file));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * bytes);
}
BENCHMARK(BM_LibraryDecode)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

// 16 looping voices of the game's effects (22,050 Hz mono, so every voice resamples).
constexpr int kVoices = 16;
constexpr std::uint32_t kFramesPerCall = 1024;

void BM_MixerSixteenEffects(benchmark::State& state) {
    std::vector<Bytes> pcm;
    for (const char* name : kEffects) {
        const Bytes file = ReadFile(name);
        StreamDescriptor stream{};
        stream.functions = *GetMemoryStreamFunctions();
        stream.handle = OpenMemoryStream(file.data(), static_cast<std::uint32_t>(file.size()));
        SoundConvertRecord record{};
        Bytes samples;
        if (OpenSoundConverter(stream, &record) == 0) {
            WAVEFORMATEX format{};
            unsigned char* block = nullptr;
            std::uint32_t bytes = 0;
            if (DecodeSoundConverterToPcm(&record, &format, &block, &bytes) == 0) {
                samples.assign(block, block + bytes);
                TrackedFree(block);
            }
            CloseSoundConverter(&record);
        }
        CloseMemoryStream(stream.handle);
        if (samples.size() < 2) {
            state.SkipWithError("an effect did not decode");
            return;
        }
        pcm.push_back(samples);
    }
    std::vector<audio::SampleBlock> blocks(kVoices);
    std::vector<audio::Voice> voices(kVoices);
    audio::LockMixer();
    for (int i = 0; i < kVoices; ++i) {
        Bytes& samples = pcm[static_cast<std::size_t>(i) % pcm.size()];
        blocks[i].references.store(1);
        blocks[i].bytes = samples.data();
        blocks[i].size = static_cast<std::uint32_t>(samples.size());
        voices[i] = audio::Voice{};
        voices[i].block = &blocks[i];
        voices[i].channels = 1;
        voices[i].bits = 16;
        voices[i].block_align = 2;
        voices[i].frame_count = blocks[i].size / 2;
        voices[i].step = (22050u << 16) / audio::kOutputRate;
        voices[i].frame = static_cast<std::uint32_t>(i * 997) % voices[i].frame_count;
        audio::StartVoice(&voices[i], true);
    }
    audio::UnlockMixer();
    std::vector<std::int16_t> out(kFramesPerCall * 2);
    for (auto _ : state) {
        audio::MixFrames(out.data(), kFramesPerCall, true);
        benchmark::DoNotOptimize(out.data());
    }
    audio::LockMixer();
    for (auto& voice : voices) audio::StopVoice(&voice);
    audio::UnlockMixer();
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * kFramesPerCall * kVoices);
}
BENCHMARK(BM_MixerSixteenEffects);

class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) seconds_[run.benchmark_name()] = run.GetAdjustedRealTime() / 1e3;  // ms -> s
        for (const Run& run : runs) {
            const auto it = run.counters.find("items_per_second");
            if (it != run.counters.end()) items_[run.benchmark_name()] = it->second.value;
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> seconds_;
    std::map<std::string, double> items_;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    SetupStreamFunctions();
    for (int which = 0; which < 4; ++which) {
        if (ConverterDecode(Input(which)) == 0) std::printf("input %d: the converter decoded nothing\n", which);
    }
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const char* const names[4] = {"bgm00.ogg", "gover.ogg", "end.ogg", "600 silent MP3 frames"};
    for (int which = 0; which < 4; ++which) {
        const std::string suffix = "/" + std::to_string(which);
        const double ours = reporter.seconds_["BM_ConverterDecode" + suffix];
        const double peer = reporter.seconds_["BM_LibraryDecode" + suffix];
        if (ours > 0 && peer > 0) {
            std::printf("%s: converter %.2f ms, %s alone %.2f ms, ratio %.3f\n", names[which], ours * 1e3,
                        which < 3 ? "libvorbisfile" : "libmpg123", peer * 1e3, ours / peer);
        }
    }
    const double rate = reporter.items_["BM_MixerSixteenEffects"];
    if (rate > 0) {
        const double needed = 44100.0 * kVoices;
        std::printf("mixer: %.1f M voice-frames/s; 16 voices at 44.1 kHz use %.3f%% of one core\n", rate / 1e6,
                    100.0 * needed / rate);
    }
    benchmark::Shutdown();
    return 0;
}
