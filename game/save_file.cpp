// The save file "save_data.dat" in the current folder: 40 bytes, the ten ranking entries
// 1st to 10th as little-endian signed 32-bit values. Loading takes the first 40 bytes and
// accepts only a whole, sorted, non-negative record; writing goes through a temporary file
// that is flushed and then renamed over the old one, so a crash or a full disk never loses
// the ranking. A folder that refuses the temporary file has the old file's first 40 bytes
// written in place instead (opened without truncation, so a failed open leaves it whole).
// Relies on the standard library's buffered files only.
#include <cerrno>
#include <cstdio>

#include "game_state.h"

namespace {

constexpr const char* kSaveFile = "save_data.dat";
constexpr const char* kSaveTempFile = "save_data.dat.tmp";
constexpr int kEntries = 10;
constexpr int kRecordBytes = 4 * kEntries;

void ReportOpenError() { std::fputs("ファイルオープンエラー\n", stdout); }

std::int32_t ReadLittleEndian(const unsigned char* bytes) {
    const std::uint32_t value = static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
                                static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
    return static_cast<std::int32_t>(value);
}

void WriteLittleEndian(std::int32_t entry, unsigned char* bytes) {
    const std::uint32_t value = static_cast<std::uint32_t>(entry);
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<unsigned char>(value >> (8 * i));
}

// A record the ranking can take: no entry below 0 and each entry at most the one above it.
bool IsUsableRanking(const std::int32_t* entries) {
    for (int i = 0; i < kEntries; ++i) {
        if (entries[i] < 0) return false;
        if (i > 0 && entries[i] > entries[i - 1]) return false;
    }
    return true;
}

// Writes the record, flushes and closes: true when all of it reached the file.
bool WriteRecordAndClose(std::FILE* file, const unsigned char* bytes) {
    bool written = std::fwrite(bytes, 1, kRecordBytes, file) == static_cast<std::size_t>(kRecordBytes);
    written = std::fflush(file) == 0 && written;
    written = std::fclose(file) == 0 && written;
    return written;
}

bool WriteInPlace(const unsigned char* bytes) {
    std::FILE* file = std::fopen(kSaveFile, "r+b");
    return file != nullptr && WriteRecordAndClose(file, bytes);
}

}  // namespace

void LoadSaveFile() {
    GameVariables& g = g_game;
    std::FILE* file = std::fopen(kSaveFile, "rb");
    if (file == nullptr) {
        ReportOpenError();
        return;
    }
    // A longer file gives its first record (a write in place leaves the tail of a longer file).
    unsigned char bytes[kRecordBytes];
    const std::size_t read = std::fread(bytes, 1, sizeof bytes, file);
    std::fclose(file);
    if (read != sizeof bytes) return;
    std::int32_t entries[kEntries];
    for (int i = 0; i < kEntries; ++i) entries[i] = ReadLittleEndian(bytes + 4 * i);
    if (!IsUsableRanking(entries)) return;
    for (int i = 0; i < kEntries; ++i) g.save_record[i] = entries[i];
    if (g.save_record[9] > g.ranking[9]) {
        for (int i = 0; i < kEntries; ++i) g.ranking[i] = g.save_record[i];
    }
}

void WriteSaveFile() {
    unsigned char bytes[kRecordBytes];
    for (int i = 0; i < kEntries; ++i) WriteLittleEndian(g_game.save_record[i], bytes + 4 * i);
    std::FILE* file = std::fopen(kSaveTempFile, "wb");
    if (file == nullptr) {
        // A folder where no file may be made (read-only, or not ours) can still hold a
        // save file that may be written.
        const bool folder_refused = errno == EACCES || errno == EPERM || errno == EROFS;
        if (!folder_refused || !WriteInPlace(bytes)) ReportOpenError();
        return;
    }
    // The old file stays until the new one is whole.
    if (!WriteRecordAndClose(file, bytes) || std::rename(kSaveTempFile, kSaveFile) != 0) {
        std::remove(kSaveTempFile);
        ReportOpenError();
    }
}
