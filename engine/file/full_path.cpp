// Full paths without touching the disk. On this system a directory path may begin with
// '/' (the root, where other systems have a drive letter), so '/' and '\' both separate
// and a leading separator starts at the root when the base has no drive. Relies on the
// file-access table for the current directory and on the Shift-JIS lead-byte test.
#include "engine/file/full_path.h"

#include <cstring>

#include "engine/core/core.h"
#include "engine/file/file_access.h"
#include "platform/file_system.h"

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsLead(const char* p) {
    return p[1] != '\0' && IsMultiByteLeadByte(reinterpret_cast<const unsigned char*>(p), GetEngineCharSetMode());
}

// A bounded text under construction.
struct PathText {
    char* out;
    int size;
    int length;
    bool overflow;

    void Append(const char* text, int n) {
        if (length + n + 1 > size) {
            overflow = true;
            return;
        }
        std::memcpy(out + length, text, static_cast<std::size_t>(n));
        length += n;
        out[length] = '\0';
    }
};

// Length of the drive part of a directory ("C:"), 0 when it has none.
int DriveLength(const char* directory) { return (directory[0] != '\0' && directory[1] == ':') ? 2 : 0; }

// Cuts the last component off: back to the previous separator, never past a drive's ':'.
void RemoveLastComponent(PathText& text) {
    int cut = text.length;
    int last_separator = -1;
    int colon = -1;
    for (int i = 0; i < text.length; i += IsLead(text.out + i) ? 2 : 1) {
        if (IsSeparator(text.out[i])) last_separator = i;
        if (text.out[i] == ':') colon = i;
    }
    if (last_separator > colon) {
        cut = last_separator;
    } else if (colon >= 0) {
        cut = colon + 1;
    }
    text.length = cut;
    text.out[cut] = '\0';
}

// Reads the components of `rest` onto `text`. `fold` folds ASCII letters to upper case.
// `empty_fails`: two separators in a row make the path invalid instead of being skipped.
bool AppendComponents(PathText& text, const char* rest, bool fold, bool empty_fails) {
    const char* p = rest;
    while (*p != '\0') {
        const char* start = p;
        while (*p != '\0' && !IsSeparator(*p)) p += IsLead(p) ? 2 : 1;
        const int n = static_cast<int>(p - start);
        const bool separator_follows = *p != '\0';
        if (separator_follows) ++p;
        if (n == 0) {
            if (empty_fails) return false;
            continue;
        }
        if (n == 1 && start[0] == '.') continue;
        if (n == 2 && start[0] == '.' && start[1] == '.') {
            RemoveLastComponent(text);
            continue;
        }
        text.Append("\\", 1);
        const int at = text.length;
        text.Append(start, n);
        if (fold && !text.overflow) {
            for (int i = at; i < text.length; i += IsLead(text.out + i) ? 2 : 1) {
                if (text.out[i] >= 'a' && text.out[i] <= 'z') text.out[i] = static_cast<char>(text.out[i] - 32);
            }
        }
    }
    return true;
}

void FoldUpper(char* text) {
    for (char* p = text; *p != '\0'; p += IsLead(p) ? 2 : 1) {
        if (*p >= 'a' && *p <= 'z') *p = static_cast<char>(*p - 32);
    }
}

}  // namespace

int BuildFullPath(const char* path, char* out, const char* base, int out_size) {
    char current[kFilePathBytes];
    if (base == nullptr) {
        current[0] = '\0';
        FileAccessGetDir(current);
        base = current;
    }
    PathText text{out, out_size, 0, false};
    if (out_size < 1) return -1;
    out[0] = '\0';
    if (path == nullptr) {
        text.Append(base, static_cast<int>(std::strlen(base)));
        return text.overflow ? -1 : 0;
    }
    const char* rest = path;
    if (IsSeparator(path[0])) {
        text.Append(base, DriveLength(base));
        rest = path + 1;
    } else if (path[0] != '\0' && path[1] == ':') {
        text.Append(path, 2);
        rest = IsSeparator(path[2]) ? path + 3 : path + 2;
    } else {
        int n = static_cast<int>(std::strlen(base));
        if (n > 0 && IsSeparator(base[n - 1])) --n;
        text.Append(base, n);
    }
    if (!AppendComponents(text, rest, false, true)) return -1;
    return text.overflow ? -1 : 0;
}

namespace {

int MakeFullPath(const char* path, char* out, int out_size, bool fold) {
    char current[kFilePathBytes];
    const DWORD length = GetCurrentDirectoryA(sizeof current, current);
    if (length == 0 || length >= sizeof current) current[0] = '\0';
    if (fold) FoldUpper(current);
    for (char* p = current; *p != '\0'; p += IsLead(p) ? 2 : 1) {
        if (*p == '/') *p = '\\';
    }
    PathText text{out, out_size, 0, false};
    if (out_size < 1) return -1;
    out[0] = '\0';
    const char* rest = path;
    if (IsSeparator(path[0]) && path[1] == path[0]) {
        // A network path: each component adds its own separator after this one.
        text.Append("\\", 1);
        rest = path + 2;
    } else if (IsSeparator(path[0])) {
        text.Append(current, DriveLength(current));
        rest = path + 1;
    } else if (path[0] != '\0' && path[1] == ':') {
        char drive[2] = {path[0], ':'};
        if (fold && drive[0] >= 'a' && drive[0] <= 'z') drive[0] = static_cast<char>(drive[0] - 32);
        text.Append(drive, 2);
        rest = path + 2;
    } else {
        int n = static_cast<int>(std::strlen(current));
        if (n > 0 && current[n - 1] == '\\') --n;
        text.Append(current, n);
    }
    AppendComponents(text, rest, fold, false);
    return text.overflow ? -1 : 0;
}

}  // namespace

int MakeUpperFullPath(const char* path, char* out, int out_size) { return MakeFullPath(path, out, out_size, true); }

int MakeFullPathKeepingCase(const char* path, char* out, int out_size) {
    return MakeFullPath(path, out, out_size, false);
}
