// Starts the engine log in the current directory (normally a ScopedTempDir) with the
// file switched on, and reads back what it wrote.
#pragma once

#include <string>

// Log on, log folder = current directory, "Log.txt" re-created, indent 0, stamps
// counted from now.
void StartTestLog();
// The bytes of Log.txt in the current directory.
std::string ReadTestLog();
// The log with every line's "<digits>:" stamp removed.
std::string ReadTestLogWithoutStamps();
