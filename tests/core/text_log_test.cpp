// The text log's file bytes and debugger copy: stamps, tabs, CR LF conversion, open
// lines, the log-off switch, the date-stamped name and long texts. Each test starts the
// log in its own temporary folder under the manual clock.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine/core/system_block.h"
#include "engine/core/text_log.h"
#include "engine/core/tracked_alloc.h"
#include "platform/testing/debug_capture.h"
#include "platform/testing/manual_clock.h"
#include "tests/support/engine_testing/core_testing.h"
#include "tests/support/temp_dir.h"

namespace {

void StartLogHere() {
    SetLogFileOutput(1);
    SetLogDirectory(std::filesystem::current_path().string().c_str());
    StartLogFile();
}

// The text in a heap block of exactly its size, so a read past the NUL is caught.
class ExactText {
public:
    explicit ExactText(const std::string& text) : bytes_(text.begin(), text.end()) { bytes_.push_back('\0'); }
    const char* c_str() const { return bytes_.data(); }

private:
    std::vector<char> bytes_;
};

}  // namespace

// The log's state and the user-window switch are process-wide: they are put back
// however a test ends.
class TextLog : public ::testing::Test {
protected:
    void SetUp() override {
        saved_log_ = *GetLogState();
        saved_user_window_ = GetSystemBlock()->user_window;
    }
    void TearDown() override {
        *GetLogState() = saved_log_;
        GetSystemBlock()->user_window = saved_user_window_;
    }

private:
    LogState saved_log_{};
    std::int32_t saved_user_window_ = 0;
};

TEST_F(TextLog, LineHasStampTabsAndCrLfAndDebuggerGetsTabsAndText) {
    ScopedTempDir dir;
    ManualClock clock(5000);
    StartLogHere();
    IncreaseLogIndent();
    IncreaseLogIndent();
    clock.AdvanceMs(1234);
    DebugCapture debug;
    EXPECT_EQ(WriteLogText("text\n"), -1);
    EXPECT_EQ(dir.ReadFile("Log.txt"), "1234:\t\ttext\r\n");
    EXPECT_EQ(debug.Take(), "\t\ttext\r\n");
}

TEST_F(TextLog, LineBreakConversion) {
    struct Case {
        std::string text;
        std::string written;
    };
    const Case cases[] = {
        {"a\nb\n", "a\r\nb\r\n"},
        {"a\r\nb\n", "a\r\nb\n"},          // the first LF already follows a CR: nothing converted
        {"a\nb\r\nc\n", "a\r\nb\r\nc\n"},  // conversion stops at the LF after the CR
        {"\n", "\r\n"},
        {"\n\n", "\r\n\r\n"},
        {"ソ\n", "ソ\r\n"},            // 83 5C: a trail byte equal to '\' is only part of the character
        {"表\\n\n", "表\\n\r\n"},      // a real backslash after it is an ordinary byte
        {"no break", "no break"},
        {"a\x83", "a\x83"},            // a lone lead byte before the NUL is copied, nothing read past it
    };
    ScopedTempDir dir;
    ManualClock clock;
    for (const Case& c : cases) {
        StartLogHere();
        DebugCapture debug;
        ExactText text(c.text);
        WriteLogText(text.c_str());
        EXPECT_EQ(dir.ReadFile("Log.txt"), "0:" + c.written) << c.text;
        EXPECT_EQ(debug.Take(), c.written) << c.text;
    }
}

TEST_F(TextLog, StampIsWrittenOncePerCallAtALineStart) {
    ScopedTempDir dir;
    ManualClock clock;
    StartLogHere();
    WriteLogText("a\nb\n");
    clock.AdvanceMs(7);
    WriteLogText("c\n");
    EXPECT_EQ(dir.ReadFile("Log.txt"), "0:a\r\nb\r\n7:c\r\n");
}

