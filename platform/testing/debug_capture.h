// Test hook: while a DebugCapture lives, everything sent to the debugger output is
// kept (as the CP932 bytes given) instead of going to standard error.
#pragma once

#include <string>

class DebugCapture {
public:
    DebugCapture();
    ~DebugCapture();
    DebugCapture(const DebugCapture&) = delete;
    DebugCapture& operator=(const DebugCapture&) = delete;

    // Returns what was captured since the last call and starts afresh.
    std::string Take();
};
