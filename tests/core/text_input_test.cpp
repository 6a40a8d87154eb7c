// Text input: the 1,025-byte ring, looking at and taking Shift-JIS characters, and the
// per-frame step editing a key-input field, including characters whose second byte lies
// in the lead-byte range and lone lead bytes at the end of the text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/app/text_input.h"
#include "engine/core/tracked_alloc.h"
#include "tests/support/engine_testing/core_testing.h"
#include "tests/support/engine_testing/text_input_testing.h"

namespace {

class TextInputTest : public ::testing::Test {
protected:
    void SetUp() override { InitializeTextInput(); }
    void TearDown() override {
        DeleteAllKeyInputHandles();
        EXPECT_EQ(TrackedLiveBlockCount(), 0);
    }
};

void Push(const std::string& bytes) {
    for (char c : bytes) ASSERT_EQ(PushInputChar(static_cast<unsigned char>(c)), 0);
}

KeyInputRecord& Field(int handle) { return GetTextInputState()->records[handle & 0xFFFF]; }

std::string Text(int handle) { return std::string(Field(handle).text, static_cast<std::size_t>(Field(handle).length)); }

// Places text and cursor directly, as a field could hold them.
void SetField(int handle, const std::string& text, int cursor) {
    KeyInputRecord& field = Field(handle);
    for (std::size_t i = 0; i < text.size(); ++i) field.text[i] = text[i];
    field.text[text.size()] = '\0';
    field.length = static_cast<int>(text.size());
    field.cursor = cursor;
}

const std::string kLeft = "\x1D";
const std::string kRight = "\x1C";
const std::string kDelete = "\x10";
const std::string kBackspace = "\x08";

}  // namespace

TEST_F(TextInputTest, RingHoldsAtMost1024Bytes) {
    for (int i = 0; i < 1024; ++i) ASSERT_EQ(PushInputChar(static_cast<unsigned char>('a' + i % 26)), 0);
    EXPECT_EQ(PushInputChar('z'), -1);
    char c[2];
    for (int i = 0; i < 1024; ++i) {
        ASSERT_EQ(PopInputChar(c, 1), 1);
        ASSERT_EQ(c[0], static_cast<char>('a' + i % 26));
    }
    EXPECT_EQ(PopInputChar(c, 1), 0);
    // After wrapping the ring still takes 1,024 bytes.
    for (int i = 0; i < 1024; ++i) ASSERT_EQ(PushInputChar('b'), 0);
    EXPECT_EQ(PushInputChar('b'), -1);
}

TEST_F(TextInputTest, LeadByteWaitsForItsSecondByte) {
    char c[2] = {1, 1};
    Push("\x82");
    EXPECT_EQ(PopInputChar(c, 1), 0);
    EXPECT_EQ(c[0], 0);
    EXPECT_EQ(PopInputChar(c, 0), 0);
    Push("\xA0");
    EXPECT_EQ(PopInputChar(c, 0), 2);  // looking leaves both bytes
    EXPECT_EQ(PopInputChar(c, 1), 2);
    EXPECT_EQ(static_cast<unsigned char>(c[0]), 0x82);
    EXPECT_EQ(static_cast<unsigned char>(c[1]), 0xA0);
    EXPECT_EQ(PopInputChar(c, 1), 0);
    // Control codes are never lead bytes.
    Push(kDelete + "a");
    EXPECT_EQ(PopInputChar(c, 1), 1);
    EXPECT_EQ(c[0], 0x10);
}

