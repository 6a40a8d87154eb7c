// Plain files of the operating system, read-only, in direct or threaded mode, and the
// plain directory and find operations. Relies on the platform's file, event and thread
// calls (platform/kernel.h) and directory calls (platform/file_system.h), the tracked
// allocator and the log.
#include "engine/file/plain_file.h"

#include <cstring>

#include "engine/core/core.h"
#include "platform/file_system.h"
#include "platform/kernel.h"

namespace {

PlainFileRecord* RecordOf(FileHandle file) { return reinterpret_cast<PlainFileRecord*>(file); }

// Hands one command to the reader thread: the caller has waited for done and filled the
// command fields; done is reset before the thread is woken.
void SendCommand(PlainFileThreadPart* part) {
    ResetEvent(part->done_event);
    SetEvent(part->command_event);
}

// Waits until the reader thread has ended and releases its handle.
void JoinReadThread(PlainFileThreadPart* part) {
    WaitForSingleObject(part->thread, INFINITE);
    CloseHandle(part->thread);
    part->thread = nullptr;
}

void CopyPath(char* out, const char* path) {
    std::size_t i = 0;
    for (; path[i] != '\0' && i + 1 < sizeof PlainFileThreadPart{}.path; ++i) out[i] = path[i];
    out[i] = '\0';
}

// Serves a read command from the cache first, then from the file.
void ThreadRead(PlainFileThreadPart* part) {
    auto* destination = static_cast<unsigned char*>(part->read_destination);
    std::uint32_t wanted = part->read_byte_count;
    std::uint32_t served = 0;
    if (part->cache != nullptr && part->read_offset == part->cache_file_offset && part->cached_bytes > 0) {
        const std::uint32_t n = wanted < part->cached_bytes ? wanted : part->cached_bytes;
        std::memcpy(destination, part->cache, n);
        destination += n;
        part->read_offset += n;
        part->cache_file_offset += n;
        wanted -= n;
        part->cached_bytes -= n;
        served = n;
        if (part->cached_bytes > 0) std::memmove(part->cache, part->cache + n, part->cached_bytes);
    }
    if (wanted > 0) {
        DWORD got = 0;
        if (part->thread_file != nullptr &&
            SetFilePointer(part->thread_file, static_cast<LONG>(part->read_offset), nullptr, FILE_BEGIN) !=
                INVALID_SET_FILE_POINTER) {
            ReadFile(part->thread_file, destination, wanted, &got, nullptr);
        }
        served += got;
        if (part->cache != nullptr) {
            part->cache_file_offset = part->read_offset + got;
            part->cached_bytes = 0;
        }
    }
    part->read_byte_count = served;
}

void ReadAhead(PlainFileThreadPart* part) {
    if (part->thread_file == nullptr || part->cached_bytes >= kPlainFileCacheBytes) return;
    const std::uint32_t at = part->cache_file_offset + part->cached_bytes;
    if (SetFilePointer(part->thread_file, static_cast<LONG>(at), nullptr, FILE_BEGIN) == INVALID_SET_FILE_POINTER) {
        return;
    }
    DWORD got = 0;
    ReadFile(part->thread_file, part->cache + part->cached_bytes, kPlainFileCacheBytes - part->cached_bytes, &got,
             nullptr);
    part->cached_bytes += got;
}

void FillFindFileInfo(const WIN32_FIND_DATAA& data, FindFileInfo* info) {
    std::memcpy(info->name, data.cFileName, sizeof info->name);
    info->name[sizeof info->name - 1] = '\0';
    info->is_directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) ? 1 : 0;
    info->size_low = data.nFileSizeLow;
    info->size_high = data.nFileSizeHigh;
    FileTimeToDateFields(&data.ftCreationTime, info->creation_time);
    FileTimeToDateFields(&data.ftLastWriteTime, info->last_write_time);
}

}  // namespace

