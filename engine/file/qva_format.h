// The QVA archive format: the header, file entries, directory records and name records
// as they lie on disk (little-endian), the folding of names into search names, and the
// 12-byte XOR key that scrambles every byte of an archive file.
#pragma once

#include <cstdint>

constexpr std::uint32_t kQvaHeaderBytes = 24;
constexpr std::uint32_t kQvaDirectoryRecordBytes = 16;
constexpr std::uint32_t kQvaKeyBytes = 12;
constexpr std::uint16_t kQvaMaxVersion = 3;  // 4 and above are refused
constexpr std::uint32_t kQvaStored = 0xFFFFFFFFu;  // packed size of a member stored as it is
constexpr std::uint32_t kQvaNoParent = 0xFFFFFFFFu;
constexpr std::uint32_t kQvaDirectoryAttribute = 0x10;
constexpr int kQvaSearchNameBytes = 1024;

struct QvaHeader {
    char magic[2];  // 'Q', 'V'
    std::uint16_t version;
    std::uint32_t directory_block_size;
    std::uint32_t data_area_offset;
    std::uint32_t directory_block_offset;
    std::uint32_t file_entry_table_offset;  // inside the directory block
    std::uint32_t directory_table_offset;   // inside the directory block
};

struct QvaFileEntry {
    // Of the entry's name record in the directory block: word count and check sum (16 bits
    // each), the search name, then the name as written.
    std::uint32_t name_offset;
    std::uint32_t attributes;
    std::uint64_t creation_time;
    std::uint64_t last_access_time;
    std::uint64_t last_write_time;
    std::uint32_t data_offset;  // file: from the data area; directory: of its record in the directory table
    std::uint32_t data_size;
    std::uint32_t packed_size;  // version 2 and above; kQvaStored when stored
};

struct QvaDirectoryRecord {
    std::uint32_t entry_offset;   // of the directory's own entry (not consulted)
    std::uint32_t parent_offset;  // in the directory table; kQvaNoParent for the root
    std::uint32_t entry_count;
    std::uint32_t first_entry_offset;  // in the file-entry table
};

// A folded name: the upper-cased bytes with their NUL fill, the byte sum and the length
// in 4-byte words, as a name record holds them.
struct QvaSearchName {
    unsigned char name[kQvaSearchNameBytes];
    std::uint16_t check_sum;
    std::uint16_t word_count;
};

// Entry size of a version: 40 bytes below version 2, 44 from version 2 on.
std::uint32_t QvaFileEntrySize(std::uint16_t version);

// Decoders of the on-disk records (the bytes must be there).
void DecodeQvaHeader(const unsigned char* bytes, QvaHeader* header);
void DecodeQvaFileEntry(const unsigned char* bytes, std::uint16_t version, QvaFileEntry* entry);
void DecodeQvaDirectoryRecord(const unsigned char* bytes, QvaDirectoryRecord* record);

// Folds the path component at `name` (up to '\', '/' or NUL) into `out` and stores the
// component's length in bytes. Returns 0, or -1 when the component is too long for a
// search name.
int MakeQvaSearchName(const char* name, int* length, QvaSearchName* out);

// The key made from an optional key string (null: none), and the fallback key tried
// when the first one does not reveal the magic.
void MakeQvaKey(const char* key_string, unsigned char key[kQvaKeyBytes]);
void MakeQvaFallbackKey(unsigned char key[kQvaKeyBytes]);
// XORs byte i of `buffer` with key[(file_offset + i) mod 12]; applying it twice restores
// the bytes.
void UnscrambleQvaBytes(std::uint32_t size, void* buffer, std::uint64_t file_offset,
                        const unsigned char key[kQvaKeyBytes]);
