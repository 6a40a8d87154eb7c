// The machine-facing parts of the window layer: the lock file that lets a second
// running copy find the first, injected failures of creation calls, the headless
// message box, COM start and end, the screen-saver switch and the desktop answers.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/posix/instance_lock.h"
#include "tests/platform/window_recorder.h"
#include "tests/support/environment_kept.h"

namespace {

// Runs `body` in a child process that reports one byte back through a pipe once ready
// and waits for the parent's go before ending.
struct Child {
    pid_t pid = -1;
    int ready = -1;
    int go = -1;
};

Child StartChild(void (*body)()) {
    int up[2];
    int down[2];
    if (pipe(up) != 0 || pipe(down) != 0) std::abort();
    const pid_t pid = fork();
    if (pid == 0) {
        close(up[0]);
        close(down[1]);
        body();
        const char byte = 1;
        if (write(up[1], &byte, 1) != 1) _exit(2);
        char wait_byte;
        if (read(down[0], &wait_byte, 1) != 1) _exit(3);
        _exit(0);
    }
    close(up[1]);
    close(down[0]);
    return Child{pid, up[0], down[1]};
}

bool WaitReady(const Child& c) {
    char byte = 0;
    return read(c.ready, &byte, 1) == 1 && byte == 1;
}

int Finish(const Child& c) {
    const char byte = 1;
    if (write(c.go, &byte, 1) != 1) return -1;
    int status = 0;
    waitpid(c.pid, &status, 0);
    close(c.ready);
    close(c.go);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

LRESULT PlainProc(HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefWindowProcA(w, m, wp, lp); }

void RunningCopy() {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = PlainProc;
    wc.lpszClassName = "D123987X";
    if (RegisterClassExA(&wc) == 0) _exit(4);
    if (CreateWindowExA(0, "D123987X", "Vomur", WS_POPUP | WS_CAPTION, 0, 0, 64, 48, nullptr, nullptr, nullptr,
                        nullptr) == nullptr) {
        _exit(5);
    }
}

TEST(WindowInstanceLock, ASecondCopyFindsTheRunningOneUntilItsWindowIsGone) {
    ScopedTempDir temp;
    InstanceLockFolder locks(temp.path().string());
    const std::string lock_path = platform_hooks::InstanceLockPath("D123987X");
    EXPECT_EQ(std::filesystem::path(lock_path).parent_path(), temp.path());
    EXPECT_EQ(FindWindowA("D123987X", nullptr), nullptr);

    const Child child = StartChild(RunningCopy);
    ASSERT_TRUE(WaitReady(child));
    EXPECT_TRUE(std::filesystem::exists(lock_path));
    EXPECT_NE(FindWindowA("D123987X", nullptr), nullptr);
    EXPECT_NE(FindWindowA("d123987x", "any title"), nullptr);  // class names ignore case
    EXPECT_EQ(FindWindowA("OtherClass", nullptr), nullptr);
    EXPECT_EQ(Finish(child), 0);

    // The child ended without destroying its window: the lock went with the process and
    // the file it left behind is not taken for a running copy (and is cleared away).
    EXPECT_EQ(FindWindowA("D123987X", nullptr), nullptr);
    EXPECT_FALSE(std::filesystem::exists(lock_path));
}

TEST_F(WindowTest, TheLockFileLivesExactlyAsLongAsTheWindow) {
    const std::string lock_path = platform_hooks::InstanceLockPath(kClass);
    const HWND w = Create();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(std::filesystem::exists(lock_path));
    EXPECT_EQ(FindWindowA(kClass, nullptr), w);  // this process's own window

    // A second attempt on the lock (as another process makes it) finds it taken.
    EXPECT_TRUE(instance_lock::IsHeld(kClass));
    EXPECT_EQ(instance_lock::Acquire(kClass), -1);

    DestroyWindow(w);
    EXPECT_FALSE(std::filesystem::exists(lock_path));
    EXPECT_EQ(FindWindowA(kClass, nullptr), nullptr);
}

TEST_F(WindowTest, InjectedFailuresOfCreationCalls) {
    {
        FailCall fail("CreateWindowExA");
        EXPECT_EQ(Create(), nullptr);
        EXPECT_EQ(Create(), nullptr);
    }
    EXPECT_TRUE(SeenMessages().empty());
    EXPECT_FALSE(std::filesystem::exists(platform_hooks::InstanceLockPath(kClass)));

    {
        FailCall fail_once("RegisterClassExA", 1);
        WNDCLASSEXA wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = RecordingProc;
        wc.lpszClassName = "AnotherClass";
        EXPECT_EQ(RegisterClassExA(&wc), 0);
        EXPECT_NE(RegisterClassExA(&wc), 0);
        EXPECT_EQ(RegisterClassExA(&wc), 0);  // already registered
        EXPECT_TRUE(UnregisterClassA("AnotherClass", nullptr));
    }
    {
        FailCall fail("CoInitialize");
        EXPECT_EQ(CoInitialize(nullptr), E_FAIL);
    }
    EXPECT_EQ(CoInitialize(nullptr), S_OK);
    CoUninitialize();
    {
        FailCall fail("SetTimer", 1);
        EXPECT_EQ(SetTimer(nullptr, 0, 17, nullptr), 0u);
        const UINT_PTR id = SetTimer(nullptr, 0, 17, nullptr);
        EXPECT_NE(id, 0u);
        EXPECT_TRUE(KillTimer(nullptr, id));
    }
    EXPECT_NE(Create(), nullptr);
}

TEST_F(WindowTest, ACreationRefusedByTheProcedureUndoesItself) {
    RecorderHook() = [](HWND, UINT m, WPARAM, LPARAM, LRESULT* out) {
        if (m != WM_CREATE) return false;
        *out = -1;
        return true;
    };
    EXPECT_EQ(Create(), nullptr);
    const std::vector<UINT> order = {WM_CREATE, WM_DESTROY};
    EXPECT_EQ(SeenIds(), order);
    EXPECT_FALSE(std::filesystem::exists(platform_hooks::InstanceLockPath(kClass)));
    EXPECT_FALSE(UnregisterClassA("NoSuchClass", nullptr));
    EXPECT_TRUE(UnregisterClassA(kClass, nullptr));  // no window of it is left
    EXPECT_TRUE(RegisterClassExA([] {
        static WNDCLASSEXA wc{sizeof(WNDCLASSEXA), 0, RecordingProc, 0, 0, nullptr, nullptr, nullptr, nullptr,
                              nullptr, "VomurTestWindow", nullptr};
        return &wc;
    }()) != 0);
}

TEST_F(WindowTest, AClassWithAWindowCannotBeUnregistered) {
    const HWND w = Create();
    EXPECT_FALSE(UnregisterClassA(kClass, nullptr));
    DestroyWindow(w);
    EXPECT_TRUE(UnregisterClassA(kClass, nullptr));
}

TEST(WindowMessageBox, WithoutADisplayTheAnswerIsNo) {
    struct Case {
        UINT type;
        int answer;
    };
    const Case cases[] = {{MB_YESNO | MB_ICONQUESTION, IDNO},
                          {MB_YESNOCANCEL, IDNO},
                          {MB_OKCANCEL, IDCANCEL},
                          {MB_OK | MB_ICONERROR, IDOK}};
    for (const Case& c : cases) {
        EXPECT_EQ(MessageBoxA(nullptr, "FULL SCREEN GO", "\x83\x74\x83\x8B", c.type), c.answer) << c.type;
    }
}

TEST(WindowMessageBox, AnotherProcessCanAnswerThroughTheEnvironment) {
    const EnvironmentKept kept("VOMUR_MESSAGE_BOX_ANSWER");
    setenv("VOMUR_MESSAGE_BOX_ANSWER", "6", 1);
    EXPECT_EQ(MessageBoxA(nullptr, "FULL SCREEN GO", "?", MB_YESNO), IDYES);
    setenv("VOMUR_MESSAGE_BOX_ANSWER", "99", 1);  // not an answer: ignored
    EXPECT_EQ(MessageBoxA(nullptr, "FULL SCREEN GO", "?", MB_YESNO), IDNO);
}

TEST(WindowMessageBox, TestsCanAnswerAndReadTheBox) {
    MessageBoxAnswer answer(IDYES);
    // フルスクリーンで起動しますか？ as CP932 bytes (this file is compiled to CP932).
    EXPECT_EQ(MessageBoxA(nullptr, "FULL SCREEN GO", "フルスクリーンで起動しますか？", 0x24), IDYES);
    const auto records = answer.Take();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].text, "FULL SCREEN GO");
    EXPECT_EQ(records[0].caption.substr(0, 4), "\x83\x74\x83\x8B");
    EXPECT_EQ(records[0].type, 0x24u);
    EXPECT_EQ(records[0].answer, IDYES);
}

