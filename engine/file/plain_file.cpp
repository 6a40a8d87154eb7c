// Plain files of the operating system (direct and threaded modes). Relies on the
// platform's file, event and thread calls (platform/kernel.h, platform/file_system.h).
#include "engine/file/plain_file.h"

FileHandle OpenPlainFile(const char*, int, int, int) { return 0; }
int ClosePlainFile(FileHandle) { return -1; }
std::int64_t TellPlainFile(FileHandle) { return 0; }
int SeekPlainFile(FileHandle, std::int64_t, int) { return -1; }
std::size_t ReadPlainFile(void*, std::size_t, std::size_t, FileHandle) { return 0; }
int GetPlainFileEof(FileHandle) { return 0; }
int CheckPlainFileIdle(FileHandle) { return 1; }
int SetPlainCurrentDir(const char*) { return 0; }
int GetPlainCurrentDir(char* buffer) {
    buffer[0] = '\0';
    return 0;
}
FindHandle FindFirstPlainFile(const char*, FindFileInfo*) { return -1; }
int FindNextPlainFile(FindHandle, FindFileInfo*) { return -1; }
int FindClosePlainFile(FindHandle) { return -1; }
DWORD FileReadThreadProc(void*) { return 1; }
