// The fatal-error exit. Relies on the log, the shell hooks (the shutdown of whatever the
// start-up reached), the API lock and the platform's process exit.
#include "engine/core/fatal_exit.h"

#include <cstdarg>

#include "engine/core/api_lock.h"
#include "engine/core/format_string.h"
#include "engine/core/core_shell_hooks.h"
#include "engine/core/text_log.h"
#include "platform/kernel.h"

void FatalErrorExit(const char* message) {
    WriteLogText(message);
    WriteLogText("\n");
    GetShellHooks()->shut_down_for_fatal_exit();
    DestroyApiLock();
    ExitProcess(0xFFFFFFFFu);
}

void FatalErrorExitFormat(const char* format, ...) {
    char buffer[kFormatBufferBytes];
    va_list args;
    va_start(args, format);
    FormatStringVa(buffer, format, args);
    va_end(args);
    FatalErrorExit(buffer);
}
