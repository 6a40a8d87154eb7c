// DIB sections made from DIBs: exact pixels read back from the section for palette and
// 24-bit sources, mirrored or not, in either row order; a format asks for 16-bit or
// masked 32-bit sections; failures log their line and leave the caller's DIB alone.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "engine/core/tracked_alloc.h"
#include "engine/graphics/images/graph_image.h"
#include "platform/gdi.h"
#include "tests/support/engine_testing/core_testing.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_log.h"

namespace {

struct Dib {
    BITMAPINFOHEADER header;
    std::uint32_t table[256];
    BITMAPINFO* info() { return reinterpret_cast<BITMAPINFO*>(this); }
};

Dib MakeHeader(int width, int height, int bit_count) {
    Dib dib{};
    dib.header.biSize = sizeof(BITMAPINFOHEADER);
    dib.header.biWidth = width;
    dib.header.biHeight = height;
    dib.header.biPlanes = 1;
    dib.header.biBitCount = static_cast<WORD>(bit_count);
    dib.header.biCompression = BI_RGB;
    return dib;
}

// The picture used throughout, 3 x 2, top row first, as 0x00RRGGBB.
constexpr std::uint32_t kPicture[2][3] = {{0xFF0000, 0x00FF00, 0x0000FF}, {0xFFFFFF, 0x808080, 0x102030}};

// The section's pixels as 0x00RRGGBB, top row first.
std::vector<std::uint32_t> ReadSection(HBITMAP section, int width, int height) {
    Dib request = MakeHeader(width, -height, 32);
    std::vector<std::uint32_t> words(static_cast<std::size_t>(width) * height, 0xDEADBEEF);
    EXPECT_EQ(GetDIBits(nullptr, section, 0, static_cast<UINT>(height), words.data(), request.info(), DIB_RGB_COLORS),
              height);
    for (std::uint32_t& word : words) word &= 0xFFFFFF;
    return words;
}

// kPicture, each row reversed when `mirrored`, with `adjust` applied to every colour.
std::vector<std::uint32_t> Expected(bool mirrored, std::uint32_t (*adjust)(std::uint32_t) = nullptr) {
    std::vector<std::uint32_t> words;
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) {
            const std::uint32_t colour = kPicture[y][mirrored ? 2 - x : x];
            words.push_back(adjust != nullptr ? adjust(colour) : colour);
        }
    }
    return words;
}

class CreateDIBGraphTest : public ::testing::Test {
protected:
    void SetUp() override { live_ = TrackedLiveBlockCount(); }
    void TearDown() override { EXPECT_EQ(TrackedLiveBlockCount(), live_); }
    std::int32_t live_ = 0;
};

TEST_F(CreateDIBGraphTest, PaletteSourceBottomUp) {
    // 8-bit, bottom-up (the top row last in memory), rows padded to 4 bytes.
    Dib source = MakeHeader(3, 2, 8);
    source.table[5] = kPicture[0][0];
    source.table[6] = kPicture[0][1];
    source.table[7] = kPicture[0][2];
    source.table[200] = kPicture[1][0];
    source.table[201] = kPicture[1][1];
    source.table[255] = kPicture[1][2];
    const std::uint8_t bits[8] = {200, 201, 255, 0x77, 5, 6, 7, 0x77};
    for (const int mirror : {0, 1}) {
        SCOPED_TRACE(mirror);
        const HBITMAP section = CreateDIBGraph(source.info(), bits, mirror, nullptr);
        ASSERT_NE(section, nullptr);
        EXPECT_EQ(ReadSection(section, 3, 2), Expected(mirror != 0));
        EXPECT_EQ(DeleteObject(section), TRUE);
    }
}

TEST_F(CreateDIBGraphTest, TrueColourSourceTopDown) {
    Dib source = MakeHeader(3, -2, 24);
    std::vector<std::uint8_t> bits(24, 0xEE);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) {
            std::memcpy(&bits[static_cast<std::size_t>(y * 12 + x * 3)], &kPicture[y][x], 3);
        }
    }
    for (const int mirror : {0, 1}) {
        SCOPED_TRACE(mirror);
        const HBITMAP section = CreateDIBGraph(source.info(), bits.data(), mirror, nullptr);
        ASSERT_NE(section, nullptr);
        EXPECT_EQ(ReadSection(section, 3, 2), Expected(mirror != 0));
        EXPECT_EQ(DeleteObject(section), TRUE);
    }
}

