// The engine's CP932 text on the terminal: converted to the character set of the locale the
// environment names (never the process's own locale), with '?' for what does not convert and
// the rest of the line kept; and the converting standard output that the program installs.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/console_text.h"
#include "tests/support/temp_dir.h"

namespace {

std::string Utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

// Sets LC_ALL for the guard's life and puts it back after.
class LocaleEnvironment {
public:
    explicit LocaleEnvironment(const char* value) {
        if (const char* old = std::getenv("LC_ALL")) {
            had_ = true;
            old_ = old;
        }
        setenv("LC_ALL", value, 1);
    }
    ~LocaleEnvironment() {
        if (had_) {
            setenv("LC_ALL", old_.c_str(), 1);
        } else {
            unsetenv("LC_ALL");
        }
    }
    LocaleEnvironment(const LocaleEnvironment&) = delete;
    LocaleEnvironment& operator=(const LocaleEnvironment&) = delete;

private:
    bool had_ = false;
    std::string old_;
};

}  // namespace

TEST(ConsoleText, ConvertsToTheCharacterSetOfTheLocaleInTheEnvironment) {
    struct Case {
        const char* locale;
        std::string cp932;  // this file is compiled to CP932
        std::string shown;
    };
    const Case cases[] = {
        {"C.UTF-8", "ファイルオープンエラー\n", Utf8(u8"ファイルオープンエラー\n")},
        {"C.UTF-8", "ab\x83", "ab?"},                  // a lead byte without its trail byte
        {"C.UTF-8", "a\xFD" "b\n", "a?b\n"},           // a byte that is no CP932 character
        {"C.UTF-8", "\x81\x60~", Utf8(u8"～~")},
        {"C", "ファイルオープンエラー\n", "???????????\n"},  // ASCII has none of them
        {"C", "score 10 ｱ!\n", "score 10 ?!\n"},
        {"xx_NOWHERE.UTF-8", "ソ=1\n", "?=1\n"},          // no such locale: the C locale's ASCII
    };
    for (const Case& c : cases) {
        const LocaleEnvironment locale(c.locale);
        EXPECT_EQ(Cp932ToConsoleText(c.cp932.data(), c.cp932.size()), c.shown) << c.locale << " " << c.shown;
    }
    // The process's own locale is left as the C library started it.
    EXPECT_STREQ(std::setlocale(LC_CTYPE, nullptr), "C");
}

TEST(ConsoleText, TheInstalledStandardOutputConvertsACharacterSplitAcrossWrites) {
    ScopedTempDir dir;
    const std::string path = (dir.path() / "stdout").string();
    const pid_t child = fork();
    if (child == 0) {
        alarm(60);
        setenv("LC_ALL", "C.UTF-8", 1);
        std::fflush(stdout);
        std::FILE* file = std::fopen(path.c_str(), "wb");
        if (file == nullptr || dup2(fileno(file), STDOUT_FILENO) < 0) std::_Exit(2);
        if (!InstallConsoleStandardOutput()) std::_Exit(3);
        // "ソフト" with its last character's lead byte in one write and trail byte in the next.
        std::fputs("\x83\x5C\x83\x74\x83", stdout);
        std::fflush(stdout);
        std::fputs("\x67!\n", stdout);
        std::printf("%d\x83", 7);  // a lead byte left when the stream closes
        std::fclose(stdout);
        std::exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(dir.ReadFile("stdout"), Utf8(u8"ソフト!\n7?"));
}
