// Plain files in direct and threaded mode: clamped reads and eof, seeks, the asynchronous
// read and its idle check, the read-ahead cache (on the manual clock), and open failures.
#include <gtest/gtest.h>

#include <dirent.h>

#include <fstream>
#include <string>
#include <thread>

#include "engine/file/plain_file.h"
#include "platform/platform_hooks.h"
#include "platform/testing/manual_clock.h"
#include "tests/file/file_test_util.h"

namespace {

int ThreadCount() {
    int count = 0;
    DIR* dir = opendir("/proc/self/task");
    while (dirent* entry = readdir(dir)) count += entry->d_name[0] != '.';
    closedir(dir);
    return count;
}

// A finished reader thread may take a moment to leave the process after it is joined.
bool ThreadCountSettlesAt(int expected) {
    for (int i = 0; i < 10000000; ++i) {
        if (ThreadCount() == expected) return true;
        std::this_thread::yield();
    }
    return false;
}

std::string Numbers(std::size_t size, char salt) {
    std::string out(size, '\0');
    for (std::size_t i = 0; i < size; ++i) out[i] = static_cast<char>((i * 7 + i / 251) ^ salt);
    return out;
}

struct Mode {
    int cache;
    int async;
};
const Mode kModes[] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};

// Waits for an asynchronous read to land.
void WaitIdle(FileHandle f) {
    while (CheckPlainFileIdle(f) == 0) {
    }
}

TEST(PlainFile, ShortReadAtTheEndThenEofInEveryMode) {
    FileTestFolder folder;
    ManualClock clock;
    const std::string data = Numbers(1000, 0);
    folder.Write("f.bin", data);
    for (const Mode& m : kModes) {
        SCOPED_TRACE(testing::Message() << "cache " << m.cache << " async " << m.async);
        const FileHandle f = OpenPlainFile("f.bin", m.cache, 1, m.async);
        ASSERT_NE(f, 0);
        EXPECT_EQ(SeekPlainFile(f, -30, kSeekEnd), 0);
        std::string out(100, '#');
        EXPECT_EQ(ReadPlainFile(out.data(), 1, 100, f), 30u);
        WaitIdle(f);
        EXPECT_EQ(out.substr(0, 30), data.substr(970));
        EXPECT_EQ(out[30], '#');
        EXPECT_EQ(GetPlainFileEof(f), 0);
        EXPECT_EQ(ReadPlainFile(out.data(), 1, 100, f), 0u);
        EXPECT_EQ(GetPlainFileEof(f), -1);
        EXPECT_EQ(SeekPlainFile(f, 10, kSeekSet), 0);
        EXPECT_EQ(GetPlainFileEof(f), 0);
        // Whole elements only: 4-byte elements from 990 bytes give 247.
        std::string big(1000, '\0');
        EXPECT_EQ(ReadPlainFile(big.data(), 4, 1000, f), 247u);
        WaitIdle(f);
        EXPECT_EQ(big.substr(0, 988), data.substr(10, 988));
        EXPECT_EQ(TellPlainFile(f), 998);
        // Past the end and before the start.
        EXPECT_EQ(SeekPlainFile(f, 5000, kSeekSet), 0);
        EXPECT_EQ(ReadPlainFile(out.data(), 1, 10, f), 0u);
        EXPECT_EQ(GetPlainFileEof(f), -1);
        EXPECT_EQ(SeekPlainFile(f, -1, kSeekSet), -1);
        EXPECT_EQ(TellPlainFile(f), 5000);
        EXPECT_EQ(ReadPlainFile(out.data(), 0, 10, f), 0u);
        EXPECT_EQ(ClosePlainFile(f), 0);
    }
    EXPECT_EQ(folder.TakeLog(), "");
}

TEST(PlainFile, AsynchronousReadReturnsAtOnceAndLandsBeforeIdle) {
    FileTestFolder folder;
    const std::string data = Numbers(300000, 5);
    folder.Write("big.bin", data);
    const FileHandle f = OpenPlainFile("big.bin", 0, 1, 1);
    ASSERT_NE(f, 0);
    std::string out(data.size(), '\0');
    EXPECT_EQ(ReadPlainFile(out.data(), 1000, 400, f), 300u);
    EXPECT_EQ(TellPlainFile(f), 300000);
    WaitIdle(f);
    EXPECT_TRUE(out == data);
    EXPECT_EQ(CheckPlainFileIdle(f), 1);
    EXPECT_EQ(ClosePlainFile(f), 0);
}

