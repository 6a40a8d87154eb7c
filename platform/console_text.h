// The engine's CP932 text as a terminal shows it: converted to the character set of the
// locale that the environment names (LC_ALL, LC_CTYPE, LANG), read afresh at every write and
// without touching the process's own locale. Used inside the platform layer, by the program's
// start-up and by tests.
#pragma once

#include <cstddef>
#include <string>

// A character the locale's set lacks becomes its transliteration or '?'; a byte that is not
// CP932 becomes '?'; the text after either is kept. With no locale, the C locale's ASCII.
std::string Cp932ToConsoleText(const char* text, std::size_t length);
// Converts and writes the text whole to the file descriptor (short writes are retried).
void WriteConsoleText(int fd, const char* text, std::size_t length);
// Makes `stdout` a stream that writes what it is given (CP932) converted to descriptor 1,
// buffered as the C library buffers standard output. False when the stream cannot be made
// (standard output then stays as it was).
bool InstallConsoleStandardOutput();
