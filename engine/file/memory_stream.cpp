// Memory streams over a caller's block. The record comes from the tracked allocator;
// sizes are worked out in 64 bits so no request can wrap or reach past the block.
#include "engine/file/memory_stream.h"

#include <cstring>

#include "engine/core/core.h"

namespace {

MemoryStream* StreamOf(StreamHandle stream) { return reinterpret_cast<MemoryStream*>(stream); }

}  // namespace

StreamHandle OpenMemoryStream(const void* data, std::uint32_t size) {
    auto* stream = static_cast<MemoryStream*>(TrackedCalloc(sizeof(MemoryStream), "memory_stream", __LINE__));
    if (stream == nullptr) return 0;
    stream->data = static_cast<const unsigned char*>(data);
    stream->size = size;
    stream->position = 0;
    stream->eof = 0;
    return reinterpret_cast<StreamHandle>(stream);
}

std::int64_t TellMemoryStream(StreamHandle stream) { return StreamOf(stream)->position; }

int SeekMemoryStream(StreamHandle stream, std::int64_t offset, int origin) {
    MemoryStream* s = StreamOf(stream);
    std::int64_t target = offset;
    if (origin == kSeekCurrent) {
        target = static_cast<std::int64_t>(s->position) + offset;
    } else if (origin == kSeekEnd) {
        target = static_cast<std::int64_t>(s->size) + offset;
    }
    s->eof = 0;
    if (target > static_cast<std::int64_t>(s->size)) target = s->size;
    if (target < 0) target = 0;
    s->position = static_cast<std::int32_t>(target);
    return 0;
}

std::size_t ReadMemoryStream(void* buffer, std::size_t element_size, std::size_t element_count, StreamHandle stream) {
    MemoryStream* s = StreamOf(stream);
    const std::uint64_t rest = s->size - static_cast<std::uint32_t>(s->position);
    if (rest == 0) {
        s->eof = 1;
        return 0;
    }
    // Nothing asked for: nothing copied (a zero-sized request must not read the rest).
    if (element_size == 0 || element_count == 0) return 0;
    std::uint64_t count = element_count;
    if (count > rest / element_size) {
        count = rest / element_size;
        if (count == 0) {
            // Less than one whole element left: it is copied and counts as one.
            std::memcpy(buffer, s->data + s->position, static_cast<std::size_t>(rest));
            s->position = static_cast<std::int32_t>(s->size);
            s->eof = 0;
            return 1;
        }
    }
    const std::uint64_t bytes = count * element_size;
    std::memcpy(buffer, s->data + s->position, static_cast<std::size_t>(bytes));
    s->position += static_cast<std::int32_t>(bytes);
    s->eof = 0;
    return static_cast<std::size_t>(count);
}

int GetMemoryStreamEof(StreamHandle stream) { return StreamOf(stream)->eof; }

int CheckMemoryStreamIdle(StreamHandle) { return 1; }

int CloseMemoryStream(StreamHandle stream) {
    TrackedFree(StreamOf(stream));
    return 0;
}
