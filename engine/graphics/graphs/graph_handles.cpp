// Graph handles: the graph table of kind 1, the graph manager's start and end, creating
// records and their pixel holders, deriving pieces that share a parent's pixels (checked
// against the parent), naming, writing, filling and deleting graphs, and the lookups.
// Texture graphs keep their pixels in the 3-D renderer's texture pieces. Relies on the
// handle rules, the 2-D surfaces, the transfer into pieces, the settings and the 3-D door.
#include "engine/graphics/graphs/graph_handles.h"

#include <cstring>

#include "engine/core/core.h"
#include "engine/core/core_shell_hooks.h"
#include "engine/d3d/d3d.h"
#include "engine/graphics/graphics.h"
#include "engine/file/file.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/draw/masks.h"
#include "engine/graphics/graphs/graph_draw_target.h"
#include "engine/graphics/graphs/graph_transfer.h"
#include "engine/graphics/graphs/surface_2d.h"
#include "engine/graphics/graphs/surface_data.h"
#include "engine/graphics/screen/screen_internal.h"
#include "engine/movie/movie.h"

namespace {

struct GraphManagerState {
    std::int32_t initialised;
    std::int32_t three_d_in_use;
};

GraphManagerState g_manager;
void* g_slots[kGraphTableSlots];
HandleTable g_table = {kHandleKindGraph, kGraphTableSlots, g_slots, 0, 0, 0};

int HandleOfSlot(int slot) {
    return MakeHandleValue(kHandleKindGraph, static_cast<const GraphRecord*>(g_slots[slot])->check, slot);
}

// Copies a NUL-terminated text into a fixed field, cut to fit.
void CopyBounded(char* field, int capacity, const char* text) {
    std::size_t length = text != nullptr ? std::strlen(text) : 0;
    if (length > static_cast<std::size_t>(capacity - 1)) length = static_cast<std::size_t>(capacity - 1);
    if (length != 0) std::memcpy(field, text, length);
    field[length] = '\0';
}

void StoreCurrentDirectory(GraphRecord* record) {
    char directory[1024] = {};
    FileAccessGetDir(directory);
    directory[sizeof(directory) - 1] = '\0';
    CopyBounded(record->directory, kGraphDirectoryBytes, directory);
}

int ScreenModeBits() {
    int bits = 16;
    ReadScreenModeSize(nullptr, nullptr, &bits);
    return bits != 0 ? bits : 16;
}

}  // namespace

int InitializeGraphics() {
    InstallRendererHooks();
    if (g_manager.initialised) return 0;
    WriteLogText("グラフィック管理系の初期化を行います\n");
    IncreaseLogIndent();
    // The tables start over; graphs are gone by now (the manager's end deletes them).
    if (g_table.live_count == 0) {
        g_table.end_mark = 0;
        g_table.next_check = 0;
    }
    g_manager = GraphManagerState{};
    g_manager.initialised = 1;
    if (IsScreenUp()) ReleaseAllSurface2D();
    ResetSurfaceDataTable();
    g_manager.three_d_in_use = DeleteAllSurface3DData() != -1 ? 1 : 0;
    WriteLogText(g_manager.three_d_in_use ? "３Ｄグラフィック描画機能を使用します\n"
                                          : "３Ｄグラフィック描画機能は使用しません\n");
    ResetDrawSettings();
    GetGraphicsFontHooks()->initialize_font_settings();
    DecreaseLogIndent();
    WriteLogText("グラフィック管理系の初期化は正常に終了しました\n");
    return 0;
}

int TerminateGraphics() {
    if (!g_manager.initialised) return 0;
    TerminateMaskScreen();
    DeleteAllMasks();
    ReleaseGraphDrawTarget();
    DeleteAllGraphsLogged(0);
    DeleteAllLights();
    GetGraphicsFontHooks()->delete_all_fonts();
    g_manager.initialised = 0;
    WriteLogText("グラフィック管理系の終了処理は正常に終了しました\n");
    return 0;
}

int IsGraphManagerUp() { return g_manager.initialised; }
int IsThreeDInUse() { return g_manager.three_d_in_use; }

