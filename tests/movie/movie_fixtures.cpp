// Makes the test movies and decodes Theora files the plain way for comparison.
#include "tests/movie/movie_fixtures.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
}
#include <ogg/ogg.h>
#include <theora/theoradec.h>
#include <theora/theoraenc.h>
#include <vorbis/vorbisenc.h>

#include <cmath>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <stdexcept>

namespace {

void AppendPage(std::vector<std::uint8_t>& out, const ogg_page& page) {
    out.insert(out.end(), page.header, page.header + page.header_len);
    out.insert(out.end(), page.body, page.body + page.body_len);
}

int Ilog(unsigned v) {
    int r = 0;
    while (v) {
        ++r;
        v >>= 1;
    }
    return r;
}

struct VorbisTrack {
    vorbis_info info;
    vorbis_comment comment;
    vorbis_dsp_state dsp;
    vorbis_block block;
    ogg_stream_state stream;
    std::int64_t samples = 0;

    void Start(std::vector<std::uint8_t>& out, std::vector<std::uint8_t>& later_headers) {
        vorbis_info_init(&info);
        if (vorbis_encode_init_vbr(&info, 1, 8000, 0.1f) != 0) throw std::runtime_error("vorbis init");
        vorbis_comment_init(&comment);
        vorbis_analysis_init(&dsp, &info);
        vorbis_block_init(&dsp, &block);
        ogg_stream_init(&stream, 0x5151);
        ogg_packet id, com, code;
        vorbis_analysis_headerout(&dsp, &comment, &id, &com, &code);
        ogg_stream_packetin(&stream, &id);
        ogg_page page;
        while (ogg_stream_flush(&stream, &page)) AppendPage(out, page);
        ogg_stream_packetin(&stream, &com);
        ogg_stream_packetin(&stream, &code);
        while (ogg_stream_flush(&stream, &page)) AppendPage(later_headers, page);
    }
    // Adds `count` samples of a tone and writes what pages are ready.
    void Feed(std::vector<std::uint8_t>& out, int count, bool last, bool flush = false) {
        if (count > 0) {
            float** buffer = vorbis_analysis_buffer(&dsp, count);
            for (int i = 0; i < count; ++i) buffer[0][i] = 0.2f * std::sin(0.05f * static_cast<float>(samples + i));
            vorbis_analysis_wrote(&dsp, count);
            samples += count;
        }
        if (last) vorbis_analysis_wrote(&dsp, 0);
        ogg_packet packet;
        ogg_page page;
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            while (vorbis_bitrate_flushpacket(&dsp, &packet)) ogg_stream_packetin(&stream, &packet);
        }
        while (last || flush ? ogg_stream_flush(&stream, &page) : ogg_stream_pageout(&stream, &page)) {
            AppendPage(out, page);
        }
    }
    void End() {
        ogg_stream_clear(&stream);
        vorbis_block_clear(&block);
        vorbis_dsp_clear(&dsp);
        vorbis_comment_clear(&comment);
        vorbis_info_clear(&info);
    }
};

void FillPicture(const TheoraFixture& f, int k, th_ycbcr_buffer planes, std::vector<std::uint8_t>& store) {
    const int cw = f.pixel_format == 3 ? f.coded_width : f.coded_width / 2;
    const int ch = f.pixel_format == 0 ? f.coded_height / 2 : f.coded_height;
    store.assign(static_cast<std::size_t>(f.coded_width * f.coded_height + 2 * cw * ch), 0);
    std::uint8_t* y = store.data();
    std::uint8_t* cb = y + f.coded_width * f.coded_height;
    std::uint8_t* cr = cb + cw * ch;
    for (int r = 0; r < f.coded_height; ++r) {
        for (int c = 0; c < f.coded_width; ++c) {
            y[r * f.coded_width + c] = static_cast<std::uint8_t>(16 + ((c * 3 + r * 2 + k * 9) % 220));
        }
    }
    for (int r = 0; r < ch; ++r) {
        for (int c = 0; c < cw; ++c) {
            cb[r * cw + c] = static_cast<std::uint8_t>(40 + ((c * 5 + k * 13) % 176));
            cr[r * cw + c] = static_cast<std::uint8_t>(40 + ((r * 7 + k * 5) % 176));
        }
    }
    if (f.alpha_ramp_right_half) {
        const int half = f.coded_width / 2;
        for (int r = 0; r < f.coded_height; ++r) {
            for (int c = half; c < f.coded_width; ++c) {
                y[r * f.coded_width + c] = static_cast<std::uint8_t>(16 + (c - half) * 219 / (half - 1));
            }
        }
        for (int r = 0; r < ch; ++r) {
            for (int c = cw / 2; c < cw; ++c) cb[r * cw + c] = cr[r * cw + c] = 128;
        }
    }
    planes[0] = th_img_plane{f.coded_width, f.coded_height, f.coded_width, y};
    planes[1] = th_img_plane{cw, ch, cw, cb};
    planes[2] = th_img_plane{cw, ch, cw, cr};
}

