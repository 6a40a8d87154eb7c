// Shared pieces of the engine start-up tests: a per-test folder that is the current
// directory, with the instance lock files inside it, the manual clock and the log on;
// reading Log.txt with its millisecond stamps masked; matching it against a golden file
// whose lines may hold "{*}" for machine-specific text. (A piece of a test that runs in a
// child process of its own: tests/support/child_under_x.h.)
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "engine/include/vomur.h"
#include "platform/testing/manual_clock.h"
#include "platform/testing/window_testing.h"
#include "tests/support/temp_dir.h"

namespace engine_test {

class EngineSession {
public:
    explicit EngineSession(bool window_mode = true)
        : clock_(1000), locks_((dir_.path() / "locks").string()) {
        std::filesystem::create_directories(dir_.path() / "locks");
        ApiSetLogFileOutput(1);
        ApiChangeWindowMode(window_mode ? 1 : 0);
    }
    const ScopedTempDir& dir() const { return dir_; }
    ManualClock& clock() { return clock_; }

private:
    ScopedTempDir dir_;
    ManualClock clock_;
    InstanceLockFolder locks_;
};

// Log.txt with "<digits>:" at the start of each line replaced by "T:".
inline std::string MaskedLog(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string out;
    bool line_start = true;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (line_start) {
            std::size_t j = i;
            while (j < text.size() && text[j] >= '0' && text[j] <= '9') ++j;
            if (j > i && j < text.size() && text[j] == ':') {
                out += "T:";
                i = j;
                line_start = false;
                continue;
            }
        }
        out += text[i];
        line_start = text[i] == '\n';
    }
    return out;
}

inline std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    for (char c : text) {
        line += c;
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        }
    }
    if (!line.empty()) lines.push_back(line);
    return lines;
}

// One golden line: literal bytes with "{*}" matching any run of bytes.
inline bool LineMatches(const std::string& golden, const std::string& actual) {
    std::vector<std::string> parts;
    std::size_t from = 0;
    for (;;) {
        const std::size_t at = golden.find("{*}", from);
        parts.push_back(golden.substr(from, at == std::string::npos ? std::string::npos : at - from));
        if (at == std::string::npos) break;
        from = at + 3;
    }
    if (parts.size() == 1) return golden == actual;
    if (actual.compare(0, parts.front().size(), parts.front()) != 0) return false;
    std::size_t pos = parts.front().size();
    for (std::size_t i = 1; i + 1 < parts.size(); ++i) {
        const std::size_t found = actual.find(parts[i], pos);
        if (found == std::string::npos) return false;
        pos = found + parts[i].size();
    }
    const std::string& last = parts.back();
    return actual.size() >= pos + last.size() && actual.compare(actual.size() - last.size(), last.size(), last) == 0;
}

inline void ExpectMatchesGolden(const std::string& actual, const std::string& golden_name) {
    const std::filesystem::path golden_path = std::filesystem::path(VOMUR_TEST_DATA_DIR) / "core" / golden_name;
    // VOMUR_GOLDEN_OUT names a folder that receives the actual text, for writing a new golden file.
    if (const char* out_dir = std::getenv("VOMUR_GOLDEN_OUT")) {
        std::ofstream(std::filesystem::path(out_dir) / golden_name, std::ios::binary) << actual;
    }
    std::ifstream in(golden_path, std::ios::binary);
    ASSERT_TRUE(in) << "missing golden file " << golden_path;
    const std::string golden((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::vector<std::string> want = SplitLines(golden);
    const std::vector<std::string> got = SplitLines(actual);
    for (std::size_t i = 0; i < want.size() && i < got.size(); ++i) {
        ASSERT_TRUE(LineMatches(want[i], got[i])) << "line " << i + 1 << "\n want: " << want[i] << "\n  got: " << got[i];
    }
    ASSERT_EQ(want.size(), got.size()) << "whole log:\n" << actual;
}

}  // namespace engine_test
