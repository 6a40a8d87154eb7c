// The archive-aware file operations: the file-handle table, path resolution with its
// last-hit cache, the archive cache with reference counts, and the dispatch of each
// operation to a plain file or an archive member. Relies on archive_reader (one archive),
// plain_file (the back end), full_path and the platform's case-insensitive look-up.
#include "engine/file/archive_layer.h"

#include <cstring>

#include "engine/core/core.h"
#include "engine/file/full_path.h"
#include "engine/file/plain_file.h"
#include "platform/file_system.h"
#include "platform/shift_jis.h"

namespace {

ArchiveLayerGlobals g_layer;

// The record behind a file handle, or null for anything that is not one of ours.
FileHandleRecord* RecordOf(FileHandle file) {
    const auto value = static_cast<std::uint64_t>(file);
    if ((value & ~std::uint64_t{kFileHandleSlotMask}) != kFileHandleTag) return nullptr;
    const std::uint64_t slot = value & kFileHandleSlotMask;
    if (slot >= kMaxOpenFiles) return nullptr;
    return g_layer.files[slot];
}

const char* Extension() { return g_layer.extension_length > 0 ? g_layer.extension : "QVA"; }

bool CopyBounded(char* out, const char* text, std::size_t size) {
    const std::size_t n = std::strlen(text);
    if (n + 1 > size) return false;
    std::memcpy(out, text, n + 1);
    return true;
}

}  // namespace

ArchiveLayerGlobals* GetArchiveLayerGlobals() { return &g_layer; }

int InitializeArchiveState() {
    std::memset(&g_layer, 0, sizeof g_layer);
    return 0;
}

int TerminateArchiveState() {
    ReleaseUnusedArchives();
    return 0;
}

void ReleaseArchiveReference(int index) {
    if (index < 0 || index >= kMaxArchives || g_layer.archives[index] == nullptr) return;
    if (g_layer.archives[index]->reference_count > 0) --g_layer.archives[index]->reference_count;
}

void ReleaseUnusedArchives() {
    for (int i = 0; i < kMaxArchives; ++i) {
        ArchiveRecord* record = g_layer.archives[i];
        if (record == nullptr || record->reference_count >= 1) continue;
        CloseArchiveState(&record->state);
        TrackedFree(record);
        g_layer.archives[i] = nullptr;
        --g_layer.archive_count;
        if (g_layer.last_archive_index == i) g_layer.last_prefix_length = 0;
    }
}

int AcquireArchive(int hint, const char* path, const char* disk_path) {
    if (hint >= 0 && hint < kMaxArchives && g_layer.archives[hint] != nullptr &&
        std::strcmp(g_layer.archives[hint]->path, path) == 0) {
        ++g_layer.archives[hint]->reference_count;
        return hint;
    }
    int free_slot = -1;
    for (int i = 0; i < kMaxArchives; ++i) {
        ArchiveRecord* record = g_layer.archives[i];
        if (record == nullptr) {
            if (free_slot < 0) free_slot = i;
            continue;
        }
        if (std::strcmp(record->path, path) == 0) {
            ++record->reference_count;
            return i;
        }
    }
    if (std::strlen(path) + 1 > kArchivePathBytes) return -1;
    // The archive file as it is spelt on disk; a missing one is no archive.
    char on_disk[kFullPathBytes];
    if (!FindPathIgnoringCase(disk_path != nullptr ? disk_path : path, on_disk, sizeof on_disk)) return -1;
    if (g_layer.archive_count >= kMaxArchives) {
        ReleaseUnusedArchives();
        if (g_layer.archive_count >= kMaxArchives) return -1;
        free_slot = -1;
    }
    if (free_slot < 0) {
        for (int i = 0; i < kMaxArchives; ++i) {
            if (g_layer.archives[i] == nullptr) {
                free_slot = i;
                break;
            }
        }
    }
    ArchiveState state;
    std::memset(&state, 0, sizeof state);
    if (OpenArchiveOnDisk(&state, on_disk, g_layer.key_string_set ? g_layer.key_string : nullptr) != 0) return -1;
    auto* record = static_cast<ArchiveRecord*>(TrackedCalloc(sizeof(ArchiveRecord), "archive_layer", __LINE__));
    if (record == nullptr) {
        CloseArchiveState(&state);
        return -1;
    }
    record->state = state;
    CopyBounded(record->path, path, sizeof record->path);
    record->reference_count = 1;
    g_layer.archives[free_slot] = record;
    ++g_layer.archive_count;
    return free_slot;
}

