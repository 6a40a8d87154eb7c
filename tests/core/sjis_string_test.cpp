// The Shift-JIS text routines on tables of cases: lead bytes, trail bytes equal to '\'
// ("ソ" is 83 5C, "表" 95 5C), lone final lead bytes, and integer parsing and formatting.
// Texts live in heap blocks of exactly their size so a read past the NUL is caught.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "engine/core/sjis_string.h"

namespace {

class ExactText {
public:
    explicit ExactText(const std::string& text) : bytes_(text.begin(), text.end()) { bytes_.push_back('\0'); }
    char* data() { return bytes_.data(); }

private:
    std::vector<char> bytes_;
};

// Puts the engine's character-set mode back however the test ends.
class EngineCharSetModeKept {
public:
    EngineCharSetModeKept() : saved_(GetEngineCharSetMode()) {}
    ~EngineCharSetModeKept() { SetEngineCharSetMode(saved_); }
    EngineCharSetModeKept(const EngineCharSetModeKept&) = delete;
    EngineCharSetModeKept& operator=(const EngineCharSetModeKept&) = delete;

private:
    int saved_;
};

}  // namespace

TEST(ShiftJis, LeadByteRanges) {
    struct Case {
        unsigned char byte;
        int mode;
        int lead;
    };
    const Case cases[] = {
        {0x40, 1, 0}, {0x5C, 1, 0}, {0x7F, 1, 0}, {0x80, 1, 0}, {0x81, 1, 1}, {0x9F, 1, 1},
        {0xA0, 1, 0}, {0xB1, 1, 0}, {0xDF, 1, 0}, {0xE0, 1, 1}, {0xFC, 1, 1}, {0xFD, 1, 0},
        {0xFF, 1, 0}, {0x7F, 2, 0}, {0x80, 2, 1}, {0xA0, 2, 1}, {0xFF, 2, 1}, {0x41, 2, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsMultiByteLeadByte(&c.byte, c.mode), c.lead) << std::hex << int(c.byte) << " mode " << c.mode;
    }
}

TEST(ShiftJis, FindCharSkipsBothBytesOfTwoByteCharacters) {
    struct Case {
        std::string text;
        int c;
        int offset;  // -1: not found
    };
    const Case cases[] = {
        {"ソ", '\\', -1},               // 83 5C: the trail byte never matches
        {"ソ\\", '\\', 2},              // only the later single-byte backslash
        {"表能\\x", '\\', 4},           // 95 5C 94 5C 5C
        {"a\\b", '\\', 1},
        {"\x82\x41" "A", 'A', 2},       // a trail byte equal to 'A' is skipped
        {"ソ", 0x83, -1},               // a lead byte is no single-byte character
        {"\xB1", 0xB1, 0},              // half-width katakana is one byte
        {"abc", 'd', -1},
        {"", 'a', -1},
        {"a\x83", '\\', -1},            // lone final lead byte: stop at the NUL
        {"a\x83", 0x83, -1},
        {"x/y", '/', 1},
    };
    for (const Case& c : cases) {
        ExactText text(c.text);
        const char* found = FindCharInString(static_cast<const char*>(text.data()), c.c);
        const int offset = found == nullptr ? -1 : static_cast<int>(found - text.data());
        EXPECT_EQ(offset, c.offset) << c.text << " / " << c.c;
    }
}

TEST(ShiftJis, UpperCaseLeavesTwoByteCharactersWhole) {
    struct Case {
        std::string text;
        std::string upper;
    };
    const Case cases[] = {
        {"abcXYZ09", "ABCXYZ09"},
        {"ソa", "ソA"},
        {"\x83\x61z", "\x83\x61Z"},  // "ヂ": its trail byte 0x61 is 'a' and stays
        {"a\x83", "A\x83"},          // lone final lead byte
        {"\xB1q", "\xB1Q"},
        {"", ""},
    };
    for (const Case& c : cases) {
        ExactText text(c.text);
        UpperCaseString(text.data());
        EXPECT_EQ(std::string(text.data()), c.upper) << c.text;
    }
}

TEST(ShiftJis, CountCharsFollowsTheEngineMode) {
    struct Case {
        int mode;
        std::string text;
        int n;
        int count;
    };
    const Case cases[] = {
        {1, "\x82\xA0", 2, 1},
        {1, "\xA0", 1, 1},
        {1, "\xA0\x41", 2, 2},
        {2, "\xA0\x41", 2, 1},
        {1, "ab", 5, 2},      // stops at the NUL
        {1, "abc", 2, 2},
        {1, "abc", 0, 0},
        {1, "abc", -3, 0},
        {1, "\x82\xA0x", 1, 1},  // a character that starts inside the n bytes counts
        {1, "aソb", 4, 3},
        {1, "a\x83", 10, 2},  // lone final lead byte
        {2, "a\x83", 10, 2},
    };
    const EngineCharSetModeKept kept;
    for (const Case& c : cases) {
        SetEngineCharSetMode(c.mode);
        ExactText text(c.text);
        EXPECT_EQ(CountCharsInBytes(text.data(), c.n), c.count) << c.text << " n=" << c.n << " mode " << c.mode;
    }
}

