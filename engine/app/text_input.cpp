// Typed text: the 1,025-byte input ring, the IME messages, the key-input fields and the
// per-frame editing step. Shift-JIS editing always finds character starts by walking
// from the start of the text, so no edit splits a two-byte character or steps past the
// terminating zero. Relies on the platform's IMM calls, the handle rules, the tracked
// allocator and the log.
#include "engine/app/text_input.h"

#include "engine/app/app.h"
#include "engine/app/library_startup.h"
#include "engine/app/window_state.h"
#include "engine/core/core.h"
#include "engine/graphics/graphics.h"

namespace {

TextInputState g_text_input{};

// The editing keys and their control codes, ended by a zero pair.
const unsigned char kControlKeyTable[][2] = {
    {VK_DELETE, kInputCodeDelete}, {VK_LEFT, kInputCodeLeft}, {VK_RIGHT, kInputCodeRight},
    {VK_UP, kInputCodeUp},         {VK_DOWN, kInputCodeDown}, {0, 0},
};

// Bounds the wait for the input method's open status when the clock stands still.
constexpr int kOpenStatusPumpLimit = 2000;
// The wait for the open status ends after this long on the microsecond clock.
constexpr std::int64_t kOpenStatusWaitMicroseconds = 2000;
// The field cursor blinks with this period.
constexpr std::int32_t kCursorBlinkPeriodMs = 500;
// A composition length no field reaches: no cut.
constexpr int kNoCompositionLimit = 65536;

bool IsLead(unsigned char byte) { return IsMultiByteLeadByte(&byte, GetEngineCharSetMode()) != 0; }

bool RingEmpty() { return g_text_input.ring_read == g_text_input.ring_write; }

bool RingFull() {
    const TextInputState& s = g_text_input;
    return s.ring_write + 1 == s.ring_read || (s.ring_read == 0 && s.ring_write == kInputCharRingSize - 1);
}

void StepRingBack() {
    g_text_input.ring_read = g_text_input.ring_read == 0 ? kInputCharRingSize - 1 : g_text_input.ring_read - 1;
}

void AdvanceRead() {
    if (++g_text_input.ring_read == kInputCharRingSize) g_text_input.ring_read = 0;
}

void NoteInput() {
    g_text_input.last_input_time = timeGetTime();
    g_text_input.cursor_shown = 1;
}

void FreeCandidateList() {
    if (g_text_input.candidate_list != nullptr) TrackedFree(g_text_input.candidate_list);
    g_text_input.candidate_list = nullptr;
    g_text_input.candidate_list_size = 0;
}

// Size of the character starting at `pos` of a text of `length` bytes: 2 for a lead byte
// that has its second byte, else 1 (a lone lead byte at the end counts alone).
int CharSizeAt(const char* text, int length, int pos) {
    return IsLead(static_cast<unsigned char>(text[pos])) && pos + 1 < length ? 2 : 1;
}

// Start of the character that ends at or spans `pos`, found by walking from the start.
int CharStartBefore(const char* text, int length, int pos) {
    int start = 0;
    int at = 0;
    while (at < pos) {
        start = at;
        at += CharSizeAt(text, length, at);
    }
    return start;
}

void RemoveBytes(KeyInputRecord& field, int from, int count) {
    MoveBytes(field.text + from, field.text + from + count, static_cast<std::uint32_t>(field.length - from - count + 1));
    field.length -= count;
}

KeyInputRecord* CheckKeyInputHandle(int handle) {
    const std::int32_t slot = ValidateHandleSlot(handle, kHandleKindKeyInput, kKeyInputRecordCount);
    if (slot < 0) return nullptr;
    KeyInputRecord& record = g_text_input.records[slot];
    if (!record.used || !HandleCheckMatches(static_cast<std::uint32_t>(record.check), handle)) return nullptr;
    return &record;
}

int ReadCompositionString(HIMC context, DWORD kind, char* out, int capacity) {
    const LONG got = ImmGetCompositionStringA(context, kind, out, static_cast<DWORD>(capacity));
    const int length = got < 0 ? 0 : (got > capacity ? capacity : static_cast<int>(got));
    out[length] = '\0';
    return length;
}

void InsertChar(KeyInputRecord& field, const char* c, int size) {
    if (field.digits_only) {
        if (size != 1) return;
        const bool digit = c[0] >= '0' && c[0] <= '9';
        const bool minus = c[0] == '-' && field.cursor == 0;
        if (!digit && !minus) return;
    }
    if (field.single_byte_only && size == 2) return;
    // A character longer than the whole field can never fit: drop it.
    if (size > field.max_length) return;
    while (field.length + size > field.max_length) {
        const bool cursor_at_end = field.cursor >= field.length;
        const int last = CharStartBefore(field.text, field.length, field.length);
        field.text[last] = '\0';
        field.length = last;
        if (cursor_at_end || field.cursor > field.length) field.cursor = field.length;
    }
    MoveBytes(field.text + field.cursor + size, field.text + field.cursor,
              static_cast<std::uint32_t>(field.length - field.cursor + 1));
    for (int i = 0; i < size; ++i) field.text[field.cursor + i] = c[i];
    field.cursor += size;
    field.length += size;
}

void EditField(KeyInputRecord& field, const char* c, int size) {
    const signed char code = static_cast<signed char>(c[0]);
    switch (code) {
        case kInputCodeBackspace:
            if (field.cursor > 0) {
                const int start = CharStartBefore(field.text, field.length, field.cursor);
                const int removed = field.cursor - start;
                field.cursor = start;
                RemoveBytes(field, start, removed);
            }
            return;
        case kInputCodeDelete:
            if (field.cursor < field.length) RemoveBytes(field, field.cursor, CharSizeAt(field.text, field.length, field.cursor));
            return;
        case kInputCodeRight:
            if (field.cursor < field.length) field.cursor += CharSizeAt(field.text, field.length, field.cursor);
            return;
        case kInputCodeLeft:
            if (field.cursor > 0) field.cursor = CharStartBefore(field.text, field.length, field.cursor);
            return;
        case kInputCodeTab:
        case kInputCodeUp:
        case kInputCodeDown:
            return;
        case kInputCodeEnter:
            field.ended = 1;
            return;
        case kInputCodeEscape:
            if (field.escape_allowed) {
                field.cancelled = 1;
                field.ended = 1;
            }
            return;
        default:
            InsertChar(field, c, size);
            return;
    }
}

void RunImeReopenSequence() {
    TextInputState& s = g_text_input;
    const HWND window = GetMainWindowHandle();
    for (int step = s.ime_reopen_step; step >= 1 && step <= 4; ++step) {
        HIMC context = window != nullptr ? ImmGetContext(window) : nullptr;
        if (context == nullptr) continue;
        switch (step) {
            case 1:
                s.composition[0] = '\0';
                s.saved_composition[0] = '\0';
                ReadCompositionString(context, GCS_COMPSTR, s.saved_composition, kImeTextBytes);
                ImmNotifyIME(context, NI_COMPOSITIONSTR, CPS_CANCEL, 0);
                break;
            case 2:
                ImmSetOpenStatus(context, FALSE);
                s.ime_open_status = 0;
                break;
            case 3:
                ImmSetOpenStatus(context, TRUE);
                s.ime_open_status = 1;
                break;
            case 4: {
                ImmSetOpenStatus(context, TRUE);
                std::uint32_t length = 0;
                while (s.saved_composition[length] != '\0') ++length;
                ImmSetCompositionStringA(context, SCS_SETSTR, s.saved_composition, length, nullptr, 0);
                break;
            }
        }
        ImmReleaseContext(window, context);
    }
    s.ime_reopen_step = 0;
}

// Cuts the composition to what the field may still take, never splitting a character.
void ApplyCompositionLimits(const KeyInputRecord& field) {
    TextInputState& s = g_text_input;
    if (!s.limit_to_field && s.max_composition_bytes == 0) return;
    int composition_length = 0;
    while (s.composition[composition_length] != '\0') ++composition_length;
    int allowed = kNoCompositionLimit;
    bool applies = false;
    if (s.limit_to_field && field.length + composition_length > field.max_length) {
        allowed = field.max_length - field.length;
        applies = true;
    }
    if (s.max_composition_bytes > 0 && composition_length > s.max_composition_bytes) {
        if (s.max_composition_bytes < allowed) allowed = s.max_composition_bytes;
        applies = true;
    }
    if (!applies || composition_length <= allowed) return;
    int cut = 0;
    while (cut < composition_length) {
        const int size = CharSizeAt(s.composition, composition_length, cut);
        if (cut + size > allowed) break;
        cut += size;
    }
    s.composition[cut] = '\0';
    const HWND window = GetMainWindowHandle();
    HIMC context = window != nullptr ? ImmGetContext(window) : nullptr;
    if (context == nullptr) return;
    ImmNotifyIME(context, NI_COMPOSITIONSTR, CPS_CANCEL, 0);
    ImmSetCompositionStringA(context, SCS_SETSTR, s.composition, static_cast<DWORD>(cut), nullptr, 0);
    ImmReleaseContext(window, context);
}

}  // namespace