int CreateGraphRecord(int width, int height, int use_texture, GraphRecord** out, int alpha, int palette) {
    if (out != nullptr) *out = nullptr;
    DrawSettingsBlock* settings = GetDrawSettings();
    if (settings->graphics_off) return 0;
    if (g_table.live_count >= kGraphTableSlots) FatalErrorExit("グラフィックの数が許容量を越えました終了します");
    void* raw = nullptr;
    int full = 0;
    const int handle = CreateHandleRecord(g_table, sizeof(GraphRecord), &raw, &full);
    if (handle == -1) {
        if (full) FatalErrorExit("グラフィックの数が許容量を越えました終了します");
        FatalErrorExit("メモリの確保に失敗しました");
    }
    auto* record = static_cast<GraphRecord*>(raw);
    const NewGraphSettings& s = settings->new_graph;
    const ScreenState* screen = GetScreenState();
    record->handle = handle;
    record->width = width;
    record->height = height;
    record->movie = -1;
    record->mode_word = static_cast<std::uint32_t>(s.mode_word);
    GraphCreationBytes& c = record->creation;
    c.texture = (use_texture && s.texture_graphs && g_manager.three_d_in_use && !IsSoftwareRenderChosen()) ? 1 : 0;
    c.palette = 0;
    c.unmanaged_texture = static_cast<std::uint8_t>(s.unmanaged_texture);
    if (s.drawable != 1) {
        c.alpha_channel = static_cast<std::uint8_t>(alpha);
        c.drawable = 0;
        c.alpha_test = static_cast<std::uint8_t>(s.alpha_test);
        c.mode_byte = static_cast<std::uint8_t>(record->mode_word);
    } else {
        c.mode_byte = 0;
        c.alpha_test = 0;
        c.drawable = 1;
        c.alpha_channel = s.drawable_alpha == 1 ? 1 : 0;
    }
    if (c.texture) {
        c.bit_depth = static_cast<std::uint8_t>(s.bit_depth != 0 ? s.bit_depth : (alpha == 1 ? 32 : ScreenModeBits()));
        c.system_memory = 0;
        if (record->mode_word == 1) {
            c.bit_depth = 32;
            c.alpha_test = 0;
            c.alpha_channel = 1;
            c.drawable = 0;
        }
    } else {
        c.bit_depth = static_cast<std::uint8_t>((s.bit_depth == 0 || screen->gdi_output) ? ScreenModeBits()
                                                                                         : s.bit_depth);
        c.system_memory = static_cast<std::uint8_t>(s.system_memory);
        c.palette = static_cast<std::uint8_t>(palette);
        c.unmanaged_texture = 0;
    }
    if (out != nullptr) *out = record;
    return handle;
}

int CreateGraphAndSurface(int width, int height, int use_texture, int alpha, int palette) {
    if (GetDrawSettings()->graphics_off) return 0;
    GraphRecord* record = nullptr;
    const int handle = CreateGraphRecord(width, height, use_texture, &record, alpha, palette);
    if (record == nullptr) return -1;
    const int result = record->creation.texture ? CreateGraphTextures(record, GetDrawSettings()->transparent_color) : CreateGraphSurface2D(record);
    if (result == -1) {
        // The record goes too, so that a failed creation leaves nothing behind.
        DeleteGraphHandle(handle, 0);
        return WriteLogText("グラフィックの作成に失敗しました\n");
    }
    return handle;
}

int CreateBlankGraph(int width, int height, int no_texture) {
    if (width <= 0 || height <= 0 || width > 0xFFFF || height > 0xFFFF) return -1;
    return CreateGraphAndSurface(width, height, no_texture ? 0 : 1, GetDrawSettings()->new_graph.alpha_channel, 0);
}

int CreateGraphForGraphImage(const GraphImage* image, const GraphImage* alpha_image, int use_texture) {
    EndSceneD3D();
    GetShellHooks()->wait_while_inactive();
    if (image == nullptr || image->width <= 0 || image->height <= 0 || image->width > 0xFFFF ||
        image->height > 0xFFFF) {
        return -1;
    }
    if (alpha_image != nullptr && (alpha_image->width != image->width || alpha_image->height != image->height)) {
        return -1;
    }
    const int palette = (image->format.bytes_per_pixel == 1 && image->format.alpha_width == 0 && alpha_image == nullptr)
                            ? 1 : 0;
    const int alpha = (image->format.alpha_width != 0 || alpha_image != nullptr) ? 1 : 0;
    return CreateGraphAndSurface(image->width, image->height, use_texture, alpha, palette);
}

