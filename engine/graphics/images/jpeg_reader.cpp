// The JPEG reader of the chain: the platform's libjpeg decoder fed from the stream, the
// result a grey or R8G8B8 picture (rows not padded) in a tracked block.
#include "engine/graphics/images/codec_reader.h"
#include "engine/graphics/images/image_readers.h"

int LoadJpegImage(const StreamDescriptor* stream, GraphImage* image) {
    const ImageCodecStream source = MakeImageCodecStream(stream);
    if (source.end < 0) return -1;
    DecodedImage decoded;
    if (DecodeJpegImage(&source, GetTrackedCodecMemory(), &decoded) != 0) return -1;
    StoreDecodedImage(&decoded, image);
    return 0;
}
