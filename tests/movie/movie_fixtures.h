// Movie files made by the tests: Ogg Theora (optionally with an interleaved Vorbis track)
// through libtheoraenc and libvorbisenc, other formats through FFmpeg's encoders, and
// the reference decode of a Theora file through libtheoradec plus the conversion written
// out from its formula.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TheoraFixture {
    int coded_width = 32;
    int coded_height = 32;
    int picture_width = 32;
    int picture_height = 32;
    int picture_x = 0;
    int picture_y = 0;
    int frames = 24;
    int keyframe_interval = 8;
    std::uint32_t fps_numerator = 25;
    std::uint32_t fps_denominator = 1;
    // Pages are cut at about this many bytes (0: libogg's own choice); small values make
    // packets run over page ends.
    int page_fill = 0;
    bool page_per_packet = false;
    bool with_vorbis = false;
    // The Vorbis pages are flushed after every frame, interleaved with the pictures as a
    // muxer would write them, instead of when libogg fills a page.
    bool vorbis_page_per_frame = false;
    int pixel_format = 0;  // 0 4:2:0, 2 4:2:2, 3 4:4:4
    // The right half of the coded frame is an alpha ramp instead of the pattern: grey
    // (Cb = Cr = 128) with Y rising from 16 at its left column to 235 at its right one, the
    // same in every row and frame.
    bool alpha_ramp_right_half = false;
};

// A 48x32 coded frame whose 40x30 picture sits at (4, 2), so every reader has to crop.
TheoraFixture CroppedTheoraFixture(int frames);
// Two frames of 16x16, coded and shown: the smallest movie the tests open.
TheoraFixture TinyTheoraFixture();

// The bytes of an Ogg Theora file; frame k's picture is a pattern of k.
std::vector<std::uint8_t> MakeTheoraFile(const TheoraFixture& fixture);
// The file with its identification header claiming coded and picture frames of width x
// height (multiples of 16) and the page's checksum made right again; the frames stay as
// they were encoded.
std::vector<std::uint8_t> WithTheoraFrameSize(std::vector<std::uint8_t> file, int width, int height);
// An Ogg file with only a Vorbis stream.
std::vector<std::uint8_t> MakeVorbisOnlyFile();
// An Ogg file with the Theora headers and no video frame.
std::vector<std::uint8_t> MakeTheoraHeadersOnly(const TheoraFixture& fixture);

// Every frame of a Theora file decoded independently, as 32-bit pixels (blue, green,
// red, 255) of the picture rectangle, rows of width x 4 bytes.
struct ReferenceFrames {
    int width = 0;
    int height = 0;
    std::vector<std::vector<std::uint8_t>> frames;
    std::vector<int> key_frames;  // 1 for a key frame, per frame
};
ReferenceFrames DecodeTheoraReference(const std::vector<std::uint8_t>& file);
// What an alpha movie shows at (x, y) of reference frame k, as 0xAARRGGBB: the colour of
// the frame's left half with the red of its right half as alpha.
std::uint32_t AlphaMovieArgb(const ReferenceFrames& reference, int k, int x, int y);
// Writes to `path` a six-frame Theora file of `width` x 32 pictures whose right half is the
// alpha ramp (an alpha movie `width` / 2 wide), and returns its reference decode.
ReferenceFrames WriteAlphaRampMovie(const std::string& path, int width);

// A video-only file of another format through FFmpeg's encoders; `container` is a
// format name ("mpeg", "mp4", "webm", "avi") and `codec` an encoder name. Empty when this
// build of the libraries lacks the encoder. Frame k is a solid colour of k.
// With `sound_codec` (an encoder name) the file also has a 44.1 kHz stereo sound track of
// FfmpegSoundSample, `sound_ms` long (-1: as long as the pictures).
std::vector<std::uint8_t> MakeFfmpegFile(const char* container, const char* codec, int width, int height, int frames,
                                         int fps, const char* sound_codec = nullptr, int sound_ms = -1);
// Sample i of channel 0 (left) or 1 (right) of those sound tracks: a ramp that repeats
// every 20,000 samples, the right channel the left one negated.
int FfmpegSoundSample(std::int64_t i, int channel);
// The colour of frame k in those files (red, green, blue).
void FfmpegFrameColour(int k, int* red, int* green, int* blue);

void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes);
