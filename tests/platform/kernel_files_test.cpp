// File handles: the creation dispositions, reading, writing, seeking, sizes, deleting,
// '\' separators and CP932 names that land on disk as UTF-8.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/kernel.h"
#include "tests/support/temp_dir.h"

namespace {

std::string ReadAll(HANDLE file) {
    std::string out;
    char buffer[256];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0) out.append(buffer, got);
    return out;
}

bool Write(HANDLE file, const std::string& bytes) {
    DWORD written = 0;
    return WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

const char* Utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

}  // namespace

TEST(KernelFiles, CreationDispositions) {
    ScopedTempDir dir;
    struct Case {
        DWORD disposition;
        bool exists_before;
        bool opens;
        std::string contents_after;  // of a file that held "old" before (when it existed)
    };
    const Case cases[] = {
        {CREATE_NEW, false, true, ""},
        {CREATE_NEW, true, false, "old"},
        {CREATE_ALWAYS, false, true, ""},
        {CREATE_ALWAYS, true, true, ""},
        {OPEN_EXISTING, false, false, "<none>"},
        {OPEN_EXISTING, true, true, "old"},
        {OPEN_ALWAYS, false, true, ""},
        {OPEN_ALWAYS, true, true, "old"},
        {TRUNCATE_EXISTING, false, false, "<none>"},
        {TRUNCATE_EXISTING, true, true, ""},
        {0, true, false, "old"},
        {99, true, false, "old"},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(dir.path() / "f.txt");
        if (c.exists_before) dir.WriteFile("f.txt", "old");
        HANDLE file = CreateFileA("f.txt", GENERIC_READ | GENERIC_WRITE, 0, nullptr, c.disposition,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_EQ(file != INVALID_HANDLE_VALUE, c.opens) << c.disposition << " " << c.exists_before;
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
        const bool exists = std::filesystem::exists(dir.path() / "f.txt");
        EXPECT_EQ(exists ? dir.ReadFile("f.txt") : "<none>", c.contents_after)
            << c.disposition << " " << c.exists_before;
    }
}

TEST(KernelFiles, WriteSeekReadAndSize) {
    ScopedTempDir dir;
    HANDLE file = CreateFileA("data.bin", GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(Write(file, "hello"));
    EXPECT_EQ(GetFileSize(file, nullptr), 5u);
    EXPECT_EQ(SetFilePointer(file, 1, nullptr, FILE_BEGIN), 1u);
    EXPECT_EQ(ReadAll(file), "ello");
    DWORD got = 99;
    char byte;
    EXPECT_TRUE(ReadFile(file, &byte, 1, &got, nullptr));  // at the end: success with 0 bytes
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(SetFilePointer(file, -2, nullptr, FILE_END), 3u);
    EXPECT_EQ(SetFilePointer(file, -1, nullptr, FILE_CURRENT), 2u);
    EXPECT_TRUE(Write(file, "LLO!"));
    EXPECT_EQ(SetFilePointer(file, 0, nullptr, FILE_CURRENT), 6u);
    EXPECT_EQ(SetFilePointer(file, -10, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(SetFilePointer(file, 0, nullptr, 7), INVALID_SET_FILE_POINTER);
    LONG high = 0;
    EXPECT_EQ(SetFilePointer(file, 0, &high, FILE_END), 6u);
    EXPECT_EQ(high, 0);
    DWORD size_high = 99;
    EXPECT_EQ(GetFileSize(file, &size_high), 6u);
    EXPECT_EQ(size_high, 0u);
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_EQ(dir.ReadFile("data.bin"), "heLLO!");
}

TEST(KernelFiles, AppendingAtTheEndAsTheLogDoes) {
    ScopedTempDir dir;
    for (const char* piece : {"one ", "two ", "three"}) {
        HANDLE file = CreateFileA("Log.txt", GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        SetFilePointer(file, 0, nullptr, FILE_END);
        EXPECT_TRUE(Write(file, piece));
        CloseHandle(file);
    }
    EXPECT_EQ(dir.ReadFile("Log.txt"), "one two three");
    EXPECT_TRUE(DeleteFileA("Log.txt"));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "Log.txt"));
    EXPECT_FALSE(DeleteFileA("Log.txt"));
}

TEST(KernelFiles, BackslashesSeparateDirectories) {
    ScopedTempDir dir;
    std::filesystem::create_directories(dir.path() / "sub" / "deeper");
    HANDLE file = CreateFileA("sub\\deeper\\a.txt", GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    Write(file, "x");
    CloseHandle(file);
    EXPECT_EQ(dir.ReadFile("sub/deeper/a.txt"), "x");
    const std::string absolute = dir.path().string() + "\\sub/deeper\\a.txt";
    file = CreateFileA(absolute.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(ReadAll(file), "x");
    CloseHandle(file);
    EXPECT_TRUE(DeleteFileA("sub\\deeper\\a.txt"));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "sub/deeper/a.txt"));
}

TEST(KernelFiles, Cp932NamesBecomeUtf8OnDisk) {
    ScopedTempDir dir;
    // "表" is 95 5C and "ソ" 83 5C: their trail bytes are no separators.
    std::filesystem::create_directory(dir.path() / Utf8(u8"表"));
    HANDLE file = CreateFileA("表\\ソフト.txt", GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    Write(file, "sjis");
    CloseHandle(file);
    EXPECT_EQ(dir.ReadFile(Utf8(u8"表/ソフト.txt")), "sjis");

    file = CreateFileA("ソ", GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    EXPECT_TRUE(std::filesystem::exists(dir.path() / Utf8(u8"ソ")));
    EXPECT_TRUE(DeleteFileA("ソ"));
    EXPECT_FALSE(std::filesystem::exists(dir.path() / Utf8(u8"ソ")));
}

TEST(KernelFiles, BadPathsAndHandlesAreRefused) {
    ScopedTempDir dir;
    std::filesystem::create_directory(dir.path() / "folder");
    const char* bad_paths[] = {"", "a\x83", "missing\\x.txt"};
    for (const char* path : bad_paths) {
        EXPECT_EQ(CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr),
                  INVALID_HANDLE_VALUE)
            << path;
    }
    EXPECT_EQ(CreateFileA(nullptr, GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr),
              INVALID_HANDLE_VALUE);
    // A directory is no file.
    EXPECT_EQ(CreateFileA("folder", GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr),
              INVALID_HANDLE_VALUE);
    EXPECT_FALSE(DeleteFileA(""));
    EXPECT_FALSE(DeleteFileA(nullptr));

    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    char buffer[4];
    DWORD count = 99;
    EXPECT_FALSE(ReadFile(event, buffer, 4, &count, nullptr));
    EXPECT_EQ(count, 0u);
    EXPECT_FALSE(WriteFile(INVALID_HANDLE_VALUE, buffer, 4, &count, nullptr));
    EXPECT_EQ(SetFilePointer(event, 0, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetFileSize(nullptr, nullptr), INVALID_FILE_SIZE);
    CloseHandle(event);

    // Reading a file opened for writing only fails without harm.
    HANDLE write_only = CreateFileA("w.txt", GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_FALSE(ReadFile(write_only, buffer, 4, &count, nullptr));
    CloseHandle(write_only);
}

TEST(KernelFiles, SharingModes) {
    ScopedTempDir dir;
    dir.WriteFile("data.bin", "0123456789");
    struct Case {
        DWORD first_share, second_share, second_disposition;
        bool second_opens;
    };
    const Case cases[] = {
        {FILE_SHARE_READ, FILE_SHARE_READ, OPEN_EXISTING, true},
        {FILE_SHARE_READ, 0, OPEN_EXISTING, false},
        {0, FILE_SHARE_READ, OPEN_EXISTING, false},
        {0, 0, OPEN_EXISTING, false},
        // A refused open that would truncate leaves the file whole.
        {0, 0, CREATE_ALWAYS, false},
    };
    for (const Case& c : cases) {
        HANDLE first = CreateFileA("data.bin", GENERIC_READ, c.first_share, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(first, INVALID_HANDLE_VALUE);
        HANDLE second = CreateFileA("data.bin", GENERIC_READ | GENERIC_WRITE, c.second_share, nullptr,
                                    c.second_disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_EQ(second != INVALID_HANDLE_VALUE, c.second_opens) << c.first_share << " " << c.second_share;
        if (second != INVALID_HANDLE_VALUE) CloseHandle(second);
        CloseHandle(first);
        EXPECT_EQ(dir.ReadFile("data.bin"), "0123456789");
    }
    // Once the holder closes, an exclusive open succeeds again.
    HANDLE alone = CreateFileA("data.bin", GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(alone, INVALID_HANDLE_VALUE);
    CloseHandle(alone);
}
