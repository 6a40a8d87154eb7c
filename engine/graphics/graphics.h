// The graphics room's door: what engine start-up and shutdown, the window procedure,
// message processing, the window modes, the entry layer and the 3-D renderer ask of the
// graphics core. The screen (start-up, modes, flip and present), the draw settings that
// every renderer reads, draw targets, graphs and their restore, the draw entries and
// decoded pictures; nothing else of engine/graphics is for other rooms.
#pragma once

#include <cstdint>

#include "engine/drawstate/drawstate.h"
#include "engine/pixels/pixels.h"
#include "platform/ddraw.h"
#include "platform/window.h"

// ---- the 2-D boxes, which the 3-D renderer falls back to without a device
int DrawFillBoxSoft(int x1, int y1, int x2, int y2, std::uint32_t colour);
int DrawLineBoxSoft(int x1, int y1, int x2, int y2, std::uint32_t colour);

// ---- draw entries
int DrawGraphAtPoint(int x, int y, int graph, int transparent);
int DrawRectangle(int x1, int y1, int x2, int y2, std::uint32_t colour, int fill);

// ---- the draw target, the draw area and colour values
int ChooseDrawTarget(int target);
std::uint32_t MakeColorValue(int red, int green, int blue);
int SetDrawClipArea(int x1, int y1, int x2, int y2);
int ReadScreenModeSize(int* width, int* height, int* bits);
DrawSettingsBlock* GetDrawSettings();

// ---- draw-setting accessors and the flip wait
int SetFlipVSyncWait(int flag);
int GetDrawTarget();
int GetFlipVSyncWait();
int ReadDrawArea(RECT* area);
int SetDrawTargetScreenRect(const RECT* rect);

// ---- the mask screen
int GetMaskScreenUse();
int SetMaskScreenUse(int flag);

// ---- graphs from picture files
int LoadImageAsDivGraphs(const char* file_name, int total_count, int count_across, int count_down, int piece_width,
                         int piece_height, int* handles, int no_texture);
int LoadImageAsGraph(const char* file_name, int no_texture);

// ---- graph handles
int DeleteGraphHandle(int graph, int log);

// ---- getting graphs back after the display lost them
int SetGraphRestoreCallback(GraphRestoreCallback callback);
int RestoreAllGraphSurfaces();
int IsGraphRestoreCallbackSet();
// Rebuilds the display objects after the display was lost or changed: output surfaces,
// the DirectDraw object, the pieces' images (made blank, then reloaded from their files)
// and the mask screen.
int RebuildDisplayObjects();

// ---- soft images
int DeleteAllSoftImages();

// ---- 2-D surface images
int RestoreAllSurface2DImages();

// ---- decoded pictures
// Blank images (contents undefined); pitch rounded up to a multiple of 4. -1 when the
// size is negative or too large or memory ran out (pixels then null).
int CreateXrgb32GraphImage(int width, int height, GraphImage* image);
int FreeGraphImage(GraphImage* image);

// ---- the screen: start-up, end, modes, flip and present
int ClearDrawTarget();
int FlipScreen();
int EndScreen();
int SetHardwareRendering(int flag);
int SetTempPrimaryMode(int flag);
int StartScreen(HWND window);
// 0 done or nothing to do, kScreenModeFellBack (-2) done but fell back to 640 x 480 x 16,
// -1 failure.
constexpr int kScreenModeFellBack = -2;
int ChangeScreenMode(int width, int height, int bits, int force, int refresh_rate);
// `dirty_area` in client coordinates, or null for the whole screen.
int PresentToWindow(const RECT* dirty_area);
int ReleaseDirectDrawObject();
int SetupScreenColorFormat();

// ---- the screen record's answers
const DDPIXELFORMAT* GetScreenPixelFormat();
int GetScreenBitDepth();
int GetSoftwareModeRequest();
int ReadScreenSize(int* width, int* height);
int GetGdiVisibleMode();
int GetTempPrimaryMode();
int SetGdiVisibleMode(int flag);
IDirectDraw7* GetDirectDrawObject();
int IsDirectDrawOutput();
int IsDisplayModeChanged();

// ---- text: what the font room asks of the graphics core
// A screen-sized 2-D surface of no graph in system memory at the screen's depth, with an
// alpha channel when asked, for a font's string drawing; `lost_flag` is registered with
// it (0 now, 1 once the surface is gone). The Surface2D handle, or -1.
int AddFontScreenSurface2D(int alpha_channel, std::int32_t* lost_flag);
// The software image of a 2-D surface, or null.
MEMIMG* GetSurface2DColorImage(int surface);
// Draws a 2-D surface at (x, y) with its key colour, untinted and unblended-bright,
// within `area` of the draw target.
int DrawSurface2DUntinted(int x, int y, int surface, const RECT& area);
// The draw target's own image when it is a valid MEMIMG, else null.
MEMIMG* GetDrawTargetImage();
struct Surface2D;
struct WorkingCopyState;
// A working copy of the draw target (and of a source piece) for the time of one draw:
// where the target or the source is a DirectDraw surface, the draw gets MEMIMG views of
// locked surface memory (or of a work surface), put back when the object ends.
// begun() false when the clipped destination is empty or nothing could be locked.
class ScopedWorkingCopy {
public:
    ScopedWorkingCopy(const Surface2D* source, int blit_allowed, const RECT* source_rect, const RECT* destination,
                      int plain_write, std::uint32_t* colour1, std::uint32_t* colour2);
    // The same under the given settings in place of the live ones.
    ScopedWorkingCopy(const DrawSettingsBlock& settings, const Surface2D* source, int blit_allowed,
                      const RECT* source_rect, const RECT* destination, int plain_write, std::uint32_t* colour1,
                      std::uint32_t* colour2);
    ~ScopedWorkingCopy();
    ScopedWorkingCopy(const ScopedWorkingCopy&) = delete;
    ScopedWorkingCopy& operator=(const ScopedWorkingCopy&) = delete;
    bool begun() const { return begun_; }
    // The working target image.
    MEMIMG* target() const;
    // All of the copy's state (the blit chosen instead, the locks).
    WorkingCopyState* state() const;
    // Ends the copy before the object does (a second end does nothing).
    void End();

private:
    bool begun_;
};
int DeleteSurface2D(int handle);
int SplitColorValue(std::uint32_t color, int* red, int* green, int* blue);
int IsSoftwareRendering();
// The software front image must be read back from the window before drawing on it.
int IsFrontImageStale();
int ReadBackFrontImage();
int FlushFrontImageRect(const RECT* rect);
int BeginMaskedDraw(int left, int top, int right, int bottom);
int EndMaskedDraw(int left, int top, int right, int bottom);

