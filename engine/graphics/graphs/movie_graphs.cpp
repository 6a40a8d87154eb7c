// Movie graphs: the loader opens the movie, makes a graph of its size (texture pieces when
// the caller asks for a texture graph and 3-D is in use, else a 2-D graph in system
// memory) and registers the frame callback, which copies each new frame into the graph's
// pieces: through the conversion blit for 2-D pieces, through the 3-D renderer's texture
// writes for texture pieces. An alpha movie (colour in the left half of each frame, alpha
// in the right half) gets a graph with an alpha channel, as wide as its colour half. The
// callback runs on the main thread from the draw's frame update; the frame it copies
// stays the movie's. Relies on the movie room's door.
#include "engine/graphics/graphs/movie_graphs.h"

#include "engine/core/core.h"
#include "engine/d3d/d3d.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/draw/draw_state_access.h"
#include "engine/graphics/graphics.h"
#include "engine/graphics/graphs/graph_handles.h"
#include "engine/graphics/graphs/graph_transfer.h"
#include "engine/graphics/screen/screen_internal.h"
#include "engine/pixels/pixels.h"

int UpdateMovieGraphSurface(MovieRecord* movie, std::intptr_t graph) {
    GraphRecord* record = GetGraphRecord(static_cast<int>(graph));
    if (record == nullptr) return -1;
    if (record->creation.texture) return UpdateMovieGraphTextures(movie, record);
    MovieFrame frame;
    if (FetchMovieFrame(movie, &frame) == 0) return 0;
    GraphImage image{};
    GraphImage alpha{};
    const ImageSource pictures = MovieFramePictures(frame, &image, &alpha);
    const RECT source{0, 0, frame.width < record->width ? frame.width : record->width,
                      frame.height < record->height ? frame.height : record->height};
    return BltImageToGraphPieces(pictures, &source, 0, 0, record);
}

ImageSource MovieFramePictures(const MovieFrame& frame, GraphImage* image, GraphImage* alpha) {
    *image = GraphImage{};
    SetXrgb32ColorFormat(&image->format);
    image->width = frame.width;
    image->height = frame.height;
    image->pitch = frame.pitch;
    image->pixels = const_cast<std::uint8_t*>(frame.pixels);
    if (frame.alpha_pixels == nullptr) return ImageSourceOf(image, nullptr);
    *alpha = *image;
    alpha->pixels = const_cast<std::uint8_t*>(frame.alpha_pixels);
    return ImageSourceOf(image, alpha);
}

void UpdateGraphMovieFrame(int movie) {
    if (movie != -1 && GetMovieRecord(movie) != nullptr) UpdateMovieFrame(movie, 0);
}

bool PlaceGraphMovieOverlay(int movie, int x, int y, int scale) {
    if (movie == -1 || !IsMovieOverlay(movie)) return false;
    PlaceMovieOverlay(x, y, scale, movie, 1);
    return true;
}

void InstallGraphicsMovieHooks() {
    static constexpr MovieDisplayHooks kHooks = {
        GetDirectDrawObject, GetOverlayPixelFormat, GetScreenBitDepth, GetFrontSurface, CopyDirectDrawCaps,
        GetFlipCount,
    };
    InstallMovieDisplayHooks(&kHooks);
}

int LoadMovieAsGraph(const char* file_name, int use_texture, std::uint32_t movie_option) {
    DrawSettingsBlock* settings = GetDrawSettings();
    int width = 0, height = 0;
    const int movie = OpenMovie(file_name, &width, &height, static_cast<int>(movie_option));
    if (movie < 0) {
        WriteLogFormat("右記のグラフィックファイルのロードに失敗しました：%s \n", file_name);
        return -1;
    }
    const NewGraphSettings kept = settings->new_graph;
    const int kept_textures = GetUseTextureGraphs();
    // An overlay movie's graph is never drawn into: no texture, and software rendering
    // asked for when the screen is not up yet.
    if (IsMovieOverlay(movie)) {
        if (GetDirectDrawObject() == nullptr) SetSoftwareModeRequest(1);
        use_texture = 0;
    }
    int screen_bits = 0;
    ReadScreenModeSize(nullptr, nullptr, &screen_bits);
    settings->new_graph.bit_depth = screen_bits == 0 ? 16 : screen_bits;
    SetGraphSystemMemoryFlag(1);
    settings->new_graph.unmanaged_texture = 1;
    // An alpha movie's graph has an alpha channel and shows the colour half of its frames.
    const int alpha = GetMovieAlphaFlag(movie);
    const int graph = CreateGraphAndSurface(alpha != 0 ? width / 2 : width, height, use_texture, alpha, 0);
    settings->new_graph = kept;
    SetUseTextureGraphs(kept_textures);
    if (graph == -1) {
        CloseMovie(movie);
        WriteLogFormat("右記のグラフィックファイルの格納用グラフィック領域の作成に失敗しました：%s", file_name);
        return -1;
    }
    GetGraphRecord(graph)->movie = movie;
    SetMovieFrameCallback(movie, UpdateMovieGraphSurface, graph);
    return graph;
}
