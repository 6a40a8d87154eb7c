// Graphs from image data: decoded pictures into graph handles, with the key colour made
// into alpha (edge pixels take their opaque neighbours' colours), the key taken from the
// top-left pixel for one call, mirroring, divided sheets and loading from files. Relies
// on the graph handles, the image records and the image loader.
#include "engine/graphics/graphs/graph_from_image.h"

#include "engine/core/core.h"
#include "engine/core/core_shell_hooks.h"
#include "engine/d3d/d3d.h"
#include "engine/file/file.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/graphs/graph_handles.h"
#include "engine/graphics/graphs/graph_transfer.h"
#include "engine/graphics/graphs/movie_graphs.h"
#include "engine/graphics/images/image_loader.h"
#include "engine/graphics/screen/screen_internal.h"
#include "engine/pixels/pixels.h"

namespace {

bool IsKeyPixel(const GraphImage* image, int x, int y, std::uint32_t key_r, std::uint32_t key_g, std::uint32_t key_b) {
    std::uint32_t r = 0, g = 0, b = 0, a = 0;
    GetGraphImagePixelRGBA(image, static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y), &r, &g, &b, &a);
    return r == key_r && g == key_g && b == key_b;
}

// The picture with the key colour made transparent, key pixels next to opaque ones
// taking their colour (the later of left, up, right, down wins). -1 when the copy
// cannot be made.
int MakeKeyAlphaCopy(const GraphImage* image, GraphImage* copy) {
    if (CreateArgb32GraphImage(image->width, image->height, copy) != 0) return -1;
    const std::uint32_t key = GetDrawSettings()->transparent_color;
    const std::uint32_t kr = (key >> 16) & 0xFF, kg = (key >> 8) & 0xFF, kb = key & 0xFF;
    const bool has_alpha = image->format.alpha_width != 0;
    for (int y = 0; y < image->height; ++y) {
        for (int x = 0; x < image->width; ++x) {
            std::uint32_t r = 0, g = 0, b = 0, a = 0;
            GetGraphImagePixelRGBA(image, static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y), &r, &g, &b,
                                   &a);
            const bool is_key = r == kr && g == kg && b == kb;
            SetGraphImagePixel(copy, static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y), r, g, b,
                               static_cast<std::uint8_t>(is_key ? 0 : (has_alpha ? a : 255)));
        }
    }
    static const int kStep[4][2] = {{-1, 0}, {0, -1}, {1, 0}, {0, 1}};
    for (int y = 0; y < image->height; ++y) {
        for (int x = 0; x < image->width; ++x) {
            if (IsKeyPixel(image, x, y, kr, kg, kb)) continue;
            std::uint32_t r = 0, g = 0, b = 0, a = 0;
            GetGraphImagePixelRGBA(image, static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y), &r, &g, &b,
                                   &a);
            for (const auto& step : kStep) {
                const int nx = x + step[0];
                const int ny = y + step[1];
                if (nx < 0 || ny < 0 || nx >= image->width || ny >= image->height) continue;
                if (!IsKeyPixel(image, nx, ny, kr, kg, kb)) continue;
                SetGraphImagePixel(copy, static_cast<std::uint32_t>(nx), static_cast<std::uint32_t>(ny), r, g, b, 0);
            }
        }
    }
    return 0;
}

}  // namespace

int BuildGraphFromGraphImage(GraphImage* image, GraphImage* alpha_image, int use_texture, int mirror,
                             int mirror_allowed) {
    if (image == nullptr) return -1;
    DrawSettingsBlock* settings = GetDrawSettings();
    GraphImage key_copy{};
    bool use_copy = false;
    if (settings->alpha_bleed && MakeKeyAlphaCopy(image, &key_copy) == 0) {
        image = &key_copy;
        use_copy = true;
    }
    UpdateUnusedBitsMask(&image->format);
    if (alpha_image != nullptr) UpdateUnusedBitsMask(&alpha_image->format);
    EndSceneD3D();
    const std::uint32_t saved_key = settings->transparent_color;
    if (settings->new_graph.key_from_top_left == 1 && image->width > 0 && image->height > 0) {
        settings->transparent_color = GetGraphImagePixel(image, 0, 0) & 0xFFFFFF;
    }
    const bool mirrored = mirror == 1 && mirror_allowed == 1;
    if (mirrored) {
        MirrorGraphImage(image);
        if (alpha_image != nullptr) MirrorGraphImage(alpha_image);
    }
    const int graph = CreateGraphForGraphImage(image, alpha_image, use_texture);
    if (graph != -1 && graph != 0) {
        if (SetGraphImageData(ImageSourceOf(image, alpha_image), nullptr, 0, 0, graph, 0) == -1) {
            DeleteGraphHandle(graph, 0);
            settings->transparent_color = saved_key;
            if (mirrored) {
                MirrorGraphImage(image);
                if (alpha_image != nullptr) MirrorGraphImage(alpha_image);
            }
            if (use_copy) FreeGraphImage(&key_copy);
            return -1;
        }
    }
    settings->transparent_color = saved_key;
    if (mirrored) {
        MirrorGraphImage(image);
        if (alpha_image != nullptr) MirrorGraphImage(alpha_image);
    }
    if (use_copy) FreeGraphImage(&key_copy);
    return graph;
}

int BuildGraphFromGraphImageDefault(GraphImage* image) { return BuildGraphFromGraphImage(image, nullptr, 1, 0, 1); }

