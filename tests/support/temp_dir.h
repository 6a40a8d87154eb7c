// A fresh temporary folder that is the current directory while the object lives, so
// tests that write files (the log, archives, saves) never meet each other.
#pragma once

#include <filesystem>
#include <string>

class ScopedTempDir {
public:
    ScopedTempDir();
    ~ScopedTempDir();
    ScopedTempDir(const ScopedTempDir&) = delete;
    ScopedTempDir& operator=(const ScopedTempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // The whole content of a file below the folder, or "" when it is missing.
    std::string ReadFile(const std::string& name) const;
    void WriteFile(const std::string& name, const std::string& bytes) const;

private:
    std::filesystem::path path_;
    std::filesystem::path previous_;
};
