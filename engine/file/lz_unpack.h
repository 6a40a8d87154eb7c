// The unpacker of the engine's LZ format: a nine-byte header (unpacked size, packed size,
// escape byte) and a body of literals and escape-marked back-references.
#pragma once

#include <cstdint>

constexpr std::uint32_t kLzHeaderBytes = 9;

// Unpacks the stream of `stream_size` bytes at `stream` into `destination`, which holds
// `destination_size` bytes. Returns the unpacked size from the header. With a null
// destination nothing is written and only the header is checked, so a caller may ask
// for the size first. Returns -1 for a stream that is not valid: a header that does not
// fit or whose packed size exceeds the bytes given, an unpacked size above the
// destination, an item cut off by the end of the body, a reference before the start of
// the output or past its end, distance-size code 3, or a body that does not produce
// exactly the unpacked size.
std::int64_t UnpackLz(const void* stream, std::uint32_t stream_size, void* destination,
                      std::uint32_t destination_size);

// The header fields, or false when fewer than nine bytes are given.
bool ReadLzHeader(const void* stream, std::uint32_t stream_size, std::uint32_t* unpacked_size,
                  std::uint32_t* packed_size);
