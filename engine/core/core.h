// Core's base-services door, the services every room builds on: the shared handle-table
// rules (handle_table.h), the tracked allocator (tracked_alloc.h), the text log
// (text_log.h), the engine's process-wide SystemBlock (system_block.h) with its API lock
// (api_lock.h), Shift-JIS string helpers (sjis_string.h), number routines and clamping
// (number_routines.h), formatting into the 1,024-byte buffers (format_string.h), byte
// copies (byte_memory.h), time and date fields (time_date.h), the random numbers
// (random_mt.h), the system report (system_report.h), the intrusive list (linked_list.h)
// the network connections' ring buffer (ring_buffer.h), the fatal-error exit
// (fatal_exit.h) and the reads of the main window's state (window_queries.h). The calls up
// into the shell have their own door, core_shell_hooks.h. Core includes no other room.
#pragma once

#include "engine/core/api_lock.h"
#include "engine/core/byte_memory.h"
#include "engine/core/fatal_exit.h"
#include "engine/core/format_string.h"
#include "engine/core/handle_table.h"
#include "engine/core/linked_list.h"
#include "engine/core/number_routines.h"
#include "engine/core/random_mt.h"
#include "engine/core/ring_buffer.h"
#include "engine/core/sjis_string.h"
#include "engine/core/system_block.h"
#include "engine/core/system_report.h"
#include "engine/core/text_log.h"
#include "engine/core/time_date.h"
#include "engine/core/tracked_alloc.h"
#include "engine/core/window_queries.h"
