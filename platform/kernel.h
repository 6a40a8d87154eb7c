// The kernel services of the platform layer: time, sleeping, threads, events,
// critical sections, the process heap, files, debug output, system information and
// process exit. The engine reaches the machine only through these calls.
#pragma once

#include <cstddef>

#include "platform/kernel_types.h"

// ---- time ------------------------------------------------------------------
// Milliseconds since an arbitrary start, wrapping at 2^32.
DWORD timeGetTime();
UINT timeGetDevCaps(TIMECAPS* caps, UINT size);
UINT timeBeginPeriod(UINT period);
UINT timeEndPeriod(UINT period);
// The high-resolution counter runs at 1,000,000,000 counts per second (nanoseconds).
BOOL QueryPerformanceFrequency(LARGE_INTEGER* frequency);
BOOL QueryPerformanceCounter(LARGE_INTEGER* count);
// Sleep(0) yields the processor; Sleep(n) waits at least n milliseconds.
void Sleep(DWORD milliseconds);

void GetLocalTime(SYSTEMTIME* time);
void GetSystemTime(SYSTEMTIME* time);
void GetSystemTimeAsFileTime(FILETIME* time);
BOOL FileTimeToLocalFileTime(const FILETIME* utc, FILETIME* local);
BOOL FileTimeToSystemTime(const FILETIME* time, SYSTEMTIME* out);
BOOL SystemTimeToFileTime(const SYSTEMTIME* time, FILETIME* out);

// ---- threads, events, waits ------------------------------------------------
using LPTHREAD_START_ROUTINE = DWORD (*)(void* parameter);
HANDLE CreateThread(void* security, std::size_t stack_size, LPTHREAD_START_ROUTINE start, void* parameter,
                    DWORD flags, DWORD* thread_id);
// Ends the calling thread, which must have been made by CreateThread, with the given code.
[[noreturn]] void ExitThread(DWORD exit_code);
// STILL_ACTIVE while the thread runs.
BOOL GetExitCodeThread(HANDLE thread, DWORD* exit_code);
constexpr DWORD STILL_ACTIVE = 259;
DWORD GetCurrentThreadId();

HANDLE CreateEventA(void* security, BOOL manual_reset, BOOL initial_state, const char* name);
BOOL SetEvent(HANDLE event);
BOOL ResetEvent(HANDLE event);
// Waits on an event (signalled state) or a thread (finished). With the manual clock
// a finite time-out does not wait on the wall clock: it advances the clock instead.
DWORD WaitForSingleObject(HANDLE object, DWORD milliseconds);
BOOL CloseHandle(HANDLE object);

// Re-entrant for the owning thread, like the engine expects.
struct CriticalSectionImpl;
struct CRITICAL_SECTION {
    CriticalSectionImpl* impl;
};
void InitializeCriticalSection(CRITICAL_SECTION* section);
void EnterCriticalSection(CRITICAL_SECTION* section);
void LeaveCriticalSection(CRITICAL_SECTION* section);
void DeleteCriticalSection(CRITICAL_SECTION* section);

// Runs `init` exactly once across all threads for a given once-record, which must start
// zero-filled; later callers wait until the first call has finished.
struct INIT_ONCE {
    void* state;
};
using PINIT_ONCE_FN = BOOL (*)(INIT_ONCE* once, void* parameter, void** context);
BOOL InitOnceExecuteOnce(INIT_ONCE* once, PINIT_ONCE_FN init, void* parameter, void** context);

// ---- process heap ----------------------------------------------------------
constexpr DWORD HEAP_ZERO_MEMORY = 0x00000008u;
HANDLE GetProcessHeap();
void* HeapAlloc(HANDLE heap, DWORD flags, std::size_t bytes);
// Moves the block when needed; with HEAP_ZERO_MEMORY any growth is zero-filled.
// Null on failure, leaving the old block valid.
void* HeapReAlloc(HANDLE heap, DWORD flags, void* block, std::size_t bytes);
BOOL HeapFree(HANDLE heap, DWORD flags, void* block);

// ---- files -----------------------------------------------------------------
// Paths are CP932 text; both '\' and '/' separate directories.
constexpr DWORD GENERIC_READ = 0x80000000u;
constexpr DWORD GENERIC_WRITE = 0x40000000u;
constexpr DWORD FILE_SHARE_READ = 0x00000001u;
constexpr DWORD FILE_SHARE_WRITE = 0x00000002u;
constexpr DWORD CREATE_NEW = 1;
constexpr DWORD CREATE_ALWAYS = 2;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD OPEN_ALWAYS = 4;
constexpr DWORD TRUNCATE_EXISTING = 5;
constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x00000001u;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x00000010u;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x00000080u;
constexpr DWORD FILE_BEGIN = 0;
constexpr DWORD FILE_CURRENT = 1;
constexpr DWORD FILE_END = 2;
constexpr DWORD INVALID_SET_FILE_POINTER = 0xFFFFFFFFu;
constexpr DWORD INVALID_FILE_SIZE = 0xFFFFFFFFu;

HANDLE CreateFileA(const char* path, DWORD access, DWORD share, void* security, DWORD disposition, DWORD attributes,
                   HANDLE template_file);
BOOL ReadFile(HANDLE file, void* buffer, DWORD bytes, DWORD* bytes_read, void* overlapped);
BOOL WriteFile(HANDLE file, const void* buffer, DWORD bytes, DWORD* bytes_written, void* overlapped);
DWORD SetFilePointer(HANDLE file, LONG distance, LONG* distance_high, DWORD method);
DWORD GetFileSize(HANDLE file, DWORD* size_high);
BOOL DeleteFileA(const char* path);

// ---- debug output, system information, process -----------------------------
// Sends CP932 text to the debugger output (standard error, as UTF-8).
void OutputDebugStringA(const char* text);

constexpr DWORD VER_PLATFORM_WIN32s = 0;
constexpr DWORD VER_PLATFORM_WIN32_WINDOWS = 1;
constexpr DWORD VER_PLATFORM_WIN32_NT = 2;
BOOL GetVersionExA(OSVERSIONINFOA* info);
BOOL GlobalMemoryStatusEx(MEMORYSTATUSEX* status);
UINT GetOEMCP();

// The processor identification instruction: registers EAX, EBX, ECX, EDX of a leaf.
// IsCpuIdAvailable reports whether flags bit 21 can be toggled (always on x86-64).
BOOL IsCpuIdAvailable();
void CpuId(DWORD leaf, DWORD registers[4]);
ULONGLONG ReadTimeStampCounter();

[[noreturn]] void ExitProcess(UINT exit_code);
