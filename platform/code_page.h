// Conversion between the engine's CP932 (Shift-JIS) text and the UTF-8 that Linux
// speaks. Used only inside the platform layer and by tests.
#pragma once

#include <cstddef>
#include <string>

// False when the input is not valid in the source encoding; `out` then holds what
// converted before the fault.
bool Cp932ToUtf8(const char* text, std::size_t length, std::string& out);
bool Utf8ToCp932(const char* text, std::size_t length, std::string& out);
// Every character that does not convert becomes '?'.
std::string Cp932ToUtf8Lossy(const char* text, std::size_t length);
// CP932 path with '\' or '/' separators → UTF-8 path with '/' separators.
bool Cp932PathToUtf8(const char* path, std::string& out);
