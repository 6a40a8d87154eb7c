// What the input tests share: a private folder with the log on, the manual clock,
// scripted devices in place of the machine's, COM started, and the window reported
// active; input is stopped again at the end and the WinMM switch, a posted close and the
// window thread are cleared, however the test ended.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/testing/input_testing.h"
#include "platform/testing/manual_clock.h"
#include "tests/support/temp_dir.h"

class InputTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The log since the start of the test (or the last MarkLog), without the time stamps.
    std::string Log() const;
    void MarkLog();
    // The calls the stand-ins saw that start with `prefix`, since the last take.
    std::vector<std::string> TakeCalls(const std::string& prefix = "");
    void SetWindowActive(bool active);

    ScopedTempDir dir_;
    std::size_t log_mark_ = 0;
    ManualClock clock_{1000};
    ScriptedInput input_;
};

// A controller for the script with the given names.
platform_hooks::ScriptedPad NamedPad(const std::string& name, bool rumble = true);