class FakeObject : public IUnknown {
public:
    HRESULT QueryInterface(REFIID, void** object) override {
        *object = this;
        AddRef();
        return S_OK;
    }
    ULONG AddRef() override { return ++refs; }
    ULONG Release() override { return --refs; }
    ULONG refs = 0;
};

FakeObject g_fake;
constexpr CLSID kFakeClass = {0x12345678, 0x1234, 0x5678, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr CLSID kUnknownClass = {0x87654321, 0x1234, 0x5678, {1, 2, 3, 4, 5, 6, 7, 8}};

HRESULT MakeFake(REFIID iid, void** object) { return g_fake.QueryInterface(iid, object); }

// The class registry is process-wide: the fake class is taken out however the test ends.
class WindowCom : public ::testing::Test {
protected:
    void TearDown() override { RegisterComClass(kFakeClass, nullptr); }
};

TEST_F(WindowCom, InitialisationCountsAndCreationGoesThroughTheRegisteredClasses) {
    void* object = &g_fake;
    EXPECT_EQ(CoCreateInstance(kUnknownClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object), CO_E_NOTINITIALIZED);
    EXPECT_EQ(object, nullptr);
    EXPECT_EQ(CoInitialize(nullptr), S_OK);
    EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
    EXPECT_EQ(CoCreateInstance(kUnknownClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object), REGDB_E_CLASSNOTREG);
    EXPECT_EQ(object, nullptr);
    RegisterComClass(kFakeClass, MakeFake);
    EXPECT_EQ(CoCreateInstance(kFakeClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object), S_OK);
    EXPECT_EQ(object, &g_fake);
    EXPECT_EQ(g_fake.refs, 1u);
    RegisterComClass(kFakeClass, nullptr);
    EXPECT_EQ(CoCreateInstance(kFakeClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object), REGDB_E_CLASSNOTREG);
    CoUninitialize();
    CoUninitialize();
    EXPECT_EQ(CoCreateInstance(kFakeClass, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, &object), CO_E_NOTINITIALIZED);
    EXPECT_EQ(CoInitialize(nullptr), S_OK);
    CoUninitialize();
}

// The screen-saver switch and the foreground lock time-out are the window system's, for
// the whole process: both are put back however a test ends.
class WindowSystem : public ::testing::Test {
protected:
    void SetUp() override {
        SystemParametersInfoA(SPI_GETSCREENSAVEACTIVE, 0, &saved_screen_saver_, 0);
        SystemParametersInfoA(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &saved_lock_timeout_, 0);
    }
    void TearDown() override {
        SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, static_cast<UINT>(saved_screen_saver_), nullptr, 0);
        SystemParametersInfoA(SPI_SETFOREGROUNDLOCKTIMEOUT, 0,
                              reinterpret_cast<void*>(std::uintptr_t{saved_lock_timeout_}), 0);
    }

private:
    BOOL saved_screen_saver_ = TRUE;
    DWORD saved_lock_timeout_ = 0;
};

