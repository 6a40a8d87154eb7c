// The input-method calls over SDL text editing: each window's context holds the
// composition, its cursor and the finished text that the queued IME messages carry
// (set when such a message is taken from the queue), plus the open and enabled
// switches. Text input itself is never stopped, so WM_CHAR keeps flowing.
#include <algorithm>
#include <cstring>

#include "platform/sdl/window_internal.h"

namespace {

constexpr LONG kImeErrorGeneral = -2;

// A context names its window: the same bits in another handle type.
HIMC ContextOf(HWND window) { return reinterpret_cast<HIMC>(window); }

sdl_window::WindowRecord* RecordOf(HIMC context) {
    return sdl_window::FindWindowRecord(reinterpret_cast<HWND>(context));
}

LONG CopyOut(const void* data, std::size_t size, void* buffer, DWORD buffer_size) {
    if (buffer_size == 0 || buffer == nullptr) return static_cast<LONG>(size);
    const std::size_t n = std::min<std::size_t>(size, buffer_size);
    if (n > 0) std::memcpy(buffer, data, n);
    return static_cast<LONG>(n);
}

}  // namespace

HIMC ImmGetContext(HWND window) {
    return sdl_window::FindWindowRecord(window) != nullptr ? ContextOf(window) : nullptr;
}

BOOL ImmReleaseContext(HWND /*window*/, HIMC context) { return context != nullptr ? TRUE : FALSE; }

LONG ImmGetCompositionStringA(HIMC context, DWORD index, void* buffer, DWORD buffer_size) {
    sdl_window::WindowRecord* record = RecordOf(context);
    if (record == nullptr) return kImeErrorGeneral;
    const sdl_window::ImeState& ime = record->ime;
    switch (index) {
        case GCS_COMPSTR:
            return CopyOut(ime.composition.data(), ime.composition.size(), buffer, buffer_size);
        case GCS_RESULTSTR:
            return CopyOut(ime.result.data(), ime.result.size(), buffer, buffer_size);
        case GCS_CURSORPOS:
            return ime.cursor;
        case GCS_COMPCLAUSE: {
            if (ime.composition.empty()) return 0;
            const DWORD clauses[2] = {0, static_cast<DWORD>(ime.composition.size())};
            return CopyOut(clauses, sizeof clauses, buffer, buffer_size);
        }
        case GCS_COMPATTR: {
            // Every byte is being typed (attribute 0).
            const std::size_t size = ime.composition.size();
            if (buffer_size == 0 || buffer == nullptr) return static_cast<LONG>(size);
            const std::size_t n = std::min<std::size_t>(size, buffer_size);
            std::memset(buffer, 0, n);
            return static_cast<LONG>(n);
        }
        default:
            return 0;
    }
}

DWORD ImmGetCandidateListA(HIMC /*context*/, DWORD /*index*/, CANDIDATELIST* /*list*/, DWORD /*buffer_size*/) {
    return 0;
}

BOOL ImmNotifyIME(HIMC context, DWORD action, DWORD index, DWORD /*value*/) {
    sdl_window::WindowRecord* record = RecordOf(context);
    if (record == nullptr) return FALSE;
    if (action == NI_COMPOSITIONSTR && index == CPS_CANCEL) {
        record->ime.composition.clear();
        record->ime.cursor = 0;
    }
    return TRUE;
}

BOOL ImmSetCompositionStringA(HIMC context, DWORD index, const void* composition, DWORD composition_size,
                              const void* /*reading*/, DWORD /*reading_size*/) {
    sdl_window::WindowRecord* record = RecordOf(context);
    if (record == nullptr || index != SCS_SETSTR) return FALSE;
    const char* text = static_cast<const char*>(composition);
    std::size_t n = 0;
    if (text != nullptr) {
        while (n < composition_size && text[n] != '\0') ++n;
    }
    record->ime.composition.assign(text == nullptr ? "" : text, n);
    record->ime.cursor = static_cast<LONG>(n);
    return TRUE;
}

BOOL ImmSetOpenStatus(HIMC context, BOOL open) {
    sdl_window::WindowRecord* record = RecordOf(context);
    if (record == nullptr) return FALSE;
    record->ime.open = open != FALSE;
    return TRUE;
}

BOOL ImmGetOpenStatus(HIMC context) {
    sdl_window::WindowRecord* record = RecordOf(context);
    return record != nullptr && record->ime.open ? TRUE : FALSE;
}

BOOL WINNLSEnableIME(HWND window, BOOL enable) {
    if (window == nullptr) {
        BOOL previous = FALSE;
        for (int i = 0; i < sdl_window::kMaxWindows; ++i) {
            if (sdl_window::WindowRecord* record = sdl_window::WindowAt(i)) {
                previous = record->ime.enabled ? TRUE : previous;
                record->ime.enabled = enable != FALSE;
            }
        }
        return previous;
    }
    sdl_window::WindowRecord* record = sdl_window::FindWindowRecord(window);
    if (record == nullptr) return FALSE;
    const BOOL previous = record->ime.enabled ? TRUE : FALSE;
    record->ime.enabled = enable != FALSE;
    if (!record->ime.enabled) record->ime.composing_queued = false;
    return previous;
}
