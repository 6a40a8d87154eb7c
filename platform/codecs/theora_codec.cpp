// Ogg framing and Theora decoding over libogg and libtheora's 1.0 decoding interface:
// thin steps over one record, so the movie reader keeps the order of calls itself.
// Relies on libogg refusing other streams' pages and on calls on a cleared stream state
// being harmless.
#include <ogg/ogg.h>
#include <theora/theora.h>

#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/theora.h"

struct OggTheoraState {
    ogg_sync_state sync;
    ogg_page page;
    ogg_stream_state stream;
    ogg_packet packet;
    theora_info info;
    theora_comment comment;
    theora_state decoder;
    bool stream_ready;
    bool decoder_ready;
};

OggTheoraState* OggTheoraCreate() {
    auto* state = static_cast<OggTheoraState*>(std::calloc(1, sizeof(OggTheoraState)));
    if (state == nullptr) return nullptr;
    ogg_sync_init(&state->sync);
    theora_info_init(&state->info);
    theora_comment_init(&state->comment);
    return state;
}

void OggTheoraDestroy(OggTheoraState* state) {
    if (state == nullptr) return;
    if (state->stream_ready) ogg_stream_clear(&state->stream);
    if (state->decoder_ready) theora_clear(&state->decoder);
    theora_comment_clear(&state->comment);
    theora_info_clear(&state->info);
    ogg_sync_clear(&state->sync);
    std::free(state);
}

char* OggSyncBuffer(OggTheoraState* state, long bytes) { return ogg_sync_buffer(&state->sync, bytes); }
int OggSyncWrote(OggTheoraState* state, long bytes) { return ogg_sync_wrote(&state->sync, bytes); }
int OggSyncPageout(OggTheoraState* state) { return ogg_sync_pageout(&state->sync, &state->page); }
int OggSyncReset(OggTheoraState* state) { return ogg_sync_reset(&state->sync); }
int OggPageBos(const OggTheoraState* state) { return ogg_page_bos(&state->page); }
int OggPageContinued(const OggTheoraState* state) { return ogg_page_continued(&state->page); }
std::int64_t OggPageBytes(const OggTheoraState* state) {
    return static_cast<std::int64_t>(state->page.header_len) + state->page.body_len;
}

int OggStreamPagein(OggTheoraState* state) {
    // A stream state never set up takes no page.
    if (!state->stream_ready) return -1;
    return ogg_stream_pagein(&state->stream, &state->page);
}
int OggStreamPacketout(OggTheoraState* state) {
    if (!state->stream_ready) return 0;
    return ogg_stream_packetout(&state->stream, &state->packet);
}
int OggStreamReset(OggTheoraState* state) {
    if (!state->stream_ready) return 0;
    return ogg_stream_reset(&state->stream);
}

int OggTheoraOfferFirstPage(OggTheoraState* state, int* serial) {
    ogg_stream_state scratch;
    const int page_serial = ogg_page_serialno(&state->page);
    if (ogg_stream_init(&scratch, page_serial) != 0) return -1;
    ogg_packet packet;
    if (ogg_stream_pagein(&scratch, &state->page) != 0 || ogg_stream_packetout(&scratch, &packet) != 1 ||
        theora_decode_header(&state->info, &state->comment, &packet) != 0) {
        ogg_stream_clear(&scratch);
        return -1;
    }
    if (state->stream_ready) ogg_stream_clear(&state->stream);
    state->stream = scratch;
    state->stream_ready = true;
    state->packet = packet;
    *serial = page_serial;
    return 0;
}

int TheoraDecodeHeader(OggTheoraState* state) {
    return theora_decode_header(&state->info, &state->comment, &state->packet);
}
int TheoraPacketIsKeyframe(const OggTheoraState* state) {
    return theora_packet_iskeyframe(const_cast<ogg_packet*>(&state->packet));
}
int TheoraDecodeInit(OggTheoraState* state) {
    if (state->decoder_ready) return -1;
    const int result = theora_decode_init(&state->decoder, &state->info);
    if (result == 0) state->decoder_ready = true;
    return result < 0 ? result : 0;
}
int TheoraDecodePacketIn(OggTheoraState* state) {
    if (!state->decoder_ready) return -1;
    const int result = theora_decode_packetin(&state->decoder, &state->packet);
    return result < 0 ? result : 0;
}

void TheoraGetStreamInfo(const OggTheoraState* state, TheoraStreamInfo* info) {
    const theora_info& i = state->info;
    info->coded_width = i.width;
    info->coded_height = i.height;
    info->picture_width = i.frame_width;
    info->picture_height = i.frame_height;
    info->picture_x = i.offset_x;
    info->picture_y = i.offset_y;
    info->fps_numerator = i.fps_numerator;
    info->fps_denominator = i.fps_denominator;
    info->chroma_format = i.pixelformat == OC_PF_422 ? 2 : i.pixelformat == OC_PF_444 ? 3 : 0;
}

int TheoraDecodePicture(OggTheoraState* state, TheoraPicture* picture) {
    if (!state->decoder_ready) return -1;
    yuv_buffer yuv;
    std::memset(&yuv, 0, sizeof yuv);
    const int result = theora_decode_YUVout(&state->decoder, &yuv);
    if (result < 0 || yuv.y == nullptr || yuv.u == nullptr || yuv.v == nullptr) return result < 0 ? result : -1;
    *picture = TheoraPicture{yuv.y_width, yuv.y_height, yuv.y_stride, yuv.uv_width, yuv.uv_height, yuv.uv_stride,
                             yuv.y,       yuv.u,        yuv.v};
    return 0;
}
