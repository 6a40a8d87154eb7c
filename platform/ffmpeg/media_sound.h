// The sound track of a media stream (inside platform/ffmpeg only): decoded by a demuxer
// of its own over the same file, converted to 16-bit stereo at 44.1 kHz and streamed
// through a looping DirectSound buffer, whose play position is the stream's clock.
#pragma once

#include <cstdint>
#include <string>

struct MediaSound;

// Opens stream `stream_index` of the file at `path` (UTF-8) as sound. `origin` (100 ns)
// is the stream time 0 in the file's own time. Null when the stream does not decode, COM
// is not up on this thread or there is no sound device: the movie then plays silent.
MediaSound* MediaSoundOpen(const std::string& path, int stream_index, std::int64_t origin);
void MediaSoundClose(MediaSound* sound);

// Starts or stops the sound where it stands.
void MediaSoundPlay(MediaSound* sound);
void MediaSoundStop(MediaSound* sound);
// Puts the sound at a stream time (100 ns); it stands there until played.
void MediaSoundSeek(MediaSound* sound, std::int64_t time);
// Refills the buffer and gives the stream time of the sound's play position. False once
// the sound has played to its end (or its data ran out for good); `time` is then where
// it ended, from which the caller's clock goes on.
bool MediaSoundTime(MediaSound* sound, std::int64_t* time);
