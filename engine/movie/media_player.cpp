// The player for movies the Theora decoder does not take: a multimedia stream of the
// platform, run and paused with the movie, its frames collected into the record's frame
// image when the stream's clock has a new one due (at most once per frame the screen
// presents, or after 18 ms without one; a paused movie's frame, the first one after the
// open, taken at once for its graph), looped by seeking back to 0, released and
// re-opened at its saved time across a display change. A file the stream cannot open by
// name (a member of an archive) is first copied whole into a temporary file, which goes
// with the movie. In overlay mode the frames go straight into an overlay surface in the
// screen's overlay format, which the overlay placement shows; no frame image is kept.
// Relies on platform/media_stream.h, the file room and the display hooks of the movie room.
#include <cstring>

#include "engine/core/core.h"
#include "engine/file/file.h"
#include "engine/movie/movie_record.h"
#include "platform/kernel.h"

namespace {

constexpr std::uint32_t kCopyChunk = 1048576;
// Without a presented screen frame, a new movie frame is collected only after longer than this.
constexpr std::uint32_t kFlipWaitMs = 17;

std::int64_t FlipCount() { return static_cast<std::int64_t>(GetMovieDisplayHooks()->get_flip_count()); }

const char* OpenFailureText(MediaStreamError error) {
    switch (error) {
        case kMediaStreamNoVideo: return "プライマリビデオストリームを追加できませんでした！";
        case kMediaStreamNoMemory: return "メモリの確保に失敗しました in OpenDirectShowMovie";
        default: return nullptr;
    }
}

// Copies the file at the record's path, read through the file-access table (so archive
// members are found), into a new temporary file whose name then replaces the path. A
// short read or write leaves no copy behind: a partial movie is not played.
bool CopyToTemporaryFile(MovieRecord* record) {
    const FileHandle file = FileAccessOpen(record->path, 0, 1, 0);
    if (file == 0) return false;
    FileAccessSeek(file, 0, kSeekEnd);
    const std::int64_t size = FileAccessTell(file);
    FileAccessSeek(file, 0, kSeekSet);
    auto* buffer = static_cast<std::uint8_t*>(size >= 0 ? TrackedAlloc(kCopyChunk, "", 0) : nullptr);
    if (buffer == nullptr) {
        FileAccessClose(file);
        return false;
    }
    char copy[kMoviePathBytes];
    HANDLE temporary = CreateTempFile(copy);
    if (temporary == nullptr || temporary == INVALID_HANDLE_VALUE) {
        FileAccessClose(file);
        TrackedFree(buffer);
        return false;
    }
    bool whole = true;
    for (std::int64_t offset = 0; offset < size;) {
        const auto chunk = static_cast<std::uint32_t>(size - offset < kCopyChunk ? size - offset : kCopyChunk);
        const std::size_t read = FileAccessRead(buffer, 1, chunk, file);
        DWORD written = 0;
        if (read != chunk || !WriteFile(temporary, buffer, chunk, &written, nullptr) || written != chunk) {
            whole = false;
            break;
        }
        offset += chunk;
    }
    FileAccessClose(file);
    CloseHandle(temporary);
    TrackedFree(buffer);
    if (!whole) {
        DeleteFileA(copy);
        return false;
    }
    std::memcpy(record->path, copy, std::strlen(copy) + 1);
    record->temporary_copy = 1;
    return true;
}

// The surface mode a movie gets: an overlay only when the screen found an overlay
// format, else 24-bit RGB, which a 32-bit screen takes as plain; any other value is plain.
std::int32_t SettleSurfaceMode(int asked) {
    const MovieDisplayHooks* display = GetMovieDisplayHooks();
    int mode = asked == 1 || asked == 2 ? asked : 0;
    if (mode == 1 && display->get_overlay_pixel_format() == nullptr) mode = 2;
    if (mode == 2 && display->get_screen_bit_depth() == 32) mode = 0;
    return mode;
}

// The overlay surface the frames of an overlay movie go into: video memory in the
// overlay format. Null when there is no DirectDraw object or it cannot be made.
IDirectDrawSurface7* CreateOverlaySurface(std::int32_t width, std::int32_t height) {
    const MovieDisplayHooks* display = GetMovieDisplayHooks();
    IDirectDraw7* direct_draw = display->get_direct_draw_object();
    const DDPIXELFORMAT* format = display->get_overlay_pixel_format();
    if (direct_draw == nullptr || format == nullptr) return nullptr;
    DDSURFACEDESC2 description{};
    description.dwSize = sizeof(description);
    description.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT;
    description.dwWidth = static_cast<DWORD>(width);
    description.dwHeight = static_cast<DWORD>(height);
    description.ddsCaps.dwCaps = DDSCAPS_OVERLAY | DDSCAPS_VIDEOMEMORY;
    description.ddpfPixelFormat = *format;
    IDirectDrawSurface7* surface = nullptr;
    if (FAILED(direct_draw->CreateSurface(&description, &surface, nullptr))) return nullptr;
    return surface;
}

// Makes the stream and the frame image (in overlay mode the overlay surface instead)
// from an opened stream; on failure logs the reason and closes the stream.
int TakeStream(MovieRecord* record, MediaStream* stream, int* width, int* height) {
    std::int32_t w = 0, h = 0;
    double rate = 0;
    MediaStreamGetFormat(stream, &w, &h, &rate);
    if (w <= 0 || h <= 0) {
        MediaStreamClose(stream);
        return WriteLogText("動画ファイルではない可能性があります！");
    }
    MovieFrameImage& image = record->frame_image;
    image.width = w;
    image.height = h;
    if (record->surface_mode == 1) {
        // The frames stay in the overlay surface: no pixel copy.
        record->overlay_surface = CreateOverlaySurface(w, h);
        if (record->overlay_surface == nullptr) {
            MediaStreamClose(stream);
            image = MovieFrameImage{};
            return WriteLogText("DirectDrawSurface オブジェクトの作成に失敗しました");
        }
        image.pitch = 0;
        image.pixels = nullptr;
    } else {
        image.pitch = w * 4;
        image.pixels = static_cast<std::uint8_t*>(
            TrackedCalloc(static_cast<std::uint32_t>(image.pitch) * static_cast<std::uint32_t>(h), "", 0));
        if (image.pixels == nullptr) {
            MediaStreamClose(stream);
            image = MovieFrameImage{};
            return WriteLogText("メモリの確保に失敗しました in OpenDirectShowMovie");
        }
    }
    record->media = stream;
    record->width = w;
    record->height = h;
    if (width != nullptr) *width = w;
    if (height != nullptr) *height = h;
    record->last_flip_count = -1;
    record->last_update_time = kNoUpdate;
    record->frame_pending = 0;
    record->released = 0;
    return 0;
}

// Opens the stream at the record's path in the surface mode asked for (settled here);
// on failure logs the reason and leaves nothing. A file the stream cannot open by name is
// copied once (unless the path is a copy already), and a copy made here is deleted again
// when the open fails after all. The overlay placement starts afresh.
int OpenStream(MovieRecord* record, int surface_mode, int* width, int* height) {
    record->overlay = OverlayPlacement{};
    record->frame_ready = 0;
    record->surface_mode = SettleSurfaceMode(surface_mode);
    MediaStreamError error = kMediaStreamOk;
    MediaStream* stream = MediaStreamOpen(record->path, &error);
    if (stream != nullptr) return TakeStream(record, stream, width, height);
    if (error != kMediaStreamNoFile || record->temporary_copy) {
        const char* text = OpenFailureText(error);
        if (text != nullptr) return WriteLogText(text);
        return WriteLogFormat("ファイル:%s が開けませんでした", record->path);
    }
    char original[kMoviePathBytes];
    std::memcpy(original, record->path, sizeof original);
    if (!CopyToTemporaryFile(record)) return WriteLogFormat("ファイル:%s が開けませんでした", original);
    stream = MediaStreamOpen(record->path, &error);
    int result = -1;
    if (stream != nullptr) {
        result = TakeStream(record, stream, width, height);
    } else if (error != kMediaStreamNoFile && OpenFailureText(error) != nullptr) {
        WriteLogText(OpenFailureText(error));
    } else {
        WriteLogFormat("ファイル:%s が開けませんでした", original);
    }
    if (result == -1) {
        DeleteFileA(record->path);
        record->temporary_copy = 0;
        std::memcpy(record->path, original, sizeof original);
    }
    return result;
}

void ReleaseStream(MovieRecord* record) {
    if (record->media != nullptr) MediaStreamClose(record->media);
    record->media = nullptr;
    if (record->overlay_surface != nullptr) record->overlay_surface->Release();
    record->overlay_surface = nullptr;
    TrackedFree(record->frame_image.pixels);
    record->frame_image = MovieFrameImage{};
    record->frame_pending = 0;
}

// A frame taken but not handed over yet (the first one, taken at open) goes to the
// callback also when the update collects none: the movie is paused, its next frame is
// not due, or its stream has ended. Handed over, it counts for the pacing as a frame
// collected now.
int HandOverPendingFrame(MovieRecord* record) {
    // An overlay's standing frame is in its surface: it counts as collected now.
    if (record->surface_mode == 1) {
        if (record->frame_pending) record->frame_ready = 1;
        record->frame_pending = 0;
        return 0;
    }
    if (record->frame_pending && record->callback != nullptr) {
        record->callback(record, record->user);
        record->frame_ready = 1;
        record->last_flip_count = FlipCount();
        record->last_update_time = timeGetTime();
    }
    return 0;
}

}  // namespace