int DeriveGraph(int x, int y, int width, int height, int source_graph) {
    if (GetDrawSettings()->graphics_off) return 0;
    GraphRecord* source = GetGraphRecord(source_graph);
    if (source == nullptr) return -1;
    // The piece must start inside the parent and have a size.
    if (x < 0 || y < 0 || x >= source->width || y >= source->height || width <= 0 || height <= 0) return -1;
    if (x + static_cast<long long>(width) > source->width) width = source->width - x;
    if (y + static_cast<long long>(height) > source->height) height = source->height - y;
    GraphRecord* record = nullptr;
    const int handle = CreateGraphRecord(width, height, source->creation.texture, &record,
                                         source->creation.alpha_channel, source->creation.palette);
    if (record == nullptr) return -1;
    source = GetGraphRecord(source_graph);  // the table did not move, but stay honest
    record->movie = source->movie;
    std::memcpy(record->file_name, source->file_name, sizeof(record->file_name));
    std::memcpy(record->directory, source->directory, sizeof(record->directory));
    record->origin_x = source->origin_x + x;
    record->origin_y = source->origin_y + y;
    record->creation = source->creation;
    record->load_option = source->load_option;
    const int result = record->creation.texture ? DeriveGraphD3D(record, x, y, width, height, source)
                                                : DeriveGraphSurface2D(record, x, y, width, height, source);
    if (result == -1) {
        DeleteGraphHandle(handle, 0);
        return WriteLogText("グラフィックの派生に失敗しました終了します");
    }
    return handle;
}

int DeleteGraphHandle(int graph, int log) {
    if (GetDrawSettings()->graphics_off) return 0;
    GraphRecord* record = GetGraphRecord(graph);
    if (record == nullptr) return -1;
    CloseMovie(record->movie);
    if (record->creation.texture) {
        DeleteGraphTextures(record);
    } else {
        DeleteGraphSurface2Ds(record);
    }
    if (log) WriteLogFormat("グラフィック %s の削除", record->file_name);
    if (record->owned_buffer != nullptr) TrackedFree(record->owned_buffer);
    // The owner's flag pointer is read before the record is freed.
    std::int32_t* lost_flag = record->lost_flag;
    FreeHandleRecord(g_table, graph);
    if (lost_flag != nullptr) *lost_flag = 1;
    return 0;
}

int DeleteAllGraphs() { return DeleteAllGraphsLogged(0); }

int DeleteAllGraphsLogged(int log) {
    if (!g_manager.initialised || GetDrawSettings()->graphics_off) return 0;
    for (int slot = 0; slot < g_table.end_mark; ++slot) {
        if (g_slots[slot] != nullptr) DeleteGraphHandle(HandleOfSlot(slot), log);
    }
    return 0;
}

int SetGraphLostFlagPointer(int graph, std::int32_t* flag) {
    GraphRecord* record = GetGraphRecord(graph);
    if (record == nullptr) return -1;
    record->lost_flag = flag;
    if (flag != nullptr) *flag = 0;
    return 0;
}

int SetGraphFileName(int graph, const char* file_name, int source_graph) {
    GraphRecord* record = GetGraphRecord(graph);
    if (record == nullptr) return -1;
    record->directory[0] = '\0';
    if (file_name == nullptr && source_graph != -1) {
        const GraphRecord* source = GetGraphRecord(source_graph);
        if (source == nullptr) return -1;
        if (source->directory[0] != '\0') {
            std::memcpy(record->directory, source->directory, sizeof(record->directory));
        } else {
            StoreCurrentDirectory(record);
        }
        std::memcpy(record->file_name, source->file_name, sizeof(record->file_name));
        return 0;
    }
    CopyBounded(record->file_name, kGraphFileNameBytes, file_name);
    StoreCurrentDirectory(record);
    return 0;
}