TEST_F(WindowSystem, ScreenSaverSwitchStartsAtTheUsersSettingAndFollowsTheProgram) {
    BOOL active = FALSE;
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETSCREENSAVEACTIVE, 0, &active, 0));
    EXPECT_TRUE(active);
    ASSERT_TRUE(SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, FALSE, nullptr, SPIF_SENDCHANGE));
    SystemParametersInfoA(SPI_GETSCREENSAVEACTIVE, 0, &active, 0);
    EXPECT_FALSE(active);
    SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, active, nullptr, SPIF_SENDCHANGE);
    SystemParametersInfoA(SPI_GETSCREENSAVEACTIVE, 0, &active, 0);
    EXPECT_FALSE(active);
    SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, TRUE, nullptr, SPIF_SENDCHANGE);
    SystemParametersInfoA(SPI_GETSCREENSAVEACTIVE, 0, &active, 0);
    EXPECT_TRUE(active);

    DWORD timeout = 99;
    SystemParametersInfoA(SPI_SETFOREGROUNDLOCKTIMEOUT, 0, reinterpret_cast<void*>(std::uintptr_t{200000}), 0);
    SystemParametersInfoA(SPI_GETFOREGROUNDLOCKTIMEOUT, 0, &timeout, 0);
    EXPECT_EQ(timeout, 200000u);
}

