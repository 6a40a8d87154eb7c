// printf-style formatting into the engine's 1,024-byte text buffers, cut rather than
// overrun.
#include "engine/core/format_string.h"

#include <cstdio>

int FormatStringVa(char* buffer, const char* format, va_list args) {
    const int wanted = std::vsnprintf(buffer, kFormatBufferBytes, format, args);
    if (wanted < 0) {
        buffer[0] = '\0';
        return 0;
    }
    return wanted < static_cast<int>(kFormatBufferBytes) ? wanted : static_cast<int>(kFormatBufferBytes) - 1;
}

int FormatString(char* buffer, const char* format, ...) {
    va_list args;
    va_start(args, format);
    FormatStringVa(buffer, format, args);
    va_end(args);
    return 0;
}
