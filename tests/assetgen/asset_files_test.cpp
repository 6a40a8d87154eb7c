// Checks the game's generated data files: picture sizes and formats, pixels that stay
// visible on a 16-bit screen, art inside every used piece's hit box, the score panel's
// baked-in table, quiet areas under the engine's text, sound lengths and loudness, and
// that the generator writes the same bytes again. Relies on libpng, vorbisfile and the
// generator's output folder and program given by the build.
#include <gtest/gtest.h>
#include <png.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "tests/support/temp_dir.h"

namespace {

const std::string kDat = ASSETGEN_DAT_DIR;

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

struct Picture {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
    bool Key(int x, int y) const { return R(x, y) == 0 && G(x, y) == 0 && B(x, y) == 0; }
    int R(int x, int y) const { return rgb[(size_t(y) * width + x) * 3]; }
    int G(int x, int y) const { return rgb[(size_t(y) * width + x) * 3 + 1]; }
    int B(int x, int y) const { return rgb[(size_t(y) * width + x) * 3 + 2]; }
    double Luma(int x, int y) const { return 0.299 * R(x, y) + 0.587 * G(x, y) + 0.114 * B(x, y); }
    // What the pixel becomes in RGB565: zero means it turned into the transparent key.
    int As565(int x, int y) const { return ((R(x, y) >> 3) << 11) | ((G(x, y) >> 2) << 5) | (B(x, y) >> 3); }
};

Picture LoadPng(const std::string& name) {
    Picture p;
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    const std::string path = kDat + "/" + name;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        ADD_FAILURE() << "cannot read " << path;
        return p;
    }
    image.format = PNG_FORMAT_RGB;
    p.width = int(image.width);
    p.height = int(image.height);
    p.rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, p.rgb.data(), 0, nullptr)) {
        ADD_FAILURE() << "cannot decode " << path;
        p = Picture{};
    }
    return p;
}

const char* const kPictures[] = {"char.png", "run.png", "bg.png", "bg2.png", "scb00.png", "title.png"};

// --- pictures -------------------------------------------------------------------------

TEST(AssetPictures, SizesAndPngHeaders) {
    const struct {
        const char* name;
        int width, height;
    } cases[] = {{"char.png", 128, 384}, {"run.png", 16, 64},     {"bg.png", 640, 480},
                 {"bg2.png", 640, 80},   {"scb00.png", 224, 480}, {"title.png", 640, 480}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string bytes = ReadBytes(kDat + "/" + c.name);
        ASSERT_GE(bytes.size(), 33u);
        EXPECT_EQ(bytes.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
        EXPECT_EQ(bytes.substr(12, 4), "IHDR");
        auto be32 = [&](size_t at) {
            return uint32_t(uint8_t(bytes[at])) << 24 | uint32_t(uint8_t(bytes[at + 1])) << 16 |
                   uint32_t(uint8_t(bytes[at + 2])) << 8 | uint32_t(uint8_t(bytes[at + 3]));
        };
        EXPECT_EQ(be32(16), uint32_t(c.width));
        EXPECT_EQ(be32(20), uint32_t(c.height));
        EXPECT_EQ(uint8_t(bytes[24]), 8) << "bit depth";
        EXPECT_TRUE(bytes[25] == 2 || bytes[25] == 6) << "colour type " << int(bytes[25]);
        EXPECT_EQ(uint8_t(bytes[28]), 0) << "interlaced";
        Picture p = LoadPng(c.name);
        EXPECT_EQ(p.width, c.width);
        EXPECT_EQ(p.height, c.height);
    }
}

TEST(AssetPictures, NoVisiblePixelBecomesTheKeyOnA16BitScreen) {
    for (const char* name : kPictures) {
        SCOPED_TRACE(name);
        Picture p = LoadPng(name);
        int bad = 0;
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x)
                if (!p.Key(x, y) && p.As565(x, y) == 0 && bad++ < 5)
                    ADD_FAILURE() << "pixel (" << x << ", " << y << ") = " << p.R(x, y) << ","
                                  << p.G(x, y) << "," << p.B(x, y) << " turns black in RGB565";
        EXPECT_EQ(bad, 0);
    }
}