// Takes the frame shown at the stream's present time into the frame image (an overlay
// movie's into its overlay surface), for the next update to hand over: a paused movie is not collected from, yet its graph is to show the
// frame it stands at (the first one after the open). A frame that cannot be decoded
// leaves the image as it is.
void TakeStandingFrame(MovieRecord* record) {
    const MediaFrameResult taken =
        record->surface_mode == 1
            ? MediaStreamTakeFrameIntoSurface(record->media, record->overlay_surface)
            : MediaStreamTakeFrame(record->media, record->frame_image.pixels, record->frame_image.pitch);
    if (taken == kMediaFrameNew) {
        record->frame_pending = 1;
    }
}

int OpenMediaMovie(MovieRecord* record, const char* path, int* width, int* height, int surface_mode) {
    std::strncpy(record->path, path, kMoviePathBytes - 1);
    record->path[kMoviePathBytes - 1] = '\0';
    record->temporary_copy = 0;
    if (std::strlen(path) >= kMoviePathBytes) return WriteLogFormat("ファイル:%s が開けませんでした", path);
    if (OpenStream(record, surface_mode, width, height) == -1) return -1;
    // The movie opens paused at its first frame, and nothing may play it: that frame is
    // taken now, as the Theora opener converts its frame 0.
    TakeStandingFrame(record);
    return 0;
}

