// CP932 (Shift-JIS) to UTF-8 conversion with iconv, used wherever engine text meets
// Linux: file names, debug output, and later the window title and message boxes.
#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <string>

#include "platform/code_page.h"
#include "platform/shift_jis.h"

namespace {

bool Convert(const char* to, const char* from, const char* text, std::size_t length, std::string& out) {
    static std::mutex guard;
    std::lock_guard<std::mutex> lock(guard);
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    out.clear();
    char* in = const_cast<char*>(text);
    std::size_t in_left = length;
    char buffer[512];
    bool ok = true;
    while (in_left > 0) {
        char* dst = buffer;
        std::size_t dst_left = sizeof buffer;
        const std::size_t r = iconv(cd, &in, &in_left, &dst, &dst_left);
        out.append(buffer, sizeof buffer - dst_left);
        if (r == static_cast<std::size_t>(-1) && errno != E2BIG) {
            ok = false;
            break;
        }
    }
    iconv_close(cd);
    return ok;
}

}  // namespace

bool Cp932ToUtf8(const char* text, std::size_t length, std::string& out) {
    return Convert("UTF-8", "CP932", text, length, out);
}

bool Utf8ToCp932(const char* text, std::size_t length, std::string& out) {
    return Convert("CP932", "UTF-8", text, length, out);
}

std::string Cp932ToUtf8Lossy(const char* text, std::size_t length) {
    std::string out;
    // Valid text (nearly every log line) converts in one go; only faulty text is taken
    // apart character by character.
    if (Cp932ToUtf8(text, length, out)) return out;
    out.clear();
    std::string piece;
    std::size_t i = 0;
    while (i < length) {
        const auto c = static_cast<unsigned char>(text[i]);
        const bool lead = IsShiftJisLeadByte(c);
        const std::size_t n = (lead && i + 1 < length) ? 2 : 1;
        if (Cp932ToUtf8(text + i, n, piece)) {
            out += piece;
        } else {
            out += '?';
        }
        i += n;
    }
    return out;
}

bool Cp932PathToUtf8(const char* path, std::string& out) {
    if (path == nullptr) return false;
    // Convert first, then turn separators: a '\' can be the trail byte of a CP932
    // character, so only the converted text tells which ones separate directories.
    if (!Cp932ToUtf8(path, std::strlen(path), out)) return false;
    for (char& c : out) {
        if (c == '\\') c = '/';
    }
    return true;
}
