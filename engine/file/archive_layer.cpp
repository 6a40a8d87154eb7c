// The archive-aware file operations over the plain-file back end and the QVA reader.
#include "engine/file/archive_layer.h"

#include "engine/file/plain_file.h"

int InitializeArchiveState() { return 0; }
int TerminateArchiveState() { return 0; }

FileHandle ArchiveLayerOpen(const char* path, int read_cache, int reserved, int asynchronous) {
    return OpenPlainFile(path, read_cache, reserved, asynchronous);
}
int ArchiveLayerClose(FileHandle file) { return ClosePlainFile(file); }
std::int64_t ArchiveLayerTell(FileHandle file) { return TellPlainFile(file); }
int ArchiveLayerSeek(FileHandle file, std::int64_t offset, int origin) { return SeekPlainFile(file, offset, origin); }
std::size_t ArchiveLayerRead(void* buffer, std::size_t element_size, std::size_t element_count, FileHandle file) {
    return ReadPlainFile(buffer, element_size, element_count, file);
}
int ArchiveLayerEof(FileHandle file) { return GetPlainFileEof(file); }
int ArchiveLayerIdleCheck(FileHandle file) { return CheckPlainFileIdle(file); }
int ArchiveLayerSetDir(const char* path) {
    SetPlainCurrentDir(path);
    return 0;
}
int ArchiveLayerGetDir(char* buffer) {
    GetPlainCurrentDir(buffer);
    return 0;
}
FindHandle ArchiveFindFirst(const char*, FindFileInfo*) { return -1; }
int ArchiveFindNext(FindHandle, FindFileInfo*) { return -1; }
int ArchiveFindClose(FindHandle) { return -1; }
