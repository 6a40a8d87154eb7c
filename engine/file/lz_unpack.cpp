// The LZ unpacker. Every item is checked against the end of the body and every reference
// against the output written so far and the space left, so a damaged stream ends in a
// refusal, never outside the buffers. Literal runs and references are copied in blocks.
#include "engine/file/lz_unpack.h"

#include <cstring>

namespace {

std::uint32_t ReadU32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// Copies `length` bytes from `distance` bytes back; an overlapping copy repeats the last
// `distance` bytes, in chunks that double while they fit.
void CopyBack(unsigned char* out, std::uint32_t distance, std::uint32_t length) {
    const unsigned char* from = out - distance;
    if (distance >= length) {
        std::memcpy(out, from, length);
        return;
    }
    std::uint32_t chunk = distance;
    std::memcpy(out, from, chunk);
    std::uint32_t done = chunk;
    while (length - done > done) {
        std::memcpy(out + done, out, done);
        done *= 2;
    }
    std::memcpy(out + done, out, length - done);
}

}  // namespace

bool ReadLzHeader(const void* stream, std::uint32_t stream_size, std::uint32_t* unpacked_size,
                  std::uint32_t* packed_size) {
    if (stream == nullptr || stream_size < kLzHeaderBytes) return false;
    const auto* p = static_cast<const unsigned char*>(stream);
    *unpacked_size = ReadU32(p);
    *packed_size = ReadU32(p + 4);
    return true;
}

std::int64_t UnpackLz(const void* stream, std::uint32_t stream_size, void* destination,
                      std::uint32_t destination_size) {
    std::uint32_t unpacked = 0;
    std::uint32_t packed = 0;
    if (!ReadLzHeader(stream, stream_size, &unpacked, &packed)) return -1;
    if (packed < kLzHeaderBytes || packed > stream_size) return -1;
    if (destination == nullptr) return unpacked;
    if (unpacked > destination_size) return -1;

    const auto* in = static_cast<const unsigned char*>(stream);
    const unsigned char escape = in[8];
    const unsigned char* p = in + kLzHeaderBytes;
    const unsigned char* const end = in + packed;
    auto* const out_start = static_cast<unsigned char*>(destination);
    unsigned char* out = out_start;
    unsigned char* const out_end = out_start + unpacked;

    while (p < end) {
        if (*p != escape) {
            // A run of plain literals up to the next escape byte.
            const void* next = std::memchr(p, escape, static_cast<std::size_t>(end - p));
            const unsigned char* run_end = next != nullptr ? static_cast<const unsigned char*>(next) : end;
            const auto run = static_cast<std::size_t>(run_end - p);
            if (run > static_cast<std::size_t>(out_end - out)) return -1;
            std::memcpy(out, p, run);
            out += run;
            p = run_end;
            continue;
        }
        if (end - p < 2) return -1;
        unsigned int code = p[1];
        if (code == escape) {
            if (out == out_end) return -1;
            *out++ = escape;
            p += 2;
            continue;
        }
        if (code > escape) --code;
        std::size_t item = 2;
        std::uint32_t length = code >> 3;
        if (code & 4) {
            if (end - p < 3) return -1;
            length |= static_cast<std::uint32_t>(p[2]) << 5;
            item = 3;
        }
        length += 4;
        const unsigned int distance_bytes = (code & 3) + 1;
        if (distance_bytes == 4) return -1;
        if (static_cast<std::size_t>(end - p) < item + distance_bytes) return -1;
        const unsigned char* d = p + item;
        std::uint32_t distance = d[0];
        if (distance_bytes >= 2) distance |= static_cast<std::uint32_t>(d[1]) << 8;
        if (distance_bytes == 3) distance |= static_cast<std::uint32_t>(d[2]) << 16;
        distance += 1;
        if (distance > static_cast<std::size_t>(out - out_start)) return -1;
        if (length > static_cast<std::size_t>(out_end - out)) return -1;
        CopyBack(out, distance, length);
        out += length;
        p += item + distance_bytes;
    }
    if (out != out_end) return -1;
    return unpacked;
}
