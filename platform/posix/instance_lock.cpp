// Lock files of running window classes: "vomur-<lower-case class name in hex>.lock" in
// $VOMUR_LOCK_DIR, else $XDG_RUNTIME_DIR, else /tmp (with the user ID), held with flock.
// The owner deletes the file while still holding the lock; a taker checks that the file
// it locked is still the one at the path, so a lock on a deleted file is never trusted.
#include "platform/posix/instance_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

#include "platform/shift_jis.h"
#include "platform/window_hooks.h"

namespace {

std::mutex g_folder_mutex;
std::string g_folder_override;

std::string DefaultFolder(bool* shared_tmp) {
    *shared_tmp = false;
    const char* own = std::getenv("VOMUR_LOCK_DIR");
    if (own != nullptr && *own != '\0') return own;
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime != nullptr && *runtime != '\0') return runtime;
    *shared_tmp = true;
    return "/tmp";
}

std::string FileName(const char* class_name, bool shared_tmp) {
    static const char kHex[] = "0123456789abcdef";
    std::string hex;
    std::uint64_t hash = 1469598103934665603ull;  // FNV-1a, for names too long to spell out
    bool trail = false;
    for (const char* p = class_name; *p != '\0'; ++p) {
        // Class names ignore the case of single-byte letters, so the file name does too
        // (the second byte of a two-byte character is never folded).
        auto c = static_cast<unsigned char>(*p);
        if (!trail && c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c - 'A' + 'a');
        trail = !trail && IsShiftJisLeadByte(c);
        hash = (hash ^ c) * 1099511628211ull;
        if (hex.size() < 160) {
            hex += kHex[c >> 4];
            hex += kHex[c & 15];
        }
    }
    std::string name = "vomur-";
    if (shared_tmp) name += std::to_string(static_cast<unsigned long>(getuid())) + "-";
    name += hex;
    if (hex.size() >= 160) {
        char tail[24];
        std::snprintf(tail, sizeof tail, "-%016llx", static_cast<unsigned long long>(hash));
        name += tail;
    }
    return name + ".lock";
}

bool SameFile(int descriptor, const std::string& path) {
    struct stat by_descriptor {};
    struct stat by_path {};
    if (fstat(descriptor, &by_descriptor) != 0 || stat(path.c_str(), &by_path) != 0) return false;
    return by_descriptor.st_dev == by_path.st_dev && by_descriptor.st_ino == by_path.st_ino;
}

}  // namespace

namespace instance_lock {

int Acquire(const char* class_name) {
    const std::string path = platform_hooks::InstanceLockPath(class_name);
    for (int attempt = 0; attempt < 8; ++attempt) {
        const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0) return -1;
        if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
            close(fd);
            return -1;
        }
        if (SameFile(fd, path)) return fd;
        close(fd);  // the file was deleted by its previous owner meanwhile: try again
    }
    return -1;
}

void Release(int descriptor, const char* class_name) {
    if (descriptor < 0) return;
    const std::string path = platform_hooks::InstanceLockPath(class_name);
    if (SameFile(descriptor, path)) unlink(path.c_str());
    close(descriptor);
}

bool IsHeld(const char* class_name) {
    const std::string path = platform_hooks::InstanceLockPath(class_name);
    const int fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return false;  // no file: nobody runs
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const bool busy = errno == EWOULDBLOCK;
        close(fd);
        return busy;
    }
    // A file left behind by a program that ended without cleaning up: remove it.
    if (SameFile(fd, path)) unlink(path.c_str());
    close(fd);
    return false;
}

}  // namespace instance_lock

namespace platform_hooks {

void SetInstanceLockDirectory(const std::string& folder) {
    std::lock_guard<std::mutex> lock(g_folder_mutex);
    g_folder_override = folder;
}

std::string InstanceLockDirectory() {
    std::lock_guard<std::mutex> lock(g_folder_mutex);
    if (!g_folder_override.empty()) return g_folder_override;
    bool shared_tmp = false;
    return DefaultFolder(&shared_tmp);
}

std::string InstanceLockPath(const char* class_name) {
    std::string folder;
    bool shared_tmp = false;
    {
        std::lock_guard<std::mutex> lock(g_folder_mutex);
        folder = g_folder_override.empty() ? DefaultFolder(&shared_tmp) : g_folder_override;
    }
    return folder + "/" + FileName(class_name == nullptr ? "" : class_name, shared_tmp);
}

}  // namespace platform_hooks
