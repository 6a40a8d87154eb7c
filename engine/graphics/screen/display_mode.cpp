// The steps of a screen-mode change that talk to the display: cooperative level and
// display mode for a window or full screen (through DirectDraw, or ChangeDisplaySettingsA
// in GDI output), the screen colour format read back from the display, the return to the
// desktop mode, and the copy-method test and frame measurement made after every change.
#include <cstring>

#include "engine/core/core.h"
#include "engine/graphics/draw/draw_state_access.h"
#include "engine/graphics/graphics.h"
#include "engine/graphics/screen/screen_internal.h"
#include "platform/gdi.h"
#include "platform/kernel.h"

namespace {

constexpr HRESULT kToleratedExclusive[] = {DDERR_EXCLUSIVEMODEALREADYSET, DDERR_HWNDALREADYSET, DDERR_HWNDSUBCLASSED};

// Polls of the vertical blank and the scan line give up after this long, so a display
// that never changes cannot hold start-up.
constexpr DWORD kPollLimitMs = 100;

bool Tolerated(HRESULT result) {
    for (HRESULT tolerated : kToleratedExclusive) {
        if (result == tolerated) return true;
    }
    return false;
}

}  // namespace

int SetScreenDisplayMode(IDirectDraw7* object, int desktop_width, int desktop_height, int width, int height,
                         int bits, int* depth_out, std::uint32_t* cooperative_out, int window_mode,
                         int* display_changed, HWND window) {
    ScreenState* screen = GetScreenState();
    const DWORD extra = (screen->multithreaded ? DDSCL_MULTITHREADED : 0u);
    WriteLogFormat("画面モードの変更処理を開始します %u x %u  %u bit ", static_cast<unsigned>(width),
                   static_cast<unsigned>(height), static_cast<unsigned>(bits));
    IncreaseLogIndent();
    if (screen->multithreaded) WriteLogText("協調レベルはマルチスレッド対応にします\n");
    int result = 0;
    if (window_mode) {
        WriteLogText("ウインドウモードにします\n");
        if (width > desktop_width || height > desktop_height) {
            FatalErrorExit("デスクトップ画面のサイズが足りません、ソフトを終了します");
        }
        if (*display_changed == 1) {
            WriteLogText("フルスクリーンモードから抜けます\n");
            if (screen->gdi_output) {
                ChangeDisplaySettingsA(nullptr, 0);
            } else if (object != nullptr) {
                object->RestoreDisplayMode();
            }
            *display_changed = 0;
        }
        HDC dc = GetDC(nullptr);
        const int desktop_depth = GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES);
        ReleaseDC(nullptr, dc);
        if (desktop_depth == 24) {
            result = -1;
        } else {
            if (depth_out != nullptr) *depth_out = desktop_depth;
            if (!screen->gdi_output && object != nullptr &&
                FAILED(object->SetCooperativeLevel(window, DDSCL_NORMAL | extra))) {
                FatalErrorExit("DirectDrawの協調レベルの設定に失敗しました、ソフトを終了します");
            }
            if (cooperative_out != nullptr) *cooperative_out = DDSCL_NORMAL | extra;
            WriteLogText("画面モードの変更は正常に終了しました \n");
        }
    } else if (bits == 24) {
        result = -1;
    } else {
        WriteLogText("画面解像度を変更します... ");
        if (!screen->gdi_output && object != nullptr) {
            const HRESULT level = object->SetCooperativeLevel(window, DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN | extra);
            if (FAILED(level) && !Tolerated(level)) {
                FatalErrorExit("DirectDrawの協調レベルの設定に失敗しました、ソフトを終了します");
            }
        }
        if (cooperative_out != nullptr) *cooperative_out = DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN | extra;
        bool done;
        if (screen->gdi_output) {
            DEVMODEA mode{};
            mode.dmSize = sizeof(mode);
            mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
            mode.dmBitsPerPel = static_cast<DWORD>(bits);
            mode.dmPelsWidth = static_cast<DWORD>(width);
            mode.dmPelsHeight = static_cast<DWORD>(height);
            if (screen->refresh_rate != 0) {
                mode.dmFields |= DM_DISPLAYFREQUENCY;
                mode.dmDisplayFrequency = static_cast<DWORD>(screen->refresh_rate);
            }
            done = ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN) == DISP_CHANGE_SUCCESSFUL;
            if (!done) {
                mode.dmFields &= ~DM_DISPLAYFREQUENCY;
                done = ChangeDisplaySettingsA(&mode, 0) == DISP_CHANGE_SUCCESSFUL;
                if (done) screen->refresh_rate = 0;
            }
        } else {
            done = SUCCEEDED(object->SetDisplayMode(static_cast<DWORD>(width), static_cast<DWORD>(height),
                                                    static_cast<DWORD>(bits),
                                                    static_cast<DWORD>(screen->refresh_rate), 0));
            if (!done) {
                done = SUCCEEDED(object->SetDisplayMode(static_cast<DWORD>(width), static_cast<DWORD>(height),
                                                        static_cast<DWORD>(bits), 0, 0));
                if (done) screen->refresh_rate = 0;
            }
        }
        if (!done) {
            WriteLogText("画面モードの変更に失敗しました\n");
            result = -1;
        } else {
            if (depth_out != nullptr) *depth_out = bits;
            *display_changed = 1;
            WriteLogText("成功しました\n");
            WriteLogText("画面モードの変更は正常に終了しました \n");
        }
    }
    DecreaseLogIndent();
    return result;
}

