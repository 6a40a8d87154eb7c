// The file-access table's find slots, for tests.
#include "tests/support/engine_testing/file_testing.h"

FindHandle FileAccessFindFirst(const char* pattern, FindFileInfo* info) {
    return GetFileAccessTable()->find_first(pattern, info);
}
int FileAccessFindNext(FindHandle find, FindFileInfo* info) { return GetFileAccessTable()->find_next(find, info); }
int FileAccessFindClose(FindHandle find) { return GetFileAccessTable()->find_close(find); }
