// The on-screen log: 80 lines of Shift-JIS text, white with a black edge in a font of
// its own, drawn over the picture at each flip. Text wraps at the line's byte limit or
// the screen width and scrolls up once the screen is full; on a smaller screen after a
// mode change the current line moves up to the last row drawn. Relies on the font
// handles, string measuring and drawing, and the graphics core's screen answers.
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "engine/core/core.h"
#include "engine/font/font_internal.h"
#include "engine/graphics/graphics.h"

namespace {

ScreenLogState g_log = {0, -1, 1, 0, 0, {}, 0, 16, 4, 0};

constexpr std::size_t kScreenLogFormatBytes = 1024;

int VisibleRows() {
    int width = 0, height = 0;
    ReadScreenSize(&width, &height);
    const int rows = g_log.font_size > 0 ? height / g_log.font_size : 0;
    return rows < kScreenLogLines ? rows : kScreenLogLines;
}

// After a change to a smaller screen the current line may lie below the last row
// drawn: the lines move up so that it is the last row, the newest text kept, and the
// rows below it are cleared.
void KeepCurrentLineOnScreen() {
    const int rows = VisibleRows();
    if (rows <= 0 || g_log.line < rows) return;
    const int dropped = g_log.line - (rows - 1);
    std::memmove(g_log.text[0], g_log.text[dropped], static_cast<std::size_t>(rows) * kScreenLogLineBytes);
    std::memset(g_log.text[rows], 0, static_cast<std::size_t>(dropped) * kScreenLogLineBytes);
    g_log.line = rows - 1;
}

// Starts the log when needed, brings its font back and keeps the current line on the
// screen; false when it cannot start.
bool Ready() {
    if (!g_log.started && StartScreenLog() != 0) return false;
    UpdateScreenLogFont();
    KeepCurrentLineOnScreen();
    return true;
}

}  // namespace

ScreenLogState* GetScreenLogState() { return &g_log; }

int IsScreenLogUsed() { return g_log.used; }

int StartScreenLog() {
    if (g_log.started) return 0;
    if (GetDirectDrawObject() == nullptr || GetMainWindowHandle() == nullptr) return -1;
    g_log.started = 1;
    g_log.font_size = 16;
    g_log.font_handle = -1;
    g_log.font_dirty = 1;
    UpdateScreenLogFont();
    g_log.used = 0;
    g_log.tab_width = 4;
    g_log.line = 0;
    g_log.column = 0;
    g_log.pixel_width = 0;
    std::memset(g_log.text, 0, sizeof g_log.text);
    return 0;
}

int UpdateScreenLogFont() {
    if (!g_log.font_dirty) return 0;
    g_log.font_handle = CreateFontToHandle(nullptr, g_log.font_size, 4, kFontTypeEdge, -1, -1, 0, -1, -1);
    // A font that could not be made is tried again at the next use.
    g_log.font_dirty = g_log.font_handle < 0 ? 1 : 0;
    SetFontDeletedFlagPointer(g_log.font_handle, &g_log.font_dirty);
    return 0;
}

int ScreenLogNewLine() {
    if (!Ready()) return 0;
    const int rows = VisibleRows();
    if (rows <= g_log.line + 1) {
        // Scroll: every line from 1 up to the current one moves up by one.
        if (g_log.line > 0) {
            std::memmove(g_log.text[0], g_log.text[1], static_cast<std::size_t>(g_log.line) * kScreenLogLineBytes);
        }
    } else {
        ++g_log.line;
    }
    std::memset(g_log.text[g_log.line], 0, kScreenLogLineBytes);
    g_log.column = 0;
    g_log.pixel_width = 0;
    return 0;
}

int ScreenLogPutChar(const char* character) {
    if (!Ready()) return 0;
    const auto* bytes = reinterpret_cast<const unsigned char*>(character);
    // A lead byte at the end of the text stands alone: its terminator is not taken in.
    const int size = IsMultiByteLeadByte(bytes, GetEngineCharSetMode()) && bytes[1] != 0 ? 2 : 1;
    const int width = MeasureStringWidth(character, size, g_log.font_handle, 0);
    int screen_width = 0;
    ReadScreenSize(&screen_width, nullptr);
    if (g_log.column + size >= kScreenLogLineBytes) {
        ScreenLogNewLine();
    } else if (g_log.pixel_width + width >= screen_width) {
        ScreenLogNewLine();
    }
    g_log.pixel_width += width > 0 ? width : 0;
    char* line = g_log.text[g_log.line];
    std::memcpy(line + g_log.column, character, static_cast<std::size_t>(size));
    line[g_log.column + size] = '\0';
    g_log.column += size;
    return size;
}

int ScreenLogWriteText(const char* text) {
    if (!Ready() || text == nullptr) return 0;
    for (const char* p = text; *p != '\0'; ++p) {
        const auto c = static_cast<signed char>(*p);
        if (c == 7 || c == 8 || c == 11 || c == 12 || c == 13 || c == '?') continue;
        if (c == 9) {
            for (int i = 0; i < g_log.tab_width; ++i) ScreenLogPutChar(" ");
        } else if (c == 10) {
            ScreenLogNewLine();
        } else if (ScreenLogPutChar(p) == 2) {
            ++p;
        }
    }
    return 0;
}

int ScreenLogPrintf(const char* format, ...) {
    // A log that cannot start takes nothing and is not marked as sent.
    if (!Ready()) return 0;
    char buffer[kScreenLogFormatBytes];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    if (n < 0) buffer[0] = '\0';
    g_log.used = 1;
    ScreenLogWriteText(buffer);
    return 0;
}

int DrawScreenLog() {
    if (!Ready()) return 0;
    const int rows = VisibleRows();
    const std::uint32_t white = MakeColorValue(255, 255, 255);
    const std::uint32_t black = MakeColorValue(0, 0, 0);
    for (int i = 0; i < rows; ++i) {
        DrawStringWithFontHandle(0, g_log.font_size * i, g_log.text[i], white, g_log.font_handle, black, 0);
    }
    return 0;
}
