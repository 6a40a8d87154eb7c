// The music synthesiser: instrument voices (pulse lead, bass, arpeggio, pad, bell and
// the drum kit), the text note and drum lines, and the mix with an echo on the lead and
// a gentle limiter. Relies on music_synth.h and synth.h.
#include "music_synth.h"

#include <algorithm>
#include <cmath>
#include <sstream>
#include <stdexcept>

#include "synth.h"

namespace {

constexpr double kRate = kMusicRate;

struct Bus {
    std::vector<float> left, right;
    explicit Bus(size_t n) : left(n, 0.0f), right(n, 0.0f) {}
};

double Release(Instrument i) {
    switch (i) {
        case Instrument::Lead: return 0.09;
        case Instrument::Bass: return 0.05;
        case Instrument::Arp: return 0.04;
        case Instrument::Pad: return 0.5;
        case Instrument::Bell: return 1.2;
        case Instrument::Kick: return 0.3;
        case Instrument::Snare: return 0.22;
        case Instrument::Hat: return 0.06;
        case Instrument::OpenHat: return 0.3;
        case Instrument::Crash: return 1.6;
    }
    return 0.1;
}

void Render(Bus& bus, const Note& n, uint64_t seed) {
    const size_t begin = size_t(std::max(0.0, n.start) * kRate);
    const bool drum = n.instrument >= Instrument::Kick;
    const double held = drum ? 0.0 : n.length;
    const size_t end = std::min(bus.left.size(), begin + size_t((held + Release(n.instrument)) * kRate));
    const double f = MidiToHz(n.midi);
    const double gl = std::cos((n.pan + 1.0) * 0.25 * 3.14159265), gr = std::sin((n.pan + 1.0) * 0.25 * 3.14159265);
    Oscillator a, b, c;
    Noise noise(seed);
    OnePole lp, lp2, hp;
    double sweep = 0.0;  // filter sweeps move in steps of 32 samples
    for (size_t i = begin; i < end; ++i) {
        const double t = double(i - begin) / kRate;
        if ((i - begin) % 32 == 0) sweep = std::exp(-t * (n.instrument == Instrument::Lead ? 5.0 : 16.0));
        double v = 0.0;
        switch (n.instrument) {
            case Instrument::Lead: {
                double vib = t > 0.14 ? 0.18 * std::min(1.0, (t - 0.14) / 0.2) * b.Sine(5.6, kRate) : 0.0;
                double fr = f * std::exp2(vib / 12.0);
                double x = 0.6 * a.Pulse(fr, kRate, 0.25) + 0.35 * c.Saw(fr * 1.003, kRate);
                x = lp.LowPass(x, 1600.0 + 4200.0 * sweep, kRate);
                v = 0.32 * x * Adsr(t, held, 0.006, 0.14, 0.72, Release(n.instrument));
                break;
            }
            case Instrument::Bass: {
                double x = 0.55 * a.Pulse(f, kRate, 0.5) + 0.6 * b.Triangle(f, kRate);
                x = lp.LowPass(x, 500.0 + 2200.0 * sweep, kRate);
                v = 0.3 * x * Adsr(t, held, 0.003, 0.16, 0.6, Release(n.instrument));
                break;
            }
            case Instrument::Arp: {
                double x = lp.LowPass(a.Pulse(f, kRate, 0.125), 3200.0, kRate);
                v = 0.12 * x * Adsr(t, held, 0.002, 0.07, 0.35, Release(n.instrument));
                break;
            }
            case Instrument::Pad: {
                double x = a.Saw(f * 0.9965, kRate) + b.Saw(f * 1.0035, kRate) + 0.2 * c.Triangle(f * 0.5, kRate);
                x = lp2.LowPass(lp.LowPass(x, 1300.0, kRate), 1800.0, kRate);
                v = 0.06 * x * Adsr(t, held, 0.09, 0.3, 0.75, Release(n.instrument));
                break;
            }
            case Instrument::Bell: {
                double x = a.Sine(f, kRate) + 0.4 * b.Sine(f * 2.0, kRate) * std::exp(-t * 4.0) +
                           0.2 * c.Sine(f * 3.01, kRate) * std::exp(-t * 7.0);
                v = 0.2 * x * std::min(1.0, t / 0.003) * std::exp(-t * 2.6) *
                    (t < held ? 1.0 : std::max(0.0, 1.0 - (t - held) / Release(n.instrument)));
                break;
            }
            case Instrument::Kick: {
                double fr = 45.0 + 110.0 * std::exp(-t * 28.0);
                v = 0.6 * a.Sine(fr, kRate) * std::exp(-t * 13.0) +
                    0.25 * noise.Next() * std::exp(-t * 300.0);
                break;
            }
            case Instrument::Snare: {
                double x = hp.HighPass(noise.Next(), 1200.0, kRate);
                v = 0.5 * x * std::exp(-t * 17.0) + 0.35 * a.Sine(190.0, kRate) * std::exp(-t * 28.0);
                break;
            }
            case Instrument::Hat:
                v = 0.35 * hp.HighPass(noise.Next(), 6500.0, kRate) * std::exp(-t * 70.0);
                break;
            case Instrument::OpenHat:
                v = 0.3 * hp.HighPass(noise.Next(), 6000.0, kRate) * std::exp(-t * 11.0);
                break;
            case Instrument::Crash:
                v = 0.3 * hp.HighPass(lp.LowPass(noise.Next(), 9000.0, kRate), 3500.0, kRate) *
                    std::exp(-t * 2.6);
                break;
        }
        v *= n.level;
        bus.left[i] += float(v * gl);
        bus.right[i] += float(v * gr);
    }
}

}  // namespace