TEST(AssetPictures, ScreensAndPanelAreOpaque) {
    // The ground strip hides the rising player up to x 448, the panel hides the frame-rate
    // meter under it; the play field and the title leave no holes either.
    const struct {
        const char* name;
        int width;
    } cases[] = {{"bg2.png", 448}, {"scb00.png", 224}, {"bg.png", 640}, {"title.png", 640}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Picture p = LoadPng(c.name);
        int holes = 0;
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < std::min(c.width, p.width); ++x) holes += p.Key(x, y);
        EXPECT_EQ(holes, 0);
    }
}

TEST(AssetPictures, GroundStripIsTheBottomOfThePlayField) {
    Picture bg = LoadPng("bg.png"), bg2 = LoadPng("bg2.png");
    ASSERT_EQ(bg.width, 640);
    ASSERT_EQ(bg2.width, 640);
    ASSERT_EQ(bg2.height, 80);
    const size_t row = 640 * 3;
    EXPECT_TRUE(std::equal(bg2.rgb.begin(), bg2.rgb.end(), bg.rgb.begin() + 400 * row));
}

// --- sprite pieces --------------------------------------------------------------------

struct Box {
    int x0, y0, x1, y1;  // x1, y1 exclusive
};
constexpr Box kPlayer{12, 12, 20, 20}, kUfo{4, 8, 28, 24}, kRobot{12, 12, 20, 24};
constexpr Box kShot{15, 0, 17, 16}, kBullet{14, 14, 18, 18}, kWhole{0, 0, 32, 32};

int VisibleIn(const Picture& sheet, int piece, const Box& b) {
    const int ox = (piece % 4) * 32, oy = (piece / 4) * 32;
    int n = 0;
    for (int y = b.y0; y < b.y1; ++y)
        for (int x = b.x0; x < b.x1; ++x) n += !sheet.Key(ox + x, oy + y);
    return n;
}

TEST(AssetPieces, EveryUsedPieceHasArtInsideItsHitBox) {
    Picture sheet = LoadPng("char.png");
    ASSERT_EQ(sheet.width, 128);
    const struct {
        std::vector<int> pieces;
        Box box;
        int least;  // visible pixels required inside the box
    } cases[] = {
        {{0}, kShot, 24},
        {{1, 2, 3, 8, 24, 25, 26, 27, 28, 29, 32, 33, 34, 35, 36}, kPlayer, 40},
        {{9}, kBullet, 12},
        {{10, 16, 17, 18, 19}, kRobot, 60},
        {{11, 12, 13, 14, 15, 37, 38, 39}, kUfo, 200},
        {{4, 5, 6, 7, 20, 21, 22, 23, 30, 31, 40, 41, 42, 43, 44, 46}, kWhole, 40},
    };
    for (const auto& c : cases)
        for (int piece : c.pieces) {
            SCOPED_TRACE("piece " + std::to_string(piece));
            EXPECT_GE(VisibleIn(sheet, piece, c.box), c.least);
        }
}

TEST(AssetPieces, FiguresStandOnTheBottomRowsAndAreCentred) {
    Picture sheet = LoadPng("char.png");
    ASSERT_EQ(sheet.width, 128);
    // Standing and walking player and the robots have their feet on the bottom rows.
    for (int piece : {8, 24, 25, 26, 27, 28, 32, 33, 34, 35, 36, 10, 16, 17, 18, 19}) {
        SCOPED_TRACE("piece " + std::to_string(piece));
        EXPECT_GT(VisibleIn(sheet, piece, Box{0, 30, 32, 32}), 4);
    }
    // UFOs, the bullet, explosions and effects are centred: the middle of their opaque
    // pixels lies within a pixel or two of the piece's centre across.
    for (int piece : {4, 5, 9, 11, 12, 13, 14, 15, 37, 38, 39, 40, 41}) {
        SCOPED_TRACE("piece " + std::to_string(piece));
        const int ox = (piece % 4) * 32, oy = (piece / 4) * 32;
        int minX = 32, maxX = -1;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                if (!sheet.Key(ox + x, oy + y)) {
                    minX = std::min(minX, x);
                    maxX = std::max(maxX, x);
                }
        ASSERT_GE(maxX, 0);
        EXPECT_NEAR((minX + maxX + 1) / 2.0, 16.0, 2.0);
    }
}

