// The test log helpers.
#include "tests/support/test_log.h"

#include <filesystem>
#include <fstream>
#include <iterator>

#include "engine/core/text_log.h"
#include "tests/support/engine_testing/core_testing.h"

void StartTestLog() {
    SetLogFileOutput(1);
    GetLogState()->no_stamp = 0;
    GetLogState()->date_stamped_name = 0;
    SetLogDirectory(std::filesystem::current_path().string().c_str());
    StartLogFile();
}

std::string ReadTestLog() {
    std::ifstream in("Log.txt", std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string ReadTestLogWithoutStamps() {
    const std::string log = ReadTestLog();
    std::string out;
    bool line_start = true;
    for (std::size_t i = 0; i < log.size(); ++i) {
        if (line_start) {
            std::size_t j = i;
            while (j < log.size() && log[j] >= '0' && log[j] <= '9') ++j;
            if (j > i && j < log.size() && log[j] == ':') i = j + 1;
            if (i >= log.size()) break;
        }
        out += log[i];
        line_start = log[i] == '\n';
    }
    return out;
}
