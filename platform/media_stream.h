// The multimedia stream for movies the Theora decoder does not play (other containers and
// codecs): open a file by name, run or pause it, seek it, and take the frame due at the
// stream's present time as 32-bit pixels. Frames are decoded on the caller's thread when
// asked for. The file's sound track plays through DirectSound (COM must be up on the
// thread) and its play position is the stream's clock, so the picture keeps to the
// sound; each look at the clock also refills the sound. Without a sound track or a
// sound device, and once the sound has ended, the clock is the platform's millisecond
// time.
#pragma once

#include <cstdint>

struct MediaStream;
class IDirectDrawSurface7;

// Why an open failed.
enum MediaStreamError : std::int32_t {
    kMediaStreamOk = 0,
    kMediaStreamNoFile = 1,   // the file cannot be opened or read as any container
    kMediaStreamNoVideo = 2,  // no video stream that can be decoded
    kMediaStreamNoMemory = 3,
};

// Opens `path` (CP932). Null on failure with the reason in `error`.
MediaStream* MediaStreamOpen(const char* path, MediaStreamError* error);
void MediaStreamClose(MediaStream* stream);
// The picture size (a side 0 when the stream does not tell it) and the frame rate (frames
// per second, 0 when the file gives none).
void MediaStreamGetFormat(const MediaStream* stream, std::int32_t* width, std::int32_t* height, double* frame_rate);

// Running: the stream time moves with the clock. Paused: it stands.
void MediaStreamRun(MediaStream* stream);
void MediaStreamPause(MediaStream* stream);
bool MediaStreamIsRunning(const MediaStream* stream);
// True while the stream's sound track plays (or stands ready to).
bool MediaStreamHasSound(const MediaStream* stream);
// Stream time in 100-nanosecond units.
std::int64_t MediaStreamGetTime(MediaStream* stream);
// Moves the stream to a time; the next frame taken is the one shown at it. 0 or -1.
int MediaStreamSeek(MediaStream* stream, std::int64_t time_100ns);

enum MediaFrameResult : std::int32_t {
    kMediaFrameNew = 1,      // a new frame was written
    kMediaFrameNotYet = 0,   // the frame shown at the present time was taken already
    kMediaFrameEnd = -1,     // the stream has ended (or cannot be decoded further)
};
// Writes the frame shown at the present stream time into `pixels` (blue, green, red,
// 255; `pitch` bytes a row, the stream's width and height).
MediaFrameResult MediaStreamTakeFrame(MediaStream* stream, std::uint8_t* pixels, std::int32_t pitch);
// Takes the frame like MediaStreamTakeFrame and writes it into `surface` (locked for the
// write) in the surface's pixel format: 16- or 32-bit RGB, or the packed YUV layouts UYVY
// and YUY2. A frame the surface cannot take (lock refused, another layout) is dropped and
// the result is the same.
MediaFrameResult MediaStreamTakeFrameIntoSurface(MediaStream* stream, IDirectDrawSurface7* surface);