std::vector<std::uint8_t> EncodeTheora(const TheoraFixture& f, bool headers_only) {
    th_info info;
    th_info_init(&info);
    info.frame_width = static_cast<ogg_uint32_t>(f.coded_width);
    info.frame_height = static_cast<ogg_uint32_t>(f.coded_height);
    info.pic_width = static_cast<ogg_uint32_t>(f.picture_width);
    info.pic_height = static_cast<ogg_uint32_t>(f.picture_height);
    info.pic_x = static_cast<ogg_uint32_t>(f.picture_x);
    info.pic_y = static_cast<ogg_uint32_t>(f.picture_y);
    info.fps_numerator = f.fps_numerator;
    info.fps_denominator = f.fps_denominator;
    info.aspect_numerator = 1;
    info.aspect_denominator = 1;
    info.colorspace = TH_CS_UNSPECIFIED;
    info.pixel_fmt = f.pixel_format == 2 ? TH_PF_422 : f.pixel_format == 3 ? TH_PF_444 : TH_PF_420;
    info.quality = 40;
    info.target_bitrate = 0;
    info.keyframe_granule_shift = Ilog(static_cast<unsigned>(f.keyframe_interval));
    th_enc_ctx* encoder = th_encode_alloc(&info);
    th_info_clear(&info);
    if (encoder == nullptr) throw std::runtime_error("theora encoder");
    ogg_uint32_t interval = static_cast<ogg_uint32_t>(f.keyframe_interval);
    th_encode_ctl(encoder, TH_ENCCTL_SET_KEYFRAME_FREQUENCY_FORCE, &interval, sizeof interval);

    std::vector<std::uint8_t> out;
    ogg_stream_state stream;
    ogg_stream_init(&stream, 0x1234);
    th_comment comment;
    th_comment_init(&comment);
    ogg_packet packet;
    ogg_page page;
    std::vector<std::uint8_t> later_headers;
    // Identification header alone on the first page, then the other streams' first pages.
    if (th_encode_flushheader(encoder, &comment, &packet) <= 0) throw std::runtime_error("theora header");
    ogg_stream_packetin(&stream, &packet);
    while (ogg_stream_flush(&stream, &page)) AppendPage(out, page);
    VorbisTrack vorbis;
    std::vector<std::uint8_t> vorbis_headers;
    if (f.with_vorbis) vorbis.Start(out, vorbis_headers);
    while (th_encode_flushheader(encoder, &comment, &packet) > 0) ogg_stream_packetin(&stream, &packet);
    while (ogg_stream_flush(&stream, &page)) AppendPage(out, page);
    out.insert(out.end(), vorbis_headers.begin(), vorbis_headers.end());
    th_comment_clear(&comment);

    if (!headers_only) {
        std::vector<std::uint8_t> store;
        for (int k = 0; k < f.frames; ++k) {
            th_ycbcr_buffer planes;
            FillPicture(f, k, planes, store);
            if (th_encode_ycbcr_in(encoder, planes) != 0) throw std::runtime_error("theora frame");
            while (th_encode_packetout(encoder, k == f.frames - 1, &packet) > 0) {
                ogg_stream_packetin(&stream, &packet);
                if (f.page_per_packet) {
                    while (ogg_stream_flush(&stream, &page)) AppendPage(out, page);
                } else if (f.page_fill > 0) {
                    while (ogg_stream_flush_fill(&stream, &page, f.page_fill)) AppendPage(out, page);
                } else {
                    while (ogg_stream_pageout(&stream, &page)) AppendPage(out, page);
                }
            }
            if (f.with_vorbis) vorbis.Feed(out, 8000 * static_cast<int>(f.fps_denominator) /
                                                    static_cast<int>(f.fps_numerator),
                                          false, f.vorbis_page_per_frame);
        }
        while (ogg_stream_flush(&stream, &page)) AppendPage(out, page);
        if (f.with_vorbis) vorbis.Feed(out, 0, true);
    }
    if (f.with_vorbis) vorbis.End();
    ogg_stream_clear(&stream);
    th_encode_free(encoder);
    return out;
}

}  // namespace

