// File handles over POSIX descriptors: create/open with the dispositions and sharing the
// engine uses, read, write, seek, size and delete. Paths arrive as CP932 with either
// separator and are converted to UTF-8 first.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "platform/code_page.h"
#include "platform/kernel.h"
#include "platform/posix/kernel_object.h"

namespace {

struct FileObject : KernelObject {
    int fd = -1;
    ~FileObject() override {
        if (fd >= 0) close(fd);
    }
};

FileObject* FileFromHandle(HANDLE handle) { return dynamic_cast<FileObject*>(KernelObjectFromHandle(handle)); }

}  // namespace

HANDLE CreateFileA(const char* path, DWORD access, DWORD share, void*, DWORD disposition, DWORD attributes, HANDLE) {
    std::string native;
    if (!Cp932PathToUtf8(path, native) || native.empty()) return INVALID_HANDLE_VALUE;
    int flags = O_CLOEXEC;
    const bool read = (access & GENERIC_READ) != 0;
    const bool write = (access & GENERIC_WRITE) != 0;
    flags |= (read && write) ? O_RDWR : write ? O_WRONLY : O_RDONLY;
    switch (disposition) {
        case CREATE_NEW: flags |= O_CREAT | O_EXCL; break;
        case CREATE_ALWAYS: flags |= O_CREAT; break;
        case OPEN_EXISTING: break;
        case OPEN_ALWAYS: flags |= O_CREAT; break;
        case TRUNCATE_EXISTING: break;
        default: return INVALID_HANDLE_VALUE;
    }
    const mode_t mode = (attributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
    const int fd = open(native.c_str(), flags, mode);
    if (fd < 0) return INVALID_HANDLE_VALUE;
    struct stat info {};
    if (fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        close(fd);
        return INVALID_HANDLE_VALUE;
    }
    // Sharing: an open that shares nothing holds the file alone; opens that share read
    // or write access coexist with each other. Each handle holds its own lock, released
    // when it is closed.
    const int lock = (share & (FILE_SHARE_READ | FILE_SHARE_WRITE)) == 0 ? LOCK_EX : LOCK_SH;
    // Truncation waits until the sharing check has passed, so a refused open never
    // empties a file someone else holds.
    const bool truncate = disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING;
    if (flock(fd, lock | LOCK_NB) != 0 || (truncate && ftruncate(fd, 0) != 0)) {
        close(fd);
        return INVALID_HANDLE_VALUE;
    }
    auto* file = new FileObject;
    file->fd = fd;
    return file;
}

BOOL ReadFile(HANDLE handle, void* buffer, DWORD bytes, DWORD* bytes_read, void*) {
    FileObject* file = FileFromHandle(handle);
    if (bytes_read != nullptr) *bytes_read = 0;
    if (file == nullptr || (buffer == nullptr && bytes > 0)) return FALSE;
    DWORD done = 0;
    while (done < bytes) {
        const ssize_t n = read(file->fd, static_cast<char*>(buffer) + done, bytes - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (bytes_read != nullptr) *bytes_read = done;
            return FALSE;
        }
        if (n == 0) break;
        done += static_cast<DWORD>(n);
    }
    if (bytes_read != nullptr) *bytes_read = done;
    return TRUE;
}

BOOL WriteFile(HANDLE handle, const void* buffer, DWORD bytes, DWORD* bytes_written, void*) {
    FileObject* file = FileFromHandle(handle);
    if (bytes_written != nullptr) *bytes_written = 0;
    if (file == nullptr || (buffer == nullptr && bytes > 0)) return FALSE;
    DWORD done = 0;
    while (done < bytes) {
        const ssize_t n = write(file->fd, static_cast<const char*>(buffer) + done, bytes - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (bytes_written != nullptr) *bytes_written = done;
            return FALSE;
        }
        done += static_cast<DWORD>(n);
    }
    if (bytes_written != nullptr) *bytes_written = done;
    return TRUE;
}

DWORD SetFilePointer(HANDLE handle, LONG distance, LONG* distance_high, DWORD method) {
    FileObject* file = FileFromHandle(handle);
    if (file == nullptr) return INVALID_SET_FILE_POINTER;
    off_t offset = distance;
    if (distance_high != nullptr) {
        offset = static_cast<off_t>((static_cast<std::uint64_t>(static_cast<std::uint32_t>(*distance_high)) << 32) |
                                    static_cast<std::uint32_t>(distance));
    }
    int whence = SEEK_SET;
    if (method == FILE_CURRENT) {
        whence = SEEK_CUR;
    } else if (method == FILE_END) {
        whence = SEEK_END;
    } else if (method != FILE_BEGIN) {
        return INVALID_SET_FILE_POINTER;
    }
    const off_t result = lseek(file->fd, offset, whence);
    if (result < 0) return INVALID_SET_FILE_POINTER;
    if (distance_high != nullptr) *distance_high = static_cast<LONG>(static_cast<std::uint64_t>(result) >> 32);
    return static_cast<DWORD>(static_cast<std::uint64_t>(result) & 0xFFFFFFFFu);
}

DWORD GetFileSize(HANDLE handle, DWORD* size_high) {
    FileObject* file = FileFromHandle(handle);
    struct stat info {};
    if (file == nullptr || fstat(file->fd, &info) != 0) return INVALID_FILE_SIZE;
    const auto size = static_cast<std::uint64_t>(info.st_size);
    if (size_high != nullptr) *size_high = static_cast<DWORD>(size >> 32);
    return static_cast<DWORD>(size & 0xFFFFFFFFu);
}

BOOL DeleteFileA(const char* path) {
    std::string native;
    if (!Cp932PathToUtf8(path, native) || native.empty()) return FALSE;
    return unlink(native.c_str()) == 0 ? TRUE : FALSE;
}
