// CP932 <-> UTF-8 conversion (including trail bytes equal to '\' and the characters
// where CP932 differs from plain Shift-JIS), path conversion, and the debugger output,
// which reaches standard error only when VOMUR_DEBUG_OUTPUT asks for it, in the
// character set of the locale the environment names.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/code_page.h"
#include "platform/kernel.h"
#include "platform/testing/debug_capture.h"
#include "tests/support/environment_kept.h"

namespace {

std::string Utf8(const char8_t* text) { return reinterpret_cast<const char*>(text); }

}  // namespace

TEST(CodePage, Cp932ToUtf8AndBack) {
    struct Case {
        std::string cp932;  // written as bytes, independent of the literal character set
        std::string utf8;
    };
    const Case cases[] = {
        {"\x83\x5C", Utf8(u8"ソ")},
        {"\x95\x5C\x94\x5C", Utf8(u8"表能")},
        {"\\", "\\"},                         // 0x5C alone stays a backslash
        {"~", "~"},
        {"\xB1", Utf8(u8"ｱ")},                 // half-width katakana
        {"\x81\x60", Utf8(u8"～")},            // CP932's wave dash is U+FF5E
        {"\x87\x40", Utf8(u8"①")},            // an NEC special character
        {"abc", "abc"},
        {"", ""},
        {"\x83\x5C\x83\x74\x83\x67", Utf8(u8"ソフト")},
    };
    for (const Case& c : cases) {
        std::string out;
        EXPECT_TRUE(Cp932ToUtf8(c.cp932.data(), c.cp932.size(), out)) << c.utf8;
        EXPECT_EQ(out, c.utf8);
        std::string back;
        EXPECT_TRUE(Utf8ToCp932(c.utf8.data(), c.utf8.size(), back)) << c.utf8;
        EXPECT_EQ(back, c.cp932);
    }
    // Literals compiled for this engine are CP932 already.
    std::string out;
    const char* literal = "ソフト";
    EXPECT_TRUE(Cp932ToUtf8(literal, std::strlen(literal), out));
    EXPECT_EQ(out, Utf8(u8"ソフト"));
}

TEST(CodePage, LongTextConvertsWhole) {
    std::string cp932, utf8;
    for (int i = 0; i < 1000; ++i) {
        cp932 += "\x83\x5C" "a";
        utf8 += Utf8(u8"ソa");
    }
    std::string out;
    EXPECT_TRUE(Cp932ToUtf8(cp932.data(), cp932.size(), out));
    EXPECT_EQ(out, utf8);
}

TEST(CodePage, InvalidInputIsReported) {
    std::string out;
    EXPECT_FALSE(Cp932ToUtf8("ab\x83", 3, out));  // a lone lead byte at the end
    EXPECT_EQ(out, "ab");
    EXPECT_FALSE(Utf8ToCp932("a\xE3\x82", 3, out));  // a cut UTF-8 sequence
    EXPECT_FALSE(Utf8ToCp932("a\xF0\x9F\x98\x80", 5, out));  // no CP932 form
    EXPECT_EQ(Cp932ToUtf8Lossy("ab\x83", 3), "ab?");
    EXPECT_EQ(Cp932ToUtf8Lossy("\x83\x5C\x83", 3), Utf8(u8"ソ") + "?");
}

TEST(CodePage, PathsTurnBackslashesIntoSlashesAfterConversion) {
    struct Case {
        const char* cp932;
        std::string utf8;
    };
    const Case cases[] = {
        {"dir\\file.txt", "dir/file.txt"},
        {"\x83\x5C\\\x95\x5C.txt", Utf8(u8"ソ/表.txt")},
        {"\x83\x5C", Utf8(u8"ソ")},
        {"/abs\\x/y", "/abs/x/y"},
        {"a\\\\b", "a//b"},
    };
    for (const Case& c : cases) {
        std::string out;
        EXPECT_TRUE(Cp932PathToUtf8(c.cp932, out)) << c.cp932;
        EXPECT_EQ(out, c.utf8);
    }
    std::string out;
    EXPECT_FALSE(Cp932PathToUtf8(nullptr, out));
    EXPECT_FALSE(Cp932PathToUtf8("x\x83", out));
}

TEST(DebugOutput, CaptureKeepsTheBytesAsGiven) {
    DebugCapture capture;
    OutputDebugStringA("ソ\r\n");
    OutputDebugStringA(nullptr);
    OutputDebugStringA("");
    OutputDebugStringA("x");
    EXPECT_EQ(capture.Take(), "\x83\x5C\r\nx");
    EXPECT_EQ(capture.Take(), "");
}

TEST(DebugOutput, ReachesStandardErrorOnlyWhenAskedInTheLocalesCharacterSet) {
    struct Case {
        const char* wanted;  // VOMUR_DEBUG_OUTPUT, or null for unset
        const char* locale;
        std::string shown;
    };
    const Case cases[] = {
        {nullptr, "C.UTF-8", ""},
        {"", "C.UTF-8", ""},
        {"0", "C.UTF-8", ""},
        {"1", "C.UTF-8", Utf8(u8"ソフト 17336.02MB\n") + "bad?"},
        {"1", "C", "??? 17336.02MB\nbad?"},
    };
    const EnvironmentKept kept_wanted("VOMUR_DEBUG_OUTPUT");
    const EnvironmentKept kept_locale("LC_ALL");
    for (const Case& c : cases) {
        if (c.wanted != nullptr) {
            setenv("VOMUR_DEBUG_OUTPUT", c.wanted, 1);
        } else {
            unsetenv("VOMUR_DEBUG_OUTPUT");
        }
        setenv("LC_ALL", c.locale, 1);
        testing::internal::CaptureStderr();
        OutputDebugStringA("ソフト 17336.02MB\n");
        OutputDebugStringA("bad\x83");
        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.shown) << (c.wanted ? c.wanted : "unset") << " " << c.locale;
    }
}
