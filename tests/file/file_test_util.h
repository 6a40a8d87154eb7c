// Shared pieces of the file tests: hex fixtures, a per-test folder with the log captured
// and the archive layer set up, and whole-file reads through the file-access table.
#pragma once

#include <cstdint>
#include <string>

#include "engine/file/file_access.h"
#include "platform/testing/debug_capture.h"
#include "tests/support/temp_dir.h"

// The bytes of a fixture under tests/data/file written as hex pairs with '#' comments.
std::string ReadHexFixture(const std::string& name);

// A fresh current folder, the log written there (no time stamps) and copied into a
// capture, and a cleared archive state with the default file-access table. When it goes,
// the no-archive switch is off and the default table is back, whatever the test set, and
// the log's switches are as they were.
class FileTestFolder {
public:
    FileTestFolder();
    ~FileTestFolder();
    const ScopedTempDir& dir() const { return dir_; }
    void Write(const std::string& name, const std::string& bytes) const;
    // Log text since the last call, CP932, line breaks as LF.
    std::string TakeLog();

private:
    ScopedTempDir dir_;
    DebugCapture capture_;
    std::int32_t saved_no_stamp_;
    std::int32_t saved_no_log_file_;
};

// Reads the rest of an open file in chunks of `chunk` bytes through FileAccessRead.
std::string ReadRest(FileHandle file, std::size_t chunk = 4096);
// Opens, reads whole and closes; "<missing>" when the open fails.
std::string ReadWholeFile(const char* path, int read_cache = 0, int asynchronous = 0);
