// Bringing the whole engine up in its fixed order and down in another, and the COM step
// of start-up. The fatal-error exit is declared in core_window.h.
#pragma once

#include "engine/core/core_window.h"

int InitializeLibrary();
int TerminateLibrary();
int InitializeCom();