TheoraFixture CroppedTheoraFixture(int frames) {
    TheoraFixture f;
    f.coded_width = 48;
    f.coded_height = 32;
    f.picture_width = 40;
    f.picture_height = 30;
    f.picture_x = 4;
    f.picture_y = 2;
    f.frames = frames;
    return f;
}

TheoraFixture TinyTheoraFixture() {
    TheoraFixture f;
    f.coded_width = f.picture_width = 16;
    f.coded_height = f.picture_height = 16;
    f.frames = 2;
    return f;
}

std::vector<std::uint8_t> MakeTheoraFile(const TheoraFixture& fixture) { return EncodeTheora(fixture, false); }
std::vector<std::uint8_t> MakeTheoraHeadersOnly(const TheoraFixture& fixture) { return EncodeTheora(fixture, true); }

std::vector<std::uint8_t> WithTheoraFrameSize(std::vector<std::uint8_t> file, int width, int height) {
    // The identification header is the first page's only packet: after its 7-byte name and
    // 3 version bytes come the frame's width and height in macroblocks (16 bits each), the
    // picture's width and height (24 bits each) and its x and y offsets (8 bits each), all
    // most significant byte first.
    const std::size_t header_len = 27 + file.at(26);
    std::uint8_t* body = &file.at(header_len);
    const auto put = [&](int at, unsigned value, int bytes) {
        for (int i = 0; i < bytes; ++i) body[at + i] = static_cast<std::uint8_t>(value >> (8 * (bytes - 1 - i)));
    };
    put(10, static_cast<unsigned>(width / 16), 2);
    put(12, static_cast<unsigned>(height / 16), 2);
    put(14, static_cast<unsigned>(width), 3);
    put(17, static_cast<unsigned>(height), 3);
    put(20, 0, 1);
    put(21, 0, 1);
    long body_len = 0;
    for (std::size_t i = 0; i < file.at(26); ++i) body_len += file.at(27 + i);
    ogg_page page{file.data(), static_cast<long>(header_len), body, body_len};
    ogg_page_checksum_set(&page);
    return file;
}

std::vector<std::uint8_t> MakeVorbisOnlyFile() {
    std::vector<std::uint8_t> out, headers;
    VorbisTrack vorbis;
    vorbis.Start(out, headers);
    out.insert(out.end(), headers.begin(), headers.end());
    vorbis.Feed(out, 4000, false);
    vorbis.Feed(out, 0, true);
    vorbis.End();
    return out;
}

namespace {
std::uint8_t ClampByte(std::int64_t v) { return static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); }
}  // namespace

