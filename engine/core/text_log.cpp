// The text log. Each call opens "Log.txt" (or its date-stamped name) in the start-up
// directory, appends, and closes it again, so no handle stays open between calls.
// Line breaks become CR LF; each new line gets "<ms since start>:" and one tab per
// indent level in the file, and the tabs and text go to the debugger output too.
#include "engine/core/text_log.h"

#include <cstdarg>

#include "engine/core/format_string.h"
#include "engine/core/sjis_string.h"
#include "engine/core/system_block.h"
#include "engine/core/time_date.h"
#include "engine/core/tracked_alloc.h"
#include "platform/kernel.h"
#include "platform/shift_jis.h"

LogState g_log_state = {"Log.txt", "", 0, 0, 0, 0, 0, 0};

namespace {

// Texts up to this long are converted in a stack buffer of 2n + 1 bytes.
constexpr std::size_t kStackTextMax = 255;
// The indent writes at most this many tabs.
constexpr int kMaxIndentTabs = 255;

// Copies `text` into `out` (room for 2 * length + 1 bytes) turning each LF into CR LF,
// until the first LF that already follows a CR; from there the rest is copied as is.
// Returns the converted length.
std::size_t ConvertLineBreaks(const char* text, char* out) {
    std::size_t o = 0;
    const char* p = text;
    while (*p != '\0') {
        if (IsShiftJisLeadByte(static_cast<unsigned char>(*p)) && p[1] != '\0') {
            out[o++] = p[0];
            out[o++] = p[1];
            p += 2;
            continue;
        }
        if (*p == '\n') {
            if (p != text && p[-1] == '\r') break;
            out[o++] = '\r';
        }
        out[o++] = *p++;
    }
    while (*p != '\0') out[o++] = *p++;
    out[o] = '\0';
    return o;
}

// True when the last character of `path` is a single-byte '\' (a '\' that is the
// trail byte of a two-byte character, as in "ソ", is no separator).
bool EndsWithSeparator(const char* path) {
    const char* last = nullptr;
    for (const char* p = path; *p != '\0'; p += (IsShiftJisLeadByte(static_cast<unsigned char>(*p)) && p[1] != '\0') ? 2 : 1) {
        last = p;
    }
    return last != nullptr && *last == '\\';
}

void WriteToFile(HANDLE file, const char* bytes, std::size_t length) {
    if (file == INVALID_HANDLE_VALUE || length == 0) return;
    DWORD written = 0;
    WriteFile(file, bytes, static_cast<DWORD>(length), &written, nullptr);
}

}  // namespace

void SetLogDirectory(const char* directory) {
    std::size_t i = 0;
    for (; directory[i] != '\0' && i + 1 < sizeof g_log_state.directory; ++i) g_log_state.directory[i] = directory[i];
    g_log_state.directory[i] = '\0';
}

int StartLogFile() {
    if (g_log_state.no_log_file || GetSystemBlock()->user_window) return 1;
    if (g_log_state.date_stamped_name) {
        int date[6];
        GetLocalDateFields(date);
        char number[16];
        CopyString(g_log_state.file_name, "Log");
        for (int i = 0; i < 6; ++i) {
            if (i > 0) AppendString(g_log_state.file_name, "_");
            AppendString(g_log_state.file_name, FormatIntToText(date[i], number, 10));
        }
        AppendString(g_log_state.file_name, ".txt");
    } else {
        CopyString(g_log_state.file_name, "Log.txt");
    }
    DeleteFileA(g_log_state.file_name);
    HANDLE file = CreateFileA(g_log_state.file_name, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    g_log_state.indent = 0;
    g_log_state.mid_line = 0;
    g_log_state.start_time = timeGetTime();
    return 1;
}

int WriteLogText(const char* text) {
    // Every LF may become two bytes: a 2n+1 buffer always holds the result. Texts of up
    // to kStackTextMax bytes fit the stack buffer; longer ones use a temporary tracked block.
    char stack_buffer[kStackTextMax * 2 + 2];
    std::size_t length = 0;
    while (text[length] != '\0') ++length;
    char* work = stack_buffer;
    if (length > kStackTextMax) {
        work = static_cast<char*>(TrackedAlloc(static_cast<std::uint32_t>(length * 2 + 1), nullptr, -1));
        if (work == nullptr) return -1;
    }
    const std::size_t converted = ConvertLineBreaks(text, work);

    if (GetSystemBlock()->user_window) {
        OutputDebugStringA(work);
    } else if (!g_log_state.no_log_file && g_log_state.directory[0] != '\0' && converted > 0) {
        // (An empty text writes nothing, not even a stamp, and leaves the line state.)
        char path[sizeof g_log_state.directory + 1 + sizeof g_log_state.file_name];
        CopyString(path, g_log_state.directory);
        if (!EndsWithSeparator(path)) AppendString(path, "\\");
        AppendString(path, g_log_state.file_name);

        HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) SetFilePointer(file, 0, nullptr, FILE_END);
        if (!g_log_state.mid_line) {
            if (!g_log_state.no_stamp) {
                char stamp[32];
                FormatString(stamp, "%d:", static_cast<int>(timeGetTime() - g_log_state.start_time));
                std::size_t stamp_length = 0;
                while (stamp[stamp_length] != '\0') ++stamp_length;
                WriteToFile(file, stamp, stamp_length);
            }
            if (g_log_state.indent > 0) {
                char tabs[kMaxIndentTabs + 1];
                const int count = g_log_state.indent < kMaxIndentTabs ? g_log_state.indent : kMaxIndentTabs;
                for (int i = 0; i < count; ++i) tabs[i] = '\t';
                tabs[count] = '\0';
                WriteToFile(file, tabs, static_cast<std::size_t>(count));
                OutputDebugStringA(tabs);
            }
        }
        WriteToFile(file, work, converted);
        OutputDebugStringA(work);
        g_log_state.mid_line = work[converted - 1] != '\n';
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    }

    if (work != stack_buffer) TrackedFree(work);
    return -1;
}

int WriteLogFormat(const char* format, ...) {
    char buffer[kFormatBufferBytes];
    va_list args;
    va_start(args, format);
    int length = FormatStringVa(buffer, format, args);
    va_end(args);
    // Keep room for the line break that ends every formatted line.
    if (length > static_cast<int>(kFormatBufferBytes) - 2) length = static_cast<int>(kFormatBufferBytes) - 2;
    buffer[length] = '\n';
    buffer[length + 1] = '\0';
    return WriteLogText(buffer);
}

int SetLogFileOutput(int write_file) {
    g_log_state.no_log_file = write_file == 0 ? 1 : 0;
    return 0;
}

int IncreaseLogIndent() {
    ++g_log_state.indent;
    return 0;
}

int DecreaseLogIndent() {
    if (g_log_state.indent > 0) --g_log_state.indent;
    return 0;
}
