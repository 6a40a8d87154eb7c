// Bringing the whole engine up in its fixed order and down in another, the COM step of
// start-up, and the fatal-error exit that ends the process from anywhere in the engine.
#pragma once

int InitializeLibrary();
int TerminateLibrary();
int InitializeCom();
[[noreturn]] void FatalErrorExit(const char* message);
[[noreturn]] void FatalErrorExitFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));
