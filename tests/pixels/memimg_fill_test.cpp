// The raw rectangle fill against a plain per-pixel reference on random images, views,
// rectangles and values: every byte of the caller's memory (rows, padding and what lies
// outside the view) must come out as the reference leaves it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "engine/pixels/memimg.h"

namespace {

// Stores the low bytes of `value` at each pixel of the rectangle cut to the view.
void ReferenceFill(std::uint8_t* pixels, int pitch, int bytes, int width, int height, RECT area,
                   std::uint32_t value) {
    const LONG left = std::max<LONG>(area.left, 0);
    const LONG top = std::max<LONG>(area.top, 0);
    const LONG right = std::min<LONG>(area.right, width);
    const LONG bottom = std::min<LONG>(area.bottom, height);
    for (LONG y = top; y < bottom; ++y) {
        for (LONG x = left; x < right; ++x) {
            for (int b = 0; b < bytes; ++b) {
                pixels[static_cast<std::ptrdiff_t>(y) * pitch + x * bytes + b] = static_cast<std::uint8_t>(value >> (8 * b));
            }
        }
    }
}

TEST(MemImgFill, MatchesThePerPixelReferenceOnRandomCases) {
    std::mt19937 random(20261211u);
    const int kinds[] = {kMemImgRgb565, kMemImgXrgb8888, kMemImgChannel8, kMemImgChannel16};
    const int kind_bytes[] = {2, 4, 1, 2};
    const std::uint32_t even_values[] = {0u, 0xFFFFFFFFu, 0x7F7F7F7Fu, 0x00FFFFFFu, 0xFFFF0000u};
    for (int round = 0; round < 600; ++round) {
        const int which = static_cast<int>(random() % 4);
        const int bytes = kind_bytes[which];
        const int block_width = 1 + static_cast<int>(random() % 90);
        const int block_height = 1 + static_cast<int>(random() % 6);
        // Gap-free rows in a third of the cases, else some padding.
        const int pitch = block_width * bytes + (random() % 3 == 0 ? 0 : static_cast<int>(random() % 9) * bytes);
        std::vector<std::uint8_t> memory(static_cast<std::size_t>(pitch) * block_height);
        for (std::uint8_t& byte : memory) byte = static_cast<std::uint8_t>(random());
        std::vector<std::uint8_t> expected = memory;

        MEMIMG block{};
        ASSERT_EQ(CreateMemImg(&block, block_width, block_height, pitch, 0, kinds[which], 0, 0, 0, memory.data()), 0);
        // Half the time a view inside the block (possibly the whole of it).
        MEMIMG view{};
        MEMIMG* target = &block;
        int view_x = 0;
        int view_y = 0;
        int view_width = block_width;
        int view_height = block_height;
        if (random() % 2 == 0) {
            view_x = static_cast<int>(random() % block_width);
            view_y = static_cast<int>(random() % block_height);
            view_width = 1 + static_cast<int>(random() % (block_width - view_x));
            view_height = 1 + static_cast<int>(random() % (block_height - view_y));
            CreateMemImgView(&view, &block, view_x, view_y, view_width, view_height);
            ASSERT_TRUE(IsMemImgValid(&view));
            target = &view;
        }
        const std::uint32_t value = random() % 4 == 0 ? even_values[random() % 5] : static_cast<std::uint32_t>(random());
        const bool whole = random() % 4 == 0;
        RECT area{static_cast<LONG>(random() % (view_width + 8)) - 4, static_cast<LONG>(random() % (view_height + 4)) - 2,
                  0, 0};
        area.right = area.left + static_cast<LONG>(random() % (view_width + 8)) - 2;
        area.bottom = area.top + static_cast<LONG>(random() % (view_height + 4)) - 1;
        SCOPED_TRACE(testing::Message() << "round " << round << ", kind " << kinds[which] << ", block " << block_width
                                        << "x" << block_height << " pitch " << pitch << ", view " << view_x << ","
                                        << view_y << " " << view_width << "x" << view_height << ", value " << value);
        FillMemImgRectRaw(target, whole ? nullptr : &area, value);
        ReferenceFill(expected.data() + static_cast<std::ptrdiff_t>(view_y) * pitch + view_x * bytes, pitch, bytes,
                      view_width, view_height, whole ? RECT{0, 0, view_width, view_height} : area, value);
        EXPECT_EQ(memory, expected);
        if (target == &view) ReleaseMemImg(&view);
        ReleaseMemImg(&block);
    }
}

}  // namespace
