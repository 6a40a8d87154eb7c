// Graph restore and projection: the 3-D matrices kept in the draw settings (the device
// is told only when 3-D is in use), the restore callback, marking graphs for reload and
// the default reload that decodes each graph's file again, reusing one decode for the
// graphs cut from one file. Relies on the graph table, 2-D surfaces and the image loader.
#include "engine/graphics/graphs/graph_restore.h"

#include <cstring>

#include "engine/core/core.h"
#include "engine/d3d/d3d.h"
#include "engine/file/file.h"
#include "engine/graphics/draw/masks.h"
#include "engine/graphics/draw/matrix_builders.h"
#include "engine/graphics/graphics.h"
#include "engine/graphics/graphs/graph_handles.h"
#include "engine/graphics/graphs/graph_transfer.h"
#include "engine/graphics/graphs/surface_2d.h"
#include "engine/graphics/images/image_loader.h"
#include "engine/graphics/screen/screen_internal.h"
#include "engine/input/input.h"
#include "engine/movie/movie.h"
#include "engine/pixels/pixels.h"

int g_restore_decode_count = 0;

int UpdateCombinedMatrices() {
    DrawSettingsBlock* s = GetDrawSettings();
    float view_projection[16];
    MultiplyMatrix4(view_projection, s->view, s->projection);
    MultiplyMatrix4(s->combined, s->world, view_projection);
    MultiplyMatrix4(s->combined, s->combined, s->screen);
    std::memset(s->view_rotation, 0, sizeof(s->view_rotation));
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) s->view_rotation[4 * r + c] = s->view[4 * c + r];
    }
    return 0;
}

int SetWorldMatrix(const float matrix[16], int flag) {
    std::memcpy(GetDrawSettings()->world, matrix, sizeof(float) * 16);
    UpdateCombinedMatrices();
    if (IsThreeDInUse()) SetWorldMatrixD3D(matrix, flag);
    NotifyDirect3DStateChange();
    return 0;
}

int SetViewMatrix(const float matrix[16]) {
    std::memcpy(GetDrawSettings()->view, matrix, sizeof(float) * 16);
    UpdateCombinedMatrices();
    if (IsThreeDInUse()) SetViewMatrixD3D(matrix);
    NotifyDirect3DStateChange();
    return 0;
}

int SetProjectionMatrix(const float matrix[16]) {
    std::memcpy(GetDrawSettings()->projection, matrix, sizeof(float) * 16);
    UpdateCombinedMatrices();
    if (IsThreeDInUse()) SetProjectionMatrixD3D(matrix);
    NotifyDirect3DStateChange();
    return 0;
}

int SetGraphRestoreCallback(GraphRestoreCallback callback) {
    GetDrawSettings()->restore_callback = callback != nullptr ? callback : &RestoreGraphs;
    return 0;
}

int IsGraphRestoreCallbackSet() { return GetDrawSettings()->restore_callback != nullptr ? 1 : 0; }

int MarkGraphsForReload() {
    const int live = GetGraphCount();
    int found = 0;
    for (int slot = 0; slot < GetGraphEndMark() && found < live; ++slot) {
        GraphRecord* record = GetGraphRecord(MakeGraphHandleOfSlot(slot));
        if (record == nullptr) continue;
        record->reload = 1;
        ++found;
    }
    const GraphRestoreCallback callback = GetDrawSettings()->restore_callback;
    if (callback != nullptr) callback();
    GetGraphicsFontHooks()->recreate_all_fonts();
    return 0;
}