TEST(AssetPieces, WalkingLeftMirrorsWalkingRight) {
    Picture sheet = LoadPng("char.png");
    ASSERT_EQ(sheet.width, 128);
    for (int k = 0; k < 5; ++k) {
        const int right = 24 + k, left = 32 + k;
        const int rx = (right % 4) * 32, ry = (right / 4) * 32, lx = (left % 4) * 32, ly = (left / 4) * 32;
        int diff = 0;
        for (int y = 0; y < 32; ++y)
            for (int x = 0; x < 32; ++x)
                for (int ch = 0; ch < 3; ++ch)
                    diff += sheet.rgb[(size_t(ry + y) * 128 + rx + x) * 3 + ch] !=
                            sheet.rgb[(size_t(ly + y) * 128 + lx + 31 - x) * 3 + ch];
        EXPECT_EQ(diff, 0) << "walk frame " << k;
    }
}

TEST(AssetPieces, RunningMarkerFramesAreFilledAndDiffer) {
    Picture run = LoadPng("run.png");
    ASSERT_EQ(run.height, 64);
    std::set<std::vector<uint8_t>> frames;
    for (int f = 0; f < 4; ++f) {
        int n = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x) n += !run.Key(x, f * 16 + y);
        EXPECT_GE(n, 30) << "frame " << f;
        frames.insert(std::vector<uint8_t>(run.rgb.begin() + f * 16 * 16 * 3, run.rgb.begin() + (f + 1) * 16 * 16 * 3));
    }
    EXPECT_EQ(frames.size(), 4u);
}

// The panel carries the score table's three UFO pictures (gunner 12, heavy 37, grabber
// 13) between y 292 and 340: each piece's opaque pixels appear there unchanged.
TEST(AssetPanel, ScoreTablePicturesAreBakedIn) {
    Picture sheet = LoadPng("char.png"), panel = LoadPng("scb00.png");
    ASSERT_EQ(panel.width, 224);
    for (int piece : {12, 37, 13}) {
        SCOPED_TRACE("piece " + std::to_string(piece));
        const int ox = (piece % 4) * 32, oy = (piece / 4) * 32;
        bool found = false;
        for (int py = 292; py + 32 <= 340 && !found; ++py)
            for (int px = 0; px + 32 <= 224 && !found; ++px) {
                bool same = true;
                for (int y = 0; y < 32 && same; ++y)
                    for (int x = 0; x < 32 && same; ++x) {
                        if (sheet.Key(ox + x, oy + y)) continue;
                        same = sheet.R(ox + x, oy + y) == panel.R(px + x, py + y) &&
                               sheet.G(ox + x, oy + y) == panel.G(px + x, py + y) &&
                               sheet.B(ox + x, oy + y) == panel.B(px + x, py + y);
                    }
                found = same;
            }
        EXPECT_TRUE(found);
    }
}

// Where the engine writes white (or grey) text, the pictures stay dark and quiet.
TEST(AssetPictures, TextAreasStayDark) {
    const struct {
        const char* name;
        int x0, y0, x1, y1;
        double maxMean, maxPeak;
    } cases[] = {
        {"bg.png", 16, 0, 400, 16, 40, 140},      // SCORE and HISCORE
        {"bg.png", 130, 144, 330, 206, 40, 140},  // wave, result and end messages
        {"bg.png", 160, 412, 300, 428, 70, 110},  // the clock on the ground
        {"scb00.png", 44, 38, 186, 246, 30, 60},  // ranking rows, bar and marker
        {"scb00.png", 44, 272, 180, 290, 30, 60}, // -SCORE TABLE-
        {"scb00.png", 26, 342, 204, 362, 30, 60}, // AND MYSTERY BONUSES (grey)
        {"title.png", 16, 0, 400, 16, 40, 140},   // score line
        {"title.png", 110, 300, 340, 380, 30, 30},// the menu: plain
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.name) + " at " + std::to_string(c.x0) + "," + std::to_string(c.y0));
        Picture p = LoadPng(c.name);
        ASSERT_GT(p.width, 0);
        double sum = 0, peak = 0;
        for (int y = c.y0; y < c.y1; ++y)
            for (int x = c.x0; x < c.x1; ++x) {
                sum += p.Luma(x, y);
                peak = std::max(peak, p.Luma(x, y));
            }
        EXPECT_LE(sum / ((c.x1 - c.x0) * (c.y1 - c.y0)), c.maxMean);
        EXPECT_LE(peak, c.maxPeak);
    }
}

// --- sounds ---------------------------------------------------------------------------

struct Loudness {
    double seconds = 0, peak = 0, rms = 0, first = 0, last = 0;
};

double Db(double v) { return 20.0 * std::log10(std::max(v, 1e-9)); }

