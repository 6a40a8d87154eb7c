// The engine's printf-style formatting into its fixed 1,024-byte text buffers.
#pragma once

#include <cstdarg>
#include <cstddef>

constexpr std::size_t kFormatBufferBytes = 1024;

// Formats into `buffer`, which holds kFormatBufferBytes bytes; longer text is cut and
// always NUL-terminated. Returns the number of characters stored.
int FormatStringVa(char* buffer, const char* format, va_list args);
int FormatString(char* buffer, const char* format, ...) __attribute__((format(printf, 2, 3)));
