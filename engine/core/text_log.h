// The text log: stamped, tab-indented Shift-JIS lines appended to "Log.txt" in the
// start-up directory and copied to the debugger output. Every writer returns -1 so a
// failing operation can end with `return WriteLogFormat(...)`.
#pragma once

#include <cstdint>

struct LogState {
    char file_name[256];
    char directory[260];
    std::uint32_t start_time;
    std::int32_t indent;
    std::int32_t mid_line;
    std::int32_t no_log_file;
    std::int32_t no_stamp;
    std::int32_t date_stamped_name;
};

// The log's settings and state.
extern LogState g_log_state;

// Sets the folder the log file lives in (the start-up directory); empty drops all text.
void SetLogDirectory(const char* directory);
int StartLogFile();
int WriteLogText(const char* text);
int WriteLogFormat(const char* format, ...) __attribute__((format(printf, 1, 2)));
// Non-zero: write the log file; 0: no log file. Returns 0.
int SetLogFileOutput(int write_file);
int IncreaseLogIndent();
int DecreaseLogIndent();
