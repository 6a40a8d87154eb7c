// Full paths built without the disk, the archive layer's upper-cased full path, and
// temporary files.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "engine/file/full_path.h"
#include "engine/file/temp_file.h"
#include "platform/kernel.h"
#include "tests/file/file_test_util.h"

namespace {

TEST(FullPath, BuildsAgainstABaseDirectory) {
    struct Case {
        const char* base;
        const char* path;
        int result;
        const char* expected;
    };
    const Case cases[] = {
        {"C:\\game\\bin", "..\\data\\a.png", 0, "C:\\game\\data\\a.png"},
        {"C:\\game\\bin", "\\tmp\\x", 0, "C:\\tmp\\x"},
        {"C:\\game\\bin", "D:x\\y", 0, "D:\\x\\y"},
        {"C:\\game\\bin", "D:\\x", 0, "D:\\x"},
        {"C:\\game\\bin\\", "./a/b/", 0, "C:\\game\\bin\\a\\b"},
        {"C:\\game", "..\\..\\..\\a", 0, "C:\\a"},
        {"C:\\game\\bin", "a\\\\b", -1, ""},
        {"C:\\game\\bin", "a//b", -1, ""},
        // The trail byte of "ソ" (83 5C) does not split the component.
        {"C:\\game", "\x83\x5C\\..\\b", 0, "C:\\game\\b"},
        {"C:\\game", "\x83\x5C" "x", 0, "C:\\game\\\x83\x5C" "x"},
        // On this system a directory may start at the root: a leading separator keeps no drive.
        {"/home/user", "/tmp/x", 0, "\\tmp\\x"},
        {"/home/user", "../data", 0, "/home\\data"},
        {"/home/user", "a.png", 0, "/home/user\\a.png"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.base << " + " << c.path);
        char out[260] = "unchanged";
        EXPECT_EQ(BuildFullPath(c.path, out, c.base), c.result);
        if (c.result == 0) {
            EXPECT_EQ(std::string(out), c.expected);
        }
    }
    char out[260];
    EXPECT_EQ(BuildFullPath(nullptr, out, "C:\\game\\bin\\"), 0);
    EXPECT_EQ(std::string(out), "C:\\game\\bin\\");
    char small[8];
    EXPECT_EQ(BuildFullPath("abcdefgh", small, "C:", sizeof small), -1);
}

TEST(FullPath, DefaultBaseIsTheCurrentDirectory) {
    FileTestFolder folder;
    char out[260];
    EXPECT_EQ(BuildFullPath("x/y.txt", out, nullptr), 0);
    EXPECT_EQ(std::string(out), folder.dir().path().string() + "\\x\\y.txt");
    EXPECT_EQ(BuildFullPath(nullptr, out, nullptr), 0);
    EXPECT_EQ(std::string(out), folder.dir().path().string());
}

TEST(FullPath, UpperFullPathFoldsAndUsesBackslashes) {
    FileTestFolder folder;
    std::string current = folder.dir().path().string();
    for (char& c : current) {
        if (c == '/') c = '\\';
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    }
    char out[512];
    EXPECT_EQ(MakeUpperFullPath("dat/chara/../a.png", out, sizeof out), 0);
    EXPECT_EQ(std::string(out), current + "\\DAT\\A.PNG");
    EXPECT_EQ(MakeUpperFullPath("/usr//lib/./x", out, sizeof out), 0);
    EXPECT_EQ(std::string(out), "\\USR\\LIB\\X");
    EXPECT_EQ(MakeUpperFullPath("c:\\dir\\\x83\x5C" "a", out, sizeof out), 0);
    EXPECT_EQ(std::string(out), "C:\\DIR\\\x83\x5C" "A");
    EXPECT_EQ(MakeUpperFullPath("//server/share/a", out, sizeof out), 0);
    EXPECT_EQ(std::string(out), "\\\\SERVER\\SHARE\\A");
    const std::string long_path(600, 'a');
    EXPECT_EQ(MakeUpperFullPath(long_path.c_str(), out, sizeof out), -1);
}

TEST(TempFile, MakesANewEmptyFileForWriting) {
    FileTestFolder folder;
    char path[260] = {};
    HANDLE file = CreateTempFile(path);
    ASSERT_NE(file, nullptr);
    std::string native = path;
    for (char& c : native) {
        if (c == '\\') c = '/';
    }
    const std::filesystem::path made(native);
    EXPECT_EQ(made.filename().string().substr(0, 3), "tmp");
    EXPECT_EQ(made.extension().string(), ".tmp");
    EXPECT_TRUE(std::filesystem::exists(made));
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(file, "data", 4, &written, nullptr));
    CloseHandle(file);
    EXPECT_EQ(std::filesystem::file_size(made), 4u);
    // A second call gives another file; null for the path is allowed.
    HANDLE second = CreateTempFile(nullptr);
    ASSERT_NE(second, nullptr);
    CloseHandle(second);
    std::filesystem::remove(made);
}

}  // namespace
