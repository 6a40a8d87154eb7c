// Typed text: the ring of input bytes that the window procedure fills, the input-method
// (IME) composition and candidate state, the key-input fields (handles of kind 10) and
// the per-frame step that edits the active field with what was typed.
#pragma once

#include <cstdint>

#include "engine/core/core.h"
#include "platform/window.h"

constexpr int kInputCharRingSize = 1025;  // holds 1,024 bytes
constexpr int kKeyInputRecordCount = 256;
constexpr int kImeTextBytes = 1024;
constexpr int kFieldColorCount = 12;

// Typed control characters that the ring keeps as they are (a typed line feed goes in as
// kInputCodeEnter).
constexpr unsigned char kInputCodeBackspace = 0x08;
constexpr unsigned char kInputCodeTab = 0x09;
constexpr unsigned char kInputCodeLineFeed = 0x0A;
constexpr unsigned char kInputCodeEnter = 0x0D;
constexpr unsigned char kInputCodeEscape = 0x1B;
// The lowest typed character that is not a control character (the space).
constexpr unsigned char kInputCodeFirstPrintable = 0x20;
// Control codes the window procedure puts into the ring for the editing keys.
constexpr unsigned char kInputCodeDelete = 0x10;
constexpr unsigned char kInputCodeRight = 0x1C;
constexpr unsigned char kInputCodeLeft = 0x1D;
constexpr unsigned char kInputCodeUp = 0x1E;
constexpr unsigned char kInputCodeDown = 0x1F;

struct KeyInputRecord {
    std::int32_t used;
    std::int32_t check;
    std::int32_t ended;
    std::int32_t cancelled;
    std::int32_t length;
    std::int32_t max_length;
    std::int32_t cursor;
    char* text;  // tracked block of at least max_length + 1 bytes, NUL-terminated
    std::int32_t escape_allowed;
    std::int32_t single_byte_only;
    std::int32_t digits_only;
};

struct TextInputState {
    unsigned char ring[kInputCharRingSize];
    std::int32_t ring_read;
    std::int32_t ring_write;

    char composition[kImeTextBytes + 1];
    std::int32_t composing;
    std::int32_t composition_cursor;  // in characters
    char saved_composition[kImeTextBytes + 1];
    unsigned char clause_data[kImeTextBytes];
    std::int32_t clause_count;
    void* candidate_list;  // tracked block, null when none
    std::int32_t candidate_list_size;

    std::int32_t ime_enabled;
    std::int32_t ime_open_status;
    std::int32_t ime_reopen_step;  // 0 nothing to do, 1-4 the step to start from
    std::int32_t open_status_busy;  // guards IMN_SETOPENSTATUS against itself

    // Composition limits; nothing sets them, both 0.
    std::int32_t limit_to_field;
    std::int32_t max_composition_bytes;

    KeyInputRecord records[kKeyInputRecordCount];
    std::int32_t live_count;
    std::int32_t end_mark;
    std::int32_t next_check;
    std::int32_t active_handle;  // -1 when none
    char* shared_input_buffer;

    std::uint32_t field_colors[kFieldColorCount];
    std::uint32_t last_input_time;
    std::int32_t blink_period;
    std::int32_t cursor_shown;

    // Called at the start of every StepTextInput when set; kept by the start-up's reset.
    // Nothing in the engine sets it; the engine's testing library does.
    void (*step_observer)();
};

TextInputState* GetTextInputState();
// The key-input fields' handle table, read from and stored back into the state, and its
// rule for a slot in use.
HandleTable KeyInputTable();
void StoreKeyInputTable(const HandleTable& table);
bool KeyInputSlotInUse(const HandleTable& table, std::int32_t slot);

int InitializeTextInput();
int PushInputChar(unsigned char byte);
// Returns the number of bytes of the next character (0, 1 or 2) into buffer[0..1];
// take 0 only looks. A lead byte whose second byte has not arrived stays in the ring.
int PopInputChar(char buffer[2], int take);
int IsInputControlCode(unsigned char byte);
LRESULT HandleImeMessage(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
int StepTextInput();
int SetImeEnabled(int enable);
int DeleteKeyInputHandle(int handle);
int DeleteAllKeyInputHandles();
// The virtual key's control code, or 0 when the key has none.
unsigned char LookUpInputControlCode(WPARAM virtual_key);
