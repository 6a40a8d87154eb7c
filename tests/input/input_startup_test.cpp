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
#include "platform/kernel.h"
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

TEST_F(InputStartup, OfNineJoysticksOnlyEightAreSetUp) {
    for (int i = 0; i < 9; ++i) input_.AttachPad(NamedPad("Pad " + std::to_string(i)));
    ASSERT_EQ(InitializeInput(), 0);
    const InputState& state = *GetInputState();
    EXPECT_EQ(state.pad_count, 8);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(std::string(state.pads[i].instance_name), "Pad " + std::to_string(i));
        EXPECT_EQ(std::string(state.pads[i].product_name), "Pad " + std::to_string(i) + " product");
        EXPECT_NE(state.pads[i].device, nullptr);
        EXPECT_NE(state.pads[i].sine_effect, nullptr);
        EXPECT_NE(state.pads[i].constant_effect, nullptr);
        EXPECT_EQ(state.pads[i].power, 10000);
    }
    EXPECT_EQ(TakeCalls("DirectInput7.CreateDeviceEx Joystick").size(), 8u);
}

TEST_F(InputStartup, SkippedJoysticksLeaveTheRecordsPacked) {
    struct Case {
        const char* step;
        std::string message;
    };
    const Case cases[] = {
        {"Joystick.CreateDevice", "\t入力装置の取得に失敗しました\r\n"},
        {"Joystick.SetDataFormat", "\tジョイパッドデバイスではありませんでした、又は設定に失敗しました\r\n"},
        {"Joystick.SetCooperativeLevel", "\tジョイパッドデバイスの協調レベルの設定に失敗しました\r\n"},
        {"Joystick.SetProperty.Range.X", "\tジョイパッドデバイスのＸ軸関係の設定に失敗しました\r\n"},
        {"Joystick.SetProperty.Range.Y", "\tジョイパッドデバイスのＹ軸関係の設定に失敗しました\r\n"},
        {"Joystick.SetProperty.DeadZone.X", "\tジョイパッドデバイスのＸ軸の無効ゾーンの設定に失敗しました\r\n"},
        {"Joystick.SetProperty.DeadZone.Y", "\tジョイパッドデバイスのＹ軸の無効ゾーンの設定に失敗しました\r\n"},
        {"Joystick.SetEventNotification", "\tジョイパッドイベントのセットアップが失敗しました\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.step);
        TerminateInput();
        ScriptedInput input;  // a fresh script for each case
        input.AttachPad(NamedPad("First"));
        input.AttachPad(NamedPad("Second"));
        input.AttachPad(NamedPad("Third"));
        MarkLog();
        {
            // The first joystick's step fails; the second takes its record.
            FailInputStep fail(c.step, 1);
            ASSERT_EQ(InitializeInput(), 0);
        }
        const InputState& state = *GetInputState();
        ASSERT_EQ(state.pad_count, 2);
        EXPECT_EQ(std::string(state.pads[0].instance_name), "Second");
        EXPECT_EQ(std::string(state.pads[1].instance_name), "Third");
        EXPECT_EQ(state.pads[2].device, nullptr);
        EXPECT_EQ(state.pads[2].instance_name[0], '\0');
        EXPECT_NE(Log().find(c.message), std::string::npos) << Log();
        // A device made for the skipped joystick was released again.
        int released = 0;
        for (const std::string& call : input.TakeCalls()) released += call == "Joystick0.Release" ? 1 : 0;
        EXPECT_EQ(released, std::string(c.step) == "Joystick.CreateDevice" ? 0 : 1);
    }
}

TEST_F(InputStartup, JoystickLogLinesAndEffectFailures) {
    input_.AttachPad(NamedPad("Rumbler"));
    input_.AttachPad(NamedPad("Quiet", /*rumble=*/false));
    ASSERT_EQ(InitializeInput(), 0);
    const InputState& state = *GetInputState();
    ASSERT_EQ(state.pad_count, 2);
    EXPECT_NE(state.pads[0].constant_effect, nullptr);
    EXPECT_EQ(state.pads[1].sine_effect, nullptr);
    EXPECT_EQ(state.pads[1].constant_effect, nullptr);
    const std::string pad_lines =
        "\tジョイパッドの初期化... \r\n"
        "\t入力装置を見つけました\r\n"
        "\t\tデバイスの登録名:Rumbler\r\n"
        "\t\tデバイスの製品登録名:Rumbler product\r\n"
        "\tジョイパッドの追加は正常に終了しました\r\n"
        "\t入力装置を見つけました\r\n"
        "\t\tデバイスの登録名:Quiet\r\n"
        "\t\tデバイスの製品登録名:Quiet product\r\n"
        "\t周期的エフェクトの作成に失敗しました。\r\n"
        "\tジョイパッドの追加は正常に終了しました\r\n"
        "\tジョイパッドの初期化は正常に終了しました\r\n";
    EXPECT_NE(Log().find(pad_lines), std::string::npos) << Log();
}

TEST_F(InputStartup, MouseFailuresAreLoggedAndStartUpGoesOn) {
    const std::pair<const char*, std::string> cases[] = {
        {"Mouse.CreateDevice", "マウスデバイスの取得に失敗しました"},
        {"Mouse.SetDataFormat", "マウスデバイスのデータ形式の設定に失敗しました"},
        {"Mouse.SetCooperativeLevel", "マウスデバイスの協調レベルの設定に失敗しました"},
    };
    for (const auto& [step, message] : cases) {
        SCOPED_TRACE(step);
        TerminateInput();
        MarkLog();
        input_.TakeCalls();
        {
            FailInputStep fail(step);
            ASSERT_EQ(InitializeInput(), 0);
        }
        const InputState& state = *GetInputState();
        EXPECT_EQ(state.mouse, nullptr);
        EXPECT_NE(state.keyboard, nullptr);
        EXPECT_EQ(state.key_to_pad_map[0][4][0], 0x2C);
        EXPECT_EQ(Log(), kDirectInput7Lines +
                             "\tジョイパッドの初期化... \r\n"
                             "\tジョイパッドの初期化は正常に終了しました\r\n"
                             "\tマウスデバイスの初期化... " + message + "\r\n"
                             "\tキーボードデバイスの初期化... 初期化成功\r\n"
                             "DirectInput 関連の初期化は正常に終了しました\r\n");
        if (std::string(step) != "Mouse.CreateDevice") {
            const std::vector<std::string> released = TakeCalls("Mouse.Release");
            EXPECT_EQ(released.size(), 1u);
        }
    }
}

TEST_F(InputStartup, KeyboardEventFailureIsLoggedAndStartUpFinishes) {
    {
        FailInputStep fail("Keyboard.SetEventNotification");
        ASSERT_EQ(InitializeInput(), 0);
    }
    const InputState& state = *GetInputState();
    EXPECT_EQ(state.keyboard_event, nullptr);
    EXPECT_NE(state.keyboard, nullptr);
    EXPECT_EQ(Log(), kDirectInput7Lines +
                         "\tジョイパッドの初期化... \r\n"
                         "\tジョイパッドの初期化は正常に終了しました\r\n"
                         "\tマウスデバイスの初期化... 初期化成功\r\n"
                         "\tキーボードデバイスの初期化... キーボードイベントのセットアップが失敗しました\r\n"
                         "\t初期化成功\r\n"
                         "DirectInput 関連の初期化は正常に終了しました\r\n");
    // The default map is there and the keyboard is read without its event.
    EXPECT_EQ(state.key_to_pad_map[0][0][1], 0xD0);
    input_.Press(0x2C);
    clock_.AdvanceMs(1);
    EXPECT_EQ(ReadPadStateMask(1 | 0x1000), 1 << 4);
}

TEST_F(InputStartup, KeyboardBufferSizeFailureIsOnlyLogged) {
    FailInputStep fail("Keyboard.SetProperty.BufferSize");
    ASSERT_EQ(InitializeInput(), 0);
    EXPECT_NE(Log().find("\tキーボードデバイスの初期化... キーボードのプロパティ設定に失敗しました\r\n\t初期化成功\r\n"),
              std::string::npos)
        << Log();
    EXPECT_NE(GetInputState()->keyboard_event, nullptr);
}

TEST_F(InputStartup, KeyboardFailuresEndTheProcess) {
    struct Case {
        const char* step;
        int count;
        std::string message;
    };
    const Case cases[] = {
        {"Keyboard.CreateDevice", -1, "キーボードデバイスの取得に失敗しました"},
        {"Keyboard.SetDataFormat", -1, "キーボードデバイスのデータ形式の設定に失敗しました"},
        {"Keyboard.SetCooperativeLevel", -1, "キーボードデバイスの協調レベルの設定に失敗しました"},
        {"Keyboard.Acquire", 2, "キーボードデバイスの取得に失敗しました"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.step);
        MarkLog();
        EXPECT_EXIT(
            {
                input_.AttachPad(NamedPad("Pad"));
                FailInputStep fail(c.step, c.count);
                InitializeInput();
            },
            ::testing::ExitedWithCode(255), "");
        EXPECT_NE(Log().find("\tキーボードデバイスの初期化... " + c.message + "\r\n"), std::string::npos) << Log();
    }
    // One failed Acquire is tried again and start-up succeeds.
    FailInputStep once("Keyboard.Acquire", 1);
    ASSERT_EQ(InitializeInput(), 0);
    EXPECT_EQ(TakeCalls("Keyboard.Acquire").size(), 2u);
}

TEST_F(InputStartup, SecondStartChangesNothingAndStopWhenStoppedLogsNothing) {
    EXPECT_EQ(TerminateInput(), 0);
    EXPECT_EQ(Log(), "");
    ASSERT_EQ(InitializeInput(), 0);
    IUnknown* object = GetInputState()->object;
    MarkLog();
    input_.TakeCalls();
    EXPECT_EQ(InitializeInput(), 0);
    EXPECT_EQ(GetInputState()->object, object);
    EXPECT_EQ(Log(), "");
    EXPECT_EQ(input_.TakeCalls(), std::vector<std::string>{});
}

TEST_F(InputStartup, ShutdownReleasesEverything) {
    input_.AttachPad(NamedPad("Pad"));
    ASSERT_EQ(InitializeInput(), 0);
    MarkLog();
    input_.TakeCalls();
    EXPECT_EQ(TerminateInput(), 0);
    EXPECT_EQ(Log(), "DirectInput 関連の終了処理... 完了\r\n");
    const InputState& state = *GetInputState();
    EXPECT_EQ(state.object, nullptr);
    EXPECT_EQ(state.keyboard, nullptr);
    EXPECT_EQ(state.keyboard_event, nullptr);
    EXPECT_EQ(state.mouse, nullptr);
    EXPECT_EQ(state.pad_count, 0);
    EXPECT_EQ(state.pads[0].device, nullptr);
    EXPECT_EQ(input_.TakeCalls(),
              (std::vector<std::string>{
                  "Joystick0.Unacquire", "Joystick0.SetEventNotification none", "Joystick0.Effect.ConstantForce.Stop",
                  "Joystick0.Effect.ConstantForce.Release", "Joystick0.Effect.Sine.Stop", "Joystick0.Effect.Sine.Release",
                  "Joystick0.Release", "Keyboard.Unacquire", "Keyboard.Release", "Mouse.Unacquire", "Mouse.Release"}));
}

TEST_F(InputStartup, ReacquireSetsTheJoypadLevelByActivation) {
    input_.AttachPad(NamedPad("Pad"));
    ASSERT_EQ(InitializeInput(), 0);
    for (const bool active : {false, true}) {
        SetWindowActive(active);
        input_.TakeCalls();
        EXPECT_EQ(ReacquireInputDevices(), 0);
        EXPECT_EQ(input_.TakeCalls(),
                  (std::vector<std::string>{"Joystick0.Unacquire",
                                            active ? "Joystick0.SetCooperativeLevel 5" : "Joystick0.SetCooperativeLevel 10",
                                            "Joystick0.Acquire", "Keyboard.Unacquire", "Keyboard.Acquire"}));
    }
    // In WinMM mode and when stopped there is nothing to do.
    TerminateInput();
    input_.TakeCalls();
    EXPECT_EQ(ReacquireInputDevices(), 0);
    EXPECT_EQ(input_.TakeCalls(), std::vector<std::string>{});
}

}  // namespace
