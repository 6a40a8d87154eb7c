// Ogg Vorbis output of the asset generator: VBR encoding through libvorbisenc, packets
// paged with libogg under a fixed stream serial number, so the bytes depend on the
// sound only. Relies on libvorbisenc, libvorbis and libogg.
#include "ogg_file.h"

#include <ogg/ogg.h>
#include <vorbis/codec.h>
#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kSerial = 0x54524C47;
constexpr int kBlock = 1024;

bool WritePage(FILE* f, const ogg_page& page) {
    return std::fwrite(page.header, 1, size_t(page.header_len), f) == size_t(page.header_len) &&
           std::fwrite(page.body, 1, size_t(page.body_len), f) == size_t(page.body_len);
}

}  // namespace

bool WriteOggVorbis(const std::string& path, const std::vector<float>& left,
                    const std::vector<float>& right, int rate, float quality) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::fprintf(stderr, "assetgen: cannot create %s\n", path.c_str());
        return false;
    }
    vorbis_info vi;
    vorbis_info_init(&vi);
    if (vorbis_encode_init_vbr(&vi, 2, rate, quality) != 0) {
        std::fprintf(stderr, "assetgen: the Vorbis encoder refuses %d Hz at quality %.2f\n", rate,
                     double(quality));
        vorbis_info_clear(&vi);
        std::fclose(f);
        return false;
    }
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_dsp_state vd;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block vb;
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, kSerial);

    bool ok = true;
    ogg_packet header, comments, codebooks;
    vorbis_analysis_headerout(&vd, &vc, &header, &comments, &codebooks);
    ogg_stream_packetin(&os, &header);
    ogg_stream_packetin(&os, &comments);
    ogg_stream_packetin(&os, &codebooks);
    ogg_page page;
    while (ogg_stream_flush(&os, &page) != 0) ok = WritePage(f, page) && ok;

    const size_t total = std::min(left.size(), right.size());
    size_t pos = 0;
    bool eos = false;
    while (!eos) {
        const size_t n = std::min<size_t>(kBlock, total - pos);
        if (n == 0) {
            vorbis_analysis_wrote(&vd, 0);
        } else {
            float** buffer = vorbis_analysis_buffer(&vd, int(n));
            std::copy_n(left.begin() + long(pos), n, buffer[0]);
            std::copy_n(right.begin() + long(pos), n, buffer[1]);
            vorbis_analysis_wrote(&vd, int(n));
            pos += n;
        }
        while (vorbis_analysis_blockout(&vd, &vb) == 1) {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&vd, &packet)) {
                ogg_stream_packetin(&os, &packet);
                while (ogg_stream_pageout(&os, &page) != 0) {
                    ok = WritePage(f, page) && ok;
                    if (ogg_page_eos(&page)) eos = true;
                }
            }
        }
        if (n == 0 && !eos) {
            // The encoder has been told that the stream ended; flush what is left.
            while (ogg_stream_flush(&os, &page) != 0) ok = WritePage(f, page) && ok;
            eos = true;
        }
    }

    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    ok = (std::fclose(f) == 0) && ok;
    if (!ok) std::fprintf(stderr, "assetgen: cannot write %s\n", path.c_str());
    return ok;
}
