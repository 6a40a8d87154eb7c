// Test-only entries to the file room: the three find slots of the file-access table, which
// nothing in the engine calls through the table. Part of the engine's testing library
// (linked by tests only); they call through the table of file_access.h.
#pragma once

#include "engine/file/file_access.h"

// Each calls through the table as installed at the time of the call and returns its
// result unchanged.
FindHandle FileAccessFindFirst(const char* pattern, FindFileInfo* info);
int FileAccessFindNext(FindHandle find, FindFileInfo* info);
int FileAccessFindClose(FindHandle find);