int NoteNumber(const std::string& name) {
    static const int semis[7] = {9, 11, 0, 2, 4, 5, 7};  // a b c d e f g
    if (name.size() < 2 || name[0] < 'a' || name[0] > 'g') throw std::invalid_argument("bad note " + name);
    int semi = semis[name[0] - 'a'];
    size_t pos = 1;
    if (name[pos] == '#') {
        ++semi;
        ++pos;
    } else if (name[pos] == 'b' && pos + 1 < name.size()) {
        --semi;
        ++pos;
    }
    int octave = std::stoi(name.substr(pos));
    return 12 * (octave + 1) + semi;
}

void AddNoteLine(std::vector<Note>& notes, Instrument instrument, const std::string& line,
                 int firstStep, double stepSeconds, double level, double pan, int transpose) {
    std::istringstream in(line);
    std::string token;
    int step = firstStep;
    size_t open = 0;  // index + 1 of the note that "-" extends, 0 for none
    while (in >> token) {
        if (token == "-") {
            if (open) notes[open - 1].length += stepSeconds;
        } else if (token == ".") {
            open = 0;
        } else {
            notes.push_back(Note{instrument, step * stepSeconds, stepSeconds,
                                 double(NoteNumber(token) + transpose), level, pan});
            open = notes.size();
        }
        ++step;
    }
}

void AddDrumLine(std::vector<Note>& notes, Instrument instrument, const std::string& line,
                 int firstStep, double stepSeconds, double level, double pan) {
    for (size_t k = 0; k < line.size(); ++k) {
        if (line[k] != 'x' && line[k] != 'X') continue;
        double l = line[k] == 'X' ? level : level * 0.7;
        notes.push_back(Note{instrument, (firstStep + int(k)) * stepSeconds, 0.0, 60.0, l, pan});
    }
}

Stereo RenderSong(const std::vector<Note>& notes, double seconds, double peak) {
    const size_t n = size_t(seconds * kRate);
    Bus main(n), lead(n);
    uint64_t seed = 1;
    for (const Note& note : notes) Render(note.instrument == Instrument::Lead ? lead : main, note, seed++);

    // Echo on the lead, crossing sides: 0.3 seconds, three fading repeats. The mix is
    // built in the main bus, backwards so that the echo reads the lead before it changes.
    const size_t delay = size_t(0.3 * kRate);
    for (size_t i = 0; i < n; ++i) {
        double l = lead.left[i], r = lead.right[i];
        double g = 1.0;
        for (size_t k = 1; k <= 3 && i >= delay * k; ++k) {
            g *= 0.32;
            const auto& a = (k % 2) ? lead.right : lead.left;
            const auto& b = (k % 2) ? lead.left : lead.right;
            l += g * a[i - delay * k];
            r += g * b[i - delay * k];
        }
        main.left[i] += float(l);
        main.right[i] += float(r);
    }
    lead = Bus(0);
    Stereo out{std::move(main.left), std::move(main.right)};
    // Gentle limiter: soft saturation above the knee, then a peak normalisation.
    auto soft = [](float x) {
        const float knee = 0.8f;
        float a = std::fabs(x);
        if (a <= knee) return x;
        float y = knee + (1.0f - knee) * std::tanh((a - knee) / (1.0f - knee));
        return x < 0 ? -y : y;
    };
    float m = 0.0f;
    for (size_t i = 0; i < n; ++i) m = std::max({m, std::fabs(out.left[i]), std::fabs(out.right[i])});
    const float pre = m > 0 ? 1.0f / m * 1.15f : 1.0f;
    for (size_t i = 0; i < n; ++i) {
        out.left[i] = soft(out.left[i] * pre);
        out.right[i] = soft(out.right[i] * pre);
    }
    m = 0.0f;
    for (size_t i = 0; i < n; ++i) m = std::max({m, std::fabs(out.left[i]), std::fabs(out.right[i])});
    const float g = m > 0 ? float(peak) / m : 1.0f;
    const size_t fade = std::min(n, size_t(0.25 * kRate));
    for (size_t i = 0; i < n; ++i) {
        float e = i >= n - fade ? float(n - i) / float(fade) : 1.0f;
        out.left[i] *= g * e;
        out.right[i] *= g * e;
    }
    return out;
}
