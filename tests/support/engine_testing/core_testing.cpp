// Core's log settings and allocation counters, for tests.
#include "tests/support/engine_testing/core_testing.h"

#include "engine/core/tracked_alloc.h"

LogState* GetLogState() { return &g_log_state; }
std::int32_t TrackedTotalBytes() { return g_alloc_tracker.total_bytes; }
std::int32_t TrackedLiveBlockCount() { return g_alloc_tracker.live_count; }