ReferenceFrames DecodeTheoraReference(const std::vector<std::uint8_t>& file) {
    ReferenceFrames result;
    ogg_sync_state sync;
    ogg_sync_init(&sync);
    char* buffer = ogg_sync_buffer(&sync, static_cast<long>(file.size()));
    std::memcpy(buffer, file.data(), file.size());
    ogg_sync_wrote(&sync, static_cast<long>(file.size()));
    th_info info;
    th_info_init(&info);
    th_comment comment;
    th_comment_init(&comment);
    th_setup_info* setup = nullptr;
    ogg_stream_state stream;
    bool have_stream = false;
    int serial = -1;
    th_dec_ctx* decoder = nullptr;
    ogg_page page;
    ogg_packet packet;
    while (ogg_sync_pageout(&sync, &page) == 1) {
        if (!have_stream) {
            if (!ogg_page_bos(&page)) continue;
            ogg_stream_state probe;
            ogg_stream_init(&probe, ogg_page_serialno(&page));
            ogg_stream_pagein(&probe, &page);
            if (ogg_stream_packetout(&probe, &packet) == 1 && th_decode_headerin(&info, &comment, &setup, &packet) > 0) {
                stream = probe;
                have_stream = true;
                serial = ogg_page_serialno(&page);
            } else {
                ogg_stream_clear(&probe);
            }
            continue;
        }
        if (ogg_page_serialno(&page) != serial) continue;
        ogg_stream_pagein(&stream, &page);
        while (ogg_stream_packetout(&stream, &packet) == 1) {
            if (decoder == nullptr) {
                const int h = th_decode_headerin(&info, &comment, &setup, &packet);
                if (h > 0) continue;
                decoder = th_decode_alloc(&info, setup);
                result.width = static_cast<int>(info.pic_width);
                result.height = static_cast<int>(info.pic_height);
                if (h < 0 && h != TH_ENOTFORMAT) break;
            }
            if (packet.bytes > 0 && (packet.packet[0] & 0x80)) continue;  // a header
            result.key_frames.push_back(th_packet_iskeyframe(&packet) == 1 ? 1 : 0);
            ogg_int64_t granule = 0;
            th_decode_packetin(decoder, &packet, &granule);
            th_ycbcr_buffer planes;
            th_decode_ycbcr_out(decoder, planes);
            std::vector<std::uint8_t> frame(static_cast<std::size_t>(result.width * result.height * 4));
            const int xs = planes[0].width / planes[1].width == 2 ? 1 : 0;
            const int ys = planes[0].height / planes[1].height == 2 ? 1 : 0;
            for (int r = 0; r < result.height; ++r) {
                for (int c = 0; c < result.width; ++c) {
                    const int px = c + static_cast<int>(info.pic_x), py = r + static_cast<int>(info.pic_y);
                    const int Y = planes[0].data[py * planes[0].stride + px];
                    const int Cb = planes[1].data[(py >> ys) * planes[1].stride + (px >> xs)];
                    const int Cr = planes[2].data[(py >> ys) * planes[2].stride + (px >> xs)];
                    std::uint8_t* o = &frame[static_cast<std::size_t>((r * result.width + c) * 4)];
                    if (xs && ys) {
                        // Fixed point in 1/16384, each sum divided with truncation.
                        const std::int64_t y = 19070LL * (Y - 16);
                        o[0] = ClampByte((y + 33062LL * (Cb - 128)) / 16384);
                        o[1] = ClampByte((y - 6406LL * (Cb - 128) - 13320LL * (Cr - 128) + 1024) / 16384);
                        o[2] = ClampByte((y + 26148LL * (Cr - 128)) / 16384);
                    } else {
                        const float yy = static_cast<float>(Y - 16) * 1.164f;
                        const float cb = static_cast<float>(Cb - 128), cr = static_cast<float>(Cr - 128);
                        o[0] = ClampByte(static_cast<std::int64_t>(yy + cb * 2.018f));
                        o[1] = ClampByte(static_cast<std::int64_t>(yy - cb * 0.391f - cr * 0.813f));
                        o[2] = ClampByte(static_cast<std::int64_t>(yy + cr * 1.596f));
                    }
                    o[3] = 255;
                }
            }
            result.frames.push_back(std::move(frame));
        }
    }
    if (decoder != nullptr) th_decode_free(decoder);
    th_setup_free(setup);
    th_comment_clear(&comment);
    th_info_clear(&info);
    if (have_stream) ogg_stream_clear(&stream);
    ogg_sync_clear(&sync);
    return result;
}

std::uint32_t AlphaMovieArgb(const ReferenceFrames& reference, int k, int x, int y) {
    const std::vector<std::uint8_t>& frame = reference.frames.at(static_cast<std::size_t>(k));
    const std::uint8_t* colour = &frame.at(static_cast<std::size_t>((y * reference.width + x) * 4));
    const std::uint8_t* alpha = &frame.at(static_cast<std::size_t>((y * reference.width + x + reference.width / 2) * 4));
    return static_cast<std::uint32_t>(alpha[2]) << 24 | static_cast<std::uint32_t>(colour[2]) << 16 |
           static_cast<std::uint32_t>(colour[1]) << 8 | colour[0];
}

ReferenceFrames WriteAlphaRampMovie(const std::string& path, int width) {
    TheoraFixture f;
    f.coded_width = f.picture_width = width;
    f.coded_height = f.picture_height = 32;
    f.frames = 6;
    f.alpha_ramp_right_half = true;
    const std::vector<std::uint8_t> bytes = MakeTheoraFile(f);
    WriteFileBytes(path, bytes);
    return DecodeTheoraReference(bytes);
}

