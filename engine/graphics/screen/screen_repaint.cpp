// Repainting the window from the kept screen copy while the program is held: the copy
// (made into a graph on first use) is drawn onto the back buffer, stretched when the
// screen size changed, presented, and the back buffer put back as it was.
#include "engine/graphics/graphics.h"

#include "engine/core/core.h"
#include "engine/graphics/draw/draw_entry.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/draw/draw_state_access.h"
#include "engine/graphics/graphs/graph_from_image.h"
#include "engine/graphics/graphs/graph_handles.h"
#include "engine/graphics/images/graph_image.h"
#include "engine/graphics/screen/screen_state.h"

int RepaintFromScreenCopy(HDC) {
    SystemBlock& block = *GetSystemBlock();
    WindowState& window = block.window;
    if (block.ending == 1) return 0;
    if (!window.screen_copy_exists || window.screen_copy_image == nullptr) return -1;
    WindowSettings& settings = block.settings;
    const int background = settings.run_in_background;
    settings.run_in_background = 1;
    if (!IsGraphHandleValid(window.screen_copy_graph)) {
        window.screen_copy_graph =
            BuildGraphFromGraphImage(static_cast<GraphImage*>(window.screen_copy_image), nullptr, 1, 0, 1);
        if (window.screen_copy_graph == -1) {
            settings.run_in_background = background;
            return -1;
        }
    }
    const int target = GetDrawTarget();
    const int filter = GetDrawFilterMode();
    const int vsync = GetFlipVSyncWait();
    ChooseDrawTarget(kDrawTargetBack);
    SetDrawFilterMode(1);
    SetFlipVSyncWait(0);

    int screen_width = 0;
    int screen_height = 0;
    ReadScreenSize(&screen_width, &screen_height);
    const int back_copy = CreateBlankGraph(screen_width, screen_height, 1);
    GetDrawScreenGraph(0, 0, screen_width, screen_height, back_copy, 0);
    const GraphImage* copy = static_cast<const GraphImage*>(window.screen_copy_image);
    if (copy->width == screen_width && copy->height == screen_height) {
        DrawGraphAtPoint(0, 0, window.screen_copy_graph, 0);
    } else {
        DrawGraphStretched(0, 0, screen_width, screen_height, window.screen_copy_graph, 0);
    }
    PresentToWindow(nullptr);
    DrawGraphAtPoint(0, 0, back_copy, 0);
    DeleteGraphHandle(back_copy, 0);

    ChooseDrawTarget(target);
    SetDrawFilterMode(filter);
    SetFlipVSyncWait(vsync);
    settings.run_in_background = background;
    return 0;
}
