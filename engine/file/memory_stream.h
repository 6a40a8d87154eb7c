// Memory streams: the stream operations over a block of memory that the caller holds,
// so the file-format readers can read it like a file. The stream never owns the data.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/file/file_access.h"

struct MemoryStream {
    const unsigned char* data;  // the caller's block; not owned
    std::uint32_t size;
    std::int32_t position;  // always within 0..size
    std::int32_t eof;       // 1 after a read found no byte left
};

// A new stream at position 0 over `size` bytes at `data`; 0 when it cannot be allocated.
StreamHandle OpenMemoryStream(const void* data, std::uint32_t size);
std::int64_t TellMemoryStream(StreamHandle stream);
// Clamps the target to 0..size and clears eof; returns 0.
int SeekMemoryStream(StreamHandle stream, std::int64_t offset, int origin);
// Reads whole elements like the C library's fread. When less than one whole element is
// left, those bytes are copied and the read counts as one element.
std::size_t ReadMemoryStream(void* buffer, std::size_t element_size, std::size_t element_count, StreamHandle stream);
int GetMemoryStreamEof(StreamHandle stream);
// Always 1: a memory stream never has a read pending.
int CheckMemoryStreamIdle(StreamHandle stream);
// Frees the record, not the data; returns 0.
int CloseMemoryStream(StreamHandle stream);
