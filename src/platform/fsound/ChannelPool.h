#pragma once
// The channels: one OpenAL source each, handed out as handles that carry the
// slot and how many times it has been taken, so that a handle kept after its
// channel was reused no longer finds it.

#include <cstddef>
#include <cstdint>
#include <vector>

#include <AL/al.h>

struct SoundChannel {
    ALuint m_Source = 0;
    uint32_t m_Generation = 0;
    bool m_bAllocated = false;
    bool m_bPaused = false;
    bool m_b3D = false;
    bool m_bAbsoluteVolume = false;
    int m_Volume = 0;
    int m_Priority = 0;
    // The rate of what plays here; a frequency is a pitch relative to it.
    int m_NativeRate = 0;
    // The stream playing here, 0 for a sample.
    uint64_t m_StreamId = 0;
};

class ChannelPool {
public:
    enum {
        INDEX_BITS = 12,
        MAX_CHANNELS = 1 << INDEX_BITS,
        MAX_VOLUME = 255,
        MAX_PRIORITY = 255,
        // Above every sample's priority: streams take any channel and are never taken over.
        STREAM_PRIORITY = MAX_PRIORITY + 1,
    };

    ~ChannelPool();

    // Creates up to `count` sources; false when not even one can be had.
    bool Create(int count);
    void Destroy();

    // A free channel, else the busy sample channel of the lowest priority not
    // above `priority`, stopped and reset to defaults. The handle, or -1.
    int Allocate(int priority);
    // The allocated channel of a current handle, else null.
    SoundChannel* Find(int handle);
    void Release(SoundChannel& channel);

    // Playing, paused, or holding a stream (which may be waiting for data).
    bool IsActive(const SoundChannel& channel) const;
    // Stops the source and detaches what it plays; the channel stays allocated.
    void StopSource(SoundChannel& channel);

    void SetMasterVolume(int volume);
    void ApplyGain(SoundChannel& channel) const;
    // Plays at the listener's position, without falling off with distance (2D) or
    // with it once a position is given (3D).
    void PlaceAtListener(SoundChannel& channel, bool is3D, float minDistance, float maxDistance);

    std::vector<SoundChannel>& GetChannels() { return m_Channels; }
    int GetPlayingCount() const;

private:
    int MakeHandle(size_t index) const;
    bool IsFree(const SoundChannel& channel) const;
    SoundChannel* FindVictim(int priority);

    std::vector<SoundChannel> m_Channels;
    int m_MasterVolume = MAX_VOLUME;
};
