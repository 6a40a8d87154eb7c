// The PNG reader of the chain: the platform's libpng decoder fed from the stream, the
// result a palette, grey, R8G8B8 or A8R8G8B8 picture in a tracked block.
#include "engine/graphics/images/codec_reader.h"
#include "engine/graphics/images/image_readers.h"

int LoadPngImage(const StreamDescriptor* stream, GraphImage* image) {
    const ImageCodecStream source = MakeImageCodecStream(stream);
    if (source.end < 0) return -1;
    DecodedImage decoded;
    if (DecodePngImage(&source, GetTrackedCodecMemory(), &decoded) != 0) return -1;
    StoreDecodedImage(&decoded, image);
    return 0;
}
