// Shared pieces of the file tests.
#include "tests/file/file_test_util.h"

#include <fstream>
#include <iterator>
#include <sstream>

#include "engine/core/text_log.h"
#include "engine/file/archive_layer.h"
#include "tests/support/engine_testing/core_testing.h"

std::string ReadHexFixture(const std::string& name) {
    std::ifstream in(std::string(VOMUR_TEST_DATA_DIR) + "/file/" + name);
    std::string out;
    std::string line;
    while (std::getline(in, line)) {
        line = line.substr(0, line.find('#'));
        std::istringstream words(line);
        std::string word;
        while (words >> word) out.push_back(static_cast<char>(std::stoi(word, nullptr, 16)));
    }
    return out;
}

FileTestFolder::FileTestFolder()
    : saved_no_stamp_(GetLogState()->no_stamp), saved_no_log_file_(GetLogState()->no_log_file) {
    SetLogDirectory(dir_.path().string().c_str());
    GetLogState()->no_stamp = 1;
    GetLogState()->no_log_file = 0;
    StartLogFile();
    InitializeArchiveState();
    *GetNoArchiveSwitch() = 0;
    SetupFileAccessTable(nullptr);
}

FileTestFolder::~FileTestFolder() {
    *GetNoArchiveSwitch() = 0;
    SetupFileAccessTable(nullptr);
    TerminateArchiveState();
    SetLogDirectory("");
    GetLogState()->no_stamp = saved_no_stamp_;
    GetLogState()->no_log_file = saved_no_log_file_;
}

void FileTestFolder::Write(const std::string& name, const std::string& bytes) const {
    std::filesystem::path path = dir_.path() / name;
    std::filesystem::create_directories(path.parent_path());
    dir_.WriteFile(name, bytes);
}

std::string FileTestFolder::TakeLog() {
    std::string text = capture_.Take();
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        out.push_back(text[i]);
    }
    return out;
}

std::string ReadRest(FileHandle file, std::size_t chunk) {
    std::string out;
    std::string buffer(chunk, '\0');
    for (;;) {
        const std::size_t n = FileAccessRead(buffer.data(), 1, chunk, file);
        if (n == 0) break;
        while (FileAccessIdleCheck(file) == 0) {
        }
        out.append(buffer.data(), n);
    }
    return out;
}

std::string ReadWholeFile(const char* path, int read_cache, int asynchronous) {
    const FileHandle file = FileAccessOpen(path, read_cache, 1, asynchronous);
    if (file == 0) return "<missing>";
    std::string out = ReadRest(file);
    FileAccessClose(file);
    return out;
}