TEST(PlainFile, ReadAheadCacheServesTheCachedOffsetFirst) {
    FileTestFolder folder;
    ManualClock clock;
    const std::string before = Numbers(200000, 1);
    const std::string after = Numbers(200000, 2);
    folder.Write("c.bin", before);
    const FileHandle f = OpenPlainFile("c.bin", 1, 1, 0);
    ASSERT_NE(f, 0);
    // Each 100 ms wait of the reader thread moves the manual clock; two of them mean the
    // first read-ahead (after the open) has finished.
    const std::uint64_t opened = platform_hooks::ManualClockNanoseconds();
    while (platform_hooks::ManualClockNanoseconds() < opened + 200000000ull) {
    }
    {
        // Rewrite the same file in place: only bytes that were cached still read old.
        std::fstream out(folder.dir().path() / "c.bin", std::ios::in | std::ios::out | std::ios::binary);
        out.write(after.data(), static_cast<std::streamsize>(after.size()));
    }
    std::string got(150000, '\0');
    EXPECT_EQ(ReadPlainFile(got.data(), 1, 150000, f), 150000u);
    EXPECT_TRUE(got.substr(0, kPlainFileCacheBytes) == before.substr(0, kPlainFileCacheBytes));
    EXPECT_TRUE(got.substr(kPlainFileCacheBytes) == after.substr(kPlainFileCacheBytes, 150000 - kPlainFileCacheBytes));
    // A read elsewhere bypasses the cache and restarts it there.
    EXPECT_EQ(SeekPlainFile(f, 10, kSeekSet), 0);
    EXPECT_EQ(ReadPlainFile(got.data(), 1, 100, f), 100u);
    EXPECT_EQ(got.substr(0, 100), after.substr(10, 100));
    EXPECT_EQ(ClosePlainFile(f), 0);
}

TEST(PlainFile, MissingFileLeavesNoThreadBehind) {
    FileTestFolder folder;
    // A sanitizer's helper thread starts with the process's first extra thread; start
    // and end one first so the count below holds only the reader threads.
    std::thread([] {}).join();
    const int threads = ThreadCount();
    for (const Mode& m : kModes) {
        SCOPED_TRACE(testing::Message() << "cache " << m.cache << " async " << m.async);
        EXPECT_EQ(OpenPlainFile("nowhere.bin", m.cache, 1, m.async), 0);
        EXPECT_EQ(folder.TakeLog(), m.cache || m.async ? "ファイルのオープンに失敗しました\n" : "");
        EXPECT_TRUE(ThreadCountSettlesAt(threads));
    }
    folder.Write("here.bin", "x");
    const FileHandle f = OpenPlainFile("here.bin", 0, 1, 1);
    EXPECT_EQ(ThreadCount(), threads + 1);
    ClosePlainFile(f);
    EXPECT_TRUE(ThreadCountSettlesAt(threads));
}

TEST(PlainFile, DirectoryAndFindOperations) {
    FileTestFolder folder;
    folder.Write("sub/one.txt", "1");
    folder.Write("sub/two.TXT", "22");
    char start[kFilePathBytes];
    const int length = GetPlainCurrentDir(start);
    EXPECT_EQ(length, static_cast<int>(std::string(start).size()));
    EXPECT_EQ(std::string(start), folder.dir().path().string());
    EXPECT_NE(SetPlainCurrentDir("sub"), 0);
    FindFileInfo info;
    const FindHandle find = FindFirstPlainFile("*.txt", &info);
    ASSERT_NE(find, -1);
    EXPECT_EQ(std::string(info.name), "one.txt");
    EXPECT_EQ(info.size_low, 1u);
    EXPECT_EQ(FindNextPlainFile(find, &info), 0);
    EXPECT_EQ(std::string(info.name), "two.TXT");
    EXPECT_EQ(info.size_low, 2u);
    EXPECT_EQ(info.is_directory, 0);
    EXPECT_EQ(FindNextPlainFile(find, nullptr), -1);
    EXPECT_EQ(FindClosePlainFile(find), 0);
    EXPECT_EQ(FindFirstPlainFile("*.none", &info), -1);
    EXPECT_EQ(SetPlainCurrentDir("..\\no such"), 0);
    EXPECT_NE(SetPlainCurrentDir(start), 0);
}

}  // namespace
