// Vomur's public entry header: the only header a game includes. Every entry carries the
// prefix Api; initialise, terminate and message processing run under the engine's lock,
// the rest pass their arguments and results straight through to the engine.
#pragma once

#include <cstdint>

struct ColorFormat;
struct GraphImage;

// ---- library life cycle and messages -----------------------------------------------
// 0 ok, -1 failure (a second running copy, no window, no input...).
int ApiInitializeLibrary();
int ApiTerminateLibrary();
// 0 go on, -1 the program is to end.
int ApiProcessWindowMessages();

// ---- settings made before initialisation --------------------------------------------
// Non-zero: window mode; 0: full screen.
int ApiChangeWindowMode(int window_mode);
int ApiSetWindowTitleText(const char* text);
// Non-zero: write Log.txt; 0: no log file.
int ApiSetLogFileOutput(int write_file);

// ---- text ---------------------------------------------------------------------------
// printf-style text added to the on-screen log; longer than 1,023 bytes is cut.
int ApiScreenLogPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));
int ApiDrawStringWithDefaultFont(int x, int y, const char* text, std::uint32_t color, std::uint32_t edge_color);
int ApiDrawTextFormatted(int x, int y, std::uint32_t color, const char* format, ...)
    __attribute__((format(printf, 4, 5)));

// ---- drawing ------------------------------------------------------------------------
// Draw targets: -4 front buffer, -2 back buffer, or a graph handle. Non-zero = failure.
int ApiChooseDrawTarget(int target);
int ApiClearDrawTarget();
int ApiFlipScreen();
std::uint32_t ApiMakeColorValue(int red, int green, int blue);
int ApiLoadImageAsGraph(const char* file_name, int no_texture);
int ApiLoadImageAsDivGraphs(const char* file_name, int total_count, int count_across, int count_down,
                            int piece_width, int piece_height, int* handles, int no_texture);
int ApiDrawGraphAtPoint(int x, int y, int graph, int transparent);
int ApiDrawRectangle(int x1, int y1, int x2, int y2, std::uint32_t color, int fill);

// ---- input, time, random numbers --------------------------------------------------------
// 256 bytes, one per key code: 1 pressed, 0 released.
int ApiReadAllKeyStates(char* key_states);
int ApiReadPadStateMask(int pad);
// Uniform integer from 0 to n inclusive.
int ApiGetRandomInt(int n);
std::uint32_t ApiGetMillisecondTime();

// ---- the game's start-up question and frame pacing ------------------------------------
// A message box with no owner: CP932 text and caption, the box type's buttons and icon;
// answers the button pressed (6 Yes, 7 No...).
int ApiShowMessageBox(const char* text, const char* caption, unsigned type);
// Waits at least `milliseconds` (0 yields the processor).
int ApiSleepMilliseconds(std::uint32_t milliseconds);

// ---- sound ----------------------------------------------------------------------------
int ApiLoadSoundFile(const char* file_name, int buffer_count, int shared_stream);
int ApiPlaySoundHandle(int sound, int play_type, int from_top);
int ApiStopSoundHandle(int sound);

// ---- used from inside the engine ---------------------------------------------------------
// Address of the display's 32-byte pixel format record.
const void* ApiGetScreenPixelFormat();
int ApiBuildColorFormat(ColorFormat* format, int bit_depth, std::uint32_t red_mask, std::uint32_t green_mask,
                        std::uint32_t blue_mask, std::uint32_t alpha_mask);
int ApiMakeRgbPixelFormat(void* pixel_format, int bit_count, std::uint32_t red_mask, std::uint32_t green_mask,
                          std::uint32_t blue_mask, std::uint32_t alpha_mask);
int ApiDeleteAllSoftImages();
int ApiCreateXrgb32GraphImage(int width, int height, GraphImage* image);
int ApiFreeGraphImage(GraphImage* image);
