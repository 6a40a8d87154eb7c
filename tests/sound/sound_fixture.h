// Shared pieces of the sound tests: a fixture with the sound system up on the manual
// clock and the manual audio mixer in a fresh folder with the log on, WAV and MPEG file
// builders, and readers of the game's generated data.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "engine/core/core.h"
#include "engine/file/file.h"
#include "engine/sound/sound.h"
#include "engine/sound/sound_records.h"
#include "platform/com.h"
#include "platform/testing/audio_testing.h"
#include "platform/testing/manual_clock.h"
#include "tests/support/engine_testing/core_testing.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_log.h"

namespace sound_test {

using Bytes = std::vector<unsigned char>;

inline void Put16(Bytes& b, std::uint32_t v) {
    b.push_back(static_cast<unsigned char>(v & 0xFF));
    b.push_back(static_cast<unsigned char>((v >> 8) & 0xFF));
}
inline void Put32(Bytes& b, std::uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}
inline void PutText(Bytes& b, const char* text) { b.insert(b.end(), text, text + std::strlen(text)); }

struct WavFields {
    std::uint16_t tag = 1;
    std::uint16_t channels = 2;
    std::uint32_t rate = 44100;
    std::uint32_t average = 0;  // 0: rate x align
    std::uint16_t align = 0;    // 0: channels x bits / 8
    std::uint16_t bits = 16;
    int format_bytes = 16;      // 16 or 18 and more (cbSize = format_bytes - 18)
    Bytes extra;                // bytes after cbSize
    Bytes before_data;          // whole chunks placed between "fmt " and "data"
    bool data_chunk = true;
    std::int64_t data_size = -1;  // -1: the data's length
};

inline Bytes MakeWav(const WavFields& f, const Bytes& data) {
    const std::uint16_t align = f.align != 0 ? f.align : static_cast<std::uint16_t>(f.channels * f.bits / 8);
    Bytes fmt;
    Put16(fmt, f.tag);
    Put16(fmt, f.channels);
    Put32(fmt, f.rate);
    Put32(fmt, f.average != 0 ? f.average : f.rate * align);
    Put16(fmt, align);
    Put16(fmt, f.bits);
    if (f.format_bytes >= 18) {
        Put16(fmt, static_cast<std::uint32_t>(f.format_bytes - 18));
        fmt.insert(fmt.end(), f.extra.begin(), f.extra.end());
        fmt.resize(static_cast<std::size_t>(f.format_bytes), 0);
    }
    Bytes body;
    PutText(body, "WAVE");
    PutText(body, "fmt ");
    Put32(body, static_cast<std::uint32_t>(fmt.size()));
    body.insert(body.end(), fmt.begin(), fmt.end());
    if (fmt.size() & 1) body.push_back(0);
    body.insert(body.end(), f.before_data.begin(), f.before_data.end());
    if (f.data_chunk) {
        PutText(body, "data");
        Put32(body, f.data_size >= 0 ? static_cast<std::uint32_t>(f.data_size) : static_cast<std::uint32_t>(data.size()));
        body.insert(body.end(), data.begin(), data.end());
    }
    Bytes out;
    PutText(out, "RIFF");
    Put32(out, static_cast<std::uint32_t>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

// 16-bit samples of a ramp that differs at every frame and channel.
inline Bytes Ramp16(std::uint32_t frames, int channels, int seed = 0) {
    Bytes b;
    for (std::uint32_t i = 0; i < frames; ++i) {
        for (int c = 0; c < channels; ++c) {
            Put16(b, static_cast<std::uint16_t>((i * 7 + static_cast<std::uint32_t>(c) * 1000 + static_cast<std::uint32_t>(seed)) & 0x7FFF));
        }
    }
    return b;
}

inline std::uint64_t Fnv1a(const unsigned char* p, std::size_t n) {
    std::uint64_t h = 1469598103934665603ull;
    for (std::size_t i = 0; i < n; ++i) h = (h ^ p[i]) * 1099511628211ull;
    return h;
}

inline Bytes ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline void WriteFileBytes(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// A converter opened over a memory stream of the bytes it holds.
class MemoryConverter {
public:
    explicit MemoryConverter(Bytes bytes) : bytes_(std::move(bytes)) {
        stream_.functions = *GetMemoryStreamFunctions();
        stream_.handle = OpenMemoryStream(bytes_.data(), static_cast<std::uint32_t>(bytes_.size()));
        record_ = SoundConvertRecord{};
        result_ = OpenSoundConverter(stream_, &record_);
    }
    ~MemoryConverter() {
        if (result_ == 0) CloseSoundConverter(&record_);
        CloseMemoryStream(stream_.handle);
    }
    int result() const { return result_; }
    SoundConvertRecord* record() { return &record_; }
    // Everything from the present position to the end of the data.
    Bytes ReadAll() {
        Bytes out;
        unsigned char chunk[3000];
        for (;;) {
            const int n = ReadSoundConverterPcm(&record_, chunk, sizeof(chunk));
            if (n <= 0) break;
            out.insert(out.end(), chunk, chunk + n);
        }
        return out;
    }

private:
    Bytes bytes_;
    StreamDescriptor stream_{};
    SoundConvertRecord record_{};
    int result_ = -1;
};

// The sound system up on the manual clock and mixer, in a fresh folder with the log on.
class SoundTest : public ::testing::Test {
protected:
    void SetUp() override {
        StartTestLog();
        SetupFileAccessTable(nullptr);
        SetupStreamFunctions();
        CoInitialize(nullptr);
        live_blocks_ = TrackedLiveBlockCount();
        ASSERT_EQ(InitializeSoundSystem(), 0);
        audio_.TakeMixed();
    }
    void TearDown() override {
        TerminateSoundSystem();
        SetSoundDataCreateType(0);
        CoUninitialize();
        EXPECT_EQ(TrackedLiveBlockCount(), live_blocks_);
        EXPECT_EQ(platform_hooks::LiveSoundBuffers(), 0);
        EXPECT_EQ(platform_hooks::LiveSampleBlocks(), 0);
    }
    std::string Write(const std::string& name, const Bytes& bytes) {
        WriteFileBytes((dir_.path() / name).string(), bytes);
        return name;
    }

    ScopedTempDir dir_;
    ManualClock clock_{1000};
    ManualAudio audio_;
    int live_blocks_ = 0;
};

}  // namespace sound_test