TEST_F(WindowSystem, DesktopIsThirtyTwoBitsAndItsSizeComesFromTheDisplay) {
    HDC screen = GetDC(nullptr);
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(GetDeviceCaps(screen, BITSPIXEL) * GetDeviceCaps(screen, PLANES), 32);
    EXPECT_GT(GetSystemMetrics(SM_CXSCREEN), 0);
    EXPECT_GT(GetSystemMetrics(SM_CYSCREEN), 0);
    ReleaseDC(nullptr, screen);
    FakeDesktopSize desktop(1280, 1024);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1280);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 1024);
    EXPECT_EQ(GetSystemMetrics(SM_CYCAPTION), 0);
}

TEST_F(WindowTest, MenusAreDataThatCanBeWalked) {
    HMENU menu = CreateMenu();
    HMENU sub = CreatePopupMenu();
    ASSERT_TRUE(AppendMenuA(sub, MF_STRING, 11, "Open"));
    ASSERT_TRUE(AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), "File"));
    ASSERT_TRUE(AppendMenuA(menu, MF_SEPARATOR, 0, nullptr));
    ASSERT_TRUE(AppendMenuA(menu, MF_STRING, 12, "Quit"));
    EXPECT_EQ(GetMenuItemCount(menu), 3);
    char name[8];
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_TYPE | MIIM_ID | MIIM_SUBMENU | MIIM_STATE;
    info.dwTypeData = name;
    info.cch = sizeof name;
    ASSERT_TRUE(GetMenuItemInfoA(menu, 0, TRUE, &info));
    EXPECT_EQ(info.hSubMenu, sub);
    EXPECT_STREQ(name, "File");
    info.cch = sizeof name;
    ASSERT_TRUE(GetMenuItemInfoA(menu, 1, TRUE, &info));
    EXPECT_EQ(info.fType, MFT_SEPARATOR);
    info.cch = 3;
    ASSERT_TRUE(GetMenuItemInfoA(menu, 2, TRUE, &info));
    EXPECT_EQ(info.wID, 12u);
    EXPECT_STREQ(name, "Qu");  // cut to the buffer
    EXPECT_FALSE(GetMenuItemInfoA(menu, 3, TRUE, &info));
    const HWND w = Create();
    EXPECT_TRUE(SetMenu(w, menu));
    EXPECT_EQ(GetMenu(w), menu);
    EXPECT_TRUE(SetMenu(w, nullptr));
    EXPECT_TRUE(DestroyMenu(menu));
    EXPECT_EQ(GetMenuItemCount(menu), -1);
    EXPECT_EQ(GetMenuItemCount(sub), -1);
    EXPECT_EQ(LoadLibraryA("hook.dll"), nullptr);
}

}  // namespace
