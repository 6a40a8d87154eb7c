// The graphics core as seen before it is built: the screen start-up stores the window
// and makes nothing; the few settings are remembered; every operation on surfaces or
// graphs answers -1 (no screen).
#include "engine/graphics/screen_startup_seam.h"

namespace {

struct SeamState {
    HWND window;
    int software_mode_request;
    int gdi_output;
    int temp_primary;
    int gdi_visible;
    GraphRestoreCallback restore_callback;
    int restore_callback_set;
    int draw_target;
    int no_vsync;
    int filter_mode;
    int new_graph_drawable;
    int mask_screen_use;
    RECT draw_area;
    unsigned char pixel_format[32];
};

SeamState g_seam = {nullptr, 0, 0, 0, 0, nullptr, 0, -4, 0, 0, 0, 1, {0, 0, 640, 480}, {}};

}  // namespace

int GetSoftwareModeRequest() { return g_seam.software_mode_request; }

int SetHardwareRendering(int flag) {
    if (g_seam.gdi_output) flag = 0;
    if (flag == 0) g_seam.gdi_output = 1;
    return 0;
}

int GetScreenBitDepth() { return 16; }
int SetTempPrimaryMode(int flag) {
    g_seam.temp_primary = flag;
    return 0;
}

int GetTempPrimaryMode() { return g_seam.temp_primary; }

int ReadScreenSize(int* width, int* height) {
    if (width != nullptr) *width = 640;
    if (height != nullptr) *height = 480;
    return 0;
}

int ReadScreenModeSize(int* width, int* height, int* bits) {
    if (width != nullptr) *width = 640;
    if (height != nullptr) *height = 480;
    if (bits != nullptr) *bits = 16;
    return 0;
}

int IsDisplayModeChanged() { return 0; }
int GetGdiVisibleMode() { return g_seam.gdi_visible; }
int SetGdiVisibleMode(int flag) {
    g_seam.gdi_visible = flag;
    return 0;
}

int StartScreen(HWND window) {
    g_seam.window = window;
    return 0;
}

int EndScreen() {
    g_seam.window = nullptr;
    return 0;
}

int ChangeScreenMode(int, int, int, int, int) { return 0; }
int SetupScreenColorFormat() { return 0; }
int ReleaseDirectDrawObject() { return 0; }
int IsDirectDrawOutput() { return g_seam.gdi_output ? 0 : 1; }
void* GetDirectDrawObject() { return nullptr; }
const void* GetScreenPixelFormat() { return g_seam.pixel_format; }

int SetGraphRestoreCallback(GraphRestoreCallback callback) {
    g_seam.restore_callback = callback;
    g_seam.restore_callback_set = 1;  // null installs the default restore function
    return 0;
}

int IsGraphRestoreCallbackSet() { return g_seam.restore_callback_set; }
int RebuildDisplayObjects() { return 0; }
int RestoreAllGraphSurfaces() { return 0; }
int RestoreAllSurface2DImages() { return -1; }

int ChooseDrawTarget(int) { return -1; }
int GetDrawTarget() { return g_seam.draw_target; }
int SetDrawTargetScreenRect(const RECT*) { return 0; }

int ReadDrawArea(RECT* area) {
    if (area != nullptr) *area = g_seam.draw_area;
    return 0;
}

int SetDrawClipArea(int x1, int y1, int x2, int y2) {
    g_seam.draw_area = RECT{x1, y1, x2, y2};
    return 0;
}

int GetMaskScreenUse() { return g_seam.mask_screen_use; }
int SetMaskScreenUse(int flag) {
    g_seam.mask_screen_use = flag;
    return 0;
}

int SetFlipVSyncWait(int flag) {
    g_seam.no_vsync = flag == 0 ? 1 : 0;
    return 0;
}

int GetFlipVSyncWait() { return g_seam.no_vsync == 0 ? 1 : 0; }
int GetDrawFilterMode() { return g_seam.filter_mode; }
int SetDrawFilterMode(int mode) {
    g_seam.filter_mode = mode;
    return 0;
}

int SetBlendModeAndValue(int, int) { return 0; }
int FlipScreen() { return -1; }
int PresentToWindow(const RECT*) { return -1; }
std::uint32_t MakeColorValue(int, int, int) { return 0; }
int MakeRgbPixelFormat(void*, int, std::uint32_t, std::uint32_t, std::uint32_t, std::uint32_t) { return -1; }

int SetNewGraphDrawable(int flag) {
    g_seam.new_graph_drawable = flag;
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

int ClearDrawTarget() { return -1; }
int DrawGraphAtPoint(int, int, int, int) { return -1; }
int DrawGraphStretched(int, int, int, int, int, int) { return -1; }
int DrawRectangle(int, int, int, int, std::uint32_t, int) { return -1; }
