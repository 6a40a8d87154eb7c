// Core's base-services door, the services every room builds on: the shared handle-table
// rules (handle_table.h), the tracked allocator (tracked_alloc.h), the text log
// (text_log.h), the engine's process-wide SystemBlock (system_block.h), Shift-JIS string
// helpers (sjis_string.h), number routines and clamping (number_routines.h), time and
// date fields (time_date.h), the intrusive list (linked_list.h) and the network
// connections' ring buffer (ring_buffer.h). Start-up and the window have their own door,
// core_window.h.
#pragma once

#include "engine/core/handle_table.h"
#include "engine/core/linked_list.h"
#include "engine/core/number_routines.h"
#include "engine/core/ring_buffer.h"
#include "engine/core/sjis_string.h"
#include "engine/core/system_block.h"
#include "engine/core/text_log.h"
#include "engine/core/time_date.h"
#include "engine/core/tracked_alloc.h"
