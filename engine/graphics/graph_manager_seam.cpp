// The graph manager and the 2-D surface table as the screen code sees them until they
// are built: starting the manager resets the draw settings, no graph exists, and there
// is nothing to delete or release.
#include "engine/graphics/draw_settings.h"
#include "engine/graphics/screen_internal.h"

namespace {
int g_graph_manager_up = 0;
}

int InitializeGraphics() {
    g_graph_manager_up = 1;
    ResetDrawSettings();
    return 0;
}

int TerminateGraphics() {
    g_graph_manager_up = 0;
    return 0;
}

int IsGraphManagerUp() { return g_graph_manager_up; }
int DeleteAllGraphs() { return 0; }
int ReleaseAllSurface2D() { return 0; }
int ReadGraphSize(int, int*, int*) { return -1; }
