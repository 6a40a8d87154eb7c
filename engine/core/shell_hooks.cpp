// The table of calls up into the shell, and its defaults for the time before the shell
// installs its own: nothing to pump (the answer is the quit flag), nothing to wait for,
// no style to apply, the client area as the window state records it, nothing to shut down.
#include "engine/core/core_shell_hooks.h"

#include "engine/core/system_block.h"

namespace {

int PumpNothing() { return GetSystemBlock()->window.quit == 1 ? -1 : 0; }
void WaitForNothing() {}
int ApplyNoStyle() { return 0; }
int RecordedClientRect(RECT* rect) {
    *rect = GetSystemBlock()->window.screen_area;
    return 0;
}
void ShutDownNothing() {}

constexpr ShellHooks kDefaultShellHooks = {
    PumpNothing, WaitForNothing, ApplyNoStyle, RecordedClientRect, ShutDownNothing,
};

const ShellHooks* g_shell_hooks = &kDefaultShellHooks;

}  // namespace

const ShellHooks* GetShellHooks() { return g_shell_hooks; }

void InstallShellHooks(const ShellHooks* hooks) { g_shell_hooks = hooks != nullptr ? hooks : &kDefaultShellHooks; }
