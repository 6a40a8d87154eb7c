// Oscillators, filters, envelopes and loudness helpers shared by the sound effects and
// the music synthesiser. Relies on synth.h.
#include "synth.h"

#include <algorithm>

namespace {

// The polyBLEP correction around a discontinuity at phase 0 (t is the phase, dt the
// phase step per sample).
double PolyBlep(double t, double dt) {
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0;
    }
    if (t > 1.0 - dt) {
        t = (t - 1.0) / dt;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

}  // namespace

double Oscillator::Step(double freq, double rate) {
    double p = phase_;
    phase_ += freq / rate;
    phase_ -= std::floor(phase_);
    return p;
}

double Oscillator::Sine(double freq, double rate) { return std::sin(kTwoPi * Step(freq, rate)); }

double Oscillator::Triangle(double freq, double rate) {
    double p = Step(freq, rate);
    return 4.0 * std::fabs(p - 0.5) - 1.0;
}

double Oscillator::Saw(double freq, double rate) {
    double dt = std::min(0.5, freq / rate);
    double p = Step(freq, rate);
    return (2.0 * p - 1.0) - PolyBlep(p, dt);
}

double Oscillator::Pulse(double freq, double rate, double duty) {
    double dt = std::min(0.5, freq / rate);
    double p = Step(freq, rate);
    double v = p < duty ? 1.0 : -1.0;
    v += PolyBlep(p, dt);
    double q = p - duty;
    q -= std::floor(q);
    v -= PolyBlep(q, dt);
    return v;
}

double OnePole::LowPass(double x, double cutoffHz, double rate) {
    if (cutoffHz != cutoff_) {
        cutoff_ = cutoffHz;
        a_ = 1.0 - std::exp(-kTwoPi * std::min(cutoffHz, rate * 0.45) / rate);
    }
    z_ += a_ * (x - z_);
    return z_;
}

double Adsr(double t, double held, double attack, double decay, double sustain, double release) {
    auto level = [&](double u) {
        if (u < attack) return u / attack;
        u -= attack;
        if (u < decay) return 1.0 - (1.0 - sustain) * (u / decay);
        return sustain;
    };
    if (t < held) return level(t);
    double r = t - held;
    if (r >= release) return 0.0;
    return level(held) * (1.0 - r / release);
}

double MidiToHz(double midi) { return 440.0 * std::pow(2.0, (midi - 69.0) / 12.0); }

void NormalisePeak(std::vector<float>& s, double peak) {
    float m = 0.0f;
    for (float v : s) m = std::max(m, std::fabs(v));
    if (m <= 0.0f) return;
    const float g = float(peak / m);
    for (float& v : s) v *= g;
}

void FadeEdges(std::vector<float>& s, int fadeIn, int fadeOut) {
    const int n = int(s.size());
    for (int i = 0; i < std::min(fadeIn, n); ++i) s[i] *= float(i) / float(fadeIn);
    for (int i = 0; i < std::min(fadeOut, n); ++i) s[n - 1 - i] *= float(i) / float(fadeOut);
}
