// A movie whose video stream does not tell its picture size: the media stream opens it and
// reports the size 0, and the player refuses it as probably not a movie file.
extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "engine/file/file.h"
#include "engine/movie/movie.h"
#include "platform/media_stream.h"
#include "tests/support/engine_testing/movie_testing.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_log.h"

namespace {

// Writes an MPEG transport stream with one H.264 video stream whose packets hold only
// access-unit delimiters: no sequence parameters, so neither the container nor the
// decoder learns a picture size. True when it was written.
bool WriteSizelessTransportStream(const char* path) {
    av_log_set_level(AV_LOG_QUIET);
    AVFormatContext* format = nullptr;
    if (avformat_alloc_output_context2(&format, nullptr, "mpegts", path) < 0) return false;
    AVStream* stream = avformat_new_stream(format, nullptr);
    bool ok = stream != nullptr;
    if (ok) {
        stream->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
        stream->codecpar->codec_id = AV_CODEC_ID_H264;
        stream->codecpar->width = 0;
        stream->codecpar->height = 0;
        stream->time_base = AVRational{1, 25};
    }
    ok = ok && avio_open(&format->pb, path, AVIO_FLAG_WRITE) >= 0 && avformat_write_header(format, nullptr) >= 0;
    const std::uint8_t delimiter[] = {0, 0, 0, 1, 0x09, 0xF0};
    for (int i = 0; ok && i < 10; ++i) {
        AVPacket* packet = av_packet_alloc();
        ok = packet != nullptr && av_new_packet(packet, sizeof delimiter) == 0;
        if (ok) {
            std::copy(delimiter, delimiter + sizeof delimiter, packet->data);
            packet->pts = packet->dts = i;
            packet->duration = 1;
            packet->flags = AV_PKT_FLAG_KEY;
            av_packet_rescale_ts(packet, AVRational{1, 25}, stream->time_base);
            ok = av_interleaved_write_frame(format, packet) >= 0;
        }
        av_packet_free(&packet);
    }
    ok = ok && av_write_trailer(format) >= 0;
    if (format->pb != nullptr) avio_closep(&format->pb);
    avformat_free_context(format);
    return ok;
}

class MediaSizeless : public ::testing::Test {
protected:
    void SetUp() override {
        SetupFileAccessTable(nullptr);
        StartTestLog();
        ASSERT_TRUE(WriteSizelessTransportStream("sizeless.ts"));
    }
    void TearDown() override { CloseAllMovies(); }
    ScopedTempDir dir_;
};

TEST_F(MediaSizeless, TheStreamOpensAndReportsTheSize0) {
    MediaStreamError error = kMediaStreamNoFile;
    MediaStream* stream = MediaStreamOpen("sizeless.ts", &error);
    ASSERT_NE(stream, nullptr) << "error " << error;
    EXPECT_EQ(error, kMediaStreamOk);
    std::int32_t width = -1, height = -1;
    double rate = -1;
    MediaStreamGetFormat(stream, &width, &height, &rate);
    EXPECT_EQ(width, 0);
    EXPECT_EQ(height, 0);
    // Nothing of it can be shown: asking for a frame ends the stream.
    std::uint8_t pixel[4] = {};
    MediaStreamRun(stream);
    EXPECT_EQ(MediaStreamTakeFrame(stream, pixel, 4), kMediaFrameEnd);
    MediaStreamClose(stream);
}

TEST_F(MediaSizeless, TheMovieIsRefusedAsProbablyNotAMovieFile) {
    int width = -1, height = -1;
    EXPECT_EQ(OpenMovie("sizeless.ts", &width, &height, 0), -1);
    EXPECT_EQ(width, -1);
    EXPECT_EQ(height, -1);
    // Both texts as the log holds them (CP932), one after the other.
    EXPECT_EQ(ReadTestLogWithoutStamps(),
              "動画ファイルではない可能性があります！ムービーファイルオープン処理時にエラーが発生しました");
}

}  // namespace
