// The fatal-error exit: logs the message, has the shell shut the engine down (through the
// shell hooks) and ends the process, from anywhere in the engine.
#pragma once

[[noreturn]] void FatalErrorExit(const char* message);
[[noreturn]] void FatalErrorExitFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));
