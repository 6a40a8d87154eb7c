// The packed add and subtract forms, one and two pixels per word, and the exact byte
// forms, checked on the pixel values of their edge cases.
#include <gtest/gtest.h>

#include "engine/softrender/pixel_rules.h"

namespace {

struct PackedCase {
    const char* name;
    std::uint32_t (*rule)(std::uint32_t, std::uint32_t);
    std::uint32_t d, u, expected;
};

TEST(PixelRules, PackedFormsGiveTheirExactBits) {
    const PackedCase cases[] = {
        // 32-bit add: red F0 + 20 saturates, the fourth byte takes red's carry.
        {"add32 saturate", PackedAdd32, 0x00F01010u, 0x00202020u, 0x01FF3030u},
        {"add32 blue carry into green", PackedAdd32, 0x000000F0u, 0x00000020u, 0x000001FFu},
        {"add32 ones keep low bits", PackedAdd32, 0x00010101u, 0x00000000u, 0x00010101u},
        // Without the lowest-bit term: green and red take only the carry from below.
        {"add32 no low bit 240+32", PackedAdd32NoLowBit, 0x00F0F0F0u, 0x00202020u, 0x01FFFFFFu},
        {"add32 no low bit ones", PackedAdd32NoLowBit, 0x00010101u, 0x00010101u, 0x00000002u},
        {"add32 no low bit fourth bytes dropped", PackedAdd32NoLowBit, 0xFF0000F0u, 0xFF000020u, 0x000001FFu},
        {"sub32 underflow to zero", PackedSubtract32, 0x00101010u, 0x00202020u, 0x00000000u},
        {"sub32 zero from zero", PackedSubtract32, 0x00000000u, 0x00000000u, 0x00010100u},
        {"add565 blue carries into green", PackedAdd565, 0x001Fu, 0x0001u, 0x003Fu},
        {"add565 alone F000+1000", PackedAdd565Alone, 0xF000u, 0x1000u, 0xF800u},
        {"sub565 zero from zero", PackedSubtract565, 0x0000u, 0x0000u, 0x0800u},
        // Pairs: first pixel low, second high.
        {"add pair F000,0000 + 1000,0000", PackedAdd565Pair, 0x0000F000u, 0x00001000u, 0x0001F800u},
        {"sub pair zero", PackedSubtract565Pair, 0x00000000u, 0x00000000u, 0x08010800u},
        {"sat add bytes", SaturatingAddBytes, 0x00F0F0F0u, 0x00202020u, 0x00FFFFFFu},
        {"sat add fourth byte", SaturatingAddBytes, 0x80010101u, 0x90010101u, 0xFF020202u},
        {"sat sub bytes", SaturatingSubtractBytes, 0x00101010u, 0x00202020u, 0x00000000u},
        {"half32", HalfBlend32, 0x00000000u, 0xFFFFFFFFu, 0x007F7F7Fu},
        {"half565", HalfBlend565, 0x0000u, 0xFFFFu, 0x7BEFu},
    };
    for (const auto& c : cases) EXPECT_EQ(c.rule(c.d, c.u), c.expected) << c.name;
}

TEST(PixelRules, PackedAddMatchesItsPerChannelDescription) {
    // Blue exact; green and red on their upper seven bits, low bit = OR of low bits and the
    // carry from below; fourth byte = red's carry.
    std::uint32_t seed = 12345;
    for (int i = 0; i < 20000; ++i) {
        seed = seed * 1664525u + 1013904223u;
        const std::uint32_t d = seed & 0x00FFFFFFu;
        seed = seed * 1664525u + 1013904223u;
        const std::uint32_t u = seed & 0x00FFFFFFu;
        std::uint32_t expected = 0;
        const std::uint32_t bsum = (d & 0xFF) + (u & 0xFF);
        expected |= bsum > 255 ? 255 : bsum;
        std::uint32_t carry = bsum > 255;
        for (int c = 1; c < 3; ++c) {
            const std::uint32_t dc = (d >> (8 * c)) & 0xFF, uc = (u >> (8 * c)) & 0xFF;
            const std::uint32_t sum = (dc & 0xFE) + (uc & 0xFE);
            const std::uint32_t v = sum > 255 ? 0xFF : (sum | (dc & 1) | (uc & 1) | carry);
            expected |= v << (8 * c);
            carry = sum > 255;
        }
        expected |= carry << 24;
        ASSERT_EQ(PackedAdd32(d, u), expected) << std::hex << d << " " << u;
    }
}

TEST(PixelRules, PrimitiveRuleTableDrawsNothingWhereTheModeDoesNot) {
    for (int mode : {5, 6, 7, 8, 9, 12, -1}) EXPECT_EQ(SelectPrimitivePixelRule(1, mode, 128), nullptr) << mode;
    for (int mode : {1, 2, 3}) EXPECT_EQ(SelectPrimitivePixelRule(0, mode, 0), nullptr) << mode;
    for (int mode : {0, 4, 10, 11}) EXPECT_NE(SelectPrimitivePixelRule(0, mode, 0), nullptr) << mode;
    EXPECT_EQ(SelectPrimitivePixelRule(1, 1, 255), SelectPrimitivePixelRule(1, 0, 0));
    EXPECT_EQ(SelectPrimitivePixelRule(2, 0, 0), nullptr);
}

}  // namespace
