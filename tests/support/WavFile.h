#pragma once
// Small sound files for tests: 16-bit PCM WAV written by hand, and tones to fill them.

#include <cstdint>
#include <string>
#include <vector>

// Interleaved frames of `channels` channels.
void WriteWav(const std::string& path, int rate, int channels, const std::vector<int16_t>& samples);

// A mono sine tone.
std::vector<int16_t> MakeTone(int rate, double seconds, double frequency, double amplitude);