int SetupScreenColorFormat() {
    ScreenState* screen = GetScreenState();
    if (screen->gdi_output) {
        if (screen->current_depth != 16 && screen->current_depth != 32) screen->current_depth = 16;
        // New graphs take the requested depth: it follows the depth really used (a window
        // takes the desktop's), as it does over DirectDraw, or graphs made in software
        // mode from the start would not match the screen they are drawn on.
        screen->requested_depth = screen->current_depth;
        // RGB565 for 16 bits: the format index says so too, for the readers of the index.
        screen->format_index = screen->current_depth == 32 ? 2 : 0;
        const ColorFormat* format =
            GetMemImgColorFormat(screen->current_depth == 32 ? kMemImgXrgb8888 : kMemImgRgb565, 0, 0);
        screen->color_format = *format;
        const DDPIXELFORMAT* pixel_format =
            GetMemImgPixelFormat(screen->current_depth == 32 ? kMemImgXrgb8888 : kMemImgRgb565, 0, 0);
        screen->pixel_format = *pixel_format;
        return 0;
    }
    if (screen->direct_draw == nullptr) return 0;
    DDSURFACEDESC2 mode{};
    mode.dwSize = sizeof(mode);
    screen->direct_draw->GetDisplayMode(&mode);
    screen->pixel_format = mode.ddpfPixelFormat;
    PixelFormatToColorFormat(&screen->pixel_format, &screen->color_format);
    WriteLogText("カラー情報\n");
    IncreaseLogIndent();
    WriteLogFormat("A:%08x  B:%08x  G:%08x  B:%08x", screen->pixel_format.dwRGBAlphaBitMask,
                   screen->pixel_format.dwRBitMask, screen->pixel_format.dwGBitMask, screen->pixel_format.dwBBitMask);
    DecreaseLogIndent();
    screen->requested_depth = static_cast<std::int32_t>(screen->pixel_format.dwRGBBitCount);
    const DDPIXELFORMAT& f = screen->pixel_format;
    if (f.dwRBitMask == 0xF800 && f.dwGBitMask == 0x07E0 && f.dwBBitMask == 0x001F) {
        screen->format_index = 0;
    } else if (f.dwRBitMask == 0x7C00 && f.dwGBitMask == 0x03E0 && f.dwBBitMask == 0x001F) {
        screen->format_index = 1;
    } else if (f.dwRBitMask == 0xFF0000 && f.dwGBitMask == 0xFF00 && f.dwBBitMask == 0xFF) {
        screen->format_index = 2;
    } else {
        screen->format_index = 3;
    }
    return 0;
}

int RestoreDesktopDisplayMode() {
    ScreenState* screen = GetScreenState();
    if (screen->gdi_output) {
        ChangeDisplaySettingsA(nullptr, 0);
    } else {
        if (screen->direct_draw == nullptr) return -1;
        if ((screen->cooperative_flags & DDSCL_FULLSCREEN) != 0) {
            screen->direct_draw->SetCooperativeLevel(screen->window, DDSCL_NORMAL);
            screen->direct_draw->RestoreDisplayMode();
        }
    }
    if (screen->display_mode_changed) screen->display_mode_changed = 0;
    WriteLogText("画面モードを元に戻す処理は正常に終了しました\n");
    return 0;
}

int WaitThresholdForFrame(int frame_time) { return frame_time < 0 ? -1 : (2 * frame_time - 4) / 3; }

void RunCopyMethodTest() {
    ScreenState* screen = GetScreenState();
    IDirectDrawSurface7* source = GetFrontSurface();
    if (source == nullptr || screen->work == nullptr) return;
    RECT quarter{0, 0, screen->width / 2, screen->height / 2};
    LONGLONG start = GetMicrosecondCount(0);
    for (int i = 0; i < 2; ++i) screen->work->BltFast(0, 0, source, &quarter, DDBLTFAST_NOCOLORKEY);
    const double blt_fast = static_cast<double>(GetMicrosecondCount(0) - start);
    start = GetMicrosecondCount(0);
    // A surface without a device context (the 3-D device's video memory) cannot be copied
    // by BitBlt at all: its quick failure is no timing, and BltFast is kept.
    bool copied = true;
    for (int i = 0; i < 2; ++i) {
        HDC from = nullptr;
        HDC to = nullptr;
        if (SUCCEEDED(source->GetDC(&from))) {
            if (SUCCEEDED(screen->work->GetDC(&to))) {
                BitBlt(to, 0, 0, quarter.right, quarter.bottom, from, 0, 0, SRCCOPY);
                screen->work->ReleaseDC(to);
            } else {
                copied = false;
            }
            source->ReleaseDC(from);
        } else {
            copied = false;
        }
    }
    const double bit_blt = static_cast<double>(GetMicrosecondCount(0) - start);
    screen->copy_by_bitblt = copied && bit_blt <= blt_fast ? 1 : 0;
    WriteLogFormat("サーフェス間転送には %s を使用します", screen->copy_by_bitblt ? "BitBlt" : "BltFast");
    WriteLogFormat("BitBlt:%.0lfμs   BltFast:%.0lfμs", bit_blt, blt_fast);
}

