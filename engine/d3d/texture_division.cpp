// Dividing one side of a graph into texture sizes: powers of two between the device's
// smallest and largest texture sizes, chosen against the screen width so that graphs of
// the screen's size take few, large pieces. Relies on the limits kept at start-up and the
// screen size of the graphics core.
#include <algorithm>

#include "engine/d3d/d3d_state.h"

namespace {

constexpr int kMaxGraphPieces = kGraphPieceSlots;  // 64

int NextPowerOfTwoAtLeast(int value) {
    int size = 1;
    while (size < value && size < (1 << 30)) size <<= 1;
    return size;
}

}  // namespace

// The sizes array holds kGraphPieceSlots entries: a side that needs more pieces than that
// writes only those and answers kGraphPieceSlots + 1, which every caller refuses.
int DivideTextureSide(int length, int* sizes, int prefer_one) {
    const D3DRendererState& state = D3DState();
    const int smallest = state.min_texture_size < 1 ? 1 : static_cast<int>(state.min_texture_size);
    const int largest = state.max_texture_size < 1 ? 256 : static_cast<int>(state.max_texture_size);
    int screen_width = 640;
    GraphicsCore().ReadScreenSize(&screen_width, nullptr);
    if (screen_width <= 0) screen_width = 640;

    const int lo = std::max(smallest, 32);
    if (length <= lo) {
        int size = lo;
        while (size > smallest && size / 2 >= length) size /= 2;
        sizes[0] = size;
        return 1;
    }
    int most = largest;
    if (prefer_one != 1 && screen_width <= largest) most = std::max(NextPowerOfTwoAtLeast(screen_width), 8);

    int s = most;
    if (most > lo) {
        while (s > length) {
            s /= 2;
            if (s <= lo) break;
        }
    }
    if (2 * s <= most && (prefer_one == 1 || length < screen_width)) {
        sizes[0] = s >= length ? s : 2 * s;
        return 1;
    }
    int count = 0;
    int remaining = length;
    for (;;) {
        if (count == kMaxGraphPieces) return kMaxGraphPieces + 1;
        sizes[count++] = s;
        remaining -= s;
        if (remaining <= 0) break;
        if (remaining > (3 * s) / 4 && s < most) {
            sizes[count - 1] = 2 * s;
            break;
        }
        while (remaining < s && s > lo) s /= 2;
    }
    if (count >= 2 && sizes[count - 1] == sizes[count - 2] && 2 * sizes[count - 1] <= most) {
        sizes[count - 2] *= 2;
        --count;
    }
    return count;
}

