#pragma once
// A sound file decoded whole into one OpenAL buffer, with the defaults that
// every play of it starts with.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <AL/al.h>

class SoundSample {
public:
    enum {
        DEFAULT_VOLUME = 255,
        DEFAULT_PRIORITY = 128,
    };
    static constexpr float DEFAULT_MIN_DISTANCE = 1.0f;
    static constexpr float DEFAULT_MAX_DISTANCE = 1.0e9f;

    ~SoundSample();
    SoundSample(const SoundSample&) = delete;
    SoundSample& operator=(const SoundSample&) = delete;

    // Decoded sound ready to go into a buffer; made without the audio lock, as
    // decoding a long file takes a while.
    struct Pcm {
        std::vector<int16_t> m_Frames;
        int m_Channels = 0;
        int m_Rate = 0;
    };
    static std::unique_ptr<Pcm> Decode(const std::string& gamePath, bool forceMono);
    // Creates the buffer (needs the audio context). Null on failure.
    static std::unique_ptr<SoundSample> Create(const Pcm& pcm, bool is3D, bool loops);

    ALuint GetBuffer() const { return m_Buffer; }
    int GetRate() const { return m_Rate; }
    bool Is3D() const { return m_b3D; }
    bool Loops() const { return m_bLoops; }

    // Negative values keep the current ones; the others are clamped. The pan
    // is not kept: every sample the game plays is 3D.
    void SetDefaults(int frequency, int volume, int pan, int priority);
    int GetFrequency() const { return m_Frequency; }
    int GetVolume() const { return m_Volume; }
    int GetPriority() const { return m_Priority; }

    bool SetMinMaxDistance(float minDistance, float maxDistance);
    float GetMinDistance() const { return m_MinDistance; }
    float GetMaxDistance() const { return m_MaxDistance; }

private:
    SoundSample() = default;

    ALuint m_Buffer = 0;
    int m_Rate = 0;
    bool m_b3D = false;
    bool m_bLoops = false;
    int m_Frequency = 0;
    int m_Volume = DEFAULT_VOLUME;
    int m_Priority = DEFAULT_PRIORITY;
    float m_MinDistance = DEFAULT_MIN_DISTANCE;
    float m_MaxDistance = DEFAULT_MAX_DISTANCE;
};

// Valid 3D distances: a positive finite minimum, a maximum not below it.
bool IsValidDistanceRange(float minDistance, float maxDistance);