namespace {

// Polls until the scan line drops below `first` or the blank begins; false when the
// display did not change within the poll limit.
bool WaitForLineDropOrBlank(IDirectDraw7* object, DWORD first) {
    const DWORD start = timeGetTime();
    for (;;) {
        BOOL blank = FALSE;
        object->GetVerticalBlankStatus(&blank);
        DWORD line = 0;
        const HRESULT scan = object->GetScanLine(&line);
        if (blank || scan == DDERR_VERTICALBLANKINPROGRESS || line < first) return true;
        if (timeGetTime() - start > kPollLimitMs) return false;
    }
}

bool WaitWhileBlank(IDirectDraw7* object) {
    const DWORD start = timeGetTime();
    for (;;) {
        BOOL blank = FALSE;
        object->GetVerticalBlankStatus(&blank);
        if (!blank) return true;
        if (timeGetTime() - start > kPollLimitMs) return false;
    }
}

DWORD CurrentLine(IDirectDraw7* object) {
    DWORD line = 0;
    object->GetScanLine(&line);
    return line;
}

}  // namespace

void MeasureFrameTime() {
    ScreenState* screen = GetScreenState();
    SystemBlock* system = GetSystemBlock();
    screen->refresh_measured = -1;
    if (system->os_code >= 0x104) {
        HDC dc = GetDC(GetMainWindowHandle());
        if (dc != nullptr) {
            screen->refresh_measured = GetDeviceCaps(dc, VREFRESH);
            ReleaseDC(GetMainWindowHandle(), dc);
        }
        if (screen->refresh_measured < 60) screen->refresh_measured = -1;
    }
    if (screen->gdi_output) {
        screen->refresh_measured = 60;
        screen->wait_threshold = -1;
        return;
    }
    IDirectDraw7* object = screen->direct_draw;
    if (object == nullptr) return;
    const int samples = screen->refresh_measured != -1 ? 4 : 20;
    screen->screen_lines = GetSystemMetrics(SM_CYSCREEN);
    WriteLogFormat("スキャンラインの数:%d\n", screen->screen_lines);
    bool responsive = true;
    for (int i = 0; i < 3 && responsive; ++i) {
        responsive = WaitForLineDropOrBlank(object, CurrentLine(object)) && WaitWhileBlank(object);
    }
    if (responsive) responsive = WaitForLineDropOrBlank(object, CurrentLine(object));
    int sample_ms[20] = {};
    int frame_time = -1;
    for (int pass = 0; pass < 5 && responsive && frame_time < 0; ++pass) {
        LONGLONG total_us = 0;
        for (int n = 0; n < samples && responsive; ++n) {
            const DWORD start_ms = timeGetTime();
            const LONGLONG start_us = GetMicrosecondCount(0);
            responsive = WaitWhileBlank(object) && WaitForLineDropOrBlank(object, CurrentLine(object));
            sample_ms[n] = static_cast<int>(timeGetTime() - start_ms);
            total_us += GetMicrosecondCount(0) - start_us;
        }
        if (!responsive || pass == 4) break;
        for (int a = 0; a < samples && frame_time < 0; ++a) {
            for (int b = a + 1; b < samples; ++b) {
                if (sample_ms[a] == sample_ms[b]) {
                    frame_time = sample_ms[a];
                    break;
                }
            }
        }
        if (screen->refresh_measured == -1 && total_us > 0) {
            const LONGLONG rate = 10000000LL / (total_us / samples);
            screen->refresh_measured = static_cast<int>(rate / 10 + (rate % 10 > 5 ? 1 : 0));
        }
    }
    screen->frame_time = frame_time;
    if (frame_time >= 0) {
        WriteLogFormat("１フレーム当たりの時間は %d msecです", frame_time);
    } else {
        WriteLogText("１フレームの時間を正常に取得できませんでした\n");
    }
    for (int n = 0; n < samples; ++n) WriteLogFormat("\tTri%02d:%d msec", n, sample_ms[n]);
    screen->wait_threshold = WaitThresholdForFrame(frame_time);
}
