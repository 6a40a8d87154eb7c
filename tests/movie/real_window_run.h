// What the movie room's real-window tests share: the folder a test runs in, with its
// screenshots; the fixture that brings up the private X server and the link to the
// engine's child, and reads the engine's window back until it shows what it should.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "platform/testing/window_testing.h"
#include "tests/support/child_under_x.h"
#include "tests/support/engine_link.h"
#include "tests/support/temp_dir.h"
#include "tests/support/x_server.h"
#include "tests/support/x_windows.h"

namespace movie_test {

// A fresh temporary folder, the current directory while the object lives, with the
// instance lock files inside it. Screenshots go where the test was started (the build's
// test folder under ctest).
class RealWindowFolder {
public:
    RealWindowFolder();

    // Writes `screen` as a PPM file named `name` where the test was started, and prints
    // "screenshot <what>: <path>".
    void SaveScreenshot(const WindowPixels& screen, const std::string& name, const std::string& what) const;

private:
    std::filesystem::path shots_;  // before dir_, which changes the current directory
    ScopedTempDir dir_;
    InstanceLockFolder locks_;
};

// A test of the engine in a real window: skipped without Xvfb; it runs in a folder of its
// own, with its private X server up and the link to the engine's child open. It finds and
// reads the engine's window through a connection of its own to the server.
class RealWindowTest : public ::testing::Test {
protected:
    void SetUp() override;
    // Runs `body` in a child process that sees the X server: the engine's side of the test.
    ChildProcess StartEngine(const std::function<int()>& body) { return ChildProcess(body, {server_->display()}); }
    // Finds the engine's window (titled "Vomur"), waited for 30 s at the most; a fatal
    // failure when the server or the window cannot be reached.
    void FindEngineWindow();
    // The X server shows a put picture in its own time: the window found is read again
    // every 20 ms until `right` holds for it or 20 s have passed. The last picture read
    // (0 x 0 when the window could not be read).
    WindowPixels ReadWindowUntil(const std::function<bool(const WindowPixels&)>& right);

    std::optional<RealWindowFolder> folder_;
    std::optional<XServer> server_;
    EngineLink link_;

private:
    std::optional<XConnection> x_;
    Window window_ = 0;
};

}  // namespace movie_test