void CloseMediaMovie(MovieRecord* record) {
    HideMovieOverlay(record);
    ReleaseStream(record);
    if (record->temporary_copy) DeleteFileA(record->path);
    record->temporary_copy = 0;
}

int RunMediaMovie(MovieRecord* record) {
    if (record->media != nullptr) MediaStreamRun(record->media);
    return 0;
}

int PauseMediaMovie(MovieRecord* record) {
    if (record->media != nullptr) MediaStreamPause(record->media);
    return 0;
}

int UpdateMediaMovie(MovieRecord* record, int force) {
    if (record->media == nullptr) return 0;
    if (!force) {
        if (record->play_requested != 1 || record->paused != 0 || !MediaStreamIsRunning(record->media)) {
            return HandOverPendingFrame(record);
        }
        // A frame at most once per presented screen frame, or after 18 ms without a flip.
        if (FlipCount() == record->last_flip_count && timeGetTime() - record->last_update_time <= kFlipWaitMs) {
            return HandOverPendingFrame(record);
        }
    }
    const bool overlay = record->surface_mode == 1;
    const MediaFrameResult result =
        overlay ? MediaStreamTakeFrameIntoSurface(record->media, record->overlay_surface)
                : MediaStreamTakeFrame(record->media, record->frame_image.pixels, record->frame_image.pitch);
    if (result == kMediaFrameEnd) {
        if ((record->play_type & kMoviePlayLoop) != 0) {
            MediaStreamSeek(record->media, 0);
            MediaStreamRun(record->media);
            record->last_flip_count = -1;
            record->last_update_time = kNoUpdate;
        } else {
            record->play_requested = 0;
            record->paused = 1;
            MediaStreamPause(record->media);
        }
        return HandOverPendingFrame(record);
    }
    if (result == kMediaFrameNotYet) return HandOverPendingFrame(record);
    // An overlay's frame is in its surface already: nothing is handed to the graph.
    if (!overlay) {
        record->frame_pending = 1;
        if (record->callback != nullptr) record->callback(record, record->user);
    }
    record->last_flip_count = FlipCount();
    record->last_update_time = timeGetTime();
    record->frame_ready = 1;
    return 0;
}

int ReleaseAllMovieGraphs() {
    for (int slot = 0; slot < kMovieLimit; ++slot) {
        MovieRecord* record = MovieRecordOfSlot(slot);
        if (record == nullptr || record->theora_flag || record->media == nullptr) continue;
        record->saved_stream_time = MediaStreamGetTime(record->media);
        ReleaseStream(record);
        record->released = 1;
    }
    return 0;
}

int RebuildAllMovieGraphs() {
    for (int slot = 0; slot < kMovieLimit; ++slot) {
        MovieRecord* record = MovieRecordOfSlot(slot);
        if (record == nullptr || record->theora_flag || !record->released) continue;
        if (OpenStream(record, record->surface_mode, nullptr, nullptr) == -1) return -1;
        MediaStreamSeek(record->media, record->saved_stream_time);
        if (!record->paused) {
            MediaStreamRun(record->media);
        } else {
            TakeStandingFrame(record);
        }
    }
    return 0;
}
