// Warming up the drawing paths once at start-up: a drawable graph chosen as the target
// and dropped, a graph from a picture drawn blended and plain onto both buffers and
// stretched, so every path has made its first images before the program draws.
#include "engine/graphics/graphics.h"

#include "engine/graphics/draw/draw_entry.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/draw/draw_state_access.h"
#include "engine/graphics/graphs/graph_from_image.h"
#include "engine/graphics/graphs/graph_handles.h"
#include "engine/graphics/images/graph_image.h"

void WarmUpDrawingPaths() {
    SetNewGraphDrawable(1);
    int graph = CreateBlankGraph(256, 256, 0);
    SetNewGraphDrawable(0);
    ChooseDrawTarget(graph);
    ChooseDrawTarget(kDrawTargetFront);
    DeleteGraphHandle(graph, 0);
    ChooseDrawTarget(kDrawTargetBack);

    GraphImage image{};
    CreateRgb24GraphImage(256, 256, &image);
    ClearGraphImage(&image, 0, 0, 0, 0);
    graph = BuildGraphFromGraphImageDefault(&image);
    FreeGraphImage(&image);
    SetBlendModeAndValue(kBlendSubtract, 128);
    DrawGraphAtPoint(0, 0, graph, 1);
    SetBlendModeAndValue(kBlendNone, 0);
    ChooseDrawTarget(kDrawTargetFront);
    DrawGraphAtPoint(0, 0, graph, 1);
    DeleteGraphHandle(graph, 0);

    CreateRgb24GraphImage(256, 256, &image);
    ClearGraphImage(&image, 0, 0, 0, 0);
    graph = BuildGraphFromGraphImageDefault(&image);
    DrawGraphStretched(0, 0, 640, 480, graph, 1);
    DeleteGraphHandle(graph, 0);
    FreeGraphImage(&image);
}
