// The nine sound effects, synthesised from oscillators, noise and envelopes at 22.05 kHz:
// shot blip, clank, explosion, bonus chime, falling zap, carrying warble, barrier buzz,
// attack swoop and the last-seconds count. Relies on audio.h, synth.h and wav_file.h.
#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "audio.h"
#include "synth.h"
#include "wav_file.h"

namespace {

constexpr double kRate = kEffectRate;

std::vector<float> Buffer(double seconds) { return std::vector<float>(size_t(seconds * kRate), 0.0f); }

double T(size_t i) { return double(i) / kRate; }

// Fire: a short square blip sweeping down, with a click of noise at the start.
std::vector<float> Shot() {
    auto s = Buffer(0.11);
    Oscillator o;
    Noise n(11);
    for (size_t i = 0; i < s.size(); ++i) {
        double t = T(i);
        double f = 1500.0 * std::exp(-t * 14.0) + 380.0;
        double env = std::exp(-t * 28.0);
        s[i] = float(0.6 * o.Pulse(f, kRate, 0.3) * env + 0.25 * n.Next() * std::exp(-t * 160.0));
    }
    return s;
}

// A shot clanks on armour: inharmonic metal partials with a fast decay.
std::vector<float> Clank() {
    auto s = Buffer(0.15);
    const double partials[] = {523.0, 1187.0, 1893.0, 2741.0, 3560.0};
    const double gains[] = {1.0, 0.7, 0.55, 0.4, 0.25};
    Oscillator o[5];
    Noise n(12);
    OnePole hp;
    for (size_t i = 0; i < s.size(); ++i) {
        double t = T(i), v = 0.0;
        for (int k = 0; k < 5; ++k) v += gains[k] * o[k].Sine(partials[k], kRate) * std::exp(-t * (22.0 + 9.0 * k));
        v += 0.5 * hp.HighPass(n.Next(), 2500.0, kRate) * std::exp(-t * 90.0);
        s[i] = float(v);
    }
    return s;
}

// A plain explosion: filtered noise whose brightness falls with its level, over a thump.
std::vector<float> Explosion() {
    auto s = Buffer(0.5);
    Noise n(13);
    OnePole lp1, lp2;
    Oscillator thump;
    for (size_t i = 0; i < s.size(); ++i) {
        double t = T(i);
        double cutoff = 5000.0 * std::exp(-t * 7.0) + 180.0;
        double x = lp2.LowPass(lp1.LowPass(n.Next(), cutoff, kRate), cutoff, kRate);
        double env = t < 0.005 ? t / 0.005 : std::exp(-(t - 0.005) * 7.5);
        double low = thump.Sine(90.0 * std::exp(-t * 6.0) + 38.0, kRate) * std::exp(-t * 9.0);
        s[i] = float(2.2 * x * env + 0.55 * low);
    }
    return s;
}

// Bonus: two bell tones a fifth apart, the second over the first's ring.
std::vector<float> Chime() {
    auto s = Buffer(0.6);
    struct Bell {
        double start, freq;
    } bells[] = {{0.0, 1046.5}, {0.09, 1568.0}, {0.18, 2093.0}};
    for (const Bell& b : bells) {
        Oscillator a, c, d;
        for (size_t i = size_t(b.start * kRate); i < s.size(); ++i) {
            double t = T(i) - b.start;
            double env = std::min(1.0, t / 0.002) * std::exp(-t * 6.5);
            double v = a.Sine(b.freq, kRate) + 0.45 * c.Sine(b.freq * 2.76, kRate) * std::exp(-t * 10.0) +
                       0.25 * d.Sine(b.freq * 5.4, kRate) * std::exp(-t * 18.0);
            s[i] += float(0.5 * v * env);
        }
    }
    return s;
}

// The player is hit: a buzzing zap that falls from high to low, with crackle.
std::vector<float> Zap() {
    auto s = Buffer(0.5);
    Oscillator o, vib;
    Noise n(14);
    OnePole lp;
    for (size_t i = 0; i < s.size(); ++i) {
        double t = T(i);
        double f = 1400.0 * std::exp(-t * 6.0) + 60.0;
        f *= 1.0 + 0.12 * vib.Sine(32.0, kRate);
        double env = std::min(1.0, t / 0.004) * (1.0 - t / 0.5);
        double v = 0.55 * o.Saw(f, kRate) + 0.3 * lp.LowPass(n.Next(), 3000.0, kRate) * (1.0 - t * 1.6);
        s[i] = float(v * env);
    }
    return s;
}

// A grabber carries a robot away: a sine warbling fast around 700 Hz.
std::vector<float> Warble() {
    auto s = Buffer(0.25);
    Oscillator o, lfo, o2;
    for (size_t i = 0; i < s.size(); ++i) {
        double t = T(i);
        double m = lfo.Triangle(22.0, kRate);
        double f = 720.0 + 260.0 * m + 300.0 * t;
        double env = std::min(1.0, t / 0.01) * std::min(1.0, (0.25 - t) / 0.05);
        s[i] = float((0.7 * o.Triangle(f, kRate) + 0.3 * o2.Sine(f * 2.0, kRate)) * env);
    }
    return s;
}

// An appearance or a shield: a short electric buzz with a shimmer on top.
std::vector<float> Buzz() {
    auto s = Buffer(0.18);
    Oscillator a, b, c;
    Noise n(15);
    OnePole hp;
    for (size_t i = 0; i < s.size(); ++i) {
        double t = T(i);
        double env = std::min(1.0, t / 0.006) * std::exp(-t * 9.0) * std::min(1.0, (0.18 - t) / 0.03);
        double v = 0.45 * a.Saw(110.0, kRate) * b.Pulse(220.0 + 900.0 * t, kRate, 0.5) +
                   0.3 * c.Sine(1760.0 + 400.0 * std::sin(t * 120.0), kRate) +
                   0.15 * hp.HighPass(n.Next(), 4000.0, kRate);
        s[i] = float(v * env);
    }
    return s;
}

// A UFO breaks formation: a swoop that rises and then dives.
std::vector<float> Swoop() {
    auto s = Buffer(0.4);
    Oscillator o, vib;
    for (size_t i = 0; i < s.size(); ++i) {
        double t = T(i);
        double u = t / 0.4;
        double f = 500.0 + 1300.0 * std::sin(u * 3.14159) * (1.0 - 0.6 * u);
        f *= 1.0 + 0.03 * vib.Sine(18.0, kRate);
        double env = std::min(1.0, t / 0.02) * std::min(1.0, (0.4 - t) / 0.08);
        s[i] = float(0.8 * o.Pulse(f, kRate, 0.5) * env * 0.7);
    }
    return s;
}

// Two seconds left: beep, beep, then a longer low buzz.
std::vector<float> Count() {
    auto s = Buffer(2.0);
    auto tone = [&](double start, double len, double freq, bool buzz) {
        Oscillator o, o2;
        for (size_t i = size_t(start * kRate); i < size_t((start + len) * kRate) && i < s.size(); ++i) {
            double t = T(i) - start;
            double env = std::min(1.0, t / 0.005) * std::min(1.0, (len - t) / 0.02);
            double v = buzz ? 0.5 * o.Pulse(freq, kRate, 0.5) + 0.35 * o2.Saw(freq * 1.01, kRate)
                            : 0.75 * o.Pulse(freq, kRate, 0.5) * (0.6 + 0.4 * std::exp(-t * 12.0));
            s[i] += float(v * env);
        }
    };
    tone(0.0, 0.14, 988.0, false);
    tone(0.6, 0.14, 988.0, false);
    tone(1.2, 0.75, 247.0, true);
    return s;
}

}  // namespace

