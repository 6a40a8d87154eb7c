// The game's three pieces of music, written as chord charts, melodies and drum lines:
// the play music (an A-minor chase at 150 beats a minute, about 137 seconds, played
// once), the game-over lament and the victory fanfare (just under 4 seconds each).
// Relies on music_synth.h, audio.h and ogg_file.h.
#include <stdexcept>

#include "audio.h"
#include "music_synth.h"
#include "ogg_file.h"

namespace {

struct Chord {
    int root;  // MIDI number in octave 2 (36..47)
    bool minor;
};

Chord ParseChord(const std::string& name) {
    std::string n = name;
    bool minor = false;
    if (n.size() > 1 && n.back() == 'm') {
        minor = true;
        n.pop_back();
    }
    std::string lower(1, char(n[0] - 'A' + 'a'));
    lower += n.substr(1);
    return Chord{NoteNumber(lower + "2"), minor};
}

int Third(const Chord& c) { return c.minor ? 3 : 4; }

// One section of the play music: a chord per bar, a melody line per bar (16 steps of a
// sixteenth note), and how the band plays it.
struct Section {
    std::vector<std::string> chords;
    std::vector<std::string> melody;
    int drums;          // drum pattern number, see AddDrums
    int bass;           // bass pattern number, see AddBass
    bool arp;           // sixteenth-note chord arpeggio
    bool pad;           // held chords
    bool harmony;       // a second lead a diatonic third below
    bool lastBarFill;   // snare fill in the last bar
};

constexpr int kSteps = 16;

void AddBass(std::vector<Note>& notes, const Chord& c, int style, int step, double dt) {
    static const char* const patterns[] = {
        "R-R-O-R-R-R-O-F-",   // 0 driving eighths
        "R---------------",   // 1 held root
        "R--R--O-R--R--O-",   // 2 bouncing
        "RORORORORORORFRO",   // 3 running sixteenths
        "R-..R-..R-..O-F-",   // 4 light
    };
    const std::string p = patterns[style];
    for (int k = 0; k < kSteps; ++k) {
        char ch = p[size_t(k)];
        if (ch == '-' || ch == '.') continue;
        int len = 1;
        while (k + len < kSteps && p[size_t(k + len)] == '-') ++len;
        int midi = c.root + (ch == 'O' ? 12 : ch == 'F' ? 7 : 0);
        notes.push_back(Note{Instrument::Bass, (step + k) * dt, len * dt * 0.9, double(midi), 1.0, 0.0});
    }
}

void AddArp(std::vector<Note>& notes, const Chord& c, int step, double dt, double level) {
    const int tones[4] = {0, Third(c), 7, 12};
    const int order[8] = {0, 1, 2, 3, 2, 1, 0, 2};
    for (int k = 0; k < kSteps; ++k) {
        int midi = c.root + 36 + tones[order[k % 8]];
        notes.push_back(Note{Instrument::Arp, (step + k) * dt, dt * 0.7, double(midi), level, (k % 2) ? 0.55 : -0.55});
    }
}

void AddPad(std::vector<Note>& notes, const Chord& c, int step, int steps, double dt, double level) {
    for (int t : {12, 12 + Third(c), 19, 24})
        notes.push_back(Note{Instrument::Pad, step * dt, steps * dt, double(c.root + t), level, t == 19 ? 0.3 : -0.2});
}

void AddDrums(std::vector<Note>& notes, int pattern, bool fill, int step, double dt) {
    struct Kit {
        const char *kick, *snare, *hat, *open;
    };
    static const Kit kits[] = {
        {"................", "................", "................", "................"},  // 0 silent
        {"X.......X.x.....", "....X.......X...", "x.x.x.x.x.x.x.x.", "................"},  // 1 basic
        {"X.....x.X.....x.", "....X.......X..x", "XxxxXxxxXxxxXxxx", "................"},  // 2 drive
        {"X.........X.....", "........X.......", "..x...x...x...x.", "................"},  // 3 half time
        {"X...X...X...X...", "....X.......X...", "x...x...x...x...", "..x...x...x...x."},  // 4 four on the floor
        {"X...X...X...X...", "................", "x.x.x.x.x.x.x.x.", "................"},  // 5 intro pulse
    };
    const Kit& k = kits[pattern];
    AddDrumLine(notes, Instrument::Kick, k.kick, step, dt, 1.0, 0.0);
    AddDrumLine(notes, Instrument::Snare, fill ? "....X...x.x.XxXX" : k.snare, step, dt, 1.0, 0.1);
    AddDrumLine(notes, Instrument::Hat, k.hat, step, dt, 1.0, 0.35);
    AddDrumLine(notes, Instrument::OpenHat, k.open, step, dt, 1.0, 0.35);
}

// The note a diatonic third below in A natural minor (G sharp counts as G).
std::string ThirdBelow(const std::string& token) {
    if (token == "-" || token == ".") return token;
    int midi = NoteNumber(token);
    static const int scale[7] = {9, 11, 0, 2, 4, 5, 7};
    int pc = midi % 12;
    if (pc == 8) pc = 7;
    int idx = 0;
    for (int k = 0; k < 7; ++k)
        if (scale[k] == pc) idx = k;
    int target = scale[(idx + 5) % 7];
    int down = (pc - target + 12) % 12;
    static const char* const names[12] = {"c", "c#", "d", "d#", "e", "f", "f#", "g", "g#", "a", "a#", "b"};
    int m = midi % 12 == 8 ? midi - 1 - down : midi - down;
    return std::string(names[m % 12]) + std::to_string(m / 12 - 1);
}

std::string Harmonise(const std::string& line) {
    std::string out, token;
    for (size_t i = 0; i <= line.size(); ++i) {
        if (i == line.size() || line[i] == ' ') {
            if (!token.empty()) out += (out.empty() ? "" : " ") + ThirdBelow(token);
            token.clear();
        } else {
            token += line[i];
        }
    }
    return out;
}

void AddSection(std::vector<Note>& notes, const Section& s, int& step, double dt) {
    for (size_t bar = 0; bar < s.chords.size(); ++bar) {
        const Chord c = ParseChord(s.chords[bar]);
        const bool last = bar + 1 == s.chords.size();
        if (bar == 0 && s.drums != 0)
            notes.push_back(Note{Instrument::Crash, step * dt, 0.0, 60.0, 0.9, -0.3});
        AddDrums(notes, s.drums, last && s.lastBarFill, step, dt);
        AddBass(notes, c, s.bass, step, dt);
        if (s.arp) AddArp(notes, c, step, dt, 1.0);
        if (s.pad) AddPad(notes, c, step, kSteps, dt, 1.0);
        if (bar < s.melody.size()) {
            AddNoteLine(notes, Instrument::Lead, s.melody[bar], step, dt, 1.0, -0.1);
            if (s.harmony)
                AddNoteLine(notes, Instrument::Lead, Harmonise(s.melody[bar]), step, dt, 0.55, 0.35);
        }
        step += kSteps;
    }
}

// A melody made of the chord's tones in running sixteenths, for the closing chase.
std::string ChaseLine(const std::string& chord) {
    const Chord c = ParseChord(chord);
    const int tones[4] = {0, Third(c), 7, 12};
    const int order[16] = {3, 2, 1, 2, 3, 2, 1, 0, 1, 2, 3, 2, 1, 2, 3, 3};
    static const char* const names[12] = {"c", "c#", "d", "d#", "e", "f", "f#", "g", "g#", "a", "a#", "b"};
    std::string out;
    for (int k = 0; k < 16; ++k) {
        int m = c.root + 36 + tones[order[k]];
        if (k == 15) {
            out += " -";
            continue;
        }
        out += (k ? " " : "") + std::string(names[m % 12]) + std::to_string(m / 12 - 1);
    }
    return out;
}

Stereo PlayMusic() {
    const double dt = 60.0 / 150.0 / 4.0;
    const std::vector<std::string> progA = {"Am", "F", "G", "Em", "Am", "F", "G", "E"};
    const std::vector<std::string> progB = {"F", "G", "Am", "Am", "Dm", "E", "Am", "E"};
    const std::vector<std::string> progC = {"C", "G", "Am", "F", "C", "G", "F", "E"};
    const std::vector<std::string> progD = {"Am", "Am", "F", "F", "G", "G", "E", "E"};
    const std::vector<std::string> melodyA = {
        "e5 - - - a5 - - - g5 - e5 - d5 - c5 -",
        "d5 - - - c5 - a4 - c5 - - - . . . .",
        "b4 - - - d5 - g5 - f5 - e5 - d5 - b4 -",
        "e5 - - - - - - - . . b4 - c5 - d5 -",
        "e5 - - - a5 - - - b5 - c6 - b5 - a5 -",
        "c6 - - - a5 - f5 - a5 - - - g5 - f5 -",
        "e5 - d5 - b4 - d5 - g5 - - - f5 - d5 -",
        "e5 - - - g#5 - - - b5 - - - . . . .",
    };
    const std::vector<std::string> melodyB = {
        "a5 - - - - - c6 - - - a5 - - - g5 -",
        "b5 - - - - - d6 - - - b5 - - - g5 -",
        "c6 - - - b5 - a5 - - - - - e5 - - -",
        "a5 - - - - - - - - - - - . . . .",
        "f5 - - - a5 - - - d6 - - - c6 - a5 -",
        "b5 - - - g#5 - - - e5 - - - b5 - - -",
        "a5 - c6 - e6 - d6 - c6 - b5 - a5 - g5 -",
        "g#5 - - - - - - - b5 - - - e6 - - -",
    };
    const std::vector<std::string> melodyC = {
        "c5 . e5 . g5 . c6 . g5 . e5 . g5 - - -",
        "b4 . d5 . g5 . b5 . g5 . d5 . g5 - - -",
        "a4 . c5 . e5 . a5 . e5 . c5 . e5 - - -",
        "f5 - - - a5 - - - c6 - - - a5 - - -",
        "e6 - - - d6 - c6 - d6 - - - g5 - - -",
        "d6 - - - c6 - b5 - c6 - - - d6 - - -",
        "c6 - a5 - f5 - a5 - c6 - f6 - e6 - c6 -",
        "b5 - - - - - - - g#5 - - - b5 - - -",
    };
    const std::vector<std::string> melodyD = {
        "a5 - - - - - - - . . . . e5 - - -",
        "a5 - - - - - - - . . . . c6 - b5 -",
        "a5 - - - - - - - . . . . f5 - - -",
        "a5 - - - - - - - . . . . c6 - - -",
        "b5 - - - - - - - . . . . g5 - - -",
        "d6 - - - - - - - . . . . b5 - - -",
        "e6 - - - - - - - d6 - - - b5 - - -",
        "g#5 - - - - - - - . . . . . . . .",
    };
    std::vector<std::string> chase;
    const std::vector<std::string> progH = {"Am", "F", "G", "E", "Am", "F", "Dm", "E"};
    for (const auto& ch : progH) chase.push_back(ChaseLine(ch));

    std::vector<Note> notes;
    int step = 0;
    // Intro (about 5 seconds, while the first wave comes in): pulse, bass, then a fill.
    AddSection(notes, Section{{"Am", "Am", "Am"}, {}, 5, 4, true, false, false, true}, step, dt);
    AddSection(notes, Section{progA, melodyA, 1, 0, false, false, false, true}, step, dt);
    AddSection(notes, Section{progA, melodyA, 2, 0, true, false, true, true}, step, dt);
    AddSection(notes, Section{progB, melodyB, 4, 2, false, true, false, true}, step, dt);
    AddSection(notes, Section{progC, melodyC, 1, 2, true, false, false, true}, step, dt);
    AddSection(notes, Section{progA, melodyA, 2, 3, false, false, false, true}, step, dt);
    AddSection(notes, Section{progB, melodyB, 4, 0, true, true, true, true}, step, dt);
    AddSection(notes, Section{progD, melodyD, 3, 1, true, true, false, true}, step, dt);
    AddSection(notes, Section{progA, melodyA, 2, 3, true, false, true, true}, step, dt);
    AddSection(notes, Section{progC, melodyC, 4, 2, true, true, true, true}, step, dt);
    // The closing chase, under the last seconds of the clock.
    AddSection(notes, Section{progH, chase, 2, 3, false, true, false, true}, step, dt);
    // Ending: a last phrase and a held A minor chord.
    AddSection(notes, Section{{"Am", "F"}, {"a5 - - - e5 - - - c6 - - - b5 - - -", "a5 - - - - - - - b5 - - - - - - -"},
                              1, 0, true, true, false, false}, step, dt);
    notes.push_back(Note{Instrument::Crash, step * dt, 0.0, 60.0, 1.0, 0.0});
    notes.push_back(Note{Instrument::Kick, step * dt, 0.0, 60.0, 1.0, 0.0});
    notes.push_back(Note{Instrument::Bass, step * dt, 10 * dt, double(NoteNumber("a1")), 1.0, 0.0});
    AddNoteLine(notes, Instrument::Lead, "a5 - - - - - - - - - - - - - - -", step, dt, 1.0, 0.0);
    AddPad(notes, ParseChord("Am"), step, 20, dt, 1.2);
    for (int t : {0, 7, 12, 15})
        notes.push_back(Note{Instrument::Bell, step * dt, 16 * dt, double(NoteNumber("a4") + t), 0.6, t % 2 ? 0.4 : -0.4});
    const double seconds = (step + 24) * dt;
    return RenderSong(notes, seconds, 0.8 * kMixLevel);
}

// Both jingles end within the 251 frames (4.0 s) of their screen, before the title
// stops them.
Stereo GameOverMusic() {
    const double dt = 0.135;
    std::vector<Note> notes;
    AddNoteLine(notes, Instrument::Lead, "e5 - - d5 c5 - - b4 a4 - - - g#4 - - - b4 - - - a4 - - - - - - -",
                0, dt, 0.9, 0.0);
    const struct {
        const char* chord;
        int start, len;
    } chart[] = {{"Am", 0, 4}, {"F", 4, 4}, {"Dm", 8, 4}, {"E", 12, 8}, {"Am", 20, 9}};
    for (const auto& c : chart) {
        Chord ch = ParseChord(c.chord);
        AddPad(notes, ch, c.start, c.len, dt, 1.3);
        notes.push_back(Note{Instrument::Bass, c.start * dt, c.len * dt * 0.95, double(ch.root), 0.9, 0.0});
    }
    notes.push_back(Note{Instrument::Kick, 0.0, 0.0, 60.0, 0.8, 0.0});
    notes.push_back(Note{Instrument::Bell, 20 * dt, 8 * dt, double(NoteNumber("a4")), 0.6, -0.3});
    notes.push_back(Note{Instrument::Bell, 20 * dt, 8 * dt, double(NoteNumber("e5")), 0.5, 0.3});
    return RenderSong(notes, 3.95, 0.8 * kMixLevel);
}

Stereo VictoryMusic() {
    const double dt = 60.0 / 140.0 / 4.0;
    std::vector<Note> notes;
    AddNoteLine(notes, Instrument::Lead,
                "e5 . a5 . c#6 . e6 - - - c#6 - e6 - f#6 - e6 - d6 - c#6 - b5 - a5 - - - - - - - - - - -",
                0, dt, 1.0, 0.0);
    AddNoteLine(notes, Instrument::Lead,
                "c#5 . e5 . a5 . c#6 - - - a5 - c#6 - d6 - c#6 - b5 - e5 - g#5 - c#5 - - - - - - - - - - -",
                0, dt, 0.5, 0.4);
    const struct {
        const char* chord;
        int start, len;
    } chart[] = {{"A", 0, 8}, {"A", 8, 6}, {"D", 14, 6}, {"E", 20, 4}, {"A", 24, 12}};
    for (const auto& c : chart) {
        Chord ch = ParseChord(c.chord);
        AddPad(notes, ch, c.start, c.len, dt, 1.0);
        for (int k = 0; k < c.len; k += 2)
            notes.push_back(Note{Instrument::Bass, (c.start + k) * dt, dt * 1.6, double(ch.root + (k % 4 ? 12 : 0)), 0.9, 0.0});
    }
    AddDrumLine(notes, Instrument::Snare, "x.x.xxxxX...x...X...x.x.X.......", 0, dt, 0.9, 0.1);
    AddDrumLine(notes, Instrument::Kick, "X.......X.....X.....X...X.......", 0, dt, 1.0, 0.0);
    notes.push_back(Note{Instrument::Crash, 0.0, 0.0, 60.0, 0.8, -0.3});
    notes.push_back(Note{Instrument::Crash, 24 * dt, 0.0, 60.0, 1.0, 0.3});
    for (int t : {0, 4, 7, 12})
        notes.push_back(Note{Instrument::Bell, 24 * dt, 10 * dt, double(NoteNumber("a5") + t), 0.5, t % 2 ? 0.4 : -0.4});
    return RenderSong(notes, 3.95, 0.8 * kMixLevel);
}

}  // namespace

Stereo MakeMusic(const std::string& name) {
    if (name == "bgm00") return PlayMusic();
    if (name == "gover") return GameOverMusic();
    if (name == "end") return VictoryMusic();
    throw std::invalid_argument("no music named " + name);
}

bool WriteMusic(const std::string& dir, const std::string& name) {
    Stereo s = MakeMusic(name);
    return WriteOggVorbis(dir + name + ".ogg", s.left, s.right, kMusicRate, 0.3f);
}
