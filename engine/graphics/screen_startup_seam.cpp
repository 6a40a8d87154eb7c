// The graph, restore and mask operations as seen before they are built: the restore
// function and the mask switch are remembered; every graph operation answers -1.
#include "engine/graphics/screen_startup_seam.h"

namespace {

struct SeamState {
    GraphRestoreCallback restore_callback;
    int restore_callback_set;
    int mask_screen_use;
};

SeamState g_seam = {nullptr, 0, 1};

}  // namespace

int SetGraphRestoreCallback(GraphRestoreCallback callback) {
    g_seam.restore_callback = callback;
    g_seam.restore_callback_set = 1;  // null installs the default restore function
    return 0;
}

int IsGraphRestoreCallbackSet() { return g_seam.restore_callback_set; }
int RebuildDisplayObjects() { return 0; }
int RestoreAllGraphSurfaces() { return 0; }
int RestoreAllSurface2DImages() { return -1; }

int GetMaskScreenUse() { return g_seam.mask_screen_use; }
int SetMaskScreenUse(int flag) {
    g_seam.mask_screen_use = flag;
    return 0;
}

int CreateBlankGraph(int, int, int) { return -1; }
int DeleteGraphHandle(int, int) { return -1; }
int IsGraphHandleValid(int) { return 0; }
int BuildGraphFromGraphImage(GraphImage*, GraphImage*, int, int, int) { return -1; }
int BuildGraphFromGraphImageDefault(GraphImage*) { return -1; }
int GetDrawScreenGraph(int, int, int, int, int, int) { return -1; }
int LoadImageAsGraph(const char*, int) { return -1; }
int LoadImageAsDivGraphs(const char*, int, int, int, int, int, int*, int) { return -1; }

int DrawGraphAtPoint(int, int, int, int) { return -1; }
int DrawGraphStretched(int, int, int, int, int, int) { return -1; }
int DrawRectangle(int, int, int, int, std::uint32_t, int) { return -1; }
