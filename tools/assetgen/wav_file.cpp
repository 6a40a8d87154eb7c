// WAV output of the asset generator: a RIFF header with one "fmt " chunk (PCM, mono,
// 16-bit) and one "data" chunk, all little-endian. Relies on the standard library.
#include "wav_file.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace {

void Put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

void PutTag(std::vector<uint8_t>& out, const char* tag) {
    out.insert(out.end(), tag, tag + 4);
}

}  // namespace

bool WriteWav(const std::string& path, const std::vector<float>& samples, int rate) {
    const uint32_t dataBytes = uint32_t(samples.size() * 2);
    std::vector<uint8_t> out;
    out.reserve(44 + dataBytes);
    PutTag(out, "RIFF");
    Put32(out, 36 + dataBytes);
    PutTag(out, "WAVE");
    PutTag(out, "fmt ");
    Put32(out, 16);
    Put16(out, 1);             // PCM
    Put16(out, 1);             // mono
    Put32(out, uint32_t(rate));
    Put32(out, uint32_t(rate) * 2);
    Put16(out, 2);             // block align
    Put16(out, 16);            // bits per sample
    PutTag(out, "data");
    Put32(out, dataBytes);
    for (float s : samples) {
        long v = std::lround(std::clamp(s, -1.0f, 1.0f) * 32767.0f);
        Put16(out, uint32_t(int16_t(v)) & 0xFFFF);
    }
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::fprintf(stderr, "assetgen: cannot create %s\n", path.c_str());
        return false;
    }
    bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    ok = (std::fclose(f) == 0) && ok;
    if (!ok) std::fprintf(stderr, "assetgen: cannot write %s\n", path.c_str());
    return ok;
}
