#include "support/WavFile.h"

#include <cmath>
#include <fstream>

namespace {

const int BITS_PER_SAMPLE = 16;
const int BYTES_PER_SAMPLE = 2;
const uint32_t FORMAT_CHUNK_SIZE = 16;
const uint16_t FORMAT_PCM = 1;
const uint32_t HEADER_BYTES_AFTER_RIFF_SIZE = 36;

void Put16(std::ofstream& out, uint16_t value)
{
    const char bytes[] = {static_cast<char>(value & 0xff), static_cast<char>(value >> 8)};
    out.write(bytes, sizeof(bytes));
}

void Put32(std::ofstream& out, uint32_t value)
{
    Put16(out, static_cast<uint16_t>(value & 0xffff));
    Put16(out, static_cast<uint16_t>(value >> 16));
}

} // namespace

void WriteWav(const std::string& path, int rate, int channels, const std::vector<int16_t>& samples)
{
    std::ofstream out(path, std::ios::binary);
    const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * BYTES_PER_SAMPLE);
    out.write("RIFF", 4);
    Put32(out, HEADER_BYTES_AFTER_RIFF_SIZE + dataBytes);
    out.write("WAVEfmt ", 8);
    Put32(out, FORMAT_CHUNK_SIZE);
    Put16(out, FORMAT_PCM);
    Put16(out, static_cast<uint16_t>(channels));
    Put32(out, static_cast<uint32_t>(rate));
    Put32(out, static_cast<uint32_t>(rate * channels * BYTES_PER_SAMPLE));
    Put16(out, static_cast<uint16_t>(channels * BYTES_PER_SAMPLE));
    Put16(out, BITS_PER_SAMPLE);
    out.write("data", 4);
    Put32(out, dataBytes);
    for (int16_t sample : samples)
        Put16(out, static_cast<uint16_t>(sample));
}

std::vector<int16_t> MakeTone(int rate, double seconds, double frequency, double amplitude)
{
    const double twoPi = 6.283185307179586;
    const size_t count = static_cast<size_t>(rate * seconds);
    std::vector<int16_t> samples(count);
    for (size_t i = 0; i < count; ++i)
        samples[i] = static_cast<int16_t>(amplitude * 32767.0 * std::sin(twoPi * frequency * i / rate));
    return samples;
}
