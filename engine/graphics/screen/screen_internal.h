// Steps of the screen code shared between its units (start-up, display mode, output
// surfaces, draw target and flip). Only engine/graphics includes it.
#pragma once

#include <cstdint>

#include "engine/graphics/screen/screen_state.h"

// Screen record extras.
const DDPIXELFORMAT* OverlayFormatAt(int index);

// Start-up and mode change.
int InitializeDirectDraw();
int TerminateDirectDraw();
int CreateDirectDrawObject(IDirectDraw7** object);
int CreateWindowClipper(IDirectDraw7* object, IDirectDrawClipper** clipper, HWND window);

// Display mode, format and timing.
int SetScreenDisplayMode(IDirectDraw7* object, int desktop_width, int desktop_height, int width, int height,
                         int bits, int* depth_out, std::uint32_t* cooperative_out, int window_mode,
                         int* display_changed, HWND window);
int RestoreDesktopDisplayMode();
void RunCopyMethodTest();
void MeasureFrameTime();
// Wait threshold for a frame time: (2 x frame - 4) / 3, -1 without one.
int WaitThresholdForFrame(int frame_time);

// Output surfaces.
int CreateOutputSurfaces();
int ReleaseOutputSurfaces();
int RestoreLostSurfaces();
int CreateScreenPalette();
int RefreshScreenPalette();
int ReleaseClipper();
int RecreateClipper();
int RecreateDirectDrawObject();
int LeaveProgramDisplayMode();
int ReapplyScreenDisplayMode();

// Draw target, flip and present.
int SelectDrawTarget(int target, int previous);
int CopySurfaceRect(IDirectDrawSurface7* destination, IDirectDrawSurface7* source, int x, int y, const RECT* rect,
                    int method);
int WaitVBlankCount(int count);
void WaitVerticalBlank();
int CopyFrontToTempPrimary();
int CopyTempPrimaryToFront();
void KillFrontCopyTimer();
