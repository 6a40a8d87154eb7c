// Image loading: the reader chain that offers a stream to each image reader in turn,
// loading a picture from a file or a memory block (optionally mirrored, or as a DIB),
// and loading it together with its separate alpha picture ("_a" beside the file).
#pragma once

#include <cstdint>

#include "engine/file/file.h"
#include "engine/graphics/images/graph_image.h"
#include "engine/graphics/images/image_readers.h"

constexpr int kUserImageReaderSlots = 10;

// 0 when a reader accepted the stream, -1 when none did.
int ReadGraphImage(const StreamDescriptor* stream, GraphImage* image);

// From a file (from_memory 0) or a memory block; mirror = 1 reverses every row. With
// make_dib 0 the picture goes to `image`; otherwise a tracked BITMAPINFO block goes to
// `*info` and the bits (a tracked block owned by the caller) to `*bits`. 0 or -1; on
// failure nothing is written to `image` and nothing stays allocated.
int LoadGraphImage(const char* file_name, const void* data, std::uint32_t data_size, int from_memory, int make_dib,
                   int mirror, GraphImage* image, BITMAPINFO** info, void** bits);

// -1 when the main picture failed, 0 when both pictures loaded, 1 when only the main
// one did. Alpha mode 0: the "_a" file beside the file name; 1: the alpha data block;
// any other: no alpha picture.
int LoadGraphImageWithAlpha(const char* file_name, const void* data, std::uint32_t data_size, int from_memory,
                            const void* alpha_data, std::uint32_t alpha_data_size, int alpha_mode, GraphImage* image,
                            GraphImage* alpha_image, int mirror);

// The "_a" name of a file: "_a" before the extension of the last path element.
// 0, or -1 when the result does not fit `capacity` bytes.
int MakeAlphaImageFileName(const char* file_name, char* out, int capacity);

// The user reader table (empty: nothing in the engine registers a reader; the tests do).
extern GraphImageReader g_user_image_readers[kUserImageReaderSlots];
extern int g_user_image_reader_count;
// The built-in readers in the order they are tried, ended by null.
extern const GraphImageReader kBuiltInImageReaders[7];
