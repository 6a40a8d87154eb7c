// The LZ unpacker on hand-written streams, its refusals of damaged ones, and round trips
// through the test packer.
#include <gtest/gtest.h>

#include <string>

#include "engine/file/lz_unpack.h"
#include "tests/support/lz_packer.h"

namespace {

std::string Stream(std::uint32_t unpacked, unsigned char escape, const std::string& body, int packed_delta = 0) {
    std::string s;
    const std::uint32_t packed = static_cast<std::uint32_t>(9 + body.size() + packed_delta);
    for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((unpacked >> (8 * i)) & 0xFF));
    for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((packed >> (8 * i)) & 0xFF));
    s.push_back(static_cast<char>(escape));
    return s + body;
}

std::int64_t Unpack(const std::string& stream, std::string& out, std::uint32_t capacity) {
    out.assign(capacity, '#');
    return UnpackLz(stream.data(), static_cast<std::uint32_t>(stream.size()), out.data(), capacity);
}

TEST(LzUnpack, DecodesHandWrittenStreams) {
    struct Case {
        const char* what;
        std::string stream;
        std::string expected;
    };
    const Case cases[] = {
        {"no escape in the body", Stream(5, 0xFF, "hello"), "hello"},
        {"escape escape is one escape byte", Stream(3, 'x', "axxb"), "axb"},
        // Code 0x30: length 6 + 4 = 10, one distance byte 0 = distance 1.
        {"overlapping reference repeats the last byte", Stream(11, 0xFF, std::string("a\xFF\x30\x00", 4)),
         "aaaaaaaaaaa"},
        // Escape 0x80, code byte 0x81 is code 0x80: length 16 + 4 = 20, distance 1 + 1 = 2.
        {"code above the escape is one less", Stream(22, 0x80, std::string("ab\x80\x81\x01", 5)),
         "ababababababababababab"},
        // Code 0x05: length bits 0 plus extension byte 1 << 5 = 32, + 4 = 36; two distance bytes 0x0002 = 3.
        {"extended length and two distance bytes", Stream(39, 0xFF, std::string("xyz\xFF\x05\x01\x02\x00", 8)),
         std::string("xyz") + "xyzxyzxyzxyzxyzxyzxyzxyzxyzxyzxyzxyz"},
        // Code 0x02: three distance bytes 0x000003 = distance 4; length 4.
        {"three distance bytes", Stream(8, 0xFF, std::string("abcd\xFF\x02\x03\x00\x00", 9)), "abcdabcd"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string out;
        ASSERT_EQ(Unpack(c.stream, out, static_cast<std::uint32_t>(c.expected.size())),
                  static_cast<std::int64_t>(c.expected.size()));
        EXPECT_EQ(out, c.expected);
    }
}

TEST(LzUnpack, NullDestinationGivesTheSizeOnly) {
    const std::string s = Stream(5, 0xFF, "hello");
    EXPECT_EQ(UnpackLz(s.data(), static_cast<std::uint32_t>(s.size()), nullptr, 0), 5);
}

TEST(LzUnpack, RefusesDamagedStreams) {
    struct Case {
        const char* what;
        std::string stream;
        std::uint32_t capacity;
    };
    const Case cases[] = {
        {"header cut short", std::string("\x05\x00\x00\x00\x0e", 5), 16},
        {"packed size beyond the bytes given", Stream(5, 0xFF, "hello", 3), 16},
        {"packed size below the header", Stream(0, 0xFF, "", -2), 16},
        {"unpacked size above the buffer", Stream(5, 0xFF, "hello"), 4},
        {"body gives fewer bytes than the header says", Stream(6, 0xFF, "hello"), 16},
        {"body gives more bytes than the header says", Stream(4, 0xFF, "hello"), 16},
        {"escape at the end of the body", Stream(2, 0xFF, "a\xFF"), 16},
        {"distance field cut off", Stream(9, 0xFF, std::string("a\xFF\x01\x00", 4)), 16},
        {"length extension cut off", Stream(40, 0xFF, std::string("a\xFF\x04", 3)), 64},
        {"reference before the output start", Stream(5, 0xFF, std::string("a\xFF\x00\x01", 4)), 16},
        {"distance-size code 3", Stream(5, 0xFF, std::string("a\xFF\x03\x00\x00\x00\x00", 7)), 16},
        {"reference past the end of the output", Stream(3, 0xFF, std::string("a\xFF\x00\x00", 4)), 16},
        {"empty body with a size", Stream(3, 0xFF, ""), 16},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string out;
        EXPECT_EQ(Unpack(c.stream, out, c.capacity), -1);
        EXPECT_EQ(out.substr(c.capacity), "");
    }
}

TEST(LzUnpack, RoundTripsThroughThePacker) {
    std::string mixed;
    std::uint32_t seed = 12345;
    for (int i = 0; i < 200000; ++i) {
        seed = seed * 1103515245u + 12345u;
        // Runs, repeats at near and far distances, and noise.
        if (i % 5000 < 2000) {
            mixed.push_back(static_cast<char>((seed >> 16) & 0xFF));
        } else if (i % 5000 < 4000) {
            mixed.push_back(mixed.size() > 70000 ? mixed[mixed.size() - 70000] : 'q');
        } else {
            mixed.push_back(static_cast<char>(i % 7));
        }
    }
    const std::string inputs[] = {"", "a", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", std::string(20000, '\0'),
                                  std::string(256, 'x') + std::string("\x00\x01\x02\x03\xFF", 5), mixed};
    for (const std::string& input : inputs) {
        SCOPED_TRACE(input.size());
        const std::string packed = PackLz(input);
        std::string out;
        ASSERT_EQ(Unpack(packed, out, static_cast<std::uint32_t>(input.size())),
                  static_cast<std::int64_t>(input.size()));
        EXPECT_TRUE(out == input);
    }
    EXPECT_LT(PackLz(std::string(20000, '\0')).size(), 100u);
}

}  // namespace
