// Building blocks of the generator's sound: band-limited oscillators, seeded noise,
// simple filters and envelopes, and loudness helpers. Relies on rng.h.
#pragma once

#include <cmath>
#include <vector>

#include "rng.h"

constexpr double kTwoPi = 6.283185307179586;

// A phase accumulator in 0..1 with band-limited (polyBLEP) square, pulse and saw shapes.
class Oscillator {
public:
    // Advances by one sample at freq Hz; returns the phase before the step.
    double Step(double freq, double rate);
    double Sine(double freq, double rate);
    double Triangle(double freq, double rate);
    double Saw(double freq, double rate);
    double Pulse(double freq, double rate, double duty);

private:
    double phase_ = 0.0;
};

// White noise in -1..1 from a fixed seed.
class Noise {
public:
    explicit Noise(uint64_t seed) : rng_(seed) {}
    double Next() { return rng_.Signed(); }

private:
    Rng rng_;
};

// One-pole low-pass; HighPass returns the input minus the low-passed signal.
class OnePole {
public:
    double LowPass(double x, double cutoffHz, double rate);
    double HighPass(double x, double cutoffHz, double rate) { return x - LowPass(x, cutoffHz, rate); }

private:
    double z_ = 0.0;
    double cutoff_ = -1.0;  // the coefficient is recomputed only when the cutoff changes
    double a_ = 0.0;
};

// Attack-decay-sustain-release level at time t of a note held for `held` seconds.
double Adsr(double t, double held, double attack, double decay, double sustain, double release);

double MidiToHz(double midi);
// Scales so the largest magnitude is `peak`.
void NormalisePeak(std::vector<float>& s, double peak);
// Linear fades at both ends, in samples.
void FadeEdges(std::vector<float>& s, int fadeIn, int fadeOut);
