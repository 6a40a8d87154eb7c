// A greedy LZ packer that writes the engine's stream format: header (unpacked size, packed
// size, escape byte), literals, doubled escapes and escape-marked back-references.
#include "tests/support/lz_packer.h"

#include <cstdint>
#include <vector>

namespace {

constexpr std::uint32_t kMinLength = 4;
constexpr std::uint32_t kMaxLength = 8195;
constexpr std::uint32_t kMaxDistance = 1u << 24;
constexpr int kHashBits = 16;
constexpr int kChainDepth = 16;

void PutU32(std::string& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

std::uint32_t Hash4(const unsigned char* p) {
    const std::uint32_t v = p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
    return (v * 2654435761u) >> (32 - kHashBits);
}

// Bytes a reference of this length and distance takes.
std::uint32_t ReferenceCost(std::uint32_t length, std::uint32_t distance) {
    const std::uint32_t d = distance - 1;
    const std::uint32_t distance_bytes = d < 0x100 ? 1 : d < 0x10000 ? 2 : 3;
    return 2 + (length - kMinLength >= 32 ? 1 : 0) + distance_bytes;
}

void PutReference(std::string& out, unsigned char escape, std::uint32_t length, std::uint32_t distance) {
    const std::uint32_t l = length - kMinLength;
    const std::uint32_t d = distance - 1;
    const std::uint32_t size_code = d < 0x100 ? 0 : d < 0x10000 ? 1 : 2;
    std::uint32_t k = ((l & 31) << 3) | size_code;
    if (l >= 32) k |= 4;
    const std::uint32_t c = k < escape ? k : k + 1;
    out.push_back(static_cast<char>(escape));
    out.push_back(static_cast<char>(c));
    if (l >= 32) out.push_back(static_cast<char>(l >> 5));
    for (std::uint32_t i = 0; i <= size_code; ++i) out.push_back(static_cast<char>((d >> (8 * i)) & 0xFF));
}

}  // namespace

std::string PackLz(const std::string& data) {
    const auto* in = reinterpret_cast<const unsigned char*>(data.data());
    const auto n = static_cast<std::uint32_t>(data.size());
    std::uint32_t counts[256] = {};
    for (std::uint32_t i = 0; i < n; ++i) ++counts[in[i]];
    unsigned char escape = 0;
    for (int b = 1; b < 256; ++b) {
        if (counts[b] < counts[escape]) escape = static_cast<unsigned char>(b);
    }

    std::string out;
    PutU32(out, n);
    PutU32(out, 0);  // packed size, filled in at the end
    out.push_back(static_cast<char>(escape));

    std::vector<std::int64_t> head(1u << kHashBits, -1);
    std::vector<std::int64_t> previous(n, -1);
    auto insert = [&](std::uint32_t at) {
        if (at + 4 > n) return;
        const std::uint32_t h = Hash4(in + at);
        previous[at] = head[h];
        head[h] = at;
    };

    std::uint32_t i = 0;
    while (i < n) {
        std::uint32_t best_length = 0;
        std::uint32_t best_distance = 0;
        if (i + kMinLength <= n) {
            std::int64_t candidate = head[Hash4(in + i)];
            for (int depth = 0; candidate >= 0 && depth < kChainDepth; ++depth) {
                const auto c = static_cast<std::uint32_t>(candidate);
                const std::uint32_t distance = i - c;
                if (distance > kMaxDistance) break;
                std::uint32_t length = 0;
                const std::uint32_t limit = std::min(kMaxLength, n - i);
                while (length < limit && in[c + length] == in[i + length]) ++length;
                if (length > best_length) {
                    best_length = length;
                    best_distance = distance;
                }
                candidate = previous[c];
            }
        }
        if (best_length >= kMinLength && best_length > ReferenceCost(best_length, best_distance)) {
            PutReference(out, escape, best_length, best_distance);
            for (std::uint32_t j = 0; j < best_length; ++j) insert(i + j);
            i += best_length;
            continue;
        }
        out.push_back(static_cast<char>(in[i]));
        if (in[i] == escape) out.push_back(static_cast<char>(escape));
        insert(i);
        ++i;
    }
    const auto packed = static_cast<std::uint32_t>(out.size());
    for (int b = 0; b < 4; ++b) out[4 + b] = static_cast<char>((packed >> (8 * b)) & 0xFF);
    return out;
}
