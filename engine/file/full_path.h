// Full paths worked out without touching the disk: the engine's BuildFullPath (letter case
// kept) and the archive layer's upper-cased full path, which keys the archive cache.
#pragma once

// Turns `path` (null: none) into a full path in `out` (`out_size` bytes) against `base`
// (null: the current directory from FileAccessGetDir). 0, or -1 for a path with an empty
// component or a result that does not fit.
int BuildFullPath(const char* path, char* out, const char* base, int out_size = 260);

// The full path of `path` against the process's current directory, ASCII letters folded to
// upper case, '\' separated. 0, or -1 when it does not fit in `out_size` bytes.
int MakeUpperFullPath(const char* path, char* out, int out_size);
// The same full path with the letter case as given, byte for byte the same length and
// layout as the upper-cased one; the archive layer looks for archive files with it.
int MakeFullPathKeepingCase(const char* path, char* out, int out_size);