// A colour through R5G6B5 and back, the narrow channels widened by their high bits.
std::uint32_t ThroughRgb565(std::uint32_t rgb) {
    const std::uint32_t r = (rgb >> 19) & 0x1F;
    const std::uint32_t g = (rgb >> 10) & 0x3F;
    const std::uint32_t b = (rgb >> 3) & 0x1F;
    return ((r << 3) | (r >> 2)) << 16 | ((g << 2) | (g >> 4)) << 8 | ((b << 3) | (b >> 2));
}

TEST_F(CreateDIBGraphTest, FormatChoosesTheSectionLayout) {
    Dib true_colour = MakeHeader(3, -2, 24);
    std::vector<std::uint8_t> true_colour_bits(24, 0);
    Dib palette = MakeHeader(3, -2, 8);
    std::uint8_t palette_bits[8] = {0, 1, 2, 0, 3, 4, 5, 0};
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) {
            std::memcpy(&true_colour_bits[static_cast<std::size_t>(y * 12 + x * 3)], &kPicture[y][x], 3);
            palette.table[y * 3 + x] = kPicture[y][x];
        }
    }
    struct Case {
        const char* what;
        int depth;
        std::uint32_t masks[3];
        bool palette_source;
        std::uint32_t (*adjust)(std::uint32_t);
        int depth_after;  // the caller's format afterwards
    };
    const Case cases[] = {
        // 16 bits with the format's masks: the picture comes back narrowed to R5G6B5.
        {"16-bit format", 16, {0xF800, 0x07E0, 0x001F}, false, ThroughRgb565, 16},
        {"16-bit format, palette source", 16, {0xF800, 0x07E0, 0x001F}, true, ThroughRgb565, 16},
        // 32 bits with masks in an unusual order, from a palette source.
        {"32-bit format, palette source", 32, {0x0000FF, 0x00FF00, 0xFF0000}, true, nullptr, 32},
        // A 32-bit format with a 24-bit source becomes R8G8B8 in the caller's record.
        {"32-bit format, 24-bit source", 32, {0xFF0000, 0x00FF00, 0x0000FF}, false, nullptr, 24},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ColorFormat format{};
        BuildColorFormat(&format, c.depth, c.masks[0], c.masks[1], c.masks[2], 0);
        const HBITMAP section = c.palette_source ? CreateDIBGraph(palette.info(), palette_bits, 0, &format)
                                                 : CreateDIBGraph(true_colour.info(), true_colour_bits.data(), 0, &format);
        ASSERT_NE(section, nullptr);
        EXPECT_EQ(ReadSection(section, 3, 2), Expected(false, c.adjust));
        EXPECT_EQ(format.bit_depth, c.depth_after);
        EXPECT_EQ(DeleteObject(section), TRUE);
    }
}

TEST_F(CreateDIBGraphTest, FailureLogsAndLeavesTheCallersDibAlone) {
    ScopedTempDir dir;
    StartTestLog();
    // A header the section cannot take: width 0, or a depth no section has.
    Dib empty = MakeHeader(0, 2, 24);
    ColorFormat odd{};
    BuildColorFormat(&odd, 24, 0xFF0000, 0x00FF00, 0x0000FF, 0);
    odd.bit_depth = 12;
    Dib fine = MakeHeader(2, 2, 24);
    for (int k = 0; k < 3; ++k) {
        SCOPED_TRACE(k);
        Dib& source = k == 0 ? empty : fine;
        ColorFormat* format = k == 1 ? &odd : nullptr;
        std::uint8_t bits[16];
        for (int i = 0; i < 16; ++i) bits[i] = static_cast<std::uint8_t>(i * 7);
        const Dib header_before = source;
        std::uint8_t bits_before[16];
        std::memcpy(bits_before, bits, sizeof bits);
        const std::size_t mark = ReadTestLogWithoutStamps().size();
        const HBITMAP section = k == 2 ? CreateDIBGraph(nullptr, bits, 1, nullptr)
                                       : CreateDIBGraph(source.info(), bits, 1, format);
        EXPECT_EQ(section, nullptr);
        // The log file ends its lines with CR LF.
        EXPECT_EQ(ReadTestLogWithoutStamps().substr(mark), "ＤＩＢの作成に失敗しました3\r\n");
        EXPECT_EQ(std::memcmp(&source, &header_before, sizeof source), 0);
        EXPECT_EQ(std::memcmp(bits, bits_before, sizeof bits), 0);
    }
}

}  // namespace
