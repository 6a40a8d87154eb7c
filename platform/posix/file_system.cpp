// Directory services over POSIX: chdir/getcwd, opendir/readdir with a wildcard filter,
// the temporary folder and unique temporary names, and case-insensitive path look-up.
// Names cross between the engine's CP932 and the system's UTF-8 here.
#include "platform/file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/code_page.h"
#include "platform/kernel.h"
#include "platform/posix/kernel_object.h"
#include "platform/shift_jis.h"

namespace {

struct FindObject : KernelObject {
    std::vector<WIN32_FIND_DATAA> entries;
    std::size_t next = 0;
};

// 100-ns ticks between 1601-01-01 and 1970-01-01.
constexpr std::int64_t kEpochDifferenceTicks = 116444736000000000LL;
constexpr std::int64_t kTicksPerSecond = 10000000LL;
constexpr std::int64_t kNanosecondsPerTick = 100;

FILETIME ToFileTime(std::int64_t seconds, std::int64_t nanoseconds) {
    const std::int64_t ticks = seconds * kTicksPerSecond + nanoseconds / kNanosecondsPerTick + kEpochDifferenceTicks;
    const auto value = static_cast<std::uint64_t>(ticks < 0 ? 0 : ticks);
    return FILETIME{static_cast<DWORD>(value & 0xFFFFFFFFu), static_cast<DWORD>(value >> 32)};
}

unsigned char FoldAscii(unsigned char c) { return (c >= 'a' && c <= 'z') ? static_cast<unsigned char>(c - 32) : c; }

// Length in bytes of the character at `p` (CP932).
int CharLength(const char* p) {
    return (IsShiftJisLeadByte(static_cast<unsigned char>(p[0])) && p[1] != '\0') ? 2 : 1;
}

// Wildcard match of CP932 texts, ignoring ASCII letter case; '*' with backtracking.
bool MatchPattern(const char* pattern, const char* name) {
    while (*pattern != '\0') {
        if (*pattern == '*') {
            while (*pattern == '*') ++pattern;
            if (*pattern == '\0') return true;
            for (const char* n = name; *n != '\0'; n += CharLength(n)) {
                if (MatchPattern(pattern, n)) return true;
            }
            return false;
        }
        if (*name == '\0') return false;
        const int pl = CharLength(pattern);
        const int nl = CharLength(name);
        if (*pattern == '?') {
            pattern += 1;
            name += nl;
            continue;
        }
        if (pl != nl) return false;
        if (pl == 2) {
            if (pattern[0] != name[0] || pattern[1] != name[1]) return false;
        } else if (FoldAscii(static_cast<unsigned char>(*pattern)) != FoldAscii(static_cast<unsigned char>(*name))) {
            return false;
        }
        pattern += pl;
        name += nl;
    }
    return *name == '\0';
}

bool FillFindData(const std::string& full_path, const std::string& name_cp932, WIN32_FIND_DATAA* out) {
    struct statx info {};
    if (statx(AT_FDCWD, full_path.c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &info) != 0) return false;
    std::memset(out, 0, sizeof *out);
    out->dwFileAttributes = S_ISDIR(info.stx_mode) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
    out->ftLastWriteTime = ToFileTime(info.stx_mtime.tv_sec, info.stx_mtime.tv_nsec);
    out->ftLastAccessTime = ToFileTime(info.stx_atime.tv_sec, info.stx_atime.tv_nsec);
    out->ftCreationTime = (info.stx_mask & STATX_BTIME) ? ToFileTime(info.stx_btime.tv_sec, info.stx_btime.tv_nsec)
                                                         : out->ftLastWriteTime;
    const std::uint64_t size = S_ISDIR(info.stx_mode) ? 0 : info.stx_size;
    out->nFileSizeHigh = static_cast<DWORD>(size >> 32);
    out->nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFFu);
    std::memcpy(out->cFileName, name_cp932.c_str(), name_cp932.size() + 1);
    return true;
}

// Names in a directory (UTF-8), sorted so that listings come in a fixed order.
bool ListDirectory(const std::string& directory, std::vector<std::string>& names) {
    DIR* dir = opendir(directory.empty() ? "." : directory.c_str());
    if (dir == nullptr) return false;
    while (dirent* entry = readdir(dir)) names.emplace_back(entry->d_name);
    closedir(dir);
    std::sort(names.begin(), names.end());
    return true;
}

DWORD CopyOut(const std::string& text, DWORD size, char* buffer) {
    if (text.size() + 1 > size || buffer == nullptr) return static_cast<DWORD>(text.size() + 1);
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return static_cast<DWORD>(text.size());
}

}  // namespace

BOOL SetCurrentDirectoryA(const char* path) {
    std::string native;
    if (!Cp932PathToUtf8(path, native) || native.empty()) return FALSE;
    return chdir(native.c_str()) == 0 ? TRUE : FALSE;
}

DWORD GetCurrentDirectoryA(DWORD size, char* buffer) {
    char* native = getcwd(nullptr, 0);
    if (native == nullptr) return 0;
    std::string text;
    const bool ok = Utf8ToCp932(native, std::strlen(native), text);
    std::free(native);
    if (!ok) return 0;
    return CopyOut(text, size, buffer);
}

