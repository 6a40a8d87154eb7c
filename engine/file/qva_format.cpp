// Decoding of the QVA records, name folding and the key scrambling. Pure byte work with
// no state; the archive reader and the tests' archive writer both build on it.
#include "engine/file/qva_format.h"

#include "platform/shift_jis.h"

namespace {

std::uint16_t U16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t U32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::uint64_t U64(const unsigned char* p) { return U32(p) | (static_cast<std::uint64_t>(U32(p + 4)) << 32); }

// The key maker's constants: the fill for a missing key string, the byte mixed in at the
// XOR positions, and the fallback key's byte.
constexpr unsigned char kKeyFill = 0xAA;
constexpr unsigned char kKeyMix[kQvaKeyBytes] = {0x00, 0x00, 0x3C, 0x00, 0x00, 0x95,
                                                  0x00, 0x00, 0x5E, 0x00, 0x00, 0xC7};
constexpr unsigned char kFallbackKeyByte = 0x66;

}  // namespace

std::uint32_t QvaFileEntrySize(std::uint16_t version) { return version < 2 ? 40u : 44u; }

void DecodeQvaHeader(const unsigned char* b, QvaHeader* h) {
    h->magic[0] = static_cast<char>(b[0]);
    h->magic[1] = static_cast<char>(b[1]);
    h->version = U16(b + 2);
    h->directory_block_size = U32(b + 4);
    h->data_area_offset = U32(b + 8);
    h->directory_block_offset = U32(b + 12);
    h->file_entry_table_offset = U32(b + 16);
    h->directory_table_offset = U32(b + 20);
}

void DecodeQvaFileEntry(const unsigned char* b, std::uint16_t version, QvaFileEntry* e) {
    e->name_offset = U32(b);
    e->attributes = U32(b + 4);
    e->creation_time = U64(b + 8);
    e->last_access_time = U64(b + 16);
    e->last_write_time = U64(b + 24);
    e->data_offset = U32(b + 32);
    e->data_size = U32(b + 36);
    e->packed_size = version < 2 ? kQvaStored : U32(b + 40);
}

void DecodeQvaDirectoryRecord(const unsigned char* b, QvaDirectoryRecord* r) {
    r->entry_offset = U32(b);
    r->parent_offset = U32(b + 4);
    r->entry_count = U32(b + 8);
    r->first_entry_offset = U32(b + 12);
}

int MakeQvaSearchName(const char* name, int* length, QvaSearchName* out) {
    const auto* p = reinterpret_cast<const unsigned char*>(name);
    int n = 0;
    std::uint32_t sum = 0;
    while (p[n] != '\0' && p[n] != '\\' && p[n] != '/') {
        if (IsShiftJisLeadByte(p[n]) && p[n + 1] != '\0') {
            if (n + 2 + 4 > kQvaSearchNameBytes) return -1;
            out->name[n] = p[n];
            out->name[n + 1] = p[n + 1];
            sum += p[n] + p[n + 1];
            n += 2;
            continue;
        }
        if (n + 1 + 4 > kQvaSearchNameBytes) return -1;
        const unsigned char c = (p[n] >= 'a' && p[n] <= 'z') ? static_cast<unsigned char>(p[n] - 32) : p[n];
        out->name[n] = c;
        sum += c;
        ++n;
    }
    const int words = (n + 4) / 4;
    for (int i = n; i < words * 4; ++i) out->name[i] = 0;
    out->check_sum = static_cast<std::uint16_t>(sum & 0xFFFF);
    out->word_count = static_cast<std::uint16_t>(words);
    *length = n;
    return 0;
}

void MakeQvaKey(const char* key_string, unsigned char key[kQvaKeyBytes]) {
    std::uint32_t length = 0;
    if (key_string != nullptr) {
        while (key_string[length] != '\0') ++length;
    }
    for (std::uint32_t i = 0; i < kQvaKeyBytes; ++i) {
        key[i] = length == 0 ? kKeyFill : static_cast<unsigned char>(key_string[i % length]);
    }
    for (std::uint32_t i = 0; i < kQvaKeyBytes; ++i) {
        const unsigned char b = key[i];
        switch (i % 3) {
            case 0: key[i] = static_cast<unsigned char>(~b); break;
            case 1: {
                const unsigned int r = (i % 7) + 1;
                key[i] = static_cast<unsigned char>((b << r) | (b >> (8 - r)));
                break;
            }
            default: key[i] = static_cast<unsigned char>(b ^ kKeyMix[i]); break;
        }
    }
}

void MakeQvaFallbackKey(unsigned char key[kQvaKeyBytes]) {
    for (std::uint32_t i = 0; i < kQvaKeyBytes; ++i) key[i] = kFallbackKeyByte;
}

void UnscrambleQvaBytes(std::uint32_t size, void* buffer, std::uint64_t file_offset,
                        const unsigned char key[kQvaKeyBytes]) {
    auto* p = static_cast<unsigned char*>(buffer);
    std::uint32_t k = static_cast<std::uint32_t>(file_offset % kQvaKeyBytes);
    for (std::uint32_t i = 0; i < size; ++i) {
        p[i] ^= key[k];
        if (++k == kQvaKeyBytes) k = 0;
    }
}
