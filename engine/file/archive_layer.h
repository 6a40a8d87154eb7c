// The archive-aware file operations: every path may name a plain file or a member of a
// QVA archive found beside one of the path's directories. Open archives are cached with
// reference counts; file handles are a slot of a 512-entry table ORed with 0xF0000000.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/file/archive_reader.h"
#include "engine/file/file_access.h"

constexpr int kMaxArchives = 512;
constexpr int kMaxOpenFiles = 512;
// A file handle is kFileHandleTag | slot; the slot sits in the bits of kFileHandleSlotMask.
constexpr std::uint32_t kFileHandleTag = 0xF0000000u;
constexpr std::uint32_t kFileHandleSlotMask = 0x0FFFFFFFu;
// Bytes of a full path worked out by the layer.
constexpr int kFullPathBytes = 512;

struct ArchiveRecord {
    std::int32_t reference_count;
    ArchiveState state;
    char path[kArchivePathBytes];  // full path, folded to upper case: the cache key
};

enum FileRecordKind : std::int32_t { kPlainFileKind = 0, kArchiveMemberKind = 1 };

struct FileHandleRecord {
    std::int32_t kind;
    FileHandle plain;
    std::int32_t archive_index;
    ArchiveMemberStream member;
};

struct ArchiveLayerGlobals {
    ArchiveRecord* archives[kMaxArchives];
    FileHandleRecord* files[kMaxOpenFiles];
    char extension[64];  // without the dot; empty means QVA
    std::int32_t extension_length;
    std::int32_t key_string_set;
    char key_string[16];
    std::int32_t archive_count;
    std::int32_t file_count;
    std::int32_t last_archive_index;
    char last_archive_path[kArchivePathBytes];
    std::int32_t last_prefix_length;  // 0: no last hit
};

ArchiveLayerGlobals* GetArchiveLayerGlobals();

// Engine start-up: clears the archive state. Returns 0.
int InitializeArchiveState();
// Engine shutdown: closes every archive no open file or find still uses. Returns 0.
int TerminateArchiveState();

FileHandle ArchiveLayerOpen(const char* path, int read_cache, int reserved, int asynchronous);
int ArchiveLayerClose(FileHandle file);
std::int64_t ArchiveLayerTell(FileHandle file);
int ArchiveLayerSeek(FileHandle file, std::int64_t offset, int origin);
std::size_t ArchiveLayerRead(void* buffer, std::size_t element_size, std::size_t element_count, FileHandle file);
int ArchiveLayerEof(FileHandle file);
int ArchiveLayerIdleCheck(FileHandle file);
int ArchiveLayerSetDir(const char* path);
int ArchiveLayerGetDir(char* buffer);
FindHandle ArchiveFindFirst(const char* pattern, FindFileInfo* info);
int ArchiveFindNext(FindHandle find, FindFileInfo* info);
int ArchiveFindClose(FindHandle find);

// Path resolution: the archive that takes `path` (its index, with one reference taken),
// the archive's full path and the member path inside it. 0, or -1 when no archive does.
int FindArchiveForPath(const char* path, int* archive_index, char* archive_path, char* member_path);
// The index of the archive at `path` (full, upper case), opened or found in the cache,
// with its reference count raised; -1 when it cannot be had. `disk_path` is the same path
// in the caller's letter case (null: the same as `path`); the file is looked for with it,
// ignoring case.
int AcquireArchive(int hint, const char* path, const char* disk_path = nullptr);
// Lowers an archive's reference count (not below 0).
void ReleaseArchiveReference(int index);
// Closes every cached archive whose reference count is below 1.
void ReleaseUnusedArchives();
// '?' matches one byte, a run of '*' skips to the first occurrence of the next pattern
// character; Shift-JIS pairs match as pairs. 0 on a match, -1 otherwise.
int MatchWildcard(const char* pattern, const char* name);