HANDLE FindFirstFileA(const char* pattern, WIN32_FIND_DATAA* data) {
    if (pattern == nullptr) return INVALID_HANDLE_VALUE;
    // Split at the last separator, keeping CP932 pairs whole.
    std::size_t split = std::string::npos;
    for (std::size_t i = 0; pattern[i] != '\0'; i += CharLength(pattern + i)) {
        if (pattern[i] == '\\' || pattern[i] == '/') split = i;
    }
    const std::string directory_cp932 = split == std::string::npos ? "" : std::string(pattern, split == 0 ? 1 : split);
    std::string name_pattern = split == std::string::npos ? pattern : pattern + split + 1;
    if (name_pattern == "*.*") name_pattern = "*";
    if (name_pattern.empty()) return INVALID_HANDLE_VALUE;
    std::string directory;
    if (!directory_cp932.empty() && !Cp932PathToUtf8(directory_cp932.c_str(), directory)) return INVALID_HANDLE_VALUE;
    std::vector<std::string> names;
    if (!ListDirectory(directory, names)) return INVALID_HANDLE_VALUE;
    auto* find = new FindObject;
    for (const std::string& name : names) {
        std::string name_cp932;
        if (!Utf8ToCp932(name.c_str(), name.size(), name_cp932) || name_cp932.size() >= MAX_PATH) continue;
        if (!MatchPattern(name_pattern.c_str(), name_cp932.c_str())) continue;
        WIN32_FIND_DATAA entry;
        const std::string full = directory.empty() ? name : (directory == "/" ? "/" + name : directory + "/" + name);
        if (FillFindData(full, name_cp932, &entry)) find->entries.push_back(entry);
    }
    if (find->entries.empty()) {
        delete find;
        return INVALID_HANDLE_VALUE;
    }
    if (data != nullptr) *data = find->entries[0];
    find->next = 1;
    return find;
}

BOOL FindNextFileA(HANDLE handle, WIN32_FIND_DATAA* data) {
    auto* find = dynamic_cast<FindObject*>(KernelObjectFromHandle(handle));
    if (find == nullptr || find->next >= find->entries.size()) return FALSE;
    if (data != nullptr) *data = find->entries[find->next];
    ++find->next;
    return TRUE;
}

BOOL FindClose(HANDLE handle) {
    auto* find = dynamic_cast<FindObject*>(KernelObjectFromHandle(handle));
    if (find == nullptr) return FALSE;
    delete find;
    return TRUE;
}

DWORD GetTempPathA(DWORD size, char* buffer) {
    const char* env = std::getenv("TMPDIR");
    std::string native = (env != nullptr && env[0] != '\0') ? env : "/tmp";
    if (native.back() != '/') native += '/';
    std::string text;
    if (!Utf8ToCp932(native.c_str(), native.size(), text)) return 0;
    return CopyOut(text, size, buffer);
}

UINT GetTempFileNameA(const char* directory, const char* prefix, UINT unique, char* out) {
    if (directory == nullptr || out == nullptr) return 0;
    std::string base = directory;
    if (!base.empty() && base.back() != '\\' && base.back() != '/') base += '/';
    base.append(prefix != nullptr ? prefix : "", 0, prefix != nullptr ? std::min<std::size_t>(3, std::strlen(prefix)) : 0);
    auto make_name = [&base](UINT number) {
        static const char kHex[] = "0123456789ABCDEF";
        std::string name = base;
        for (int shift = 12; shift >= 0; shift -= 4) name += kHex[(number >> shift) & 0xF];
        return name + ".tmp";
    };
    if (unique != 0) {
        const std::string name = make_name(unique & 0xFFFF);
        if (name.size() >= MAX_PATH) return 0;
        std::memcpy(out, name.c_str(), name.size() + 1);
        return unique & 0xFFFF;
    }
    static UINT counter = 0;
    if (counter == 0) counter = static_cast<UINT>(getpid()) * 2654435761u;
    for (int attempt = 0; attempt < 0x10000; ++attempt) {
        const UINT number = (counter++ & 0xFFFF);
        if (number == 0) continue;
        const std::string name = make_name(number);
        if (name.size() >= MAX_PATH) return 0;
        std::string native;
        if (!Cp932PathToUtf8(name.c_str(), native)) return 0;
        const int fd = open(native.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return 0;
        }
        close(fd);
        std::memcpy(out, name.c_str(), name.size() + 1);
        return number;
    }
    return 0;
}

BOOL FindPathIgnoringCase(const char* path, char* out, DWORD size) {
    std::string native;
    if (!Cp932PathToUtf8(path, native) || native.empty()) return FALSE;
    std::string found = native[0] == '/' ? "/" : "";
    std::size_t start = 0;
    while (start <= native.size()) {
        std::size_t end = native.find('/', start);
        if (end == std::string::npos) end = native.size();
        const std::string component = native.substr(start, end - start);
        start = end + 1;
        if (component.empty()) continue;
        const std::string exact = found + component;
        struct stat info {};
        std::string chosen;
        if (component == "." || component == ".." || lstat(exact.c_str(), &info) == 0) {
            chosen = component;
        } else {
            std::vector<std::string> names;
            if (!ListDirectory(found, names)) return FALSE;
            for (const std::string& name : names) {
                if (strcasecmp(name.c_str(), component.c_str()) == 0) {
                    chosen = name;
                    break;
                }
            }
            if (chosen.empty()) return FALSE;
        }
        found += chosen;
        if (end < native.size()) found += '/';
    }
    std::string text;
    if (!Utf8ToCp932(found.c_str(), found.size(), text) || text.size() + 1 > size) return FALSE;
    std::memcpy(out, text.c_str(), text.size() + 1);
    return TRUE;
}
