// Ogg page and packet framing and Theora video decoding for the movie player. One
// opaque record holds the sync state, the page last taken out, the video stream's state,
// the packet last taken out, the stream info, comments and the decoder; each call is one
// step of the library's own, with the library's result. Nothing here logs or allocates
// beyond the record.
#pragma once

#include <cstddef>
#include <cstdint>

struct OggTheoraState;

// A new record with sync state, info and comment initialised; null without memory.
OggTheoraState* OggTheoraCreate();
// Clears the stream, decoder, comment, info and sync states and frees the record.
void OggTheoraDestroy(OggTheoraState* state);

// ---- sync state and the page last taken out
// A buffer of `bytes` to read into (null on failure), then how many were written.
char* OggSyncBuffer(OggTheoraState* state, long bytes);
int OggSyncWrote(OggTheoraState* state, long bytes);
// 1 with a page, 0 when more data is needed, -1 after skipping bytes that are no page.
int OggSyncPageout(OggTheoraState* state);
int OggSyncReset(OggTheoraState* state);
int OggPageBos(const OggTheoraState* state);
int OggPageContinued(const OggTheoraState* state);
// Header plus body bytes of the page.
std::int64_t OggPageBytes(const OggTheoraState* state);

// ---- the video stream's state and the packet last taken out
// Gives the page to the stream; -1 when refused (another stream's page).
int OggStreamPagein(OggTheoraState* state);
// 1 with a packet, 0 when none is complete, -1 after a gap in the data.
int OggStreamPacketout(OggTheoraState* state);
int OggStreamReset(OggTheoraState* state);
// Offers a beginning-of-stream page (the page last taken out) as the video stream's
// first: a scratch stream takes the page and its first packet goes to the header
// decoder. 0 when it is a Theora identification header (the scratch stream becomes the
// record's stream and the serial number is written through `serial`); otherwise the
// scratch stream is cleared and the result is non-zero.
int OggTheoraOfferFirstPage(OggTheoraState* state, int* serial);

// ---- Theora
// The packet last taken out as the next header: 0 accepted, else refused.
int TheoraDecodeHeader(OggTheoraState* state);
// 1 key frame, 0 other frame (also an empty packet), -1 not a data packet (a header).
int TheoraPacketIsKeyframe(const OggTheoraState* state);
// Starts the decoder on the info read from the headers; 0 or a negative error.
int TheoraDecodeInit(OggTheoraState* state);
// Gives the packet last taken out to the decoder; 0 or a negative error.
int TheoraDecodePacketIn(OggTheoraState* state);

struct TheoraStreamInfo {
    std::uint32_t coded_width;   // the planes' size, a multiple of 16
    std::uint32_t coded_height;
    std::uint32_t picture_width;  // the shown rectangle inside them, from the top left
    std::uint32_t picture_height;
    std::uint32_t picture_x;
    std::uint32_t picture_y;
    std::uint32_t fps_numerator;
    std::uint32_t fps_denominator;
    std::int32_t chroma_format;  // 0 4:2:0, 2 4:2:2, 3 4:4:4
};
void TheoraGetStreamInfo(const OggTheoraState* state, TheoraStreamInfo* info);

// One decoded picture: three planes, rows top to bottom `stride` bytes apart (a
// negative stride walks up through memory). Valid until the next decoder call.
struct TheoraPicture {
    std::int32_t y_width, y_height, y_stride;
    std::int32_t c_width, c_height, c_stride;
    const std::uint8_t* y;
    const std::uint8_t* cb;
    const std::uint8_t* cr;
};
// The decoder's current picture; 0, or a negative error (nothing written then).
int TheoraDecodePicture(OggTheoraState* state, TheoraPicture* picture);
