// Start-up where GL renders on the CPU and nothing counts it as hardware: the 3-D object
// offers only the software-emulation device, the device search finds none, and the engine
// falls back to software rendering, saying so in its log. Runs where this machine's GL is
// a CPU rasteriser (skips elsewhere, and where no GL context can be made).
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <string>

#include "engine/d3d/d3d.h"
#include "engine/graphics/draw/draw_settings.h"
#include "engine/graphics/graphics.h"
#include "platform/testing/gl_testing.h"
#include "tests/d3d/d3d_test_support.h"
#include "tests/support/child_under_x.h"
#include "tests/support/engine_session.h"
#include "tests/support/engine_testing/d3d_testing.h"
#include "tests/support/temp_dir.h"

namespace {

// From the start of Direct3D's start-up (inside the display-mode change) to the start of
// the DirectDraw start-up again in software mode.
constexpr char kNoDeviceThenSoftware[] =
    "T:\t\tDirect3D 関連の初期化を行います\r\n"
    "T:\t\tＤｉｒｅｃｔ３Ｄオブジェクトを取得します\r\n"
    "T:\t\tＤｉｒｅｃｔ３Ｄオブジェクトを取得しました\r\n"
    "T:\t\t現在の画面モードで使用できる描画デバイスが見つかりませんでした\r\n"
    "T:\tメインサーフェスを破棄をします... 完了しました\r\n"
    "T:DirectDraw 関連の終了処理をおこないます\r\n"
    "T:\tＤｉｒｅｃｔＤｒａｗオブジェクトを解放します\r\n"
    "T:\tＤｉｒｅｃｔＤｒａｗオブジェクトを解放しました\r\n"
    "T:DirectDraw 関連の終了処理は正常に終了しました\r\n"
    "T:ソフトウエアレンダリングモードに変更します\r\n"
    "T:DirectDraw 関連の初期化を行います\r\n";

TEST(CpuGlStartUp, NoDeviceIsFoundAndTheEngineFallsBackToSoftware) {
    if (!GlRendersOnCpu()) GTEST_SKIP() << "GL here renders on a GPU (or no GL context can be made)";
    ScopedTempDir out;
    const std::filesystem::path log_file = out.path() / "start.log";
    // In a child: the software path, once taken, stays for the rest of the process.
    auto body = [&] {
        CountSoftwareGlAsHardware as_software(false);
        engine_test::EngineSession session;
        SetDirect3DRendererEnabled(1);
        if (ApiInitializeLibrary() != 0) return 1;
        const bool software = IsDirect3DUp() == 0 && IsSoftwareRendering() != 0 && GetUseTextureGraphs() == 0;
        std::ofstream(log_file, std::ios::binary) << engine_test::MaskedLog(session.dir().path() / "Log.txt");
        ApiTerminateLibrary();
        return software ? 0 : 2;
    };
    const int status = RunInChild(body);
    EXPECT_EQ(status, 0) << "the engine did not start, or did not run in software mode";
    std::ifstream in(log_file, std::ios::binary);
    const std::string log((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t start = log.find("T:\t\tDirect3D 関連の初期化を行います\r\n");
    ASSERT_NE(start, std::string::npos);
    const std::string from_start = log.substr(start);
    EXPECT_EQ(from_start.substr(0, std::strlen(kNoDeviceThenSoftware)), kNoDeviceThenSoftware);
    // The second start-up keeps the screen in system memory and the 3-D drawing off, and
    // Direct3D is never reported up.
    EXPECT_NE(from_start.find("T:\t\t\t\tPrimaryBuffer : SYSTEMMEMORY( MEMIMG ) \r\n"), std::string::npos);
    EXPECT_NE(from_start.find("T:\t\t\t３Ｄグラフィック描画機能は使用しません\r\n"), std::string::npos);
    EXPECT_EQ(log.find("Direct3D 関連の初期化は正常に終了しました"), std::string::npos);
}

}  // namespace
