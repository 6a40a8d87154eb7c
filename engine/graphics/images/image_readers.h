// The built-in image readers of the reader chain and the small stream helpers they
// share. A reader takes a stream positioned at 0 and an all-zero record, returns 0 with
// the record filled, or non-zero with nothing left allocated; it never closes the stream.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/file/file.h"
#include "engine/graphics/images/graph_image.h"

using GraphImageReader = int (*)(const StreamDescriptor* stream, GraphImage* image);

int ReadBmpImage(const StreamDescriptor* stream, GraphImage* image);
int LoadJpegImage(const StreamDescriptor* stream, GraphImage* image);
int LoadPngImage(const StreamDescriptor* stream, GraphImage* image);
int ReadBgraImage(const StreamDescriptor* stream, GraphImage* image);
int ReadTgaImage(const StreamDescriptor* stream, GraphImage* image);
int ReadDdsImage(const StreamDescriptor* stream, GraphImage* image);

// Exactly `bytes` bytes, or false. Read as single bytes, so a short stream is counted
// short rather than reported as one whole element.
inline bool ReadStreamBytes(const StreamDescriptor* stream, void* buffer, std::size_t bytes) {
    return bytes == 0 || stream->functions.read(buffer, 1, bytes, stream->handle) == bytes;
}

// The end position of the stream; the position is left where it was. -1 on failure.
inline std::int64_t FindStreamEnd(const StreamDescriptor* stream) {
    const std::int64_t here = stream->functions.tell(stream->handle);
    if (here < 0 || stream->functions.seek(stream->handle, 0, kSeekEnd) != 0) return -1;
    const std::int64_t end = stream->functions.tell(stream->handle);
    if (stream->functions.seek(stream->handle, here, kSeekSet) != 0) return -1;
    return end;
}

// Bytes between the current position and the end; 0 on failure.
inline std::uint64_t StreamBytesLeft(const StreamDescriptor* stream) {
    const std::int64_t here = stream->functions.tell(stream->handle);
    const std::int64_t end = FindStreamEnd(stream);
    return (here < 0 || end < here) ? 0 : static_cast<std::uint64_t>(end - here);
}

inline std::uint16_t LoadLe16(const unsigned char* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
inline std::uint32_t LoadLe32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}