int SetGraphImageData(const ImageSource& source, const char* file_name, int image_x, int image_y, int graph,
                      std::uint32_t load_option) {
    if (GetDrawSettings()->graphics_off) return 0;
    if (SetGraphFileName(graph, file_name, -1) != 0) return -1;
    GraphRecord* record = GetGraphRecord(graph);
    record->load_option = load_option;
    record->origin_x = image_x;
    record->origin_y = image_y;
    if (record->creation.texture) return BltImageToGraphTextures(source, image_x, image_y, record);
    return BltImageToGraphSurface2Ds(source, image_x, image_y, record);
}

int BltImageToGraph(const ImageSource& source, const char* file_name, const RECT* src_rect, int dest_x, int dest_y,
                    int graph, std::uint32_t load_option) {
    if (GetDrawSettings()->graphics_off) return 0;
    GraphRecord* record = GetGraphRecord(graph);
    if (record == nullptr || src_rect == nullptr) return -1;
    StoreCurrentDirectory(record);
    CopyBounded(record->file_name, kGraphFileNameBytes, file_name);
    record->origin_x = src_rect->left;
    record->origin_y = src_rect->top;
    record->load_option = load_option;
    if (record->creation.texture) return BltImageRectToGraphTextures(source, src_rect, dest_x, dest_y, record);
    return BltImageToGraphPieces(source, src_rect, dest_x, dest_y, record);
}

int WritePixelsToGraph(const ColorFormat* format, int width, int height, int pitch, void* pixels, const RECT* rect,
                       int x, int y, int graph) {
    if (format == nullptr || pixels == nullptr) return -1;
    GraphImage image{};
    image.format = *format;
    image.width = width;
    image.height = height;
    image.pitch = pitch;
    image.pixels = pixels;
    return BltImageToGraph(ImageSourceOf(&image, nullptr), nullptr, rect, x, y, graph, 0);
}

int FillGraphColor(int graph, int red, int green, int blue, int alpha) {
    GraphRecord* record = GetGraphRecord(graph);
    if (record == nullptr) return -1;
    if (record->creation.texture) return FillGraphTexturesColor(record, red, green, blue, alpha);
    return FillGraphSurface2DColor(record, red, green, blue, alpha);
}

GraphRecord* GetGraphRecord(int graph) { return static_cast<GraphRecord*>(LookupHandleRecord(g_table, graph)); }

int GetGraphRecordHandle(const GraphRecord* record) { return record->handle; }

int IsGraphHandleValid(int graph) {
    if (GetDrawSettings()->graphics_off) return 0;
    return GetGraphRecord(graph) != nullptr ? 1 : 0;
}

int ReadGraphSize(int graph, int* width, int* height) {
    if (graph == kDrawTargetFront || graph == kDrawTargetBack) {
        int bits = 0;
        int w = 0;
        int h = 0;
        ReadScreenModeSize(&w, &h, &bits);
        if (width != nullptr) *width = w;
        if (height != nullptr) *height = h;
        return 0;
    }
    const GraphRecord* record = GetGraphRecord(graph);
    if (record == nullptr) return -1;
    if (width != nullptr) *width = record->width;
    if (height != nullptr) *height = record->height;
    return 0;
}

int CheckBlendSourceGraphSize(const GraphRecord* record) {
    const GraphRecord* blend = GetGraphRecord(GetDrawSettings()->blend_graph);
    if (blend == nullptr) return -1;
    if (blend->width < record->width || blend->height < record->height) return -1;
    return 0;
}

int SetGraphSystemMemoryFlag(int flag) {
    GetDrawSettings()->new_graph.system_memory = IsDirectDrawOutput() ? flag : 1;
    return 0;
}

int SetGraphVideoMemoryFlag(int flag) {
    GetDrawSettings()->new_graph.system_memory = IsDirectDrawOutput() ? (flag != 1 ? 1 : 0) : 1;
    return 0;
}

int GetGraphCount() { return g_table.live_count; }
int GetGraphEndMark() { return g_table.end_mark; }
int MakeGraphHandleOfSlot(int slot) {
    if (slot < 0 || slot >= kGraphTableSlots || g_slots[slot] == nullptr) return -1;
    return HandleOfSlot(slot);
}