int CreateDivGraphFromGraphImage(GraphImage* image, GraphImage* alpha_image, int total_count, int count_across,
                                 int count_down, int piece_width, int piece_height, int* handles, int use_texture,
                                 int mirror, int mirror_allowed) {
    const int base = BuildGraphFromGraphImage(image, alpha_image, use_texture, mirror, mirror_allowed);
    if (total_count < 1) {
        DeleteGraphHandle(base, 0);
        return 0;
    }
    const long long start_x = mirror == 1 ? static_cast<long long>(count_across - 1) * piece_width : 0;
    const long long step_x = mirror == 1 ? -static_cast<long long>(piece_width) : piece_width;
    int made = 0;
    bool failed = handles == nullptr || piece_width <= 0 || piece_height <= 0;
    for (int row = 0; !failed && row < count_down && made < total_count; ++row) {
        long long x = start_x;
        const long long y = static_cast<long long>(row) * piece_height;
        for (int column = 0; column < count_across && made < total_count; ++column, x += step_x) {
            // A piece that starts outside the picture fails (DeriveGraph refuses it); one
            // that runs over its edge is cut.
            const int handle = (x < 0 || y < 0 || x > 0x7FFFFFFF || y > 0x7FFFFFFF)
                                   ? -1
                                   : DeriveGraph(static_cast<int>(x), static_cast<int>(y), piece_width, piece_height,
                                                 base);
            if (handle == -1) {
                failed = true;
                break;
            }
            handles[made++] = handle;
        }
    }
    if (failed) {
        WriteLogText("グラフィックの分割に失敗しました in CreateDivGraphFromGraphImage\n");
        for (int i = 0; i < made; ++i) DeleteGraphHandle(handles[i], 0);
        DeleteGraphHandle(base, 0);
        return -1;
    }
    DeleteGraphHandle(base, 0);
    return 0;
}

int LoadGraphFileDivided(const char* file_name, int total_count, int count_across, int count_down, int piece_width,
                         int piece_height, int* handles, int use_texture, int mirror) {
    EndSceneD3D();
    GetShellHooks()->wait_while_inactive();
    GraphImage image{};
    GraphImage alpha{};
    const int loaded = LoadGraphImageWithAlpha(file_name, nullptr, 0, 0, nullptr, 0, 0, &image, &alpha, 0);
    if (loaded == -1) {
        WriteLogFormat("右記のグラフィックファイルのロードに失敗しました：%s", file_name);
        return -1;
    }
    GraphImage* alpha_image = loaded == 1 ? nullptr : &alpha;
    if (mirror == 1) {
        MirrorGraphImage(&image);
        if (alpha_image != nullptr) MirrorGraphImage(alpha_image);
    }
    const int result = CreateDivGraphFromGraphImage(&image, alpha_image, total_count, count_across, count_down,
                                                    piece_width, piece_height, handles, use_texture, mirror, 0);
    if (result == 0) {
        // The pieces made: at most the total, and no more than the sheet's rows hold
        // (counted in 64 bits, so huge counts cannot wrap).
        const long long sheet = static_cast<long long>(count_across) * count_down;
        const long long count = total_count < sheet ? total_count : sheet;
        for (long long i = 0; i < count; ++i) SetGraphFileName(handles[i], file_name, -1);
    }
    FreeGraphImage(&image);
    if (alpha_image != nullptr) FreeGraphImage(&alpha);
    return result;
}

int LoadGraphFile(const char* file_name, int use_texture, int mirror, std::uint32_t movie_option) {
    if (!IsGraphManagerUp() || GetDrawSettings()->graphics_off) return -1;
    EndSceneD3D();
    GetShellHooks()->wait_while_inactive();
    GraphImage image{};
    GraphImage alpha{};
    const int loaded = LoadGraphImageWithAlpha(file_name, nullptr, 0, 0, nullptr, 0, 0, &image, &alpha, 0);
    if (loaded != -1) {
        GraphImage* alpha_image = loaded == 1 ? nullptr : &alpha;
        if (mirror == 1) {
            MirrorGraphImage(&image);
            if (alpha_image != nullptr) MirrorGraphImage(alpha_image);
        }
        const int graph = BuildGraphFromGraphImage(&image, alpha_image, use_texture, mirror, 0);
        if (graph != -1) SetGraphFileName(graph, file_name, -1);
        FreeGraphImage(&image);
        if (alpha_image != nullptr) FreeGraphImage(&alpha);
        return graph;
    }
    const FileHandle file = FileAccessOpen(file_name, 0, 1, 0);
    if (file == 0) {
        WriteLogFormat("グラフィックファイル %s がありません", file_name);
        return -1;
    }
    FileAccessClose(file);
    // Not a picture: tried as a movie.
    return LoadMovieAsGraph(file_name, use_texture, movie_option);
}

int LoadImageAsGraph(const char* file_name, int no_texture) {
    return LoadGraphFile(file_name, no_texture ? 0 : 1, 0, 0);
}

int LoadImageAsDivGraphs(const char* file_name, int total_count, int count_across, int count_down, int piece_width,
                         int piece_height, int* handles, int no_texture) {
    return LoadGraphFileDivided(file_name, total_count, count_across, count_down, piece_width, piece_height, handles,
                                no_texture ? 0 : 1, 0);
}