int FindArchiveForPath(const char* path, int* archive_index, char* archive_path, char* member_path) {
    char full[kFullPathBytes];
    char as_given[kFullPathBytes];
    if (MakeUpperFullPath(path, full, sizeof full) != 0) return -1;
    if (MakeFullPathKeepingCase(path, as_given, sizeof as_given) != 0) return -1;

    const int last = g_layer.last_prefix_length;
    if (last > 0 && std::strncmp(full, g_layer.last_archive_path, static_cast<std::size_t>(last)) == 0 &&
        (full[last] == '\\' || full[last] == '/')) {
        const int index = AcquireArchive(g_layer.last_archive_index, g_layer.last_archive_path);
        if (index < 0) return -1;
        *archive_index = index;
        if (archive_path != nullptr) CopyBounded(archive_path, g_layer.last_archive_path, kArchivePathBytes);
        if (member_path != nullptr) CopyBounded(member_path, full + last + 1, kFullPathBytes);
        return 0;
    }

    // Walk the directories of the path: a leading "\\" or (on this system, the root) "\"
    // stays at the start of the prefix.
    char candidate[kFullPathBytes];
    char on_disk[kFullPathBytes];
    int prefix = 0;
    const char* p = full;
    if (p[0] == '\\' && p[1] == '\\') {
        prefix = 2;
    } else if (p[0] == '\\') {
        prefix = 1;
    }
    std::memcpy(candidate, full, static_cast<std::size_t>(prefix));
    p += prefix;
    const char* extension = Extension();
    const std::size_t extension_length = std::strlen(extension);
    for (;;) {
        const char* start = p;
        while (*p != '\0' && *p != '\\' && *p != '/') {
            const auto c = static_cast<unsigned char>(*p);
            p += (IsShiftJisLeadByte(c) && p[1] != '\0') ? 2 : 1;
        }
        if (*p == '\0' || p == start) return -1;
        const auto n = static_cast<std::size_t>(p - start);
        if (prefix + n + 1 + extension_length + 1 > kArchivePathBytes) return -1;
        std::memcpy(candidate + prefix, start, n);
        candidate[prefix + n] = '.';
        std::memcpy(candidate + prefix + n + 1, extension, extension_length + 1);
        std::memcpy(on_disk, as_given, prefix + n);
        std::memcpy(on_disk + prefix + n, candidate + prefix + n, 1 + extension_length + 1);
        const int index = AcquireArchive(-1, candidate, on_disk);
        if (index >= 0) {
            CopyBounded(g_layer.last_archive_path, candidate, sizeof g_layer.last_archive_path);
            g_layer.last_prefix_length = static_cast<std::int32_t>(prefix + n);
            g_layer.last_archive_index = index;
            *archive_index = index;
            if (archive_path != nullptr) CopyBounded(archive_path, candidate, kArchivePathBytes);
            if (member_path != nullptr) CopyBounded(member_path, p + 1, kFullPathBytes);
            return 0;
        }
        candidate[prefix + n] = '\\';
        prefix += static_cast<int>(n) + 1;
        ++p;
    }
}