// ---- what a texture glyph cache asks of the graphics core
// Its cache graph: a blank graph (a texture graph when the new-graph settings allow),
// the edge graph derived from it, filled, registered for loss, and written from the
// font's staging image (`rect` of the pixels, rows `pitch` bytes apart in `format`, to
// (x, y) of the graph).
int CreateBlankGraph(int width, int height, int no_texture);
int DeriveGraph(int x, int y, int width, int height, int source_graph);
int SetGraphLostFlagPointer(int graph, std::int32_t* flag);
int FillGraphColor(int graph, int red, int green, int blue, int alpha);
int WritePixelsToGraph(const ColorFormat* format, int width, int height, int pitch, void* pixels, const RECT* rect,
                       int x, int y, int graph);
int ReadGraphSize(int graph, int* width, int* height);
// Its glyphs drawn as graphs, tinted by the bright colour, with no blend source graph.
int DrawGraphSubRect(int x, int y, int source_x, int source_y, int width, int height, int graph, int transparent,
                     int mirror);
int DrawGraphSubRectStretched(int x1, int y1, int x2, int y2, int source_x, int source_y, int source_width,
                              int source_height, int graph, int transparent);
int DrawGraphQuad(float x1, float y1, float x2, float y2, float x3, float y3, float x4, float y4, int graph,
                  int transparent);
int SetBlendSourceGraph(int graph, int border_value, int border_range);
int SetBrightColorPacked(std::uint32_t color);
// Blend mode 3 on the 3-D path: invert, add, invert around the draw of `rect`.
int SubtractBlendPrologue(const RECT* rect);
int SubtractBlendEpilogue(const RECT* rect);

// ---- what the graphics core asks of the font room, through a table the font room fills
// (InstallFontGraphicsHooks, at engine start-up); until then every entry does nothing.
struct GraphicsFontHooks {
    // Resets the font settings (the graphics start) and deletes every font (its end).
    int (*initialize_font_settings)();
    int (*delete_all_fonts)();
    // Makes every font again after the display was lost.
    int (*recreate_all_fonts)();
    // The default font's size and thickness: 0, or -1 when there is no default font.
    int (*read_default_font_size)(int* size, int* thickness);
    int (*set_default_font_size)(int size, int thickness);
    // The on-screen log: starts it again, whether text was sent to it, draws it.
    int (*start_screen_log)();
    int (*is_screen_log_used)();
    int (*draw_screen_log)();
};
// The installed table, or the defaults; never null, and every entry is set.
const GraphicsFontHooks* GetGraphicsFontHooks();
// Installs a table (every entry set); null puts the defaults back.
void InstallGraphicsFontHooks(const GraphicsFontHooks* hooks);

// ---- drawing routines the engine runs itself
// Start-up: every drawing path is run once so its first images exist before the program
// draws.
void WarmUpDrawingPaths();
// Repaints the window from the kept screen copy while the program is held; -1 when there
// is no copy or no graph can be made of it.
int RepaintFromScreenCopy(HDC dc);

// ---- the 3-D renderer's table of what it asks of the graphics core (D3DGraphicsHooks):
// filled as the screen starts, as the graphics start and as the draw settings are reset,
// before anything starts the renderer.
void InstallRendererHooks();
// Fills the movie room's table of what it asks of the graphics core (MovieDisplayHooks);
// engine start-up calls it.
void InstallGraphicsMovieHooks();

// ---- what the Direct3D renderer reaches of the graphics core: the screen's surfaces and
// colour format, the texture-format slot rule and pixel formats as colour formats.
IDirectDrawSurface7* GetDrawTargetSurface();
IDirectDrawSurface7* GetFrontSurface();
IDirectDrawSurface7* GetBackSurface();
IDirectDrawSurface7* GetWorkSurface();
const ColorFormat* GetScreenColorFormat();
int GetTextureFormatIndex(const std::uint8_t* creation_bytes);
int PixelFormatToColorFormat(const DDPIXELFORMAT* pixel_format, ColorFormat* format);
// The screen's answers and the copy between surfaces that screen capture into texture
// graphs uses; the pictures written into texture pieces and the 2-D pieces of a graph
// chosen as the 3-D draw target.
int IsWindowFrontTarget();
// `method` -1: the engine's copy setting.
int CopySurfaceRect(IDirectDrawSurface7* destination, IDirectDrawSurface7* source, int x, int y, const RECT* rect,
                    int method);
// The pictures of a movie frame as a transfer source: the colour picture in `image` and,
// for an alpha movie, the alpha picture in `alpha` (its red channel the alpha); both stay
// over the frame's pixels.
struct MovieFrame;
ImageSource MovieFramePictures(const MovieFrame& frame, GraphImage* image, GraphImage* alpha);
