// Shift-JIS text routines. The routines that step over two-byte characters use the
// Shift-JIS lead ranges whatever the mode, except CountCharsInBytes, which follows the
// engine's mode. A lead byte directly before the NUL counts as one character and
// never makes a routine step past the NUL.
#include "engine/core/sjis_string.h"

#include "platform/shift_jis.h"

namespace {

int g_char_set_mode = kCharSetShiftJis;

// Length in bytes of the character at `p`: 2 for a lead byte followed by a trail
// byte, 1 otherwise (a lone lead byte before the NUL is one byte long).
int ShiftJisCharLength(const char* p) {
    return (IsShiftJisLeadByte(static_cast<unsigned char>(p[0])) && p[1] != '\0') ? 2 : 1;
}

}  // namespace

int IsMultiByteLeadByte(const unsigned char* byte, int char_set_mode) {
    if (char_set_mode == kCharSetCp949) return *byte >= 0x80 ? 1 : 0;
    return IsShiftJisLeadByte(*byte) ? 1 : 0;
}

int GetEngineCharSetMode() { return g_char_set_mode; }
void SetEngineCharSetMode(int mode) { g_char_set_mode = mode; }

void CopyString(char* destination, const char* source) {
    while ((*destination++ = *source++) != '\0') {
    }
}

void AppendString(char* destination, const char* source) {
    while (*destination != '\0') ++destination;
    CopyString(destination, source);
}

const char* FindCharInString(const char* text, int c) {
    const char wanted = static_cast<char>(c);
    for (const char* p = text; *p != '\0'; p += ShiftJisCharLength(p)) {
        if (!IsShiftJisLeadByte(static_cast<unsigned char>(*p)) && *p == wanted) return p;
    }
    return nullptr;
}

char* FindCharInString(char* text, int c) {
    return const_cast<char*>(FindCharInString(static_cast<const char*>(text), c));
}

int CompareStrings(const char* a, const char* b) {
    for (;; ++a, ++b) {
        if (*a != *b) return 1;
        if (*a == '\0') return 0;
    }
}

void UpperCaseString(char* text) {
    for (char* p = text; *p != '\0'; p += ShiftJisCharLength(p)) {
        if (*p >= 'a' && *p <= 'z') *p = static_cast<char>(*p - 'a' + 'A');
    }
}

int CountCharsInBytes(const char* text, int n) {
    int count = 0;
    for (int i = 0; i < n && text[i] != '\0'; ++count) {
        const bool lead = IsMultiByteLeadByte(reinterpret_cast<const unsigned char*>(text + i), g_char_set_mode) != 0;
        i += (lead && text[i + 1] != '\0') ? 2 : 1;
    }
    return count;
}

int ParseIntFromText(const char* text) {
    const char* p = text;
    while (*p != '\0' && *p != '-' && !(*p >= '0' && *p <= '9')) ++p;
    if (*p == '\0') return -1;
    bool negative = false;
    if (*p == '-') {
        negative = true;
        ++p;
    }
    // At most 32 digits count; further digits of the same run are ignored.
    constexpr int kMaxDigits = 32;
    std::uint32_t value = 0;
    for (int digits = 0; *p >= '0' && *p <= '9'; ++p, ++digits) {
        if (digits < kMaxDigits) value = value * 10u + static_cast<std::uint32_t>(*p - '0');
    }
    if (negative) value = 0u - value;
    return static_cast<int>(value);
}

int ParseIntAfterBlank(const char* text) {
    const char* blank = FindCharInString(text, ' ');
    if (blank == nullptr) return -1;
    return ParseIntFromText(blank + 1);
}

char* FormatIntToText(int value, char* buffer, int radix) {
    if (radix < 2 || radix > 36) {
        buffer[0] = '\0';
        return buffer;
    }
    char* out = buffer;
    // The magnitude in unsigned arithmetic, so the most negative value is exact.
    std::uint32_t magnitude = static_cast<std::uint32_t>(value);
    if (value < 0) {
        *out++ = '-';
        magnitude = 0u - magnitude;
    }
    char digits[32];
    int count = 0;
    do {
        const std::uint32_t digit = magnitude % static_cast<std::uint32_t>(radix);
        digits[count++] = static_cast<char>(digit < 10 ? '0' + digit : 'a' + (digit - 10));
        magnitude /= static_cast<std::uint32_t>(radix);
    } while (magnitude != 0);
    while (count > 0) *out++ = digits[--count];
    *out = '\0';
    return buffer;
}