bool KeyInputSlotInUse(const HandleTable&, std::int32_t slot) { return g_text_input.records[slot].used != 0; }

HandleTable KeyInputTable() {
    HandleTable table{};
    table.kind = kHandleKindKeyInput;
    table.limit = kKeyInputRecordCount;
    table.records = nullptr;
    table.live_count = g_text_input.live_count;
    table.end_mark = g_text_input.end_mark;
    table.next_check = g_text_input.next_check;
    return table;
}

void StoreKeyInputTable(const HandleTable& table) {
    g_text_input.live_count = table.live_count;
    g_text_input.end_mark = table.end_mark;
    g_text_input.next_check = table.next_check;
}

TextInputState* GetTextInputState() { return &g_text_input; }

unsigned char LookUpInputControlCode(WPARAM virtual_key) {
    for (int i = 0; kControlKeyTable[i][0] != 0; ++i) {
        if (kControlKeyTable[i][0] == virtual_key) return kControlKeyTable[i][1];
    }
    return 0;
}

int IsInputControlCode(unsigned char byte) {
    for (int i = 0; kControlKeyTable[i][0] != 0; ++i) {
        if (kControlKeyTable[i][1] == byte) return 1;
    }
    return 0;
}

int InitializeTextInput() {
    WriteLogText("文字コードバッファの初期化を行います... ");
    // Blocks that outlived a previous run of the engine are given back first.
    for (KeyInputRecord& record : g_text_input.records) {
        if (record.used && record.text != nullptr) TrackedFree(record.text);
    }
    if (g_text_input.shared_input_buffer != nullptr) TrackedFree(g_text_input.shared_input_buffer);
    FreeCandidateList();
    void (*const step_observer)() = g_text_input.step_observer;
    g_text_input = TextInputState{};
    g_text_input.step_observer = step_observer;
    const int colors[kFieldColorCount][3] = {{255, 255, 255}, {255, 255, 255}, {255, 255, 0}, {0, 255, 255},
                               {255, 255, 255}, {255, 0, 0},     {255, 255, 20}, {0, 0, 0},
                               {0, 0, 0},       {0, 0, 0},       {255, 255, 0}, {0, 0, 0}};
    for (int i = 0; i < kFieldColorCount; ++i) {
        g_text_input.field_colors[i] = MakeColorValue(colors[i][0], colors[i][1], colors[i][2]);
    }
    g_text_input.active_handle = -1;
    g_text_input.last_input_time = 0;
    g_text_input.blink_period = kCursorBlinkPeriodMs;
    g_text_input.cursor_shown = 1;
    WriteLogText("完了しました\n");
    return 0;
}