TEST_F(TextLog, OpenLineIsContinuedWithoutStampOrTabs) {
    ScopedTempDir dir;
    ManualClock clock;
    StartLogHere();
    DebugCapture debug;
    WriteLogText("abc");
    clock.AdvanceMs(5);
    IncreaseLogIndent();
    WriteLogText("def\n");
    WriteLogText("g\n");
    // An empty text leaves the line as it was.
    WriteLogText("h");
    WriteLogText("");
    WriteLogText("i\n");
    EXPECT_EQ(dir.ReadFile("Log.txt"), "0:abcdef\r\n5:\tg\r\n5:\thi\r\n");
    EXPECT_EQ(debug.Take(), "abcdef\r\n\tg\r\n\thi\r\n");
}

TEST_F(TextLog, EmptyTextWritesNothingNotEvenAStamp) {
    ScopedTempDir dir;
    ManualClock clock;
    StartLogHere();
    IncreaseLogIndent();
    DebugCapture debug;
    WriteLogText("");
    clock.AdvanceMs(3);
    WriteLogText("x\n");
    WriteLogText("");
    EXPECT_EQ(dir.ReadFile("Log.txt"), "3:\tx\r\n");
    EXPECT_EQ(debug.Take(), "\tx\r\n");
}

TEST_F(TextLog, IndentNeverGoesBelowZero) {
    ScopedTempDir dir;
    ManualClock clock;
    StartLogHere();
    DecreaseLogIndent();
    IncreaseLogIndent();
    WriteLogText("x\n");
    DecreaseLogIndent();
    DecreaseLogIndent();
    WriteLogText("y\n");
    EXPECT_EQ(dir.ReadFile("Log.txt"), "0:\tx\r\n0:y\r\n");
    EXPECT_EQ(GetLogState()->indent, 0);
}

TEST_F(TextLog, StartRecreatesTheFileAndRestartsStampAndIndent) {
    ScopedTempDir dir;
    dir.WriteFile("Log.txt", "old contents\r\n");
    ManualClock clock(100);
    StartLogHere();
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "Log.txt"));
    EXPECT_EQ(dir.ReadFile("Log.txt"), "");
    IncreaseLogIndent();
    WriteLogText("open");
    clock.AdvanceMs(40);
    EXPECT_EQ(StartLogFile(), 1);
    WriteLogText("new\n");
    EXPECT_EQ(dir.ReadFile("Log.txt"), "0:new\r\n");
}

TEST_F(TextLog, LogOffWritesNothingAnywhere) {
    ScopedTempDir dir;
    dir.WriteFile("Log.txt", "kept");
    ManualClock clock;
    SetLogFileOutput(0);
    SetLogDirectory(std::filesystem::current_path().string().c_str());
    EXPECT_EQ(StartLogFile(), 1);
    DebugCapture debug;
    EXPECT_EQ(WriteLogText("hidden\n"), -1);
    EXPECT_EQ(WriteLogFormat("%d", 5), -1);
    EXPECT_EQ(dir.ReadFile("Log.txt"), "kept");  // not even re-created
    EXPECT_EQ(debug.Take(), "");
}

TEST_F(TextLog, SwitchingTheLogOffAfterStartStopsBothCopies) {
    ScopedTempDir dir;
    ManualClock clock;
    StartLogHere();
    WriteLogText("one\n");
    SetLogFileOutput(0);
    DebugCapture debug;
    WriteLogText("two\n");
    EXPECT_EQ(debug.Take(), "");
    SetLogFileOutput(1);
    WriteLogText("three\n");
    EXPECT_EQ(dir.ReadFile("Log.txt"), "0:one\r\n0:three\r\n");
    EXPECT_EQ(debug.Take(), "three\r\n");
}

TEST_F(TextLog, TextBeforeTheDirectoryIsSetIsLost) {
    ScopedTempDir dir;
    ManualClock clock;
    DebugCapture debug;
    WriteLogText("early\n");
    EXPECT_EQ(debug.Take(), "");
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "Log.txt"));
}

TEST_F(TextLog, DateStampedNameHasNoLeadingZeros) {
    ScopedTempDir dir;
    ManualClock clock;
    clock.SetWallClock(1260018429);  // 2009-12-05 13:07:09 UTC; the tests run with TZ=UTC
    GetLogState()->date_stamped_name = 1;
    StartLogHere();
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "Log2009_12_5_13_7_9.txt"));
    WriteLogText("dated\n");
    EXPECT_EQ(dir.ReadFile("Log2009_12_5_13_7_9.txt"), "0:dated\r\n");
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "Log.txt"));
}