DWORD FileReadThreadProc(void* parameter) {
    auto* part = static_cast<PlainFileThreadPart*>(parameter);
    for (;;) {
        if (part->cache == nullptr) {
            WaitForSingleObject(part->command_event, INFINITE);
        } else {
            while (WaitForSingleObject(part->command_event, 100) == WAIT_TIMEOUT) ReadAhead(part);
        }
        ResetEvent(part->command_event);
        ResetEvent(part->done_event);
        switch (part->command) {
            case kPlainCommandOpen:
                part->thread_file = CreateFileA(part->path, GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                                FILE_ATTRIBUTE_NORMAL, nullptr);
                if (part->thread_file == INVALID_HANDLE_VALUE) {
                    part->thread_file = nullptr;
                    part->open_failed = 1;
                    part->exited = 1;
                    SetEvent(part->done_event);
                    return 1;
                }
                break;
            case kPlainCommandClose:
                if (part->thread_file != nullptr) CloseHandle(part->thread_file);
                part->thread_file = nullptr;
                break;
            case kPlainCommandRead:
                ThreadRead(part);
                break;
            case kPlainCommandSeek:
                if (part->thread_file != nullptr) {
                    SetFilePointer(part->thread_file, static_cast<LONG>(part->seek_offset), nullptr, FILE_BEGIN);
                }
                if (part->cache != nullptr) {
                    part->cache_file_offset = part->seek_offset;
                    part->cached_bytes = 0;
                }
                break;
            case kPlainCommandQuit:
                if (part->thread_file != nullptr) CloseHandle(part->thread_file);
                part->thread_file = nullptr;
                part->exited = 1;
                SetEvent(part->done_event);
                return 1;
            default:
                break;
        }
        SetEvent(part->done_event);
    }
}

FileHandle OpenPlainFile(const char* path, int read_cache, int, int asynchronous) {
    auto* record = static_cast<PlainFileRecord*>(TrackedCalloc(sizeof(PlainFileRecord), "plain_file", __LINE__));
    if (record == nullptr) return 0;
    record->read_cache = read_cache;
    record->asynchronous = asynchronous;
    record->threaded = (read_cache != 0 || asynchronous != 0) ? 1 : 0;

    HANDLE probe = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                               nullptr);
    if (probe == INVALID_HANDLE_VALUE) {
        TrackedFree(record);
        // A threaded open reports the failure the way its reader thread would.
        if (read_cache != 0 || asynchronous != 0) WriteLogText("ファイルのオープンに失敗しました\n");
        return 0;
    }
    record->file_size = GetFileSize(probe, nullptr);
    if (record->file_size == INVALID_FILE_SIZE) record->file_size = 0;
    if (!record->threaded) {
        record->file = probe;
        return reinterpret_cast<FileHandle>(record);
    }
    CloseHandle(probe);

    PlainFileThreadPart* part = &record->thread_part;
    if (read_cache != 0) {
        part->cache = static_cast<unsigned char*>(TrackedAlloc(kPlainFileCacheBytes, "plain_file", __LINE__));
        if (part->cache == nullptr) {
            WriteLogText("ファイル読み込みキャッシュ用メモリの確保に失敗しました\n");
            TrackedFree(record);
            return 0;
        }
    }
    part->command_event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    part->done_event = CreateEventA(nullptr, TRUE, TRUE, nullptr);
    part->thread = part->command_event != nullptr && part->done_event != nullptr
                       ? CreateThread(nullptr, 0, FileReadThreadProc, part, 0, &part->thread_id)
                       : nullptr;
    if (part->thread == nullptr) {
        if (part->cache != nullptr) TrackedFree(part->cache);
        if (part->command_event != nullptr) CloseHandle(part->command_event);
        if (part->done_event != nullptr) CloseHandle(part->done_event);
        TrackedFree(record);
        WriteLogText("ファイルアクセス専用スレッドの作成に失敗しました\n");
        return 0;
    }

    part->command = kPlainCommandOpen;
    CopyPath(part->path, path);
    SendCommand(part);
    WaitForSingleObject(part->done_event, INFINITE);
    if (part->open_failed) {
        if (part->cache != nullptr) TrackedFree(part->cache);
        CloseHandle(part->command_event);
        CloseHandle(part->done_event);
        JoinReadThread(part);
        TrackedFree(record);
        WriteLogText("ファイルのオープンに失敗しました\n");
        return 0;
    }
    record->position = 0;
    record->eof = 0;
    return reinterpret_cast<FileHandle>(record);
}

int ClosePlainFile(FileHandle file) {
    PlainFileRecord* record = RecordOf(file);
    if (!record->threaded) {
        const BOOL closed = CloseHandle(record->file);
        TrackedFree(record);
        return closed ? 0 : -1;
    }
    PlainFileThreadPart* part = &record->thread_part;
    WaitForSingleObject(part->done_event, INFINITE);
    part->command = kPlainCommandQuit;
    SendCommand(part);
    WaitForSingleObject(part->done_event, INFINITE);
    JoinReadThread(part);
    if (part->cache != nullptr) TrackedFree(part->cache);
    CloseHandle(part->done_event);
    CloseHandle(part->command_event);
    TrackedFree(record);
    return 0;
}

