// The YUV conversion as other platform code draws with it (a window's framebuffer counts
// rows from the bottom): rows turned over for such a target, the clip rectangle,
// stretches, and rectangles it refuses without drawing.
#include <vector>

#include "platform/opengl/gl_context.h"
#include "platform/opengl/gl_surface.h"
#include "platform/opengl/yuv_conversion.h"
#include "tests/platform/gl/gl_fixture.h"

namespace {

using gl_backend::YuvLayout;
using gl_backend::YuvTextures;

class YuvConversionTest : public GlFixture {
protected:
    // A 4 x 2 YUY2 picture of greys: Y 16, 126, 235, 255 on the top row (black, 0x80,
    // 0xFE, white) and the other way round below.
    bool MakePicture(YuvTextures* picture) {
        const std::uint8_t memory[2 * 16] = {
            16, 128, 126, 128, 235, 128, 255, 128, 0, 0, 0, 0, 0, 0, 0, 0,
            255, 128, 235, 128, 126, 128, 16, 128, 0, 0, 0, 0, 0, 0, 0, 0,
        };
        return gl_backend::MakeCurrent() && picture->Create(YuvLayout::kYuy2, 4, 2) && picture->Upload(memory, 16);
    }
    // The target: an 8 x 4 X8R8G8B8 surface filled with blue, and its framebuffer.
    gl_backend::YuvTarget Target(IDirectDrawSurface7* surface, int flip_height) {
        Fill(surface, 0x0000FF);
        gl_backend::GlSurface* gl_surface = gl_backend::GlSurface::From(surface);
        EXPECT_TRUE(gl_surface->BindForDrawing(false));
        GLint framebuffer = 0;
        gl_backend::gl.GetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &framebuffer);
        gl_backend::YuvTarget target = gl_backend::YuvTargetFor(gl_surface->format(), static_cast<GLuint>(framebuffer));
        target.flip_height = flip_height;
        return target;
    }
};

constexpr std::uint32_t B = 0x0000FF;
constexpr std::uint32_t K = 0x000000;
constexpr std::uint32_t M = 0x808080;
constexpr std::uint32_t N = 0xFEFEFE;
constexpr std::uint32_t W = 0xFFFFFF;

TEST_F(YuvConversionTest, ABottomUpTargetGetsThePictureRowsTurnedOverAndOnlyTheClipIsWritten) {
    YuvTextures picture;
    ASSERT_TRUE(MakePicture(&picture));
    IDirectDrawSurface7* surface = Surface(8, 4, kX8R8G8B8);
    const RECT whole{0, 0, 4, 2};
    // Each draws the whole picture onto the blue target, at (2, 1) unless it says otherwise.
    struct Case {
        const char* what;
        int flip_height;
        RECT clip;
        std::vector<std::uint32_t> want;
        RECT to = RECT{2, 1, 6, 3};
    };
    const Case cases[] = {
        {"top-down: the picture as it is", 0, RECT{0, 0, 8, 4},
         {
             B, B, B, B, B, B, B, B,  //
             B, B, K, M, N, W, B, B,  //
             B, B, W, N, M, K, B, B,  //
             B, B, B, B, B, B, B, B,  //
         }},
        {"bottom-up, 4 rows high: window rows 1 and 2 from the top are GL rows 2 and 1", 4, RECT{0, 0, 8, 4},
         {
             B, B, B, B, B, B, B, B,  //
             B, B, W, N, M, K, B, B,  //
             B, B, K, M, N, W, B, B,  //
             B, B, B, B, B, B, B, B,  //
         }},
        {"the clip (window rows 0 and 1, from column 3) keeps the picture's top row, less its first pixel", 4,
         RECT{3, 0, 8, 2},
         {
             B, B, B, B, B, B, B, B,  //
             B, B, B, B, B, B, B, B,  //
             B, B, B, M, N, W, B, B,  //
             B, B, B, B, B, B, B, B,  //
         }},
        {"stretched to twice its size over the whole target, bottom-up: each sample covers 2 x 2 pixels, rows "
         "turned over",
         4, RECT{0, 0, 8, 4},
         {
             W, W, N, N, M, M, K, K,  //
             W, W, N, N, M, M, K, K,  //
             K, K, M, M, N, N, W, W,  //
             K, K, M, M, N, N, W, W,  //
         },
         RECT{0, 0, 8, 4}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(gl_backend::DrawYuvConverted(picture, whole, Target(surface, c.flip_height), c.to, c.clip));
        EXPECT_EQ(ReadAll(surface), c.want);
    }
}

TEST_F(YuvConversionTest, EmptyRectanglesAndSourcesOutsideThePictureDrawNothing) {
    YuvTextures picture;
    ASSERT_TRUE(MakePicture(&picture));
    IDirectDrawSurface7* surface = Surface(8, 4, kX8R8G8B8);
    const gl_backend::YuvTarget target = Target(surface, 0);
    const RECT all{0, 0, 8, 4};
    struct Case {
        RECT from, to;
    };
    const Case cases[] = {
        {{0, 0, 4, 2}, {2, 1, 2, 3}}, {{0, 0, 4, 2}, {2, 3, 6, 3}}, {{1, 0, 1, 2}, {0, 0, 8, 4}},
        {{0, 0, 5, 2}, {0, 0, 8, 4}}, {{-1, 0, 3, 2}, {0, 0, 8, 4}}, {{0, 1, 4, 3}, {0, 0, 8, 4}},
        // A stretch too wide for the sample mapping's 32-bit products.
        {{0, 0, 4, 2}, {0, 0, 200000000, 4}},
    };
    for (const Case& c : cases) EXPECT_FALSE(gl_backend::DrawYuvConverted(picture, c.from, target, c.to, all));
    EXPECT_EQ(ReadAll(surface), std::vector<std::uint32_t>(32, B));
}

}  // namespace
