#pragma once
// Reads a sound file (WAV, OGG, FLAC, MP3: whatever libsndfile decodes) as
// interleaved signed 16-bit frames.

#include <cstdint>
#include <string>
#include <vector>

struct sf_private_tag;

class SoundDecoder {
public:
    enum {
        MIN_RATE = 1000,
        MAX_RATE = 384000,
        MAX_CHANNELS = 8,
    };

    SoundDecoder() = default;
    ~SoundDecoder();
    SoundDecoder(const SoundDecoder&) = delete;
    SoundDecoder& operator=(const SoundDecoder&) = delete;

    // Opens a game path. False when the file cannot be read or its rate or
    // channel count is out of range.
    bool Open(const std::string& gamePath);

    int GetChannels() const { return m_Channels; }
    int GetRate() const { return m_Rate; }
    // As the file's header gives it; 0 when unknown.
    int64_t GetFrameCount() const { return m_FrameCount; }

    // Reads up to `frameCount` frames into `frames`; the number read, 0 at the end.
    int64_t Read(int16_t* frames, int64_t frameCount);
    bool Seek(int64_t frame);

    // The whole file, at most `maxFrames` frames of it. Empty on a read error.
    std::vector<int16_t> ReadAll(int64_t maxFrames);

private:
    sf_private_tag* m_pFile = nullptr;
    int m_Channels = 0;
    int m_Rate = 0;
    int64_t m_FrameCount = 0;
};

// Averages each frame's channels into one.
std::vector<int16_t> MixToMono(const std::vector<int16_t>& frames, int channels);
