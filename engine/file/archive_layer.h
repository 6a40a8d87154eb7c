// The archive-aware file operations: every path may name a plain file or a member of a
// QVA archive found beside one of the path's directories. Open archives are cached with
// reference counts; file handles are a slot of a 512-entry table ORed with 0xF0000000.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/file/file_access.h"

constexpr int kMaxArchives = 512;
constexpr int kMaxOpenFiles = 512;
constexpr std::uint32_t kFileHandleTag = 0xF0000000u;

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
