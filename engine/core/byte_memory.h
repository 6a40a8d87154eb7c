// The engine's own byte fill, copy, move and compare routines.
#pragma once

#include <cstdint>

void FillBytes(void* destination, int value, std::uint32_t n);
void CopyBytes(void* destination, const void* source, std::uint32_t n);
void MoveBytes(void* destination, const void* source, std::uint32_t n);
// 0 when the n bytes are equal (n = 0 included), 1 otherwise.
int CompareMemory(const void* a, const void* b, std::uint32_t n);
// Like CompareMemory, but a negative n gives 1.
int CompareBytesN(const void* a, const void* b, std::int32_t n);
