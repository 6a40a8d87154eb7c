// Memory streams: fread-shaped reads with whole elements, clamped seeks, eof, and the
// caller's block left alone.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "engine/core/tracked_alloc.h"
#include "engine/file/memory_stream.h"
#include "tests/support/engine_testing/core_testing.h"

namespace {

struct ReadCase {
    std::uint32_t size;
    std::int64_t position;
    std::size_t element_size;
    std::size_t count;
    std::size_t result;
    std::size_t bytes_copied;
    int eof_after;
};

TEST(MemoryStream, ReadsWholeElementsAndClampsToTheBlock) {
    const ReadCase cases[] = {
        {4, 0, 1, 10, 4, 4, 0},      // short read by bytes
        {4, 4, 1, 10, 0, 0, 1},      // nothing left: eof
        {10, 0, 4, 3, 2, 8, 0},      // two whole 4-byte elements
        {10, 8, 4, 1, 1, 2, 0},      // less than one element left: copied, counts as one
        {10, 2, 0, 5, 0, 0, 0},      // element size 0 copies nothing
        {10, 2, 3, 0, 0, 0, 0},      // count 0 copies nothing
        {10, 0, 1, ~std::size_t{0}, 10, 10, 0},  // a count that would wrap
        {10, 0, ~std::size_t{0} / 2, 4, 1, 10, 0},  // huge element
    };
    for (const ReadCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.size << "/" << c.position << "/" << c.element_size << "x" << c.count);
        std::string data(c.size, '\0');
        for (std::uint32_t i = 0; i < c.size; ++i) data[i] = static_cast<char>('a' + i);
        const StreamHandle s = OpenMemoryStream(data.data(), c.size);
        ASSERT_NE(s, 0);
        SeekMemoryStream(s, c.position, kSeekSet);
        std::string out(32, '#');
        EXPECT_EQ(ReadMemoryStream(out.data(), c.element_size, c.count, s), c.result);
        EXPECT_EQ(out.substr(0, c.bytes_copied), data.substr(static_cast<std::size_t>(c.position), c.bytes_copied));
        EXPECT_EQ(out[c.bytes_copied], '#');
        EXPECT_EQ(GetMemoryStreamEof(s), c.eof_after);
        EXPECT_EQ(TellMemoryStream(s), c.position + static_cast<std::int64_t>(c.bytes_copied));
        CloseMemoryStream(s);
    }
}

TEST(MemoryStream, SeekClampsAndClearsEof) {
    const char data[6] = {1, 2, 3, 4, 5, 6};
    const StreamHandle s = OpenMemoryStream(data, 6);
    char out[8];
    EXPECT_EQ(ReadMemoryStream(out, 1, 8, s), 6u);
    EXPECT_EQ(ReadMemoryStream(out, 1, 1, s), 0u);
    EXPECT_EQ(GetMemoryStreamEof(s), 1);
    EXPECT_EQ(SeekMemoryStream(s, 6 + 5, kSeekSet), 0);
    EXPECT_EQ(TellMemoryStream(s), 6);
    EXPECT_EQ(GetMemoryStreamEof(s), 0);
    EXPECT_EQ(SeekMemoryStream(s, -3, kSeekSet), 0);
    EXPECT_EQ(TellMemoryStream(s), 0);
    EXPECT_EQ(SeekMemoryStream(s, -2, kSeekEnd), 0);
    EXPECT_EQ(TellMemoryStream(s), 4);
    EXPECT_EQ(SeekMemoryStream(s, -1, kSeekCurrent), 0);
    EXPECT_EQ(TellMemoryStream(s), 3);
    EXPECT_EQ(CheckMemoryStreamIdle(s), 1);
    EXPECT_EQ(CloseMemoryStream(s), 0);
    EXPECT_EQ(std::memcmp(data, "\1\2\3\4\5\6", 6), 0);
}

TEST(MemoryStream, WorksThroughItsStreamRecordAndFreesOnlyItsRecord) {
    const std::int32_t before = TrackedLiveBlockCount();
    const std::string data = "stream";
    StreamDescriptor d{*GetMemoryStreamFunctions(), OpenMemoryStream(data.data(), 6)};
    EXPECT_EQ(TrackedLiveBlockCount(), before + 1);
    char out[4] = {};
    EXPECT_EQ(d.functions.seek(d.handle, 2, kSeekSet), 0);
    EXPECT_EQ(d.functions.read(out, 1, 3, d.handle), 3u);
    EXPECT_EQ(std::string(out, 3), "rea");
    EXPECT_EQ(d.functions.tell(d.handle), 5);
    EXPECT_EQ(d.functions.close(d.handle), 0);
    EXPECT_EQ(TrackedLiveBlockCount(), before);
    EXPECT_EQ(data, "stream");
}

}  // namespace