std::int64_t TellPlainFile(FileHandle file) { return RecordOf(file)->position; }

int SeekPlainFile(FileHandle file, std::int64_t offset, int origin) {
    PlainFileRecord* record = RecordOf(file);
    std::int64_t target = offset;
    if (origin == kSeekCurrent) {
        target = static_cast<std::int64_t>(record->position) + offset;
    } else if (origin == kSeekEnd) {
        target = static_cast<std::int64_t>(record->file_size) + offset;
    }
    // Positions are 32-bit file offsets; one outside them cannot be reached.
    if (target < 0 || target > 0xFFFFFFFFll) return -1;
    const auto position = static_cast<std::uint32_t>(target);
    if (!record->threaded) {
        LONG high = 0;
        if (SetFilePointer(record->file, static_cast<LONG>(position), &high, FILE_BEGIN) == INVALID_SET_FILE_POINTER) {
            return -1;
        }
    } else {
        PlainFileThreadPart* part = &record->thread_part;
        WaitForSingleObject(part->done_event, INFINITE);
        part->command = kPlainCommandSeek;
        part->seek_offset = position;
        SendCommand(part);
    }
    record->position = position;
    record->eof = 0;
    return 0;
}

std::size_t ReadPlainFile(void* buffer, std::size_t element_size, std::size_t element_count, FileHandle file) {
    PlainFileRecord* record = RecordOf(file);
    if (element_size == 0 || element_count == 0) return 0;
    // A position at or past the end (a seek may put it there) has nothing to read.
    if (record->position >= record->file_size) {
        record->eof = 1;
        return 0;
    }
    const std::uint64_t rest = record->file_size - record->position;
    std::uint64_t count = element_count;
    if (count > rest / element_size) {
        count = rest / element_size;
        if (count == 0) {
            record->eof = 1;
            return 0;
        }
    }
    const auto bytes = static_cast<std::uint32_t>(count * element_size);
    if (!record->threaded) {
        DWORD got = 0;
        const BOOL ok = ReadFile(record->file, buffer, bytes, &got, nullptr);
        // The position follows the bytes that really arrived.
        record->position += got;
        if (!ok) return 0;
        return got / element_size;
    }
    PlainFileThreadPart* part = &record->thread_part;
    WaitForSingleObject(part->done_event, INFINITE);
    part->command = kPlainCommandRead;
    part->read_destination = buffer;
    part->read_offset = record->position;
    part->read_byte_count = bytes;
    SendCommand(part);
    if (record->asynchronous == 0) {
        WaitForSingleObject(part->done_event, INFINITE);
        const std::uint32_t got = part->read_byte_count;
        record->position += got;
        return got / element_size;
    }
    record->position += bytes;
    return static_cast<std::size_t>(count);
}

int GetPlainFileEof(FileHandle file) { return RecordOf(file)->eof ? -1 : 0; }

int CheckPlainFileIdle(FileHandle file) {
    PlainFileRecord* record = RecordOf(file);
    if (!record->threaded) return 1;
    return WaitForSingleObject(record->thread_part.done_event, 0) == WAIT_TIMEOUT ? 0 : 1;
}

void WaitPlainFileIdle(FileHandle file) {
    PlainFileRecord* record = RecordOf(file);
    if (record->threaded) WaitForSingleObject(record->thread_part.done_event, INFINITE);
}

int SetPlainCurrentDir(const char* path) { return SetCurrentDirectoryA(path); }

int GetPlainCurrentDir(char* buffer) {
    const DWORD length = GetCurrentDirectoryA(MAX_PATH, buffer);
    if (length >= MAX_PATH) {
        // Too long for the engine's path buffers: report no directory rather than a cut one.
        buffer[0] = '\0';
        return 0;
    }
    return static_cast<int>(length);
}

FindHandle FindFirstPlainFile(const char* pattern, FindFileInfo* info) {
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA(pattern, &data);
    if (find == INVALID_HANDLE_VALUE) return -1;
    if (info != nullptr) FillFindFileInfo(data, info);
    return reinterpret_cast<FindHandle>(find);
}

int FindNextPlainFile(FindHandle find, FindFileInfo* info) {
    WIN32_FIND_DATAA data;
    if (!FindNextFileA(reinterpret_cast<HANDLE>(find), &data)) return -1;
    if (info != nullptr) FillFindFileInfo(data, info);
    return 0;
}

int FindClosePlainFile(FindHandle find) { return FindClose(reinterpret_cast<HANDLE>(find)) ? 0 : -1; }
