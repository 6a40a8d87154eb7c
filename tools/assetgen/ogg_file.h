// Writes stereo sound as an Ogg Vorbis file. Relies on libvorbisenc and libogg.
#pragma once

#include <string>
#include <vector>

// left and right hold the same number of samples in -1..1; quality is libvorbisenc's
// VBR quality (-0.1 to 1.0). False (with a message on stderr) on failure.
bool WriteOggVorbis(const std::string& path, const std::vector<float>& left,
                    const std::vector<float>& right, int rate, float quality);