Loudness Measure(const std::vector<double>& s, int rate) {
    Loudness l;
    l.seconds = double(s.size()) / rate;
    double sq = 0;
    for (double v : s) {
        l.peak = std::max(l.peak, std::fabs(v));
        sq += v * v;
    }
    l.rms = s.empty() ? 0 : std::sqrt(sq / s.size());
    if (!s.empty()) {
        l.first = std::fabs(s.front());
        l.last = std::fabs(s.back());
    }
    return l;
}

// Reads a 16-bit mono PCM WAV at 22050 Hz; fails the test on any other layout.
std::vector<double> ReadWav(const std::string& name) {
    const std::string b = ReadBytes(kDat + "/" + name);
    auto le16 = [&](size_t at) { return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8; };
    auto le32 = [&](size_t at) { return le16(at) | le16(at + 2) << 16; };
    std::vector<double> out;
    if (b.size() < 44 || b.compare(0, 4, "RIFF") != 0 || b.compare(8, 4, "WAVE") != 0) {
        ADD_FAILURE() << name << " is not a RIFF WAVE file";
        return out;
    }
    EXPECT_EQ(le32(4), b.size() - 8);
    size_t at = 12;
    bool fmt = false;
    while (at + 8 <= b.size()) {
        const std::string id = b.substr(at, 4);
        const uint32_t size = le32(at + 4);
        if (at + 8 + size > b.size()) {
            ADD_FAILURE() << name << ": chunk " << id << " runs past the end";
            return out;
        }
        if (id == "fmt ") {
            fmt = true;
            EXPECT_EQ(le16(at + 8), 1u) << "PCM";
            EXPECT_EQ(le16(at + 10), 1u) << "mono";
            EXPECT_EQ(le32(at + 12), 22050u) << "rate";
            EXPECT_EQ(le16(at + 22), 16u) << "bits";
        } else if (id == "data") {
            EXPECT_TRUE(fmt) << "data before fmt";
            for (uint32_t k = 0; k + 1 < size; k += 2)
                out.push_back(int16_t(le16(at + 8 + k)) / 32768.0);
        }
        at += 8 + size + (size & 1);
    }
    return out;
}

// Every sound is mastered 6 dB below its designed peak, so that the game's mix of music and
// several effects stays below full scale: the peak bounds are the designed ones less 6 dB.
constexpr double kHeadroomDb = 6.0;