int PushInputChar(unsigned char byte) {
    if (RingFull()) return -1;
    g_text_input.ring[g_text_input.ring_write] = byte;
    if (++g_text_input.ring_write == kInputCharRingSize) g_text_input.ring_write = 0;
    return 0;
}

int PopInputChar(char buffer[2], int take) {
    buffer[0] = 0;
    buffer[1] = 0;
    if (RingEmpty()) return 0;
    const unsigned char first = g_text_input.ring[g_text_input.ring_read];
    buffer[0] = static_cast<char>(first);
    AdvanceRead();
    int count = 1;
    if (!IsInputControlCode(first) && IsLead(first)) {
        if (RingEmpty()) {
            StepRingBack();
            buffer[0] = 0;
            return 0;
        }
        buffer[1] = static_cast<char>(g_text_input.ring[g_text_input.ring_read]);
        if (take) AdvanceRead();
        count = 2;
    }
    if (!take) StepRingBack();
    return count;
}

LRESULT HandleImeMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    TextInputState& s = g_text_input;
    NoteInput();
    switch (message) {
        case WM_IME_STARTCOMPOSITION:
            s.composing = 1;
            s.composition_cursor = 0;
            return 0;
        case WM_IME_ENDCOMPOSITION:
            s.composition[0] = '\0';
            s.composing = 0;
            return 0;
        case WM_IME_COMPOSITION: {
            HIMC context = ImmGetContext(window);
            if (context == nullptr) return 0;
            if (lparam & GCS_COMPSTR) ReadCompositionString(context, GCS_COMPSTR, s.composition, kImeTextBytes);
            if (lparam & GCS_RESULTSTR) {
                const int length = ReadCompositionString(context, GCS_RESULTSTR, s.composition, kImeTextBytes);
                for (int i = 0; i < length; ++i) PushInputChar(static_cast<unsigned char>(s.composition[i]));
                ReadCompositionString(context, GCS_COMPSTR, s.composition, kImeTextBytes);
            }
            if (lparam & GCS_CURSORPOS) {
                int cursor = static_cast<int>(ImmGetCompositionStringA(context, GCS_CURSORPOS, nullptr, 0));
                int length = 0;
                while (s.composition[length] != '\0') ++length;
                if (cursor < 0) cursor = 0;
                if (cursor > length) cursor = length;
                s.composition_cursor = CountCharsInBytes(s.composition, cursor);
            }
            if (lparam & GCS_COMPCLAUSE) {
                FillBytes(s.clause_data, 0, sizeof s.clause_data);
                const LONG got = ImmGetCompositionStringA(context, GCS_COMPCLAUSE, s.clause_data, sizeof s.clause_data);
                const LONG length = got < 0 ? 0 : (got > kImeTextBytes ? kImeTextBytes : got);
                s.clause_count = static_cast<std::int32_t>(length / 4);
            }
            ImmReleaseContext(window, context);
            return 0;
        }
        case WM_IME_SETCONTEXT:
            return DefWindowProcA(window, message, wparam, 0);
        case WM_IME_NOTIFY:
            switch (wparam) {
                case IMN_CHANGECANDIDATE:
                case IMN_OPENCANDIDATE:
                case IMN_SETCANDIDATEPOS: {
                    HIMC context = ImmGetContext(window);
                    const DWORD size = context != nullptr ? ImmGetCandidateListA(context, 0, nullptr, 0) : 0;
                    if (size == 0) {
                        if (context != nullptr) ImmReleaseContext(window, context);
                        WriteLogFormat("漢字変換候補のデータサイズが０でした  DefHWND:%x IMC:%x\n",
                                       static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(window)),
                                       static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(context)));
                        return 0;
                    }
                    FreeCandidateList();
                    void* list = TrackedAlloc(size, __FILE__, __LINE__);
                    if (list == nullptr) {
                        ImmReleaseContext(window, context);
                        FatalErrorExitFormat("漢字変換候補を保存するメモリの確保に失敗しました( 確保しようとしたサイズ %d バイト )",
                                             static_cast<int>(size));
                    }
                    s.candidate_list = list;
                    s.candidate_list_size = static_cast<std::int32_t>(size);
                    if (ImmGetCandidateListA(context, 0, static_cast<CANDIDATELIST*>(list), size) == 0) {
                        FreeCandidateList();
                        WriteLogFormat("漢字変換候補の取得に失敗しました  BufSize:%d\n", static_cast<int>(size));
                    }
                    ImmReleaseContext(window, context);
                    return 0;
                }
                case IMN_CLOSECANDIDATE:
                    FreeCandidateList();
                    return 0;
                case IMN_SETOPENSTATUS: {
                    if (s.open_status_busy) return 0;
                    s.open_status_busy = 1;
                    DefWindowProcA(window, message, wparam, lparam);
                    const std::int64_t start = GetMicrosecondCount(0);
                    for (int pass = 0; pass < kOpenStatusPumpLimit; ++pass) {
                        if (ProcessWindowMessages() != 0) break;
                        if (GetMicrosecondCount(0) - start >= kOpenStatusWaitMicroseconds) break;
                    }
                    HIMC context = ImmGetContext(window);
                    if (context != nullptr) {
                        s.ime_open_status = ImmGetOpenStatus(context) ? 1 : 0;
                        ImmReleaseContext(window, context);
                    }
                    s.open_status_busy = 0;
                    return 0;
                }
                default:
                    return DefWindowProcA(window, message, wparam, lparam);
            }
        default:
            return DefWindowProcA(window, message, wparam, lparam);
    }
}