TEST_F(TextLog, LongTextIsConvertedInATemporaryBlockAndWrittenWhole) {
    ScopedTempDir dir;
    ManualClock clock;
    StartLogHere();
    const std::int32_t live_before = TrackedLiveBlockCount();
    std::string text, expected;
    for (int i = 0; i < 100; ++i) {
        text += "ab\n";
        expected += "ab\r\n";
    }
    ASSERT_EQ(text.size(), 300u);
    ExactText long_text(text);
    WriteLogText(long_text.c_str());
    // 256 line feeds: every byte doubles, the NUL still fits.
    ExactText all_breaks(std::string(256, '\n'));
    WriteLogText(all_breaks.c_str());
    std::string breaks;
    for (int i = 0; i < 256; ++i) breaks += "\r\n";
    EXPECT_EQ(dir.ReadFile("Log.txt"), "0:" + expected + "0:" + breaks);
    EXPECT_EQ(TrackedLiveBlockCount(), live_before);  // the temporary blocks were freed
}

TEST_F(TextLog, ShortTextsWhoseConversionGrowsPastTheStackBufferFit) {
    ScopedTempDir dir;
    ManualClock clock;
    StartLogHere();
    ExactText ends_in_break(std::string(254, 'y') + "\n");
    WriteLogText(ends_in_break.c_str());
    ExactText only_breaks(std::string(255, '\n'));
    WriteLogText(only_breaks.c_str());
    std::string breaks;
    for (int i = 0; i < 255; ++i) breaks += "\r\n";
    EXPECT_EQ(dir.ReadFile("Log.txt"), "0:" + std::string(254, 'y') + "\r\n0:" + breaks);
}

TEST_F(TextLog, FormatAddsALineBreakAndIsBoundedToItsBuffer) {
    ScopedTempDir dir;
    ManualClock clock;
    StartLogHere();
    EXPECT_EQ(WriteLogFormat("%d:%s", 12, "ab"), -1);
    const std::string huge(3000, 'z');
    WriteLogFormat("%s", huge.c_str());
    EXPECT_EQ(dir.ReadFile("Log.txt"), "0:12:ab\r\n0:" + std::string(1022, 'z') + "\r\n");
}

TEST_F(TextLog, UserWindowModeSendsOnlyTheConvertedTextToTheDebugger) {
    ScopedTempDir dir;
    ManualClock clock;
    GetSystemBlock()->user_window = 1;
    StartLogHere();
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "Log.txt"));
    IncreaseLogIndent();
    DebugCapture debug;
    WriteLogText("a\nb");
    EXPECT_EQ(debug.Take(), "a\r\nb");
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "Log.txt"));
}

TEST_F(TextLog, UnopenableFileStillFeedsTheDebuggerAndTracksTheLine) {
    ScopedTempDir dir;
    ManualClock clock;
    SetLogFileOutput(1);
    SetLogDirectory((dir.path() / "missing").string().c_str());
    IncreaseLogIndent();
    DebugCapture debug;
    WriteLogText("abc");
    WriteLogText("d\n");
    WriteLogText("e\n");
    EXPECT_EQ(debug.Take(), "\tabcd\r\n\te\r\n");
}

TEST_F(TextLog, DirectoryEndingInATrailByteStillGetsASeparator) {
    // "ソ" is 83 5C: the directory's last byte equals '\' but is no separator.
    ScopedTempDir dir;
    std::filesystem::create_directory(dir.path() / reinterpret_cast<const char*>(u8"ソ"));
    ManualClock clock;
    SetLogFileOutput(1);
    const std::string directory = dir.path().string() + "\\ソ";
    SetLogDirectory(directory.c_str());
    WriteLogText("in folder\n");
    EXPECT_EQ(dir.ReadFile(reinterpret_cast<const char*>(u8"ソ/Log.txt")), "0:in folder\r\n");

    // A directory that does end in a separator gets no second one.
    SetLogDirectory((dir.path().string() + "\\").c_str());
    WriteLogText("top\n");
    EXPECT_EQ(dir.ReadFile("Log.txt"), "0:top\r\n");
}
