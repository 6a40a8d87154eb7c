// The restore and screen-copy operations as seen before they are built: the
// restore function is remembered; the others answer -1.
#include "engine/graphics/screen_startup_seam.h"

namespace {

struct SeamState {
    GraphRestoreCallback restore_callback;
    int restore_callback_set;
};

SeamState g_seam = {nullptr, 0};

}  // namespace

int SetGraphRestoreCallback(GraphRestoreCallback callback) {
    g_seam.restore_callback = callback;
    g_seam.restore_callback_set = 1;  // null installs the default restore function
    return 0;
}

int IsGraphRestoreCallbackSet() { return g_seam.restore_callback_set; }
int RebuildDisplayObjects() { return 0; }
int RestoreAllGraphSurfaces() { return 0; }

int GetDrawScreenGraph(int, int, int, int, int, int) { return -1; }
