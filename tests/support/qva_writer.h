// Test-only QVA writer: builds an archive image from a list of files, laid out as header,
// data area, then the directory block (names, file-entry table, directory table), or with
// the directory block before the data area.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct QvaSourceFile {
    QvaSourceFile(std::string file_path, std::string file_data)
        : path(std::move(file_path)), data(std::move(file_data)) {}
    std::string path;  // '/'-separated, as written (letter case kept); directories are implied
    std::string data;
    bool pack = false;               // version 2 and above: store as an LZ stream
    std::string packed_stream;       // when not empty, used as the LZ stream as it is
    std::uint64_t write_time = 0;    // FILETIME of creation and last write
};

enum class QvaKeyChoice { kDefault, kFallback, kNone };

// Where the directory block goes: after the data area (so the last member ends before it)
// or right after the header (so the last member ends at the archive's last byte).
enum class QvaLayout { kDataFirst, kDirectoryFirst };

// The archive's bytes: entries of each directory ordered by their upper-cased names, data
// in entry order, directories breadth first. Scrambled with the chosen key.
std::string BuildQvaArchive(const std::vector<QvaSourceFile>& files, int version,
                            QvaKeyChoice key = QvaKeyChoice::kDefault, QvaLayout layout = QvaLayout::kDataFirst);
// XOR-scrambles plain archive bytes with a key (the operation is its own inverse).
std::string ScrambleQva(const std::string& bytes, QvaKeyChoice key);
