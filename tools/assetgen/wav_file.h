// Writes mono sound as a 16-bit PCM WAV file. Relies on the standard library.
#pragma once

#include <string>
#include <vector>

// Samples are floats in -1..1 (clamped); false (with a message on stderr) on failure.
bool WriteWav(const std::string& path, const std::vector<float>& samples, int rate);