void RestoreGraphs() {
    WriteLogText("グラフィックを復帰します\n");
    char remembered[1024] = {};
    FileAccessGetDir(remembered);
    GraphImage image{};
    GraphImage alpha{};
    bool have = false;
    bool have_alpha = false;
    const GraphRecord* previous = nullptr;
    char previous_name[kGraphFileNameBytes] = {};
    char previous_dir[kGraphDirectoryBytes] = {};
    std::uint32_t previous_option = 0;
    for (int slot = 0; slot < GetGraphEndMark(); ++slot) {
        const int handle = MakeGraphHandleOfSlot(slot);
        GraphRecord* record = GetGraphRecord(handle);
        if (record == nullptr || record->reload != 1 || record->file_name[0] == '\0') continue;
        if (strnlen(record->directory, kGraphDirectoryBytes) > 128 ||
            strnlen(record->file_name, kGraphFileNameBytes) >= kGraphFileNameBytes) {
            record->reload = 0;
            continue;
        }
        const bool reuse = have && previous != nullptr && slot != 0 &&
                           std::strncmp(previous_name, record->file_name, kGraphFileNameBytes) == 0 &&
                           std::strncmp(previous_dir, record->directory, kGraphDirectoryBytes) == 0 &&
                           previous_option == record->load_option;
        if (!reuse) {
            if (have) FreeGraphImage(&image);
            if (have_alpha) FreeGraphImage(&alpha);
            have = have_alpha = false;
            previous = nullptr;
            FileAccessSetDir(record->directory);
            const int loaded = LoadGraphImageWithAlpha(record->file_name, nullptr, 0, 0, nullptr, 0, 0, &image, &alpha,
                                                       static_cast<int>(record->load_option));
            ++g_restore_decode_count;
            if (loaded == -1) {
                record->reload = 0;
                continue;
            }
            have = true;
            have_alpha = loaded == 0;
        }
        SetGraphImageData(ImageSourceOf(&image, have_alpha ? &alpha : nullptr), record->file_name, record->origin_x,
                          record->origin_y, handle, record->load_option);
        record->reload = 0;
        previous = record;
        std::memcpy(previous_name, record->file_name, sizeof(previous_name));
        std::memcpy(previous_dir, record->directory, sizeof(previous_dir));
        previous_option = record->load_option;
    }
    if (have) FreeGraphImage(&image);
    if (have_alpha) FreeGraphImage(&alpha);
    FileAccessSetDir(remembered);
}

int RestoreGraphSurfaces(int graph) {
    if (GetDrawSettings()->graphics_off) return 0;
    const GraphRecord* record = GetGraphRecord(graph);
    if (record == nullptr) return -1;
    if (record->creation.texture) {
        RestoreGraphTextures(record);
    } else {
        RestoreGraphSurface2DImages(record);
    }
    // A movie graph's own display surfaces (an overlay) come back with it.
    if (record->movie != -1) RestoreMovieSurfaces(record->movie);
    return 0;
}

int RestoreAllGraphSurfaces() {
    if (!IsGraphManagerUp() || GetDrawSettings()->graphics_off) return 0;
    RestoreLostSurfaces();
    for (int slot = 0; slot < GetGraphEndMark(); ++slot) {
        const int handle = MakeGraphHandleOfSlot(slot);
        if (GetGraphRecord(handle) != nullptr) RestoreGraphSurfaces(handle);
    }
    return 0;
}

int RebuildDisplayObjects() {
    if (GetSystemBlock()->settings.skip_graphics) {
        TerminateInput();
        return 0;
    }
    ReleaseDirect3DObject();
    ReleaseMaskScreen();
    ReleaseOutputSurfaces();
    TerminateInput();  // the input reads start it again when next called
    ReleaseAllSurface2DHolders();
    ReleaseClipper();
    if (GetGdiVisibleMode()) {
        RecreateClipper();
    } else {
        ReleaseDirectDrawObject();
        RecreateDirectDrawObject();
    }
    CreateOutputSurfaces();
    // The pieces' images come back blank whichever way the display was rebuilt; the
    // reload below refills those that came from files.
    RecreateAllSurface2DHolders();
    const int target = GetDrawSettings()->draw_target;
    SelectDrawTarget(target, target);
    AcquireDirect3DObject(*GetDrawSettings());
    ClearDrawTarget();
    FlipScreen();
    MarkGraphsForReload();
    RebuildAllMovieGraphs();
    RecreateMaskScreen();
    // The stored transforms go to the new device again.
    DrawSettingsBlock* settings = GetDrawSettings();
    float kept[16];
    std::memcpy(kept, settings->world, sizeof(kept));
    SetWorldMatrix(kept, 0);
    std::memcpy(kept, settings->view, sizeof(kept));
    SetViewMatrix(kept);
    std::memcpy(kept, settings->projection, sizeof(kept));
    SetProjectionMatrix(kept);
    UpdateCombinedMatrices();
    return 0;
}

