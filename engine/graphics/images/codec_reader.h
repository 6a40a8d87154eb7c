// What the PNG and JPEG readers share: the stream of the reader chain offered to the
// platform decoders, tracked memory for the pixel block, and the decoded picture turned
// into an image record.
#pragma once

#include "engine/file/file.h"
#include "engine/graphics/images/graph_image.h"
#include "platform/image_codecs.h"

// `descriptor` must outlive the returned record. The data ends at the stream's end.
ImageCodecStream MakeImageCodecStream(const StreamDescriptor* descriptor);
const ImageCodecMemory* GetTrackedCodecMemory();
// Moves the decoded pixels into `image` with the matching colour format.
void StoreDecodedImage(const DecodedImage* decoded, GraphImage* image);