TEST_F(TextInputTest, FieldEditingTable) {
    struct Case {
        const char* name;
        int max_length;
        int digits_only;
        int single_byte_only;
        std::string typed;
        std::string text;
        int cursor;
    };
    const Case cases[] = {
        {"plain typing", 10, 0, 0, "abc", "abc", 3},
        {"insert in the middle", 10, 0, 0, "ac" + kLeft + "b", "abc", 2},
        {"backspace", 10, 0, 0, "abc" + kBackspace, "ab", 2},
        {"backspace over a two-byte character", 10, 0, 0, "a\x82\xA0" + kBackspace, "a", 1},
        // "も" is 82 E0: its second byte is in the lead range. Backspace after "もA"
        // removes only the A.
        {"backspace after a trail byte in the lead range", 10, 0, 0, "\x82\xE0" "A" + kBackspace, "\x82\xE0", 2},
        {"left after a trail byte in the lead range", 10, 0, 0, "\x82\xE0" "A" + kLeft + "x", "\x82\xE0" "xA", 3},
        {"left over a two-byte character", 10, 0, 0, "\x82\xE0" + kLeft + "x", "x\x82\xE0", 1},
        {"delete at the cursor", 10, 0, 0, "\x82\xA0" "b" + kLeft + kLeft + kDelete, "b", 0},
        {"right over a two-byte character", 10, 0, 0, "\x82\xA0" "b" + kLeft + kLeft + kRight + "x", "\x82\xA0" "xb", 3},
        {"arrows at the ends stay", 10, 0, 0, kLeft + kDelete + kBackspace + "ab" + kRight, "ab", 2},
        {"tab up down ignored", 10, 0, 0, "a\t\x1E\x1F", "a", 1},
        {"digits only", 10, 1, 0, "-12a-3\x82\xA0", "-123", 4},
        {"single byte only", 10, 0, 1, "a\x82\xA0" "b", "ab", 2},
        {"full field drops from the end", 3, 0, 0, "abcd", "abd", 3},
        {"full field with the cursor at the start", 3, 0, 0, "abc" + kLeft + kLeft + kLeft + "x", "xab", 1},
        {"two-byte character into a full field", 3, 0, 0, "abc\x82\xA0", "a\x82\xA0", 3},
        {"character longer than the field is dropped", 1, 0, 0, "\x82\xA0" "b", "b", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const int handle = CreateKeyInputHandleForTesting(c.max_length, 0, c.single_byte_only, c.digits_only);
        ASSERT_NE(handle, -1);
        Push(c.typed);
        EXPECT_EQ(StepTextInput(), 0);
        EXPECT_EQ(Text(handle), c.text);
        EXPECT_EQ(Field(handle).cursor, c.cursor);
        EXPECT_EQ(Field(handle).text[Field(handle).length], '\0');
        EXPECT_EQ(DeleteKeyInputHandle(handle), 0);
    }
}

TEST_F(TextInputTest, LoneLeadByteAtTheEndIsOneByte) {
    const int handle = CreateKeyInputHandleForTesting(10, 0, 0, 0);
    SetField(handle, "a\x82", 1);
    Push(kRight);
    StepTextInput();
    EXPECT_EQ(Field(handle).cursor, 2);
    Push(kRight);
    StepTextInput();
    EXPECT_EQ(Field(handle).cursor, 2);
    Push(kLeft + kDelete);
    StepTextInput();
    EXPECT_EQ(Text(handle), "a");
    EXPECT_EQ(Field(handle).cursor, 1);
    SetField(handle, "a\x82", 2);
    Push(kBackspace);
    StepTextInput();
    EXPECT_EQ(Text(handle), "a");
}

TEST_F(TextInputTest, EnterAndEscapeEndTheField) {
    const int plain = CreateKeyInputHandleForTesting(10, 0, 0, 0);
    Push("ab\x1b" "c\rde");
    StepTextInput();
    EXPECT_EQ(Text(plain), "abc");
    EXPECT_EQ(Field(plain).ended, 1);
    EXPECT_EQ(Field(plain).cancelled, 0);
    // What follows Enter stays in the ring.
    char c[2];
    EXPECT_EQ(PopInputChar(c, 1), 1);
    EXPECT_EQ(c[0], 'd');
    PopInputChar(c, 1);

    const int escapable = CreateKeyInputHandleForTesting(10, 1, 0, 0);
    Push("x\x1by");
    StepTextInput();
    EXPECT_EQ(Text(escapable), "x");
    EXPECT_EQ(Field(escapable).cancelled, 1);
    EXPECT_EQ(Field(escapable).ended, 1);
}

TEST_F(TextInputTest, WithoutAnActiveFieldTheRingKeepsItsBytes) {
    Push("ab");
    EXPECT_EQ(StepTextInput(), 0);
    char c[2];
    EXPECT_EQ(PopInputChar(c, 0), 1);
    EXPECT_EQ(c[0], 'a');
}

TEST_F(TextInputTest, StaleActiveHandleFailsWithoutTakingInput) {
    const int handle = CreateKeyInputHandleForTesting(10, 0, 0, 0);
    ASSERT_EQ(DeleteKeyInputHandle(handle), 0);
    EXPECT_EQ(GetTextInputState()->active_handle, -1);
    GetTextInputState()->active_handle = handle;
    Push("a");
    EXPECT_EQ(StepTextInput(), -1);
    EXPECT_EQ(DeleteKeyInputHandle(handle), -1);
    char c[2];
    EXPECT_EQ(PopInputChar(c, 0), 1);
    GetTextInputState()->active_handle = -1;
}
