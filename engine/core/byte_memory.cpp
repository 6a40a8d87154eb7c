// Byte fill, copy, overlap-safe move and equality compare.
#include "engine/core/byte_memory.h"

void FillBytes(void* destination, int value, std::uint32_t n) {
    auto* d = static_cast<unsigned char*>(destination);
    for (std::uint32_t i = 0; i < n; ++i) d[i] = static_cast<unsigned char>(value);
}

void CopyBytes(void* destination, const void* source, std::uint32_t n) {
    auto* d = static_cast<unsigned char*>(destination);
    const auto* s = static_cast<const unsigned char*>(source);
    for (std::uint32_t i = 0; i < n; ++i) d[i] = s[i];
}

void MoveBytes(void* destination, const void* source, std::uint32_t n) {
    auto* d = static_cast<unsigned char*>(destination);
    const auto* s = static_cast<const unsigned char*>(source);
    if (d == s) return;
    if (s < d) {
        // Copy last byte first so an overlapping source is read before it is overwritten.
        for (std::uint32_t i = n; i > 0; --i) d[i - 1] = s[i - 1];
    } else {
        for (std::uint32_t i = 0; i < n; ++i) d[i] = s[i];
    }
}

int CompareMemory(const void* a, const void* b, std::uint32_t n) {
    const auto* x = static_cast<const unsigned char*>(a);
    const auto* y = static_cast<const unsigned char*>(b);
    for (std::uint32_t i = 0; i < n; ++i) {
        if (x[i] != y[i]) return 1;
    }
    return 0;
}

int CompareBytesN(const void* a, const void* b, std::int32_t n) {
    if (n < 0) return 1;
    return CompareMemory(a, b, static_cast<std::uint32_t>(n));
}
