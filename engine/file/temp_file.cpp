// Temporary files for writing, made in the system's temporary folder under a unique
// "tmp" name. Relies on the platform's temporary-name and file calls and on BuildFullPath.
#include "engine/file/temp_file.h"

#include <cstring>

#include "engine/file/full_path.h"
#include "platform/file_system.h"
#include "platform/kernel.h"

HANDLE CreateTempFile(char* path) {
    char directory[256];
    const DWORD length = GetTempPathA(sizeof directory - 1, directory);
    if (length == 0 || length >= sizeof directory - 1) return nullptr;
    // Either separator ends a directory on this system.
    if (directory[length - 1] != '\\' && directory[length - 1] != '/') {
        directory[length] = '\\';
        directory[length + 1] = '\0';
    }
    char name[MAX_PATH];
    if (GetTempFileNameA(directory, "tmp", 0, name) == 0) return nullptr;
    char full[MAX_PATH];
    const int built = BuildFullPath(name, full, nullptr, sizeof full);
    DeleteFileA(name);
    if (built != 0) return nullptr;
    HANDLE file = CreateFileA(full, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return nullptr;
    if (path != nullptr) std::memcpy(path, full, std::strlen(full) + 1);
    return file;
}