TEST(AssetSounds, EffectsHaveTheirLengthsAndLoudness) {
    const struct {
        const char* name;
        double minSeconds, maxSeconds;
    } cases[] = {{"shot00.wav", 0.05, 0.12}, {"metal00.wav", 0.12, 0.18}, {"bom00.wav", 0.4, 0.6},
                 {"metal01.wav", 0.5, 0.7},  {"out00.wav", 0.4, 0.6},     {"ufo00.wav", 0.2, 0.3},
                 {"bari00.wav", 0.1, 0.2},   {"atk00.wav", 0.3, 0.5},     {"count.wav", 1.8, 2.2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Loudness l = Measure(ReadWav(c.name), 22050);
        EXPECT_GE(l.seconds, c.minSeconds);
        EXPECT_LE(l.seconds, c.maxSeconds);
        EXPECT_GE(Db(l.peak), -12.0 - kHeadroomDb) << "too quiet";
        EXPECT_LE(Db(l.peak), -0.5 - kHeadroomDb) << "too close to clipping in the mix";
        EXPECT_GE(Db(l.rms), -26.0) << "too little energy";
        EXPECT_LT(l.first, 0.02) << "click at the start";
        EXPECT_LT(l.last, 0.02) << "click at the end";
    }
}

struct Decoded {
    int rate = 0, channels = 0;
    std::vector<double> mono;  // the channels averaged
    double peak = 0;           // over every channel
};

Decoded ReadVorbis(const std::string& name) {
    Decoded d;
    OggVorbis_File vf;
    const std::string path = kDat + "/" + name;
    if (ov_fopen(path.c_str(), &vf) != 0) {
        ADD_FAILURE() << "cannot open " << path << " as Ogg Vorbis";
        return d;
    }
    vorbis_info* vi = ov_info(&vf, -1);
    d.rate = int(vi->rate);
    d.channels = vi->channels;
    int section = 0;
    for (;;) {
        float** pcm = nullptr;
        long n = ov_read_float(&vf, &pcm, 4096, &section);
        if (n <= 0) {
            EXPECT_EQ(n, 0) << "decode error";
            break;
        }
        for (long i = 0; i < n; ++i) {
            double sum = 0;
            for (int ch = 0; ch < d.channels; ++ch) {
                sum += pcm[ch][i];
                d.peak = std::max(d.peak, std::fabs(double(pcm[ch][i])));
            }
            d.mono.push_back(sum / d.channels);
        }
    }
    ov_clear(&vf);
    return d;
}

// The play music outlasts a whole game (about 5 s of intro, 115.2 s of clock and the
// time-up sequence); the jingles end within the 251 frames (4.0 s) of their screens.
TEST(AssetSounds, MusicHasItsLengthAndLoudness) {
    const struct {
        const char* name;
        double minSeconds, maxSeconds;
    } cases[] = {{"bgm00.ogg", 130.0, 150.0}, {"gover.ogg", 3.5, 4.0}, {"end.ogg", 3.5, 4.0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Decoded d = ReadVorbis(c.name);
        ASSERT_GT(d.rate, 0);
        EXPECT_GE(d.rate, 22050);
        EXPECT_GE(d.channels, 1);
        EXPECT_LE(d.channels, 2);
        Loudness l = Measure(d.mono, d.rate);
        EXPECT_GE(l.seconds, c.minSeconds);
        EXPECT_LE(l.seconds, c.maxSeconds);
        EXPECT_GE(Db(d.peak), -4.0 - kHeadroomDb) << "too quiet";
        EXPECT_LE(Db(d.peak), -kHeadroomDb) << "no headroom left for the effects";
        EXPECT_GE(Db(l.rms), -24.0) << "too little energy";
        // No stretch of a second falls silent before the last second.
        const size_t window = size_t(d.rate);
        for (size_t at = 0; at + 2 * window <= d.mono.size(); at += window) {
            std::vector<double> part(d.mono.begin() + long(at), d.mono.begin() + long(at + window));
            EXPECT_GE(Db(Measure(part, d.rate).rms), -40.0) << "silent near " << at / window << " s";
        }
    }
}

// --- the generator --------------------------------------------------------------------

const char* const kAllFiles[] = {"char.png",    "run.png",     "bg.png",     "scb00.png", "bg2.png",
                                 "title.png",   "bom00.wav",   "out00.wav",  "shot00.wav", "metal01.wav",
                                 "metal00.wav", "ufo00.wav",   "bari00.wav", "atk00.wav",  "count.wav",
                                 "bgm00.ogg",   "gover.ogg",   "end.ogg"};

TEST(AssetGenerator, WritesTheSameEighteenFilesAgainAndAContactSheet) {
    ScopedTempDir temp;
    const std::string out = (temp.path() / "dat").string();
    const std::string sheet = (temp.path() / "review" / "sheet.png").string();
    std::filesystem::create_directories(temp.path() / "review");
    const std::string command = std::string("'") + ASSETGEN_TOOL + "' --out '" + out + "' --sheet '" + sheet + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;

    std::set<std::string> written;
    for (const auto& entry : std::filesystem::directory_iterator(out)) written.insert(entry.path().filename().string());
    EXPECT_EQ(written, std::set<std::string>(std::begin(kAllFiles), std::end(kAllFiles)));
    for (const char* name : kAllFiles) {
        SCOPED_TRACE(name);
        const std::string fresh = ReadBytes(out + "/" + name);
        EXPECT_FALSE(fresh.empty());
        EXPECT_TRUE(fresh == ReadBytes(kDat + "/" + name)) << "differs from the build's copy";
    }

    const std::string s = ReadBytes(sheet);
    ASSERT_GE(s.size(), 24u);
    EXPECT_EQ(s.substr(1, 3), "PNG");
    const uint32_t w = uint32_t(uint8_t(s[16])) << 24 | uint32_t(uint8_t(s[17])) << 16 |
                       uint32_t(uint8_t(s[18])) << 8 | uint8_t(s[19]);
    EXPECT_GE(w, 1280u) << "the sheet shows the two screens side by side";
}

TEST(AssetGenerator, RefusesAMissingOutputFolderArgument) {
    const std::string command = std::string("'") + ASSETGEN_TOOL + "' --sheet x.png 2>/dev/null";
    EXPECT_NE(std::system(command.c_str()), 0);
}

}  // namespace
