// FFmpeg's libraries, loaded when the first media stream is opened instead of at process
// start: they bring more than a hundred shared libraries with them, whose loading and
// start-up every process would pay otherwise, whether it plays such a movie or not.
// The entry points used by platform/ffmpeg are reached through one record.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

struct FfmpegLibrary {
    decltype(&::av_frame_alloc) av_frame_alloc;
    decltype(&::av_frame_free) av_frame_free;
    decltype(&::av_log_set_level) av_log_set_level;
    decltype(&::av_rescale) av_rescale;
    decltype(&::av_rescale_q) av_rescale_q;
    decltype(&::av_packet_alloc) av_packet_alloc;
    decltype(&::av_packet_free) av_packet_free;
    decltype(&::av_packet_unref) av_packet_unref;
    decltype(&::avcodec_alloc_context3) avcodec_alloc_context3;
    decltype(&::avcodec_find_decoder) avcodec_find_decoder;
    decltype(&::avcodec_flush_buffers) avcodec_flush_buffers;
    decltype(&::avcodec_free_context) avcodec_free_context;
    decltype(&::avcodec_open2) avcodec_open2;
    decltype(&::avcodec_parameters_to_context) avcodec_parameters_to_context;
    decltype(&::avcodec_receive_frame) avcodec_receive_frame;
    decltype(&::avcodec_send_packet) avcodec_send_packet;
    decltype(&::av_find_best_stream) av_find_best_stream;
    decltype(&::av_read_frame) av_read_frame;
    decltype(&::av_seek_frame) av_seek_frame;
    decltype(&::avformat_close_input) avformat_close_input;
    decltype(&::avformat_find_stream_info) avformat_find_stream_info;
    decltype(&::avformat_open_input) avformat_open_input;
    decltype(&::sws_freeContext) sws_freeContext;
    decltype(&::sws_getCachedContext) sws_getCachedContext;
    decltype(&::sws_scale) sws_scale;
    decltype(&::swr_alloc_set_opts2) swr_alloc_set_opts2;
    decltype(&::swr_close) swr_close;
    decltype(&::swr_convert) swr_convert;
    decltype(&::swr_free) swr_free;
    decltype(&::swr_get_out_samples) swr_get_out_samples;
    decltype(&::swr_init) swr_init;
};

// Loads the libraries and their entry points, once for the process (from any thread).
// False when a library or an entry point is missing; the answer stays the same after.
bool LoadFfmpegLibrary();

// The entry points; only after LoadFfmpegLibrary has answered true.
const FfmpegLibrary& Ffmpeg();
