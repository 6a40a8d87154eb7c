// The file-access table: entry points forward their arguments untouched to whatever set
// is installed, file streams follow the table, and the stream records hold their sets.
#include <gtest/gtest.h>

#include <string>

#include "engine/file/archive_layer.h"
#include "engine/file/memory_stream.h"
#include "tests/file/file_test_util.h"
#include "tests/support/engine_testing/file_testing.h"

namespace {

std::string g_calls;

FileHandle RecOpen(const char* path, int cache, int reserved, int async) {
    g_calls += "open " + std::string(path) + " " + std::to_string(cache) + " " + std::to_string(reserved) + " " +
               std::to_string(async) + ";";
    return 77;
}
int RecClose(FileHandle f) {
    g_calls += "close " + std::to_string(f) + ";";
    return 5;
}
std::int64_t RecTell(FileHandle f) {
    g_calls += "tell " + std::to_string(f) + ";";
    return 1234567890123;
}
int RecSeek(FileHandle f, std::int64_t offset, int origin) {
    g_calls += "seek " + std::to_string(f) + " " + std::to_string(offset) + " " + std::to_string(origin) + ";";
    return -1;
}
std::size_t RecRead(void* buffer, std::size_t size, std::size_t count, FileHandle f) {
    g_calls += "read " + std::string(static_cast<char*>(buffer)) + " " + std::to_string(size) + " " +
               std::to_string(count) + " " + std::to_string(f) + ";";
    return 9;
}
int RecEof(FileHandle f) {
    g_calls += "eof " + std::to_string(f) + ";";
    return 3;
}
int RecIdle(FileHandle f) {
    g_calls += "idle " + std::to_string(f) + ";";
    return 0;
}
int RecSetDir(const char* path) {
    g_calls += "setdir " + std::string(path) + ";";
    return 11;
}
int RecGetDir(char* buffer) {
    buffer[0] = 'X';
    buffer[1] = '\0';
    g_calls += "getdir;";
    return 12;
}
FindHandle RecFindFirst(const char* pattern, FindFileInfo*) {
    g_calls += "findfirst " + std::string(pattern) + ";";
    return 40;
}
int RecFindNext(FindHandle find, FindFileInfo*) {
    g_calls += "findnext " + std::to_string(find) + ";";
    return 41;
}
int RecFindClose(FindHandle find) {
    g_calls += "findclose " + std::to_string(find) + ";";
    return 42;
}

const FileAccessTable kRecording = {RecOpen,  RecClose,  RecTell,   RecSeek,      RecRead,     RecEof,
                                    RecIdle,  RecSetDir, RecGetDir, RecFindFirst, RecFindNext, RecFindClose};

TEST(FileAccessTable, EntryPointsForwardArgumentsAndResultsUntouched) {
    FileTestFolder folder;
    EXPECT_EQ(SetupFileAccessTable(&kRecording), 0);
    g_calls.clear();
    char buffer[8] = "buf";
    EXPECT_EQ(FileAccessOpen("p\\q", 1, -99, 2), 77);
    EXPECT_EQ(FileAccessClose(8), 5);
    EXPECT_EQ(FileAccessTell(8), 1234567890123);
    EXPECT_EQ(FileAccessSeek(8, -5000000000ll, 2), -1);
    EXPECT_EQ(FileAccessRead(buffer, 3, 4, 8), 9u);
    EXPECT_EQ(FileAccessEof(8), 3);
    EXPECT_EQ(FileAccessIdleCheck(8), 0);
    EXPECT_EQ(FileAccessSetDir("d"), 11);
    EXPECT_EQ(FileAccessGetDir(buffer), 12);
    EXPECT_EQ(FileAccessFindFirst("*.x", nullptr), 40);
    EXPECT_EQ(FileAccessFindNext(40, nullptr), 41);
    EXPECT_EQ(FileAccessFindClose(40), 42);
    EXPECT_EQ(g_calls,
              "open p\\q 1 -99 2;close 8;tell 8;seek 8 -5000000000 2;read buf 3 4 8;eof 8;idle 8;setdir d;getdir;"
              "findfirst *.x;findnext 40;findclose 40;");
    // A file stream calls through the table entry points.
    g_calls.clear();
    const StreamFunctions* file = GetFileStreamFunctions();
    file->tell(6);
    file->close(6);
    EXPECT_EQ(g_calls, "tell 6;close 6;");
    EXPECT_EQ(GetFileAccessTable()->open, &RecOpen);
}

TEST(FileAccessTable, FileStreamSurvivesReplacingTheTableWithAnEquivalentSet) {
    FileTestFolder folder;
    folder.Write("s.bin", "abcdef");
    StreamDescriptor d{*GetFileStreamFunctions(), FileAccessOpen("s.bin", 0, 12345, 0)};
    ASSERT_NE(d.handle, 0);
    char out[3];
    EXPECT_EQ(d.functions.read(out, 1, 3, d.handle), 3u);
    const FileAccessTable copy = *GetFileAccessTable();
    SetupFileAccessTable(&copy);
    EXPECT_EQ(d.functions.tell(d.handle), 3);
    EXPECT_EQ(d.functions.read(out, 1, 3, d.handle), 3u);
    EXPECT_EQ(std::string(out, 3), "def");
    EXPECT_EQ(d.functions.eof(d.handle), 0);
    EXPECT_EQ(d.functions.idle_check(d.handle), 1);
    EXPECT_EQ(d.functions.close(d.handle), 0);
}

TEST(FileAccessTable, StreamRecordsAreWrittenAgainAtStartUp) {
    StreamFunctions* file = GetFileStreamFunctions();
    StreamFunctions* memory = GetMemoryStreamFunctions();
    *file = StreamFunctions{};
    *memory = StreamFunctions{};
    EXPECT_EQ(SetupStreamFunctions(), 0);
    EXPECT_EQ(file->read, &FileAccessRead);
    EXPECT_EQ(file->close, &FileAccessClose);
    EXPECT_EQ(memory->tell, &TellMemoryStream);
    EXPECT_EQ(memory->idle_check, &CheckMemoryStreamIdle);
}

TEST(FileAccessTable, GetDirOfTheArchiveSetReturnsZero) {
    FileTestFolder folder;
    char buffer[kFilePathBytes];
    EXPECT_EQ(FileAccessGetDir(buffer), 0);
    EXPECT_EQ(std::string(buffer), folder.dir().path().string());
    EXPECT_EQ(FileAccessSetDir("missing-folder"), -1);
}

}  // namespace
