// Reading one QVA archive from disk: opening and validating it, finding entries by path,
// changing its current directory, and the member streams that read stored members through
// the archive's reader thread and hold compressed members unpacked in memory.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/file/file_access.h"
#include "engine/file/qva_format.h"

// Bytes of the engine's archive path buffers (the archive file's full path).
constexpr int kArchivePathBytes = 256;

struct ArchiveState {
    QvaHeader header;
    FileHandle file;                  // the archive file: a threaded, asynchronous plain file
    unsigned char* directory_block;   // allocated, unscrambled
    std::uint32_t current_directory;  // offset of the current record in the directory table
    unsigned char key[kQvaKeyBytes];
    std::uint32_t file_size;
};

enum ArchivePending : std::int32_t {
    kArchiveNothingPending = 0,
    kArchivePackedLoadPending = 1,  // a compressed member's packed bytes are being read
    kArchiveReadPending = 2,        // a stored member's read is under way
};

struct ArchiveMemberStream {
    ArchiveState* archive;
    QvaFileEntry entry;
    unsigned char* unpacked;  // compressed members only
    unsigned char* packed;    // only while its load is pending
    std::int32_t eof;
    std::uint32_t position;  // 0..data size
    std::int32_t asynchronous;
    std::int32_t pending;
    std::uint32_t pending_file_offset;
    void* pending_destination;
    std::uint32_t pending_size;
    std::int32_t broken;  // the packed data turned out damaged: the member reads as empty
};

// Opens and validates the archive file at `path`. 0, or -1 when it is missing or refused
// (a file that is there but damaged is named in the log).
int OpenArchiveOnDisk(ArchiveState* state, const char* path, const char* key_string);
void CloseArchiveState(ArchiveState* state);

// 0 and the entry (its byte offset in the directory block) when `member_path` names a file
// of the archive, relative to its current directory; -1 otherwise.
int FindQvaFileEntry(const char* member_path, ArchiveState* state, QvaFileEntry* entry);
// Changes the archive's current directory ("." stays, "\" is the root, ".." the parent, else
// a path of directories). -1 when a component is missing, after restoring the starting
// directory when `restore` is 1. The search name of the last component is copied out
// when asked for.
int ChangeArchiveDir(ArchiveState* state, const char* path, int restore, QvaSearchName* last_name);
// Reads `size` bytes at the archive file's current position, waits for them and
// unscrambles them as bytes of file offset `file_offset`. Returns the bytes asked.
std::uint32_t ReadQvaBytes(std::uint32_t file_offset, void* destination, std::uint32_t size, ArchiveState* state);

int OpenArchiveMember(ArchiveMemberStream* stream, ArchiveState* state, const char* member_path, int asynchronous);
void CloseArchiveMember(ArchiveMemberStream* stream);
std::size_t ReadArchiveMember(ArchiveMemberStream* stream, void* buffer, std::uint64_t bytes);
int SeekArchiveMember(ArchiveMemberStream* stream, std::int64_t offset, int origin);
std::int64_t TellArchiveMember(ArchiveMemberStream* stream);
int GetArchiveMemberEof(ArchiveMemberStream* stream);
int CheckArchiveMemberIdle(ArchiveMemberStream* stream);

// Helpers over the validated directory block.
const unsigned char* QvaDirectoryRecordBytes(const ArchiveState* state, std::uint32_t offset);
const unsigned char* QvaEntryBytes(const ArchiveState* state, std::uint32_t entry_offset);
// The as-written name of an entry and its search-name record fields.
const char* QvaEntryWrittenName(const ArchiveState* state, const QvaFileEntry& entry);
const unsigned char* QvaEntrySearchName(const ArchiveState* state, const QvaFileEntry& entry,
                                        std::uint16_t* word_count);
