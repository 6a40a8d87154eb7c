// Library start-up and shutdown. Start-up records how far it got, so a start-up that
// fails part-way (or a fatal error during it) undoes exactly what it started and a later
// start-up begins clean. The shutdown pumps are bounded. Relies on every subsystem's
// start and end operations, the file layer, the log and the tracked allocator. Start-up
// first installs the shell hooks, the rooms' way back up into the shell.
#include "engine/app/library_startup.h"

#include "engine/app/main_window.h"
#include "engine/app/text_input.h"
#include "engine/app/window_modes.h"
#include "engine/app/window_state.h"
#include "engine/core/core.h"
#include "engine/core/core_shell_hooks.h"
#include "engine/file/file.h"
#include "engine/font/font.h"
#include "engine/graphics/graphics.h"
#include "engine/include/vomur.h"
#include "engine/input/input.h"
#include "engine/movie/movie.h"
#include "engine/network/network.h"
#include "engine/sound/sound.h"
#include "platform/com.h"

namespace {

// How far start-up got; shutdown undoes the stages reached.
enum StartupStage : int {
    kStageNone = 0,
    kStageFiles,      // archive state and file-access table
    kStageWindow,     // the main window start-up ran (whatever its result)
    kStageInput,
    kStageSound,
    kStageScreen,
    kStageComplete,
};

StartupStage g_stage = kStageNone;

// The final pump of shutdown runs at most this many times.
constexpr int kShutdownPumpLimit = 1000;

void EndReportTimerPeriod(SystemBlock& block) {
    if (!block.timer_period_begun) return;
    TIMECAPS caps{};
    if (timeGetDevCaps(&caps, sizeof caps) == TIMERR_NOERROR) timeEndPeriod(caps.wPeriodMin);
    block.timer_period_begun = 0;
}

// Shuts down what start-up reached, in reverse: the screen log's font; the network,
// HTTP slots and music; the screen, input, sound and main window; COM; the soft images.
// Then a bounded pump of the window's last messages, the end of the timer period, the
// archive state (back in the start-up folder) and the dump of leaked allocations.
int ShutDown() {
    SystemBlock& block = *GetSystemBlock();
    const StartupStage stage = g_stage;
    block.ending = 1;

    ScreenLogState* screen_log = GetScreenLogState();
    if (screen_log->started) {
        if (!screen_log->font_dirty) DeleteFontHandle(screen_log->font_handle);
        screen_log->font_dirty = 1;
        screen_log->font_handle = -1;
        screen_log->started = 0;
    }
    if (stage >= kStageWindow) {
        CloseAllHttpSlots();
        TerminateNetwork();
        StopCurrentMusic();
    }
    if (stage >= kStageScreen) EndScreen();
    if (stage >= kStageInput) TerminateInput();
    if (stage >= kStageSound) TerminateSoundSystem();
    if (stage >= kStageWindow) TerminateMainWindow();
    if (block.com_started) {
        CoUninitialize();
        WriteLogText("ＣＯＭを終了... 完了\n");
        block.com_started = 0;
    }
    if (stage >= kStageWindow) ApiDeleteAllSoftImages();
    block.initialised = 0;

    if (!block.settings.no_window && GetMainWindowHandle() != nullptr) {
        for (int i = 0; i < kShutdownPumpLimit; ++i) {
            if (ProcessWindowMessages() != 0 || block.window.quit) break;
        }
    }
    EndReportTimerPeriod(block);
    if (stage >= kStageFiles) {
        FileAccessSetDir(block.settings.startup_directory);
        TerminateArchiveState();
    }
    DumpAllocations();
    g_stage = kStageNone;
    return 0;
}

int FailStartup() {
    ShutDown();
    GetSystemBlock()->initialising = 0;
    return -1;
}

// The fatal-error exit shuts down whatever start-up reached, if it got anywhere.
void ShutDownForFatalExit() {
    const SystemBlock& block = *GetSystemBlock();
    if (block.initialised || block.initialising) ShutDown();
}

// What the rooms below ask of the shell.
constexpr ShellHooks kShellHooks = {
    ProcessWindowMessages, WaitWhileInactive, ApplyWindowStyleForMode, GetScreenClientRect, ShutDownForFatalExit,
};

}  // namespace

int InitializeCom() {
    SystemBlock& block = *GetSystemBlock();
    if (block.com_started == 1) return -1;
    WriteLogText("ＣＯＭの初期化... ");
    if (FAILED(CoInitialize(nullptr))) {
        WriteLogText("ＣＯＭの初期化に失敗しました\n");
        return -1;
    }
    WriteLogText("成功しました\n");
    block.com_started = 1;
    return 0;
}

int InitializeLibrary() {
    InstallShellHooks(&kShellHooks);
    InstallFontGraphicsHooks();
    InstallGraphicsMovieHooks();
    SystemBlock& block = *GetSystemBlock();
    WindowSettings& settings = block.settings;
    if (block.initialised == 1) return 0;
    block.initialising = 1;
    g_stage = kStageNone;

    if (GetSoftwareModeRequest() == 1) SetHardwareRendering(0);
    InitYuvToRgbTables();
    InitializeArchiveState();
    SetupFileAccessTable(nullptr);
    g_stage = kStageFiles;
    char directory[kFilePathBytes] = "";
    FileAccessGetDir(directory);
    CopyTextBounded(settings.startup_directory, directory, static_cast<int>(sizeof settings.startup_directory));
    SetLogDirectory(settings.startup_directory);
    StartLogFile();

    if (!settings.no_window) {
        int desktop_bits = 0;
        ReadLiveDesktopInfo(nullptr, nullptr, &desktop_bits);
        if ((desktop_bits == 24 && settings.window_mode) || GetScreenBitDepth() == 24) {
            WriteLogText("Vomurは２４ビットカラーモードに対応していません\n");
            // Nothing else has been started: give the archive state back and end start-up.
            TerminateArchiveState();
            g_stage = kStageNone;
            block.initialising = 0;
            return -1;
        }
    }

    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    block.performance_frequency = frequency.QuadPart;
    block.use_performance_counter = frequency.QuadPart != 0 ? 1 : 0;
    LogSystemInformation();
    if (block.os_code == kOsCodeVista) SetTempPrimaryMode(1);
    SetupStreamFunctions();
    SetGraphRestoreCallback(nullptr);

    if (InitializeCom() == -1) return FailStartup();
    g_stage = kStageWindow;
    if (InitializeMainWindow() == -1) return FailStartup();
    ClearHttpSlotTable();
    g_stage = kStageInput;
    if (!settings.skip_input) {
        if (InitializeInput() == -1) return FailStartup();
    }
    if (!settings.skip_sound) InitializeSoundSystem();
    g_stage = kStageSound;
    if (!settings.skip_graphics) {
        g_stage = kStageScreen;
        if (StartScreen(settings.main_window) < 0) return FailStartup();
    }
    g_stage = kStageScreen;
    InitializeTextInput();
    g_stage = kStageComplete;
    block.initialised = 1;
    SetFlipVSyncWait(1);
    if (!settings.window_mode && !block.user_window) BringWindowToForeground(settings.main_window, 1);
    StartScreenLog();
    ChooseDrawTarget(kDrawTargetBack);
    ChooseDrawTarget(kDrawTargetFront);
    if (!settings.skip_graphics) WarmUpDrawingPaths();
    block.initialising = 0;
    return 0;
}

int TerminateLibrary() {
    if (GetSystemBlock()->initialised == 0) return 0;
    return ShutDown();
}
