// Input start-up, devices and shutdown: the order DirectInput 7, 8, WinMM with its log
// lines, the WinMM switch that keeps every later start in WinMM mode, joypad set-up
// (eight at most, records packed after a skipped one), the mouse and keyboard failure
// paths, shutdown and re-acquisition on activation.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/core/system_block.h"
#include "engine/input/input.h"
#include "engine/input/input_state.h"
#include "tests/input/input_fixture.h"

namespace {

const std::string kDirectInput7Lines =
    "DirectInput関係初期化処理\r\n"
    "\tDirectInput7 の取得中... 成功\r\n"
    "\t\t引き続き初期化処理... 初期化成功\r\n";

const std::string kDeviceLinesNoPads =
    "\tジョイパッドの初期化... \r\n"
    "\tジョイパッドの初期化は正常に終了しました\r\n"
    "\tマウスデバイスの初期化... 初期化成功\r\n"
    "\tキーボードデバイスの初期化... 初期化成功\r\n"
    "DirectInput 関連の初期化は正常に終了しました\r\n";

using InputStartup = InputTest;

TEST_F(InputStartup, FallbackOrderAndLogLines) {
    struct Case {
        const char* name;
        std::vector<const char*> failing;
        std::string log;
        IUnknown* (*expected_object)();  // null: a DirectInput object
        int version8;
    };
    const Case cases[] = {
        {"version 7", {}, kDirectInput7Lines + kDeviceLinesNoPads, nullptr, 0},
        {"version 7 missing",
         {"DirectInput7.Create"},
         "DirectInput関係初期化処理\r\n"
         "\tDirectInput7 の取得中... 取得に失敗。\r\n"
         "\tエラーコード 0x80040154\r\n"
         "\r\n"
         "\tDirectInput8 の取得を試みます...成功\r\n"
         "\t\t引き続き初期化処理... 初期化成功\r\n" +
             kDeviceLinesNoPads,
         nullptr, 1},
        {"version 7 refuses to initialise",
         {"DirectInput7.Initialize"},
         "DirectInput関係初期化処理\r\n"
         "\tDirectInput7 の取得中... 成功\r\n"
         "\t\t引き続き初期化処理... 初期化に失敗。DirectInput8 の取得を試みます...成功\r\n"
         "\t\t引き続き初期化処理... 初期化成功\r\n" +
             kDeviceLinesNoPads,
         nullptr, 1},
        {"neither",
         {"DirectInput7.Create", "DirectInput8.Create"},
         "DirectInput関係初期化処理\r\n"
         "\tDirectInput7 の取得中... 取得に失敗。\r\n"
         "\tエラーコード 0x80040154\r\n"
         "\r\n"
         "\tDirectInput8 の取得を試みます...取得に失敗。DirectInput を使用しません。\r\n"
         "\tパッドの数は 0 個です\r\n"
         "\r\n"
         "入力関連の初期化をしました\r\n",
         [] { return kWinmmInputObject; }, 0},
        {"neither initialises",
         {"DirectInput7.Initialize", "DirectInput8.Initialize"},
         "DirectInput関係初期化処理\r\n"
         "\tDirectInput7 の取得中... 成功\r\n"
         "\t\t引き続き初期化処理... 初期化に失敗。DirectInput8 の取得を試みます...成功\r\n"
         "\t\t引き続き初期化処理... 初期化に失敗。DirectInput を使用しません。\r\n"
         "\tパッドの数は 0 個です\r\n"
         "\r\n"
         "入力関連の初期化をしました\r\n",
         [] { return kWinmmInputObject; }, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        // As in a fresh process: the WinMM switch otherwise lasts for the process.
        TerminateInput();
        GetInputState()->winmm_mode = 0;
        MarkLog();
        {
            std::vector<std::unique_ptr<FailInputStep>> failures;
            for (const char* step : c.failing) failures.push_back(std::make_unique<FailInputStep>(step));
            EXPECT_EQ(InitializeInput(), 0);
        }
        const InputState& state = *GetInputState();
        if (c.expected_object != nullptr) {
            EXPECT_EQ(state.object, c.expected_object());
        } else {
            EXPECT_NE(state.object, nullptr);
            EXPECT_NE(state.object, kWinmmInputObject);
        }
        EXPECT_EQ(state.version8, c.version8);
        EXPECT_EQ(Log(), c.log);
    }
}

TEST_F(InputStartup, VersionEightMakesEveryDeviceWithCreateDevice) {
    input_.AttachPad(NamedPad("Pad A"));
    FailInputStep no_version_7("DirectInput7.Create");
    ASSERT_EQ(InitializeInput(), 0);
    EXPECT_EQ(GetInputState()->version8, 1);
    EXPECT_EQ(TakeCalls("DirectInput"),
              (std::vector<std::string>{"DirectInput7.Create", "DirectInput8.Create", "DirectInput8.Initialize",
                                        "DirectInput8.EnumDevices 4", "DirectInput8.CreateDevice Joystick0",
                                        "DirectInput8.CreateDevice Mouse", "DirectInput8.CreateDevice Keyboard"}));
}

TEST_F(InputStartup, VersionSevenMakesEveryDeviceWithCreateDeviceEx) {
    input_.AttachPad(NamedPad("Pad A"));
    ASSERT_EQ(InitializeInput(), 0);
    EXPECT_EQ(GetInputState()->version8, 0);
    EXPECT_EQ(TakeCalls("DirectInput"),
              (std::vector<std::string>{"DirectInput7.Create", "DirectInput7.Initialize", "DirectInput7.EnumDevices 4",
                                        "DirectInput7.CreateDeviceEx Joystick0", "DirectInput7.CreateDeviceEx Mouse",
                                        "DirectInput7.CreateDeviceEx Keyboard"}));
}

TEST_F(InputStartup, WinmmSwitchKeepsLaterStartsInWinmmMode) {
    input_.AttachPad(NamedPad("Stick"));
    {
        FailInputStep no_7("DirectInput7.Create");
        FailInputStep no_8("DirectInput8.Create");
        ASSERT_EQ(InitializeInput(), 0);
    }
    const InputState& state = *GetInputState();
    EXPECT_EQ(state.object, kWinmmInputObject);
    EXPECT_EQ(state.winmm_mode, 1);
    // One joystick at identifier 0: one pad reported, eight pads read.
    EXPECT_NE(Log().find("\tパッドの数は 1 個です\r\n"), std::string::npos);
    EXPECT_EQ(state.pad_count, 8);
    EXPECT_EQ(state.pads[0].has_z_and_r, 1);

    MarkLog();
    EXPECT_EQ(TerminateInput(), 0);
    EXPECT_EQ(state.object, nullptr);
    input_.TakeCalls();
    // DirectInput would work now, but the switch holds.
    ASSERT_EQ(InitializeInput(), 0);
    EXPECT_EQ(state.object, kWinmmInputObject);
    EXPECT_EQ(TakeCalls("DirectInput"), std::vector<std::string>{});
    EXPECT_EQ(Log(),
              "入力関連の終了処理... 完了\r\n"
              "\tパッドの数は 1 個です\r\n"
              "\r\n"
              "入力関連の初期化をしました\r\n");
}

}  // namespace
