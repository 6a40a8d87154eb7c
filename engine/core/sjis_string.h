// Shift-JIS aware text routines: lead-byte test, copy, append, search, compare,
// upper-casing, character counting, and integer parsing and formatting.
// Every text is NUL-terminated; a lone lead byte before the NUL is one character.
#pragma once

#include <cstdint>

// Character-set modes: 1 Shift-JIS (0x81-0x9F, 0xE0-0xFC lead), 2 code page 949
// (every byte from 0x80 leads).
constexpr int kCharSetShiftJis = 1;
constexpr int kCharSetCp949 = 2;

int IsMultiByteLeadByte(const unsigned char* byte, int char_set_mode);
// The engine's current mode, set at window start-up from the OEM code page.
int GetEngineCharSetMode();
void SetEngineCharSetMode(int mode);

void CopyString(char* destination, const char* source);
void AppendString(char* destination, const char* source);
const char* FindCharInString(const char* text, int c);
char* FindCharInString(char* text, int c);
int CompareStrings(const char* a, const char* b);
void UpperCaseString(char* text);
int CountCharsInBytes(const char* text, int n);
int ParseIntFromText(const char* text);
int ParseIntAfterBlank(const char* text);
// Radix 2 to 36; any other radix gives "" (the buffer holds at least 34 bytes).
char* FormatIntToText(int value, char* buffer, int radix);
