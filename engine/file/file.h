// The file room's door: the file-access table that every reader opens files through
// (file_access.h: plain files and archive members behind one handle kind, the find
// functions), memory streams over a block of bytes (memory_stream.h), and the archive
// layer's start-up, shutdown and archive settings (archive_layer.h), and new temporary
// files for writing (temp_file.h).
#pragma once

#include "engine/file/archive_layer.h"
#include "engine/file/file_access.h"
#include "engine/file/memory_stream.h"
#include "engine/file/temp_file.h"
