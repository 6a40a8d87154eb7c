// The reader chain and the image loaders: rewinds and clears before each reader, opens
// files through the file-access table or memory blocks as memory streams, mirrors, makes
// DIBs, and finds the "_a" alpha picture. Relies on the file layer and the readers.
#include "engine/graphics/images/image_loader.h"

#include <cstring>

#include "engine/core/core.h"
#include "engine/file/file.h"

GraphImageReader g_user_image_readers[kUserImageReaderSlots] = {};
int g_user_image_reader_count = 0;

const GraphImageReader kBuiltInImageReaders[7] = {
    ReadBmpImage, LoadJpegImage, LoadPngImage, ReadBgraImage, ReadTgaImage, ReadDdsImage, nullptr,
};

namespace {

constexpr int kAlphaNameBytes = 260;

bool TryReader(GraphImageReader reader, const StreamDescriptor* stream, GraphImage* image) {
    stream->functions.seek(stream->handle, 0, kSeekSet);
    std::memset(image, 0, sizeof *image);
    return reader(stream, image) == 0;
}

}  // namespace

int ReadGraphImage(const StreamDescriptor* stream, GraphImage* image) {
    for (int i = 0; i < g_user_image_reader_count && i < kUserImageReaderSlots; ++i) {
        if (g_user_image_readers[i] != nullptr && TryReader(g_user_image_readers[i], stream, image)) return 0;
    }
    for (const GraphImageReader* reader = kBuiltInImageReaders; *reader != nullptr; ++reader) {
        if (TryReader(*reader, stream, image)) return 0;
    }
    std::memset(image, 0, sizeof *image);
    return -1;
}

int LoadGraphImage(const char* file_name, const void* data, std::uint32_t data_size, int from_memory, int make_dib,
                   int mirror, GraphImage* image, BITMAPINFO** info, void** bits) {
    StreamDescriptor stream{};
    FileHandle file = 0;
    if (from_memory == 0) {
        if (file_name == nullptr) return -1;
        file = FileAccessOpen(file_name, 0, 1, 0);
        if (file == 0) return -1;
        stream.functions = *GetFileStreamFunctions();
        stream.handle = file;
    } else {
        if (data == nullptr) return -1;
        stream.functions = *GetMemoryStreamFunctions();
        stream.handle = OpenMemoryStream(data, data_size);
        if (stream.handle == 0) return -1;
    }

    GraphImage loaded{};
    const int read = ReadGraphImage(&stream, &loaded);
    if (from_memory == 0) {
        FileAccessClose(file);
    } else {
        stream.functions.close(stream.handle);
    }
    if (read != 0) return -1;

    // Rows are mirrored in place, whatever the pixel size (palette and grey included).
    if (mirror == 1 && MirrorGraphImage(&loaded) != 0) {
        FreeGraphImage(&loaded);
        return -1;
    }

    if (make_dib == 0) {
        *image = loaded;
        return 0;
    }
    auto* header = static_cast<BITMAPINFO*>(TrackedAlloc(kDibInfoBlockBytes, __FILE__, __LINE__));
    if (header == nullptr) {
        FreeGraphImage(&loaded);
        return -1;
    }
    void* dib_bits = nullptr;
    const int made = ConvertGraphImageToDIB(&loaded, header, &dib_bits, 0, 0);
    if (made == -1) {
        FreeGraphImage(&loaded);
        TrackedFree(header);
        return -1;
    }
    if (made == 1) FreeGraphImage(&loaded);
    *info = header;
    *bits = dib_bits;
    return 0;
}

int MakeAlphaImageFileName(const char* file_name, char* out, int capacity) {
    const auto* text = reinterpret_cast<const unsigned char*>(file_name);
    const int mode = GetEngineCharSetMode();
    std::size_t length = 0;
    std::size_t dot = static_cast<std::size_t>(-1);
    // Only a "." in the last path element starts the extension; trail bytes of two-byte
    // characters are never taken for "." or a separator.
    while (text[length] != '\0') {
        if (IsMultiByteLeadByte(text + length, mode) && text[length + 1] != '\0') {
            length += 2;
            continue;
        }
        if (text[length] == '\\' || text[length] == '/') dot = static_cast<std::size_t>(-1);
        if (text[length] == '.') dot = length;
        ++length;
    }
    const std::size_t stem = dot == static_cast<std::size_t>(-1) ? length : dot;
    if (length + 2 + 1 > static_cast<std::size_t>(capacity)) return -1;
    std::memcpy(out, file_name, stem);
    std::memcpy(out + stem, "_a", 2);
    std::memcpy(out + stem + 2, file_name + stem, length - stem + 1);
    return 0;
}

int LoadGraphImageWithAlpha(const char* file_name, const void* data, std::uint32_t data_size, int from_memory,
                            const void* alpha_data, std::uint32_t alpha_data_size, int alpha_mode, GraphImage* image,
                            GraphImage* alpha_image, int mirror) {
    if (LoadGraphImage(file_name, data, data_size, from_memory, 0, mirror, image, nullptr, nullptr) == -1) return -1;
    if (alpha_mode == 0) {
        // No file name (the main picture came from memory): there is no "_a" file.
        if (file_name == nullptr) return 1;
        char alpha_name[kAlphaNameBytes];
        if (MakeAlphaImageFileName(file_name, alpha_name, sizeof alpha_name) != 0) return 1;
        return LoadGraphImage(alpha_name, nullptr, 0, 0, 0, mirror, alpha_image, nullptr, nullptr) == 0 ? 0 : 1;
    }
    if (alpha_mode == 1) {
        if (alpha_data == nullptr) return 1;
        return LoadGraphImage(nullptr, alpha_data, alpha_data_size, 1, 0, mirror, alpha_image, nullptr, nullptr) == 0 ? 0
                                                                                                                   : 1;
    }
    return 1;
}