FileHandle ArchiveLayerOpen(const char* path, int read_cache, int, int asynchronous) {
    if (g_layer.file_count >= kMaxOpenFiles) {
        WriteLogText("同時に開けるファイルの数が限界を超えました\n");
        return 0;
    }
    int slot = 0;
    while (slot < kMaxOpenFiles && g_layer.files[slot] != nullptr) ++slot;
    if (slot == kMaxOpenFiles) {
        WriteLogText("同時に開けるファイルの数が限界を超えました\n");
        return 0;
    }
    auto* record = static_cast<FileHandleRecord*>(TrackedCalloc(sizeof(FileHandleRecord), "archive_layer", __LINE__));
    if (record == nullptr) {
        WriteLogText("ファイルの情報を格納するメモリの確保に失敗しました\n");
        return 0;
    }
    g_layer.files[slot] = record;

    int index = -1;
    char member[kFullPathBytes];
    bool opened = false;
    if (FindArchiveForPath(path, &index, nullptr, member) != 0) {
        record->kind = kPlainFileKind;
        record->plain = OpenPlainFile(path, read_cache, 1, asynchronous);
        opened = record->plain != 0;
    } else {
        record->kind = kArchiveMemberKind;
        record->archive_index = index;
        opened = OpenArchiveMember(&record->member, &g_layer.archives[index]->state, member, asynchronous) == 0;
        if (!opened) {
            WriteLogText("QVAファイルの中に指定のファイルは見つかりませんでした\n");
            ReleaseArchiveReference(index);
        }
    }
    if (!opened) {
        TrackedFree(record);
        g_layer.files[slot] = nullptr;
        return 0;
    }
    ++g_layer.file_count;
    return static_cast<FileHandle>(static_cast<std::uint64_t>(slot) | kFileHandleTag);
}

int ArchiveLayerClose(FileHandle file) {
    FileHandleRecord* record = RecordOf(file);
    if (record == nullptr) return -1;
    if (record->kind == kArchiveMemberKind) {
        ReleaseArchiveReference(record->archive_index);
        CloseArchiveMember(&record->member);
    } else {
        ClosePlainFile(record->plain);
    }
    TrackedFree(record);
    g_layer.files[static_cast<std::uint64_t>(file) & kFileHandleSlotMask] = nullptr;
    --g_layer.file_count;
    return 0;
}

std::int64_t ArchiveLayerTell(FileHandle file) {
    FileHandleRecord* record = RecordOf(file);
    if (record == nullptr) return -1;
    return record->kind == kArchiveMemberKind ? TellArchiveMember(&record->member) : TellPlainFile(record->plain);
}

int ArchiveLayerSeek(FileHandle file, std::int64_t offset, int origin) {
    FileHandleRecord* record = RecordOf(file);
    if (record == nullptr) return -1;
    return record->kind == kArchiveMemberKind ? SeekArchiveMember(&record->member, offset, origin)
                                              : SeekPlainFile(record->plain, offset, origin);
}

std::size_t ArchiveLayerRead(void* buffer, std::size_t element_size, std::size_t element_count, FileHandle file) {
    FileHandleRecord* record = RecordOf(file);
    if (record == nullptr || element_size == 0) return 0;
    if (record->kind != kArchiveMemberKind) return ReadPlainFile(buffer, element_size, element_count, record->plain);
    const std::uint64_t limit = ~std::uint64_t{0} / element_size;
    const std::uint64_t bytes = element_count > limit ? ~std::uint64_t{0} : std::uint64_t{element_size} * element_count;
    return ReadArchiveMember(&record->member, buffer, bytes) / element_size;
}

int ArchiveLayerEof(FileHandle file) {
    FileHandleRecord* record = RecordOf(file);
    if (record == nullptr) return -1;
    return record->kind == kArchiveMemberKind ? GetArchiveMemberEof(&record->member) : GetPlainFileEof(record->plain);
}

int ArchiveLayerIdleCheck(FileHandle file) {
    FileHandleRecord* record = RecordOf(file);
    if (record == nullptr) return -1;
    return record->kind == kArchiveMemberKind ? CheckArchiveMemberIdle(&record->member)
                                              : CheckPlainFileIdle(record->plain);
}

int ArchiveLayerSetDir(const char* path) { return SetCurrentDirectoryA(path) ? 0 : -1; }

int ArchiveLayerGetDir(char* buffer) {
    const DWORD length = GetCurrentDirectoryA(kArchivePathBytes, buffer);
    if (length == 0 || length >= static_cast<DWORD>(kArchivePathBytes)) buffer[0] = '\0';
    return 0;
}
