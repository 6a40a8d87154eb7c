// The public entry layer: the three locked entries (initialise, terminate, process
// messages), the two formatting entries (cut to their 1,024-byte buffers) and the
// one-step forwarders to the engine functions that do the work.
#include <cstdarg>

#include "engine/app/app.h"
#include "engine/app/library_startup.h"
#include "engine/app/window_modes.h"
#include "engine/core/core.h"
#include "engine/font/font.h"
#include "engine/graphics/graphics.h"
#include "engine/include/vomur.h"
#include "engine/input/input.h"
#include "engine/sound/sound.h"
#include "platform/kernel.h"
#include "platform/window.h"

int ApiInitializeLibrary() {
    if (GetSystemBlock()->initialised == 1) return 0;
    ApiLockEnter();
    const int result = InitializeLibrary();
    ApiLockLeave();
    return result;
}

int ApiTerminateLibrary() {
    if (GetSystemBlock()->initialised == 0) return 0;
    ApiLockEnter();
    const int result = TerminateLibrary();
    ApiLockLeave();
    DestroyApiLock();
    return result;
}

int ApiProcessWindowMessages() {
    ApiLockEnter();
    const int result = ProcessWindowMessages();
    ApiLockLeave();
    return result;
}

int ApiScreenLogPrintf(const char* format, ...) {
    char buffer[kFormatBufferBytes];
    va_list args;
    va_start(args, format);
    FormatStringVa(buffer, format, args);
    va_end(args);
    // The on-screen log's own routine starts the log, and marks it as sent only when it could.
    return ScreenLogPrintf("%s", buffer);
}

int ApiDrawTextFormatted(int x, int y, std::uint32_t color, const char* format, ...) {
    char buffer[kFormatBufferBytes];
    va_list args;
    va_start(args, format);
    FormatStringVa(buffer, format, args);
    va_end(args);
    return DrawStringWithDefaultFont(x, y, buffer, color, 0);
}

int ApiChangeWindowMode(int window_mode) { return ChangeWindowMode(window_mode); }
int ApiSetWindowTitleText(const char* text) { return SetWindowTitleText(text); }
int ApiSetLogFileOutput(int write_file) { return SetLogFileOutput(write_file); }
std::uint32_t ApiGetMillisecondTime() { return timeGetTime(); }
int ApiGetRandomInt(int n) { return GetRandomInt(n); }
int ApiReadAllKeyStates(char* key_states) { return ReadAllKeyStates(key_states); }
int ApiReadPadStateMask(int pad) { return ReadPadStateMask(pad); }
const void* ApiGetScreenPixelFormat() { return GetScreenPixelFormat(); }
std::uint32_t ApiMakeColorValue(int red, int green, int blue) { return MakeColorValue(red, green, blue); }

int ApiBuildColorFormat(ColorFormat* format, int bit_depth, std::uint32_t red_mask, std::uint32_t green_mask,
                        std::uint32_t blue_mask, std::uint32_t alpha_mask) {
    return BuildColorFormat(format, bit_depth, red_mask, green_mask, blue_mask, alpha_mask);
}

int ApiMakeRgbPixelFormat(void* pixel_format, int bit_count, std::uint32_t red_mask, std::uint32_t green_mask,
                          std::uint32_t blue_mask, std::uint32_t alpha_mask) {
    return MakeRgbPixelFormat(pixel_format, bit_count, red_mask, green_mask, blue_mask, alpha_mask);
}

int ApiFlipScreen() { return FlipScreen(); }
int ApiLoadImageAsGraph(const char* file_name, int no_texture) { return LoadImageAsGraph(file_name, no_texture); }

int ApiLoadImageAsDivGraphs(const char* file_name, int total_count, int count_across, int count_down, int piece_width,
                            int piece_height, int* handles, int no_texture) {
    return LoadImageAsDivGraphs(file_name, total_count, count_across, count_down, piece_width, piece_height, handles,
                                no_texture);
}

int ApiClearDrawTarget() { return ClearDrawTarget(); }
int ApiDrawGraphAtPoint(int x, int y, int graph, int transparent) { return DrawGraphAtPoint(x, y, graph, transparent); }

int ApiDrawRectangle(int x1, int y1, int x2, int y2, std::uint32_t color, int fill) {
    return DrawRectangle(x1, y1, x2, y2, color, fill);
}

int ApiDrawStringWithDefaultFont(int x, int y, const char* text, std::uint32_t color, std::uint32_t edge_color) {
    return DrawStringWithDefaultFont(x, y, text, color, edge_color);
}

int ApiChooseDrawTarget(int target) { return ChooseDrawTarget(target); }
int ApiDeleteAllSoftImages() { return DeleteAllSoftImages(); }
int ApiCreateXrgb32GraphImage(int width, int height, GraphImage* image) {
    return CreateXrgb32GraphImage(width, height, image);
}
int ApiFreeGraphImage(GraphImage* image) { return FreeGraphImage(image); }
int ApiLoadSoundFile(const char* file_name, int buffer_count, int shared_stream) {
    return LoadSoundFile(file_name, buffer_count, shared_stream);
}
int ApiPlaySoundHandle(int sound, int play_type, int from_top) { return PlaySoundHandle(sound, play_type, from_top); }
int ApiStopSoundHandle(int sound) { return StopSoundHandle(sound); }
int ApiShowMessageBox(const char* text, const char* caption, unsigned type) {
    return MessageBoxA(nullptr, text, caption, type);
}
int ApiSleepMilliseconds(std::uint32_t milliseconds) {
    Sleep(milliseconds);
    return 0;
}
