// A small music synthesiser: instruments rendered note by note into stereo buses, a
// step sequencer reading note and drum lines written as text, and the final mix.
// Relies on audio.h and synth.h.
#pragma once

#include <string>
#include <vector>

#include "audio.h"

enum class Instrument { Lead, Bass, Arp, Pad, Bell, Kick, Snare, Hat, OpenHat, Crash };

// One note: start and held length in seconds, pitch as a MIDI number (ignored by drums),
// level 0..1, pan -1 (left) .. 1 (right).
struct Note {
    Instrument instrument;
    double start, length, midi, level, pan;
};

// Parses a note line: one token per step; "a4", "c#5", "bb3" start a note, "-" holds the
// previous one, "." is a rest. Adds the notes from step `firstStep`.
void AddNoteLine(std::vector<Note>& notes, Instrument instrument, const std::string& line,
                 int firstStep, double stepSeconds, double level, double pan, int transpose = 0);
// Parses a drum line: one character per step, 'x' a hit, 'X' an accented hit, '.' none.
void AddDrumLine(std::vector<Note>& notes, Instrument instrument, const std::string& line,
                 int firstStep, double stepSeconds, double level, double pan);
// MIDI number of a note name such as "c#5"; throws on a bad name.
int NoteNumber(const std::string& name);

// Renders every note, adds an echo to the lead, and masters to a peak of `peak`; the
// result lasts `seconds` (notes past it are cut, the end is faded).
Stereo RenderSong(const std::vector<Note>& notes, double seconds, double peak);
