// The replaceable table of twelve file operations through which the engine reads every
// file, its forwarding entry points, and the six-operation stream records that
// file-format readers are handed so they work alike on files and on memory blocks.
#pragma once

#include <cstddef>
#include <cstdint>

// A file handle from the open operation (0 on failure), a stream handle (a file handle or
// a memory stream), and a find handle (-1 on failure). All are one machine word.
using FileHandle = std::intptr_t;
using StreamHandle = std::intptr_t;
using FindHandle = std::intptr_t;

// Size of the path buffers the file layer works with, terminating NUL included. A get
// directory operation needs a buffer of at least this size.
constexpr int kFilePathBytes = 260;

// One entry of a directory listing; times are local: year, month, day, hour, minute, second.
struct FindFileInfo {
    char name[260];
    std::int32_t is_directory;
    std::uint32_t size_low;
    std::uint32_t size_high;
    std::int32_t creation_time[6];
    std::int32_t last_write_time[6];
};

// Origins of a seek.
constexpr int kSeekSet = 0;
constexpr int kSeekCurrent = 1;
constexpr int kSeekEnd = 2;

// The twelve operations, in slot order.
struct FileAccessTable {
    FileHandle (*open)(const char* path, int read_cache, int reserved, int asynchronous);
    int (*close)(FileHandle file);
    std::int64_t (*tell)(FileHandle file);
    int (*seek)(FileHandle file, std::int64_t offset, int origin);
    std::size_t (*read)(void* buffer, std::size_t element_size, std::size_t element_count, FileHandle file);
    int (*eof)(FileHandle file);
    int (*idle_check)(FileHandle file);
    int (*set_dir)(const char* path);
    int (*get_dir)(char* buffer);
    FindHandle (*find_first)(const char* pattern, FindFileInfo* info);
    int (*find_next)(FindHandle find, FindFileInfo* info);
    int (*find_close)(FindHandle find);
};

// The six stream operations, in order.
struct StreamFunctions {
    std::int64_t (*tell)(StreamHandle stream);
    int (*seek)(StreamHandle stream, std::int64_t offset, int origin);
    std::size_t (*read)(void* buffer, std::size_t element_size, std::size_t element_count, StreamHandle stream);
    int (*eof)(StreamHandle stream);
    int (*idle_check)(StreamHandle stream);
    int (*close)(StreamHandle stream);
};

// What a reader is handed: a copy of the six operations, then the handle they work on.
struct StreamDescriptor {
    StreamFunctions functions;
    StreamHandle handle;
};

// Entry points of slots 0 to 8: each calls through the table as installed at the time of
// the call and returns its result unchanged.
FileHandle FileAccessOpen(const char* path, int read_cache, int reserved, int asynchronous);
int FileAccessClose(FileHandle file);
std::int64_t FileAccessTell(FileHandle file);
int FileAccessSeek(FileHandle file, std::int64_t offset, int origin);
std::size_t FileAccessRead(void* buffer, std::size_t element_size, std::size_t element_count, FileHandle file);
int FileAccessEof(FileHandle file);
int FileAccessIdleCheck(FileHandle file);
int FileAccessSetDir(const char* path);
int FileAccessGetDir(char* buffer);

// Copies a caller's twelve operations into the table; null installs the archive-aware
// set, or the plain-file set when the no-archive switch is 1. Returns 0.
int SetupFileAccessTable(const FileAccessTable* table);
// The table itself (the movie decoder keeps a copy of it).
FileAccessTable* GetFileAccessTable();

// The no-archive switch read by SetupFileAccessTable (0 by default).
std::int32_t* GetNoArchiveSwitch();

// The two stream-operation records; readers copy them into a StreamDescriptor.
StreamFunctions* GetFileStreamFunctions();
StreamFunctions* GetMemoryStreamFunctions();
// Writes both records again with their operations (engine start-up); returns 0.
int SetupStreamFunctions();
