// CP932 text to the terminal's character set: the locale is looked up with newlocale and
// nl_langinfo_l (the process's locale stays "C"), the conversion is iconv's with
// transliteration, and a character that does not convert is replaced, never the rest dropped.
// Standard output becomes a cookie stream that converts whole characters, keeping a lead
// byte that arrives alone until its trail byte comes.
#include <iconv.h>
#include <langinfo.h>
#include <locale.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/console_text.h"
#include "platform/shift_jis.h"

namespace {

constexpr const char* kAsciiCodeset = "ANSI_X3.4-1968";

std::string LocaleCodeset() {
    const locale_t locale = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(nullptr));
    if (locale == static_cast<locale_t>(nullptr)) return kAsciiCodeset;
    const char* codeset = nl_langinfo_l(CODESET, locale);
    std::string out = codeset != nullptr && codeset[0] != '\0' ? codeset : kAsciiCodeset;
    freelocale(locale);
    return out;
}

// Bytes of the CP932 character at `text[i]`: 2 for a lead byte with a byte after it.
std::size_t CharacterBytes(const char* text, std::size_t length, std::size_t i) {
    return IsShiftJisLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < length ? 2 : 1;
}

std::string AsciiOnly(const char* text, std::size_t length) {
    std::string out;
    for (std::size_t i = 0; i < length; i += CharacterBytes(text, length, i)) {
        const auto c = static_cast<unsigned char>(text[i]);
        out += c < 0x80 ? static_cast<char>(c) : '?';
    }
    return out;
}

// Plain data, so that it outlives the static destructors: the C library flushes standard
// output after them.
struct ConsoleStream {
    int fd;
    bool has_pending;
    char pending;  // a lead byte whose trail byte has not come yet
};

ConsoleStream g_standard_output{STDOUT_FILENO, false, 0};

ssize_t WriteConsoleStream(void* cookie, const char* buffer, size_t size) {
    auto* stream = static_cast<ConsoleStream*>(cookie);
    std::string text;
    if (stream->has_pending) text += stream->pending;
    text.append(buffer, size);
    stream->has_pending = false;
    // Walk the characters: a lead byte that ends the text waits for the next write.
    std::size_t whole = 0;
    while (whole < text.size()) {
        if (IsShiftJisLeadByte(static_cast<unsigned char>(text[whole])) && whole + 1 == text.size()) {
            stream->has_pending = true;
            stream->pending = text[whole];
            break;
        }
        whole += CharacterBytes(text.data(), text.size(), whole);
    }
    WriteConsoleText(stream->fd, text.data(), whole);
    return static_cast<ssize_t>(size);
}

int CloseConsoleStream(void* cookie) {
    auto* stream = static_cast<ConsoleStream*>(cookie);
    // A lone lead byte left when the stream is closed is shown as a character that did not
    // convert (at the process's exit the C library flushes standard output but does not close it).
    if (stream->has_pending) WriteConsoleText(stream->fd, &stream->pending, 1);
    stream->has_pending = false;
    return 0;
}

}  // namespace

std::string Cp932ToConsoleText(const char* text, std::size_t length) {
    const std::string codeset = LocaleCodeset();
    iconv_t cd = iconv_open((codeset + "//TRANSLIT").c_str(), "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) return AsciiOnly(text, length);
    std::string out;
    char* in = const_cast<char*>(text);
    std::size_t in_left = length;
    char buffer[512];
    while (in_left > 0) {
        char* dst = buffer;
        std::size_t dst_left = sizeof buffer;
        const std::size_t r = iconv(cd, &in, &in_left, &dst, &dst_left);
        out.append(buffer, sizeof buffer - dst_left);
        if (r != static_cast<std::size_t>(-1) || errno == E2BIG) continue;
        // Not CP932, cut short, or not in the locale's set: one '?' for the character, then on.
        const std::size_t done = length - in_left;
        const std::size_t skip = CharacterBytes(text, length, done);
        out += '?';
        in += skip;
        in_left -= skip;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    // The closing shift sequence of a stateful set.
    char* dst = buffer;
    std::size_t dst_left = sizeof buffer;
    iconv(cd, nullptr, nullptr, &dst, &dst_left);
    out.append(buffer, sizeof buffer - dst_left);
    iconv_close(cd);
    return out;
}

void WriteConsoleText(int fd, const char* text, std::size_t length) {
    if (length == 0) return;
    const std::string shown = Cp932ToConsoleText(text, length);
    std::size_t done = 0;
    while (done < shown.size()) {
        const ssize_t n = write(fd, shown.data() + done, shown.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        done += static_cast<std::size_t>(n);
    }
}

bool InstallConsoleStandardOutput() {
    std::fflush(stdout);
    cookie_io_functions_t functions{};
    functions.write = WriteConsoleStream;
    functions.close = CloseConsoleStream;
    std::FILE* stream = fopencookie(&g_standard_output, "w", functions);
    if (stream == nullptr) return false;
    std::setvbuf(stream, nullptr, isatty(STDOUT_FILENO) ? _IOLBF : _IOFBF, BUFSIZ);
    stdout = stream;
    return true;
}
