// Copying a rectangle of the draw screen into the texture pieces of a graph. Five ways,
// tried in a fixed order; the one that worked is remembered per texture kind (without
// alpha, with alpha channel or alpha test) and tried first next time. Every way copies
// only the asked rectangle, (x1, y1)-(x2, y2) of the screen to (0, 0) of the graph, cut
// to the draw target. Relies on the graph core's screen surfaces and SurfaceData records,
// GDI device contexts and the conversion blit.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "engine/core/core.h"
#include "engine/d3d/d3d_state.h"
#include "platform/gdi.h"
#include "platform/kernel.h"
#include "platform/window.h"

namespace {

constexpr int kLoadBusyRetries = 10;

// Where a capture reads from: the draw target's surface, its extent and where the
// target's rectangle starts on the surface.
struct CaptureSource {
    IDirectDrawSurface7* surface;
    int width, height;
    int origin_x, origin_y;
};

// One piece's share of a capture: the source rectangle on the screen surface and the
// piece's place in its texture.
struct PieceCopy {
    const Surface3DData* piece;
    const SurfaceData* texture;
    RECT from;
    int to_x, to_y;
};

bool WholeDesktop(const DrawSettingsBlock& settings, int flag) {
    return flag == 0 && GetSystemBlock()->settings.window_mode == 1 && settings.draw_target == kDrawTargetFront;
}

bool RectangleFits(int x1, int y1, int x2, int y2, const GraphRecord* graph, int width, int height) {
    return 0 <= x1 && x1 < x2 && 0 <= y1 && y1 < y2 && x1 <= width && y1 <= height &&
           static_cast<long long>(x2) - x1 <= graph->width && static_cast<long long>(y2) - y1 <= graph->height;
}

bool TargetSource(const DrawSettingsBlock& settings, CaptureSource* source) {
    source->surface = GraphicsCore().GetDrawTargetSurface();
    source->origin_x = settings.target_screen_rect.left;
    source->origin_y = settings.target_screen_rect.top;
    return GraphicsCore().ReadGraphSize(settings.draw_target, &source->width, &source->height) == 0 && source->surface != nullptr;
}

// The common set-up of the blit and GDI ways: the source, and the refusal of rectangles
// that do not fit it or the graph.
bool SetUpSource(const DrawSettingsBlock& settings, int x1, int y1, int x2, int y2, const GraphRecord* graph, int flag, bool needs_window_front,
                 CaptureSource* source) {
    if (WholeDesktop(settings, flag)) {
        if (needs_window_front && !GraphicsCore().IsWindowFrontTarget()) return false;
        source->surface = GraphicsCore().GetDrawTargetSurface();
        source->width = GetSystemMetrics(SM_CXSCREEN);
        source->height = GetSystemMetrics(SM_CYSCREEN);
        source->origin_x = 0;
        source->origin_y = 0;
        if (source->surface == nullptr) return false;
    } else if (!TargetSource(settings, source)) {
        return false;
    }
    return RectangleFits(x1, y1, x2, y2, graph, source->width, source->height);
}

// The piece's share of the capture, or false when it gets none: the part of the piece
// that lies inside the captured rectangle and inside the source.
bool PieceShare(const Surface3DData* piece, int x1, int y1, int x2, int y2, const CaptureSource& source,
                PieceCopy* copy) {
    const long long px = piece->graph_x, py = piece->graph_y;
    if (px + x1 > source.width || py + y1 > source.height) return false;
    const long long width = std::min<long long>({piece->width, source.width - px - x1, x2 - x1 - px});
    const long long height = std::min<long long>({piece->height, source.height - py - y1, y2 - y1 - py});
    if (width <= 0 || height <= 0) return false;
    copy->piece = piece;
    copy->texture = GraphicsCore().GetSurfaceData(piece->surface_data);
    if (copy->texture == nullptr || copy->texture->surface == nullptr) return false;
    const LONG left = static_cast<LONG>(source.origin_x + px + x1);
    const LONG top = static_cast<LONG>(source.origin_y + py + y1);
    copy->from = RECT{left, top, static_cast<LONG>(left + width), static_cast<LONG>(top + height)};
    copy->to_x = piece->texture_x;
    copy->to_y = piece->texture_y;
    return true;
}

const ColorFormat* TextureFormatOf(const SurfaceData* texture) { return GetTextureFormatColorFormat(texture->format_index); }

int KeyToAlpha(const SurfaceData* texture) { return TextureFormatOf(texture)->alpha_width != 0 ? 1 : 0; }

// A system-memory texture of the piece texture's full size and format, for the GDI ways.
IDirectDrawSurface7* MakeTemporaryTexture(const SurfaceData* texture, HRESULT* result) {
    DDSURFACEDESC2 desc{};
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT;
    desc.ddsCaps.dwCaps = DDSCAPS_TEXTURE | DDSCAPS_SYSTEMMEMORY;
    desc.dwWidth = texture->width;
    desc.dwHeight = texture->height;
    desc.ddpfPixelFormat = *GetTextureFormatPixelFormat(texture->format_index);
    IDirectDrawSurface7* surface = nullptr;
    IDirectDraw7* object = GraphicsCore().GetDirectDrawObject();
    *result = object != nullptr ? object->CreateSurface(&desc, &surface, nullptr) : DDERR_NOTINITIALIZED;
    return FAILED(*result) ? nullptr : surface;
}

// ---- the five ways --------------------------------------------------------------------

// Blit straight from the screen surface into the texture.
int CaptureByBltFast(const DrawSettingsBlock& settings, int x1, int y1, int x2, int y2, const GraphRecord* graph, int flag) {
    CaptureSource source;
    if (!SetUpSource(settings, x1, y1, x2, y2, graph, flag, true, &source)) return -1;
    for (int i = 0; i < graph->piece_count && i < kGraphPieceSlots; ++i) {
        const Surface3DData* piece = GetSurface3DData(graph->pieces[i]);
        if (piece == nullptr) return -1;
        PieceCopy copy;
        if (!PieceShare(piece, x1, y1, x2, y2, source, &copy)) continue;
        const HRESULT hr = copy.texture->surface->BltFast(static_cast<DWORD>(copy.to_x), static_cast<DWORD>(copy.to_y),
                                                          source.surface, &copy.from, DDBLTFAST_NOCOLORKEY);
        if (FAILED(hr)) return WriteLogFormat("Error G_D3D_GetDrawScreenGraphFunction1  BltFast ReturnValue:%d", hr);
        GraphicsCore().ApplySurfaceDataColorKey(piece->surface_data);
    }
    return 0;
}

// GDI from the screen surface's device context into each texture's.
int CaptureByTextureDC(const DrawSettingsBlock& settings, int x1, int y1, int x2, int y2, const GraphRecord* graph, int flag) {
    CaptureSource source;
    if (!SetUpSource(settings, x1, y1, x2, y2, graph, flag, false, &source)) return -1;
    HDC screen_dc = nullptr;
    HRESULT hr = source.surface->GetDC(&screen_dc);
    if (FAILED(hr)) return WriteLogFormat("Error  G_D3D_GetDrawScreenGraphFunction2  ＤＣ取得に失敗しました  GetDC ReturnValue:%d", hr);
    int result = 0;
    for (int i = 0; i < graph->piece_count && i < kGraphPieceSlots && result == 0; ++i) {
        const Surface3DData* piece = GetSurface3DData(graph->pieces[i]);
        if (piece == nullptr) {
            result = -1;
            break;
        }
        PieceCopy copy;
        if (!PieceShare(piece, x1, y1, x2, y2, source, &copy)) continue;
        HDC texture_dc = nullptr;
        hr = copy.texture->surface->GetDC(&texture_dc);
        if (FAILED(hr)) {
            result = WriteLogFormat("Error  G_D3D_GetDrawScreenGraphFunction2 　作業用テクスチャサーフェスのＤＣ取得に失敗しました  GetDC ReturnValue:%d", hr);
            break;
        }
        if (!BitBlt(texture_dc, copy.to_x, copy.to_y, copy.from.right - copy.from.left, copy.from.bottom - copy.from.top,
                    screen_dc, copy.from.left, copy.from.top, SRCCOPY)) {
            result = WriteLogFormat("Error  G_D3D_GetDrawScreenGraphFunction2 　作業用テクスチャサーフェスへのイメージ転送に失敗しました  BitBlt  ErrorCode:%x", 0u);
        }
        hr = copy.texture->surface->ReleaseDC(texture_dc);
        if (FAILED(hr) && result == 0) {
            result = WriteLogFormat("Error  G_D3D_GetDrawScreenGraphFunction2 　作業用テクスチャサーフェスのＤＣ解放に失敗しました  ReleaseDC ReturnValue:%d", hr);
        }
        if (result == 0) GraphicsCore().ApplySurfaceDataColorKey(piece->surface_data);
    }
    source.surface->ReleaseDC(screen_dc);
    return result;
}

// GDI into a temporary system-memory texture; then `finish` brings its rectangle into the
// piece's texture. The log names of the two ways that share it differ only in their
// number.
using FinishCopy = int (*)(const DrawSettingsBlock& settings, const PieceCopy& copy, IDirectDrawSurface7* temporary);

int CaptureThroughTemporary(const DrawSettingsBlock& settings, int x1, int y1, int x2, int y2, const GraphRecord* graph, int flag, int number,
                            FinishCopy finish) {
    CaptureSource source;
    if (!SetUpSource(settings, x1, y1, x2, y2, graph, flag, false, &source)) return -1;
    HDC screen_dc = nullptr;
    HRESULT hr = source.surface->GetDC(&screen_dc);
    if (FAILED(hr)) {
        return WriteLogFormat("Error  G_D3D_GetDrawScreenGraphFunction%d 　ＤＣ取得に失敗しました  GetDC  ReturnValue:%d",
                              number, hr);
    }
    int result = 0;
    for (int i = 0; i < graph->piece_count && i < kGraphPieceSlots && result == 0; ++i) {
        const Surface3DData* piece = GetSurface3DData(graph->pieces[i]);
        PieceCopy copy;
        if (piece == nullptr || !PieceShare(piece, x1, y1, x2, y2, source, &copy)) continue;
        IDirectDrawSurface7* temporary = MakeTemporaryTexture(copy.texture, &hr);
        if (temporary == nullptr) {
            result = WriteLogFormat("Error  G_D3D_GetDrawScreenGraphFunction%d 　作業用テクスチャサーフェスの作成に失敗しました  CreateSurface  ReturnValue:%d",
                                    number, hr);
            break;
        }
        HDC temporary_dc = nullptr;
        hr = temporary->GetDC(&temporary_dc);
        if (FAILED(hr)) {
            result = WriteLogFormat("Error  G_D3D_GetDrawScreenGraphFunction%d 　作業用テクスチャサーフェスのＤＣ取得に失敗しました  GetDC  ReturnValue:%d",
                                    number, hr);
        } else {
            if (!BitBlt(temporary_dc, copy.to_x, copy.to_y, copy.from.right - copy.from.left,
                        copy.from.bottom - copy.from.top, screen_dc, copy.from.left, copy.from.top, SRCCOPY)) {
                result = WriteLogFormat("Error  G_D3D_GetDrawScreenGraphFunction%d 　作業用テクスチャサーフェスへのイメージ転送に失敗しました  BitBlt  ErrorCode:%x",
                                        number, 0u);
            }
            hr = temporary->ReleaseDC(temporary_dc);
            if (FAILED(hr) && result == 0) {
                result = WriteLogFormat("Error  G_D3D_GetDrawScreenGraphFunction%d 　作業用テクスチャサーフェスのＤＣ解放に失敗しました  ReleaseDC  ReturnValue:%d",
                                        number, hr);
            }
        }
        if (result == 0) result = finish(settings, copy, temporary);
        temporary->Release();
        if (result == 0) GraphicsCore().ApplySurfaceDataColorKey(piece->surface_data);
    }
    source.surface->ReleaseDC(screen_dc);
    return result;
}

// Locks both textures and converts the rectangle into the piece's texture.
int FinishByConversion(const DrawSettingsBlock&, const PieceCopy& copy, IDirectDrawSurface7* temporary) {
    const LONG width = copy.from.right - copy.from.left;
    const LONG height = copy.from.bottom - copy.from.top;
    RECT area{copy.to_x, copy.to_y, copy.to_x + width, copy.to_y + height};
    DDSURFACEDESC2 to{};
    to.dwSize = sizeof to;
    HRESULT hr = copy.texture->surface->Lock(&area, &to, DDLOCK_WAIT | DDLOCK_WRITEONLY, nullptr);
    if (FAILED(hr)) {
        return WriteLogFormat("Error  G_D3D_GetDrawScreenGraphFunction3 　転送先テクスチャサーフェスのロックに失敗しました  Lock  ReturnValue:%d", hr);
    }
    DDSURFACEDESC2 from{};
    from.dwSize = sizeof from;
    hr = temporary->Lock(&area, &from, DDLOCK_WAIT | DDLOCK_WRITEONLY, nullptr);
    if (FAILED(hr)) {
        copy.texture->surface->Unlock(&area);
        return WriteLogFormat("Error  G_D3D_GetDrawScreenGraphFunction3 　作業用テクスチャサーフェスのロックに失敗しました  Lock  ReturnValue:%d", hr);
    }
    const ColorFormat* format = TextureFormatOf(copy.texture);
    const RECT whole{0, 0, width, height};
    ConvertColorBlt({.dest = to.lpSurface, .dest_pitch = static_cast<int>(to.lPitch), .dest_format = format,
                     .src = from.lpSurface, .src_pitch = static_cast<int>(from.lPitch), .src_format = format,
                     .src_rect = &whole, .key_to_alpha = KeyToAlpha(copy.texture),
                     .key = copy.texture->transparent_color, .dither = GetDitherFlag()});
    temporary->Unlock(&area);
    copy.texture->surface->Unlock(&area);
    return 0;
}

// Uploads the rectangle with the device's Load, waiting out a busy texture a few times.
int FinishByLoad(const DrawSettingsBlock& settings, const PieceCopy& copy, IDirectDrawSurface7* temporary) {
    IDirect3DDevice7* device = GetCurrentD3DDevice();
    if (device == nullptr) return -1;
    POINT point{copy.to_x, copy.to_y};
    RECT rect{copy.to_x, copy.to_y, copy.to_x + (copy.from.right - copy.from.left),
              copy.to_y + (copy.from.bottom - copy.from.top)};
    HRESULT hr = DD_OK;
    for (int attempt = 0; attempt < kLoadBusyRetries; ++attempt) {
        hr = device->Load(copy.texture->surface, &point, temporary, &rect, 0);
        if (hr != DDERR_SURFACEBUSY) break;
        copy.texture->surface->Restore();
        Sleep(1);
    }
    if (SUCCEEDED(hr)) return 0;
    const SurfaceData* t = copy.texture;
    WriteLogFormat("hr:%d  W:%d  H:%d  FullMode:%d  Point x:%d y:%d   Rect top:%d bottom:%d left:%d right:%d", hr,
                   t->width, t->height, GetSystemBlock()->settings.window_mode == 1 ? 0 : 1, point.x, point.y,
                   rect.top, rect.bottom, rect.left, rect.right);
    WriteLogFormat("AlphaCh:%d  AlphaTest:%d  ColorBitDepth:%d", t->creation.alpha_channel, t->creation.alpha_test,
                   t->creation.bit_depth);
    return WriteLogFormat("ScreenColor:%d  SizeX:%d  SizeY:%d  DrawPointX:%d  DrawPointY:%d  WndRect.left:%d  "
                          "WndRect.top:%d  left:%d  top:%d",
                          GraphicsCore().GetScreenBitDepth(), settings.target_width, settings.target_height,
                          static_cast<int>(copy.from.left), static_cast<int>(copy.from.top),
                          static_cast<int>(settings.target_screen_rect.left),
                          static_cast<int>(settings.target_screen_rect.top), copy.piece->graph_x, copy.piece->graph_y);
}

int CaptureByConversionDC(const DrawSettingsBlock& settings, int x1, int y1, int x2, int y2, const GraphRecord* graph, int flag) {
    return CaptureThroughTemporary(settings, x1, y1, x2, y2, graph, flag, 3, FinishByConversion);
}

int CaptureByLoadDC(const DrawSettingsBlock& settings, int x1, int y1, int x2, int y2, const GraphRecord* graph, int flag) {
    return CaptureThroughTemporary(settings, x1, y1, x2, y2, graph, flag, 4, FinishByLoad);
}

// The rectangle copied onto the screen-sized work surface, locked there and converted
// into each texture.
int CaptureByWorkSurface(const DrawSettingsBlock& settings, int x1, int y1, int x2, int y2, const GraphRecord* graph, int flag) {
    CaptureSource source;
    if (!TargetSource(settings, &source) || !RectangleFits(x1, y1, x2, y2, graph, source.width, source.height)) return -1;
    if (WholeDesktop(settings, flag)) return -1;
    IDirectDrawSurface7* work = GraphicsCore().GetWorkSurface();
    if (work == nullptr) return -1;
    DDSURFACEDESC2 work_desc{};
    work_desc.dwSize = sizeof work_desc;
    if (FAILED(work->GetSurfaceDesc(&work_desc))) return -1;
    // Only what the source holds and the work surface can take.
    const int width = std::min({x2 - x1, source.width - x1, static_cast<int>(work_desc.dwWidth)});
    const int height = std::min({y2 - y1, source.height - y1, static_cast<int>(work_desc.dwHeight)});
    if (width <= 0 || height <= 0) return 0;
    const RECT from{source.origin_x + x1, source.origin_y + y1, source.origin_x + x1 + width,
                    source.origin_y + y1 + height};
    // Without the copy the work surface holds nothing of the screen: another way must do.
    if (GraphicsCore().CopySurfaceRect(work, source.surface, 0, 0, &from, -1) != 0) return -1;
    RECT work_rect{0, 0, width, height};
    DDSURFACEDESC2 locked{};
    locked.dwSize = sizeof locked;
    HRESULT hr = work->Lock(&work_rect, &locked, DDLOCK_WAIT | DDLOCK_WRITEONLY, nullptr);
    if (FAILED(hr)) {
        return WriteLogFormat("Error  G_D3D_GetDrawScreenGraphFunction5 　作業用テクスチャサーフェスのロックに失敗しました  Lock  ReturnValue:%d", hr);
    }
    const CaptureSource copied{work, x1 + width, y1 + height, 0, 0};
    for (int i = 0; i < graph->piece_count && i < kGraphPieceSlots; ++i) {
        const Surface3DData* piece = GetSurface3DData(graph->pieces[i]);
        PieceCopy copy;
        if (piece == nullptr || !PieceShare(piece, x1, y1, x1 + width, y1 + height, copied, &copy)) continue;
        // On the work surface the rectangle starts at (0, 0).
        const RECT part{copy.from.left - x1, copy.from.top - y1, copy.from.right - x1, copy.from.bottom - y1};
        RECT area{copy.to_x, copy.to_y, copy.to_x + piece->width, copy.to_y + piece->height};
        DDSURFACEDESC2 to{};
        to.dwSize = sizeof to;
        hr = copy.texture->surface->Lock(&area, &to, DDLOCK_WAIT | DDLOCK_WRITEONLY, nullptr);
        if (FAILED(hr)) {
            work->Unlock(&work_rect);
            return WriteLogFormat("Error  G_D3D_GetDrawScreenGraphFunction5 　転送先テクスチャサーフェスのロックに失敗しました  Lock  ReturnValue:%d", hr);
        }
        ConvertColorBlt({.dest = to.lpSurface, .dest_pitch = static_cast<int>(to.lPitch),
                         .dest_format = TextureFormatOf(copy.texture), .src = locked.lpSurface,
                         .src_pitch = static_cast<int>(locked.lPitch),
                         .src_format = GraphicsCore().GetScreenColorFormat(), .src_rect = &part,
                         .key_to_alpha = KeyToAlpha(copy.texture), .key = copy.texture->transparent_color,
                         .dither = GetDitherFlag()});
        copy.texture->surface->Unlock(&area);
        GraphicsCore().ApplySurfaceDataColorKey(piece->surface_data);
    }
    work->Unlock(&work_rect);
    return 0;
}

}  // namespace