std::vector<float> MakeSoundEffect(const std::string& name) {
    // Each effect with its designed peak level (mastered at kMixLevel of it): the frequent,
    // steady cues (swoop, warble, buzz) sit lower than the explosions and the hit.
    const struct {
        const char* name;
        std::vector<float> (*make)();
        double peak;
    } effects[] = {
        {"shot00", Shot, 0.6},   {"metal00", Clank, 0.7}, {"bom00", Explosion, 0.85},
        {"metal01", Chime, 0.7}, {"out00", Zap, 0.8},     {"ufo00", Warble, 0.5},
        {"bari00", Buzz, 0.5},   {"atk00", Swoop, 0.32},  {"count", Count, 0.6},
    };
    for (const auto& e : effects) {
        if (name != e.name) continue;
        std::vector<float> s = e.make();
        NormalisePeak(s, e.peak * kMixLevel);
        FadeEdges(s, 8, 64);
        return s;
    }
    throw std::invalid_argument("no sound effect named " + name);
}

bool WriteSoundEffects(const std::string& dir) {
    for (const char* name : {"bom00", "out00", "shot00", "metal01", "metal00", "ufo00", "bari00",
                             "atk00", "count"})
        if (!WriteWav(dir + name + ".wav", MakeSoundEffect(name), kEffectRate)) return false;
    return true;
}