void FfmpegFrameColour(int k, int* red, int* green, int* blue) {
    *red = (k * 40) % 200 + 30;
    *green = (k * 70 + 50) % 200 + 30;
    *blue = (k * 25 + 100) % 200 + 30;
}

namespace {

// Fills an audio frame of the encoder's sample format with samples first..first+n-1.
void FillSoundFrame(AVFrame* frame, std::int64_t first) {
    const int n = frame->nb_samples;
    for (int i = 0; i < n; ++i) {
        for (int c = 0; c < 2; ++c) {
            const int v = FfmpegSoundSample(first + i, c);
            switch (frame->format) {
                case AV_SAMPLE_FMT_S16: reinterpret_cast<std::int16_t*>(frame->data[0])[2 * i + c] = static_cast<std::int16_t>(v); break;
                case AV_SAMPLE_FMT_S16P: reinterpret_cast<std::int16_t*>(frame->data[c])[i] = static_cast<std::int16_t>(v); break;
                case AV_SAMPLE_FMT_FLT: reinterpret_cast<float*>(frame->data[0])[2 * i + c] = v / 32768.0f; break;
                case AV_SAMPLE_FMT_FLTP: reinterpret_cast<float*>(frame->data[c])[i] = v / 32768.0f; break;
                default: break;
            }
        }
    }
}

}  // namespace

int FfmpegSoundSample(std::int64_t i, int channel) {
    const int left = static_cast<int>(i % 20000) - 10000;
    return channel == 0 ? left : -left;
}