// The ways in the order they are tried, ending with a null entry.
ScreenCaptureMethod g_screen_capture_methods[kScreenCaptureMethodCount + 1] = {
    CaptureByWorkSurface, CaptureByBltFast, CaptureByConversionDC, CaptureByTextureDC, CaptureByLoadDC, nullptr};

int GetDrawScreenGraphD3D(const DrawSettingsBlock& settings, int x1, int y1, int x2, int y2, const GraphRecord* graph, int flag) {
    D3DRendererState& state = D3DState();
    if (state.direct3d == nullptr) return -1;
    const Surface3DData* first = graph->piece_count > 0 ? GetSurface3DData(graph->pieces[0]) : nullptr;
    if (first == nullptr) return -1;
    if (state.device_unavailable) return 0;
    const int device = state.current_device;
    FlushVertexBatch(device);
    EndDeviceScene(device);
    const SurfaceData* texture = GraphicsCore().GetSurfaceData(first->surface_data);
    const int kind = texture != nullptr && (texture->creation.alpha_channel || texture->creation.alpha_test) ? 1 : 0;
    std::int32_t& remembered = state.capture_method[kind];
    if (remembered >= 0 && remembered < kScreenCaptureMethodCount && g_screen_capture_methods[remembered] != nullptr) {
        const int result = g_screen_capture_methods[remembered](settings, x1, y1, x2, y2, graph, flag);
        if (result >= 0) return result;
    }
    remembered = 0;
    int result = -1;
    for (int i = 0; g_screen_capture_methods[i] != nullptr; ++i) {
        remembered = i;
        result = g_screen_capture_methods[i](settings, x1, y1, x2, y2, graph, flag);
        if (result == 0) return 0;
    }
    remembered = -1;
    return result;
}
