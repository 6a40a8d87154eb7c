// The sound side of the asset generator: the nine sound effects (WAV) and the three
// pieces of music (Ogg Vorbis), written into a folder. Relies on the standard library.
#pragma once

#include <string>
#include <vector>

constexpr int kEffectRate = 22050;
constexpr int kMusicRate = 32000;
// Every sound is mastered at half of the peak it is designed with (6 dB of headroom). The
// game plays them at full volume, and at its busiest the play music, a few shots, two
// explosions and a swoop sound at once: their sum has to stay below full scale.
constexpr double kMixLevel = 0.5;

// The named effect (file name without ".wav"), mono samples in -1..1 at kEffectRate.
std::vector<float> MakeSoundEffect(const std::string& name);
// Writes bom00, out00, shot00, metal01, metal00, ufo00, bari00, atk00 and count.
bool WriteSoundEffects(const std::string& dirWithSlash);

struct Stereo {
    std::vector<float> left, right;
};
// The named music (file name without ".ogg"), stereo at kMusicRate.
Stereo MakeMusic(const std::string& name);
// Writes one of bgm00, gover and end as NAME.ogg.
bool WriteMusic(const std::string& dirWithSlash, const std::string& name);
