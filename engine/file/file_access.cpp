// The file-access table with its forwarding entry points, the two stream-operation
// records and the table set-up. Relies on the archive-aware set (archive_layer.h) as the
// default and the plain-file set (plain_file.h) when archives are switched off.
#include "engine/file/file_access.h"

#include "engine/core/core.h"

#include "engine/file/archive_layer.h"
#include "engine/file/memory_stream.h"
#include "engine/file/plain_file.h"

namespace {

constexpr FileAccessTable kArchiveAwareSet = {
    ArchiveLayerOpen,    ArchiveLayerClose,  ArchiveLayerTell,    ArchiveLayerSeek,
    ArchiveLayerRead,    ArchiveLayerEof,    ArchiveLayerIdleCheck, ArchiveLayerSetDir,
    ArchiveLayerGetDir,  ArchiveFindFirst,   ArchiveFindNext,     ArchiveFindClose,
};

constexpr FileAccessTable kPlainFileSet = {
    OpenPlainFile,       ClosePlainFile,     TellPlainFile,       SeekPlainFile,
    ReadPlainFile,       GetPlainFileEof,    CheckPlainFileIdle,  SetPlainCurrentDir,
    GetPlainCurrentDir,  FindFirstPlainFile, FindNextPlainFile,   FindClosePlainFile,
};

constexpr StreamFunctions kFileStreamSet = {
    FileAccessTell, FileAccessSeek, FileAccessRead, FileAccessEof, FileAccessIdleCheck, FileAccessClose,
};

constexpr StreamFunctions kMemoryStreamSet = {
    TellMemoryStream,    SeekMemoryStream,      ReadMemoryStream,
    GetMemoryStreamEof,  CheckMemoryStreamIdle, CloseMemoryStream,
};

FileAccessTable g_table = kArchiveAwareSet;
StreamFunctions g_file_stream_functions = kFileStreamSet;
StreamFunctions g_memory_stream_functions = kMemoryStreamSet;

}  // namespace

FileHandle FileAccessOpen(const char* path, int read_cache, int reserved, int asynchronous) {
    return g_table.open(path, read_cache, reserved, asynchronous);
}
int FileAccessClose(FileHandle file) { return g_table.close(file); }
std::int64_t FileAccessTell(FileHandle file) { return g_table.tell(file); }
int FileAccessSeek(FileHandle file, std::int64_t offset, int origin) { return g_table.seek(file, offset, origin); }
std::size_t FileAccessRead(void* buffer, std::size_t element_size, std::size_t element_count, FileHandle file) {
    return g_table.read(buffer, element_size, element_count, file);
}
int FileAccessEof(FileHandle file) { return g_table.eof(file); }
int FileAccessIdleCheck(FileHandle file) { return g_table.idle_check(file); }
int FileAccessSetDir(const char* path) { return g_table.set_dir(path); }
int FileAccessGetDir(char* buffer) { return g_table.get_dir(buffer); }

int SetupFileAccessTable(const FileAccessTable* table) {
    if (table != nullptr) {
        g_table = *table;
    } else {
        g_table = (*GetNoArchiveSwitch() == 1) ? kPlainFileSet : kArchiveAwareSet;
    }
    return 0;
}

FileAccessTable* GetFileAccessTable() { return &g_table; }

std::int32_t* GetNoArchiveSwitch() { return &GetSystemBlock()->settings.no_archive; }

StreamFunctions* GetFileStreamFunctions() { return &g_file_stream_functions; }
StreamFunctions* GetMemoryStreamFunctions() { return &g_memory_stream_functions; }

int SetupStreamFunctions() {
    g_file_stream_functions = kFileStreamSet;
    g_memory_stream_functions = kMemoryStreamSet;
    return 0;
}
