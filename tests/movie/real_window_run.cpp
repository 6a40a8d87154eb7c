// The folder, screenshots and window reads of the movie room's real-window tests.
#include "tests/movie/real_window_run.h"

#include <cstdio>
#include <fstream>

namespace movie_test {
namespace {

// Makes the folder "locks" in `dir`: its path.
std::string MakeLockFolder(const ScopedTempDir& dir) {
    std::filesystem::create_directories(dir.path() / "locks");
    return (dir.path() / "locks").string();
}

}  // namespace

RealWindowFolder::RealWindowFolder()
    : shots_(std::filesystem::current_path()), locks_(MakeLockFolder(dir_)) {}

void RealWindowFolder::SaveScreenshot(const WindowPixels& screen, const std::string& name,
                                      const std::string& what) const {
    const std::string path = (shots_ / name).string();
    {
        std::ofstream out(path, std::ios::binary);
        out << "P6\n" << screen.width << " " << screen.height << "\n255\n";
        for (std::uint32_t p : screen.pixels) {
            const char rgb[3] = {static_cast<char>(p >> 16), static_cast<char>(p >> 8), static_cast<char>(p)};
            out.write(rgb, 3);
        }
    }
    std::printf("screenshot %s: %s\n", what.c_str(), path.c_str());
}

void RealWindowTest::SetUp() {
    if (!ProgramExists("Xvfb")) GTEST_SKIP() << "Xvfb is not installed";
    folder_.emplace();
    server_.emplace();
    ASSERT_FALSE(server_->display().empty()) << "Xvfb did not start";
    ASSERT_EQ(link_.Open(), 0);
}

void RealWindowTest::FindEngineWindow() {
    if (!x_) x_.emplace(server_->display());
    ASSERT_NE(x_->get(), nullptr);
    window_ = WaitForWindowTitled(x_->get(), "Vomur", 30000);
    ASSERT_NE(window_, 0u) << "no window titled Vomur";
}

WindowPixels RealWindowTest::ReadWindowUntil(const std::function<bool(const WindowPixels&)>& right) {
    WindowPixels screen;
    WaitUntil(
        [&] {
            screen = GrabWindow(x_->get(), window_);
            return right(screen);
        },
        20000);
    return screen;
}

}  // namespace movie_test