TEST(ShiftJis, CopyAppendCompare) {
    char buffer[32];
    std::memset(buffer, 0x7F, sizeof buffer);
    CopyString(buffer, "ソ\\");
    EXPECT_EQ(std::memcmp(buffer, "\x83\x5C\x5C\0\x7F", 5), 0);
    AppendString(buffer, "表");
    EXPECT_EQ(std::memcmp(buffer, "\x83\x5C\x5C\x95\x5C\0\x7F", 7), 0);
    CopyString(buffer, "");
    AppendString(buffer, "x");
    EXPECT_STREQ(buffer, "x");

    EXPECT_EQ(CompareStrings("abc", "abc"), 0);
    EXPECT_EQ(CompareStrings("", ""), 0);
    EXPECT_EQ(CompareStrings("abc", "abd"), 1);
    EXPECT_EQ(CompareStrings("abd", "abc"), 1);  // no ordering
    EXPECT_EQ(CompareStrings("ab", "abc"), 1);
    EXPECT_EQ(CompareStrings("abc", "ab"), 1);
    EXPECT_EQ(CompareStrings("ソ", "ソ"), 0);
}

TEST(ShiftJis, ParseIntFromText) {
    struct Case {
        std::string text;
        int value;
    };
    const Case cases[] = {
        {"abc", -1},
        {"", -1},
        {"x-12y", -12},
        {"-", 0},
        {"--5", 0},     // the sign must be followed by the digits
        {"a-b5", 0},
        {"123", 123},
        {"  42abc", 42},
        {"5-3", 5},
        {"007", 7},
        {"ソ12", 12},
        {"2147483647", INT_MAX},
        {"-2147483648", INT_MIN},
        {"2147483648", INT_MIN},  // arithmetic modulo 2^32
        {"4294967297", 1},
        {"-4294967295", 1},
        // Only the first 32 digits of a run count.
        {std::string(29, '0') + "12345", 123},
        {std::string(40, '0'), 0},
    };
    for (const Case& c : cases) {
        ExactText text(c.text);
        EXPECT_EQ(ParseIntFromText(text.data()), c.value) << c.text;
    }
}

TEST(ShiftJis, ParseIntAfterBlank) {
    struct Case {
        std::string text;
        int value;
    };
    const Case cases[] = {
        {"size 42", 42},
        {"nospace", -1},
        {"a b", -1},           // nothing numeric after the blank
        {"ソ 7", 7},
        {"x -3 9", -3},
        {"\x81 5", -1},        // 81 20: the blank is a trail byte, there is no other
        {"\x81  5", 5},
    };
    for (const Case& c : cases) {
        ExactText text(c.text);
        EXPECT_EQ(ParseIntAfterBlank(text.data()), c.value) << c.text;
    }
}

TEST(ShiftJis, FormatIntToText) {
    struct Case {
        int value;
        int radix;
        std::string text;
    };
    const Case cases[] = {
        {255, 16, "ff"},
        {-10, 10, "-10"},
        {0, 10, "0"},
        {0, 2, "0"},
        {5, 2, "101"},
        {-1, 2, "-1"},
        {35, 36, "z"},
        {INT_MAX, 36, "zik0zj"},
        {INT_MAX, 10, "2147483647"},
        {INT_MIN, 10, "-2147483648"},
        {INT_MIN, 16, "-80000000"},
        {INT_MIN, 2, "-10000000000000000000000000000000"},
        {2009, 10, "2009"},
        // Radixes outside 2 to 36 give an empty text.
        {10, 0, ""},
        {10, 1, ""},
        {10, 37, ""},
        {10, -10, ""},
        {0, 0, ""},
    };
    for (const Case& c : cases) {
        char buffer[48];
        std::memset(buffer, 0x7F, sizeof buffer);
        EXPECT_EQ(FormatIntToText(c.value, buffer, c.radix), buffer);
        EXPECT_EQ(std::string(buffer), c.text) << c.value << " radix " << c.radix;
        // Nothing written past the NUL.
        for (std::size_t i = c.text.size() + 1; i < sizeof buffer; ++i) ASSERT_EQ(buffer[i], 0x7F) << i;
    }
}
