// Plain files of the operating system, read-only: direct mode calls the system at once;
// threaded mode gives the file a reader thread of its own, driven by a command event and a
// done event, for asynchronous reads and an optional 128 KB read-ahead cache.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/file/file_access.h"
#include "platform/kernel_types.h"

constexpr std::uint32_t kPlainFileCacheBytes = 0x20000;

// Commands of the reader thread.
enum PlainFileCommand : std::int32_t {
    kPlainCommandOpen = 0,
    kPlainCommandClose = 1,
    kPlainCommandRead = 2,
    kPlainCommandSeek = 3,
    kPlainCommandQuit = 4,
};

// The part of a threaded file that its reader thread works on.
struct PlainFileThreadPart {
    DWORD thread_id;
    HANDLE thread;
    HANDLE thread_file;    // opened and used by the thread alone; null when closed
    HANDLE command_event;  // manual reset, starts not signalled
    HANDLE done_event;     // manual reset, starts signalled
    std::int32_t command;
    std::int32_t exited;
    std::int32_t open_failed;
    char path[260];
    void* read_destination;
    std::uint32_t read_offset;
    std::uint32_t read_byte_count;  // bytes asked; the thread stores the bytes read
    std::uint32_t seek_offset;
    unsigned char* cache;  // kPlainFileCacheBytes of read-ahead, or null
    std::uint32_t cache_file_offset;
    std::uint32_t cached_bytes;
};

struct PlainFileRecord {
    HANDLE file;  // direct mode only
    std::int32_t threaded;
    std::int32_t read_cache;
    std::int32_t asynchronous;
    std::int32_t eof;
    std::uint32_t position;
    std::uint32_t file_size;
    PlainFileThreadPart thread_part;
};

// The handle of a plain file is the address of its record.
FileHandle OpenPlainFile(const char* path, int read_cache, int reserved, int asynchronous);
int ClosePlainFile(FileHandle file);
std::int64_t TellPlainFile(FileHandle file);
int SeekPlainFile(FileHandle file, std::int64_t offset, int origin);
std::size_t ReadPlainFile(void* buffer, std::size_t element_size, std::size_t element_count, FileHandle file);
// -1 once a read has hit the end, else 0.
int GetPlainFileEof(FileHandle file);
// 1 when no asynchronous read is pending.
int CheckPlainFileIdle(FileHandle file);
// Blocks until no asynchronous read is pending (the idle check would return 1).
void WaitPlainFileIdle(FileHandle file);
int SetPlainCurrentDir(const char* path);
int GetPlainCurrentDir(char* buffer);
FindHandle FindFirstPlainFile(const char* pattern, FindFileInfo* info);
int FindNextPlainFile(FindHandle find, FindFileInfo* info);
int FindClosePlainFile(FindHandle find);

// The reader thread of a threaded file; its parameter is the record's thread part.
DWORD FileReadThreadProc(void* parameter);