std::vector<std::uint8_t> MakeFfmpegFile(const char* container, const char* codec_name, int width, int height,
                                         int frames, int fps, const char* sound_codec_name, int sound_ms) {
    av_log_set_level(AV_LOG_QUIET);
    const AVCodec* codec = avcodec_find_encoder_by_name(codec_name);
    if (codec == nullptr) return {};
    const AVCodec* sound_codec = nullptr;
    if (sound_codec_name != nullptr) {
        sound_codec = avcodec_find_encoder_by_name(sound_codec_name);
        if (sound_codec == nullptr) return {};
    }
    char path[] = "/tmp/vomur_movie_XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0) return {};
    close(fd);
    std::vector<std::uint8_t> bytes;
    AVFormatContext* format = nullptr;
    if (avformat_alloc_output_context2(&format, nullptr, container, path) < 0) return {};
    AVStream* stream = avformat_new_stream(format, nullptr);
    AVCodecContext* ctx = avcodec_alloc_context3(codec);
    ctx->width = width;
    ctx->height = height;
    ctx->time_base = AVRational{1, fps};
    ctx->framerate = AVRational{fps, 1};
    ctx->pix_fmt = AV_PIX_FMT_YUV420P;
    ctx->gop_size = 4;
    ctx->max_b_frames = 0;
    ctx->bit_rate = 400000;
    // Motion JPEG takes the limited-range pictures made here only when told that the file
    // need not be a strict JFIF one; it marks them, and its decoder reads them back so.
    if (codec->id == AV_CODEC_ID_MJPEG) ctx->strict_std_compliance = FF_COMPLIANCE_UNOFFICIAL;
    if (format->oformat->flags & AVFMT_GLOBALHEADER) ctx->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    bool ok = avcodec_open2(ctx, codec, nullptr) == 0 && avcodec_parameters_from_context(stream->codecpar, ctx) >= 0;
    stream->time_base = ctx->time_base;
    // The sound track: 44.1 kHz stereo of FfmpegSoundSample.
    AVStream* sound_stream = nullptr;
    AVCodecContext* sound = nullptr;
    if (ok && sound_codec != nullptr) {
        sound_stream = avformat_new_stream(format, nullptr);
        sound = avcodec_alloc_context3(sound_codec);
        sound->sample_rate = 44100;
        sound->sample_fmt = sound_codec->sample_fmts != nullptr ? sound_codec->sample_fmts[0] : AV_SAMPLE_FMT_S16;
        const AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
        av_channel_layout_copy(&sound->ch_layout, &stereo);
        sound->time_base = AVRational{1, 44100};
        sound->bit_rate = 128000;
        if (format->oformat->flags & AVFMT_GLOBALHEADER) sound->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        ok = avcodec_open2(sound, sound_codec, nullptr) == 0 &&
             avcodec_parameters_from_context(sound_stream->codecpar, sound) >= 0;
        sound_stream->time_base = sound->time_base;
    }
    ok = ok && avio_open(&format->pb, path, AVIO_FLAG_WRITE) >= 0 && avformat_write_header(format, nullptr) >= 0;
    AVFrame* frame = av_frame_alloc();
    AVPacket* packet = av_packet_alloc();
    frame->format = ctx->pix_fmt;
    frame->width = width;
    frame->height = height;
    ok = ok && av_frame_get_buffer(frame, 0) >= 0;
    auto drain = [&](AVCodecContext* from, AVStream* to) {
        while (avcodec_receive_packet(from, packet) == 0) {
            if (packet->duration == 0) packet->duration = 1;
            av_packet_rescale_ts(packet, from->time_base, to->time_base);
            packet->stream_index = to->index;
            av_interleaved_write_frame(format, packet);
        }
    };
    // Sound samples written so far, and all there are.
    std::int64_t sound_done = 0;
    const std::int64_t sound_total =
        (sound_ms >= 0 ? static_cast<std::int64_t>(sound_ms) : static_cast<std::int64_t>(frames) * 1000 / fps) * 44100 / 1000;
    AVFrame* sound_frame = av_frame_alloc();
    auto write_sound_until = [&](std::int64_t until) {
        if (sound == nullptr) return;
        const int size = sound->frame_size > 0 ? sound->frame_size : 1024;
        while (ok && sound_done < until && sound_done < sound_total) {
            av_frame_unref(sound_frame);
            sound_frame->format = sound->sample_fmt;
            av_channel_layout_copy(&sound_frame->ch_layout, &sound->ch_layout);
            sound_frame->sample_rate = 44100;
            const std::int64_t left = sound_total - sound_done;
            // Encoders with a fixed frame size take a short last frame only when they say so.
            sound_frame->nb_samples =
                left < size && (sound->frame_size == 0 ||
                                (sound_codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE) != 0 ||
                                (sound_codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME) != 0)
                    ? static_cast<int>(left)
                    : size;
            if (av_frame_get_buffer(sound_frame, 0) < 0) {
                ok = false;
                return;
            }
            FillSoundFrame(sound_frame, sound_done);
            sound_frame->pts = sound_done;
            sound_done += sound_frame->nb_samples;
            if (avcodec_send_frame(sound, sound_frame) < 0) ok = false;
            drain(sound, sound_stream);
        }
    };
    for (int k = 0; ok && k < frames; ++k) {
        write_sound_until(static_cast<std::int64_t>(k) * 44100 / fps);
        av_frame_make_writable(frame);
        int r, g, b;
        FfmpegFrameColour(k, &r, &g, &b);
        const int Y = (66 * r + 129 * g + 25 * b + 128) / 256 + 16;
        const int U = (-38 * r - 74 * g + 112 * b + 128) / 256 + 128;
        const int V = (112 * r - 94 * g - 18 * b + 128) / 256 + 128;
        for (int y = 0; y < height; ++y) std::memset(frame->data[0] + y * frame->linesize[0], Y, width);
        for (int y = 0; y < height / 2; ++y) {
            std::memset(frame->data[1] + y * frame->linesize[1], U, width / 2);
            std::memset(frame->data[2] + y * frame->linesize[2], V, width / 2);
        }
        frame->pts = k;
        if (avcodec_send_frame(ctx, frame) < 0) ok = false;
        drain(ctx, stream);
    }
    write_sound_until(sound_total);
    avcodec_send_frame(ctx, nullptr);
    drain(ctx, stream);
    if (sound != nullptr) {
        avcodec_send_frame(sound, nullptr);
        drain(sound, sound_stream);
    }
    if (ok) av_write_trailer(format);
    av_packet_free(&packet);
    av_frame_free(&frame);
    av_frame_free(&sound_frame);
    avcodec_free_context(&ctx);
    avcodec_free_context(&sound);
    if (format->pb != nullptr) avio_closep(&format->pb);
    avformat_free_context(format);
    if (ok) {
        std::ifstream in(path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::remove(path);
    return bytes;
}

void WriteFileBytes(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}
