// Test-only reads of core's state: the text log's settings and the tracked allocator's
// counters. Part of the engine's testing library (linked by tests only); it reads the
// records through core's internal headers text_log.h and tracked_alloc.h.
#pragma once

#include <cstdint>

#include "engine/core/text_log.h"

LogState* GetLogState();
// Bytes in live tracked blocks (a 32-bit count that wraps), and how many blocks live.
std::int32_t TrackedTotalBytes();
std::int32_t TrackedLiveBlockCount();
