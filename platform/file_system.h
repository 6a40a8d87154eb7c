// Directory services of the platform layer: the current directory, directory searches
// with wildcards, temporary file names, and the look-up that gives a path the letter
// case it has on disk. Paths are CP932 text; both '\' and '/' separate directories.
#pragma once

#include "platform/kernel_types.h"

constexpr DWORD MAX_PATH = 260;

// ---- current directory -----------------------------------------------------
BOOL SetCurrentDirectoryA(const char* path);
// Writes the current directory (CP932, '/' separated on this system) with its NUL into
// `buffer` when it fits in `size` bytes and returns its length; when it does not fit,
// returns the size needed (NUL included) and writes nothing. 0 on failure.
DWORD GetCurrentDirectoryA(DWORD size, char* buffer);

// ---- directory search ------------------------------------------------------
struct WIN32_FIND_DATAA {
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    char cFileName[MAX_PATH];
};

// `pattern` is a directory path and a last component that may hold '*' and '?'
// (compared without regard to ASCII letter case; "*.*" matches every name). The search
// lists "." and ".." as the directory itself holds them. INVALID_HANDLE_VALUE when the
// directory cannot be read or nothing matches.
HANDLE FindFirstFileA(const char* pattern, WIN32_FIND_DATAA* data);
BOOL FindNextFileA(HANDLE find, WIN32_FIND_DATAA* data);
BOOL FindClose(HANDLE find);

// ---- temporary files -------------------------------------------------------
// The folder for temporary files ($TMPDIR, else /tmp) with a trailing separator; returns
// its length, or the size needed when `size` is too small, 0 on failure.
DWORD GetTempPathA(DWORD size, char* buffer);
// Makes `directory` + the first three characters of `prefix` + four hex digits + ".tmp".
// With `unique` 0 the name is new and an empty file of that name is created; otherwise
// the name is made from `unique` and nothing is created. `out` holds MAX_PATH bytes.
// Returns the number used, 0 on failure.
UINT GetTempFileNameA(const char* directory, const char* prefix, UINT unique, char* out);

// ---- letter case -----------------------------------------------------------
// Looks `path` up one component at a time, taking at each level the entry of exactly
// that name or else one that differs only in ASCII letter case, so that a path folded to
// upper case still names its file. Writes the path as found (CP932, '/' separated) into
// `out` (`size` bytes) and returns TRUE; FALSE when a component is missing or the
// result does not fit.
BOOL FindPathIgnoringCase(const char* path, char* out, DWORD size);