int StepTextInput() {
    if (g_text_input.step_observer != nullptr) g_text_input.step_observer();
    TextInputState& s = g_text_input;
    if (s.ime_reopen_step >= 1 && s.ime_reopen_step <= 4) RunImeReopenSequence();
    if (s.active_handle == -1) return 0;
    KeyInputRecord* field = CheckKeyInputHandle(s.active_handle);
    if (field == nullptr) return -1;
    if (field->ended) return 0;
    ApplyCompositionLimits(*field);
    char c[2];
    while (!field->ended) {
        const int size = PopInputChar(c, 1);
        if (size == 0) break;
        NoteInput();
        EditField(*field, c, size);
    }
    return 0;
}

int SetImeEnabled(int enable) {
    TextInputState& s = g_text_input;
    const int flag = enable != 0 ? 1 : 0;
    if (flag == s.ime_enabled) return 0;
    WINNLSEnableIME(GetMainWindowHandle(), flag);
    s.ime_enabled = flag;
    if (!flag) {
        FreeCandidateList();
        s.composition[0] = '\0';
        s.composing = 0;
    }
    return 0;
}

int DeleteKeyInputHandle(int handle) {
    KeyInputRecord* record = CheckKeyInputHandle(handle);
    if (record == nullptr) return -1;
    if (record->text != nullptr) TrackedFree(record->text);
    *record = KeyInputRecord{};
    HandleTable table = KeyInputTable();
    NoteHandleSlotEmptied(table, handle & kHandleSlotMask, KeyInputSlotInUse);
    StoreKeyInputTable(table);
    if (g_text_input.active_handle == handle) g_text_input.active_handle = -1;
    if (g_text_input.live_count == 0) SetImeEnabled(0);
    return 0;
}

int DeleteAllKeyInputHandles() {
    for (int slot = 0; slot < kKeyInputRecordCount; ++slot) {
        const KeyInputRecord& record = g_text_input.records[slot];
        if (record.used) DeleteKeyInputHandle(MakeHandleValue(kHandleKindKeyInput, static_cast<std::uint32_t>(record.check), slot));
    }
    if (g_text_input.shared_input_buffer != nullptr) TrackedFree(g_text_input.shared_input_buffer);
    g_text_input.shared_input_buffer = nullptr;
    g_text_input.active_handle = -1;
    return 0;
}
