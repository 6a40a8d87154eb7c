// How a graph side is divided into texture sizes, for the device's smallest and largest
// texture sizes and the screen width: the cases of one piece, the walk along a long side,
// the merge of two equal last pieces, and a side too long for 64 pieces.
#include <gtest/gtest.h>

#include <vector>

#include "engine/d3d/d3d_state.h"
#include "engine/graphics/graphics.h"

namespace {

struct DivisionCase {
    const char* name;
    int smallest;
    int largest;
    int length;
    int prefer_one;
    std::vector<int> sizes;
};

class TextureDivision : public ::testing::TestWithParam<DivisionCase> {};

// The screen is not started in these tests, so its width reads as 640.
TEST_P(TextureDivision, GivesTheSizes) {
    const DivisionCase& c = GetParam();
    D3DRendererState& state = D3DState();
    const std::uint32_t kept_min = state.min_texture_size, kept_max = state.max_texture_size;
    state.min_texture_size = static_cast<std::uint32_t>(c.smallest);
    state.max_texture_size = static_cast<std::uint32_t>(c.largest);
    int sizes[kGraphPieceSlots];
    const int count = DivideTextureSide(c.length, sizes, c.prefer_one);
    state.min_texture_size = kept_min;
    state.max_texture_size = kept_max;
    ASSERT_EQ(count, static_cast<int>(c.sizes.size()));
    EXPECT_EQ(std::vector<int>(sizes, sizes + count), c.sizes);
}

std::vector<int> Repeat(int size, int count) { return std::vector<int>(static_cast<std::size_t>(count), size); }

std::vector<int> With(std::vector<int> sizes, int last) {
    sizes.push_back(last);
    return sizes;
}

INSTANTIATE_TEST_SUITE_P(
    Sides, TextureDivision,
    ::testing::Values(
        DivisionCase{"Short100", 1, 256, 100, 0, {128}},
        DivisionCase{"ScreenWide640", 1, 256, 640, 0, {256, 256, 128}},
        DivisionCase{"ScreenHigh480", 1, 256, 480, 0, {256, 128, 64, 32}},
        DivisionCase{"Tiny16", 1, 256, 16, 0, {16}},
        DivisionCase{"Tiny16SmallestIs64", 64, 256, 16, 0, {64}},
        DivisionCase{"Exactly32", 1, 256, 32, 0, {32}},
        DivisionCase{"Side2048", 1, 256, 2048, 0, Repeat(256, 8)},
        DivisionCase{"Side2049", 1, 256, 2049, 0, With(Repeat(256, 8), 32)},
        // A large texture limit on a 640-wide screen: the largest piece is 1024; a side
        // shorter than the screen is one piece.
        DivisionCase{"Large600", 1, 2048, 600, 0, {1024}},
        DivisionCase{"Large700", 1, 2048, 700, 0, {512, 128, 64}},
        DivisionCase{"Large1000", 1, 2048, 1000, 0, {1024}},
        // Preferring one piece takes the device's largest size.
        DivisionCase{"Prefer700", 1, 2048, 700, 1, {1024}},
        DivisionCase{"Prefer640", 1, 256, 640, 1, {256, 256, 128}},
        // The last two pieces equal and twice their size allowed: merged.
        DivisionCase{"Prefer96", 1, 256, 96, 1, {128}},
        DivisionCase{"Merge300", 1, 256, 300, 1, {256, 64}},
        DivisionCase{"Merge308", 1, 256, 308, 0, {256, 64}}),
    [](const ::testing::TestParamInfo<DivisionCase>& info) { return std::string(info.param.name); });

// A side that needs more than 64 pieces writes only 64 sizes and answers a count above
// 64, which every caller refuses.
TEST(TextureDivisionBound, StopsAtSixtyFourSizes) {
    D3DRendererState& state = D3DState();
    const std::uint32_t kept_min = state.min_texture_size, kept_max = state.max_texture_size;
    state.min_texture_size = 1;
    state.max_texture_size = 256;
    int sizes[kGraphPieceSlots + 8];
    for (int& s : sizes) s = -7;
    const int count = DivideTextureSide(1000 * 256, sizes, 0);
    state.min_texture_size = kept_min;
    state.max_texture_size = kept_max;
    EXPECT_EQ(count, kGraphPieceSlots + 1);
    for (int i = 0; i < kGraphPieceSlots; ++i) EXPECT_EQ(sizes[i], 256) << i;
    for (int i = kGraphPieceSlots; i < kGraphPieceSlots + 8; ++i) EXPECT_EQ(sizes[i], -7) << i;
}

}  // namespace
