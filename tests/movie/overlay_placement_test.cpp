// The overlay placement arithmetic: clipping to the client area and the window's clip
// box, trimming the source by the scale, the hardware alignments, and when a placement
// has to be sent again.
#include <gtest/gtest.h>

#include "engine/movie/movie.h"
#include "engine/movie/overlay_placement.h"

namespace {

OverlayPlacementInput Placement(int x, int y, int scale) {
    OverlayPlacementInput in{};
    in.x = x;
    in.y = y;
    in.scale = scale;
    in.show = 1;
    in.width = 160;
    in.height = 120;
    in.client = RECT{0, 0, 640, 480};
    return in;
}

struct PlacementCase {
    const char* name;
    OverlayPlacementInput in;
    int show;
    RECT source;
    RECT destination;
};

bool Same(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

TEST(OverlayPlacement, Cases) {
    OverlayPlacementInput moved_client = Placement(10, 20, 2);
    moved_client.client = RECT{100, 50, 740, 530};
    OverlayPlacementInput covered = Placement(10, 20, 2);
    covered.window_mode = 1;
    covered.clip_region = kClipRegionComplex;
    OverlayPlacementInput boxed = Placement(10, 20, 2);
    boxed.window_mode = 1;
    boxed.clip_region = kClipRegionSimple;
    boxed.clip_box = RECT{0, 0, 200, 480};
    OverlayPlacementInput dest_aligned = Placement(13, 20, 1);
    dest_aligned.alignment = OverlayAlignment{kCapsAlignBoundaryDest, 0, 0, 4, 0};
    OverlayPlacementInput size_aligned = Placement(0, 0, 1);
    size_aligned.width = 317;
    size_aligned.alignment = OverlayAlignment{kCapsAlignSizeSrc, 0, 8, 0, 0};
    OverlayPlacementInput alignment_without_caps = Placement(13, 20, 1);
    alignment_without_caps.alignment = OverlayAlignment{0, 0, 0, 4, 0};
    const PlacementCase cases[] = {
        {"inside", Placement(10, 20, 2), 1, {0, 0, 160, 120}, {10, 20, 330, 260}},
        {"cut at the right", Placement(500, 20, 2), 1, {0, 0, 70, 120}, {500, 20, 640, 260}},
        {"cut at the left", Placement(-40, 20, 2), 1, {20, 0, 160, 120}, {0, 20, 280, 260}},
        {"client moved", moved_client, 1, {0, 0, 160, 120}, {110, 70, 430, 310}},
        {"covered window", covered, 0, {0, 0, 0, 0}, {0, 0, 0, 0}},
        {"clip box", boxed, 1, {0, 0, 95, 120}, {10, 20, 200, 260}},
        {"outside", Placement(700, 20, 1), 0, {0, 0, 0, 0}, {0, 0, 0, 0}},
        {"scale 0", Placement(10, 20, 0), 0, {0, 0, 0, 0}, {0, 0, 0, 0}},
        {"destination boundary 4", dest_aligned, 1, {0, 0, 160, 120}, {12, 20, 173, 140}},
        {"source size 8", size_aligned, 1, {0, 0, 312, 120}, {0, 0, 317, 120}},
        {"alignment without its cap", alignment_without_caps, 1, {0, 0, 160, 120}, {13, 20, 173, 140}},
        // 3.2e9 pixels wide: exact, not wrapped round 32 bits.
        {"far off and large", Placement(-2000000000, 20, 20000000), 1, {100, 0, 101, 1}, {0, 20, 640, 480}},
    };
    for (const PlacementCase& c : cases) {
        const OverlayRects out = ComputeOverlayPlacement(c.in);
        EXPECT_EQ(out.show, c.show) << c.name;
        EXPECT_TRUE(Same(out.source, c.source)) << c.name << " source " << out.source.left << "," << out.source.top
                                                << "," << out.source.right << "," << out.source.bottom;
        EXPECT_TRUE(Same(out.destination, c.destination))
            << c.name << " destination " << out.destination.left << "," << out.destination.top << ","
            << out.destination.right << "," << out.destination.bottom;
    }
}

TEST(OverlayPlacement, OnlyChangesAndHidesAreSent) {
    const OverlayRects first = ComputeOverlayPlacement(Placement(10, 20, 2));
    EXPECT_TRUE(OverlayPlacementChanged(OverlayRects{}, first));
    EXPECT_FALSE(OverlayPlacementChanged(first, ComputeOverlayPlacement(Placement(10, 20, 2))));
    EXPECT_TRUE(OverlayPlacementChanged(first, ComputeOverlayPlacement(Placement(11, 20, 2))));
    const OverlayRects hidden = ComputeOverlayPlacement(Placement(700, 20, 2));
    EXPECT_TRUE(OverlayPlacementChanged(hidden, hidden));
}

TEST(OverlayPlacement, HandlesWithoutAnOverlayAreLeftAlone) {
    EXPECT_EQ(PlaceMovieOverlay(0, 0, 1, 0x18000000, 1), -1);
    EXPECT_EQ(RefreshMovieOverlays(), 0);
}

}  // namespace
