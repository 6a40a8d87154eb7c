// Key-input fields made directly in the text-input state's table, by the shared handle
// rules, and the step observer. Relies on the core's handle rules and tracked allocator.
#include "tests/support/engine_testing/text_input_testing.h"

#include <cstdint>

#include "engine/app/text_input.h"
#include "engine/core/core.h"

int CreateKeyInputHandleForTesting(int max_length, int escape_allowed, int single_byte_only, int digits_only) {
    if (max_length < 0) return -1;
    TextInputState& state = *GetTextInputState();
    HandleTable table = KeyInputTable();
    const std::int32_t slot = PickHandleSlot(table, KeyInputSlotInUse);
    if (slot < 0) return -1;
    char* text = static_cast<char*>(TrackedCalloc(static_cast<std::uint32_t>(max_length) + 1, __FILE__, __LINE__));
    if (text == nullptr) return -1;
    KeyInputRecord& record = state.records[slot];
    record = KeyInputRecord{};
    record.used = 1;
    record.check = static_cast<std::int32_t>(TakeHandleCheckCount(table));
    record.max_length = max_length;
    record.text = text;
    record.escape_allowed = escape_allowed;
    record.single_byte_only = single_byte_only;
    record.digits_only = digits_only;
    NoteHandleSlotFilled(table, slot);
    StoreKeyInputTable(table);
    const int handle = MakeHandleValue(kHandleKindKeyInput, static_cast<std::uint32_t>(record.check), slot);
    state.active_handle = handle;
    return handle;
}

void SetTextInputStepHookForTesting(void (*hook)()) { GetTextInputState()->step_observer = hook; }
