#include "platform/fsound/ChannelPool.h"

#include <AL/alext.h>

namespace {

// Handles stay positive: the generation takes the bits above the slot index.
const uint32_t GENERATION_LIMIT = 1u << (31 - ChannelPool::INDEX_BITS);

float VolumeToGain(int volume)
{
    return static_cast<float>(volume) / static_cast<float>(ChannelPool::MAX_VOLUME);
}

} // namespace

ChannelPool::~ChannelPool()
{
    Destroy();
}

bool ChannelPool::Create(int count)
{
    Destroy();
    if (count < 1 || count > MAX_CHANNELS)
        return false;

    alGetError();
    for (int i = 0; i < count; ++i) {
        SoundChannel channel;
        alGenSources(1, &channel.m_Source);
        if (alGetError() != AL_NO_ERROR)
            break;
        m_Channels.push_back(channel);
    }
    return !m_Channels.empty();
}

void ChannelPool::Destroy()
{
    for (SoundChannel& channel : m_Channels) {
        alSourceStop(channel.m_Source);
        alSourcei(channel.m_Source, AL_BUFFER, 0);
        alDeleteSources(1, &channel.m_Source);
    }
    m_Channels.clear();
    m_MasterVolume = MAX_VOLUME;
}

int ChannelPool::MakeHandle(size_t index) const
{
    return static_cast<int>((m_Channels[index].m_Generation << INDEX_BITS) | index);
}

bool ChannelPool::IsFree(const SoundChannel& channel) const
{
    return !channel.m_bAllocated || !IsActive(channel);
}

bool ChannelPool::IsActive(const SoundChannel& channel) const
{
    if (!channel.m_bAllocated)
        return false;
    if (channel.m_StreamId != 0 || channel.m_bPaused)
        return true;
    ALint state = AL_STOPPED;
    alGetSourcei(channel.m_Source, AL_SOURCE_STATE, &state);
    return state == AL_PLAYING || state == AL_PAUSED;
}

SoundChannel* ChannelPool::FindVictim(int priority)
{
    SoundChannel* victim = nullptr;
    for (SoundChannel& channel : m_Channels) {
        if (channel.m_StreamId != 0 || channel.m_Priority > priority)
            continue;
        if (!victim || channel.m_Priority < victim->m_Priority)
            victim = &channel;
    }
    return victim;
}

int ChannelPool::Allocate(int priority)
{
    SoundChannel* chosen = nullptr;
    for (SoundChannel& channel : m_Channels) {
        if (IsFree(channel)) {
            chosen = &channel;
            break;
        }
    }
    if (!chosen)
        chosen = FindVictim(priority);
    if (!chosen)
        return -1;

    StopSource(*chosen);
    const ALuint source = chosen->m_Source;
    const uint32_t generation = chosen->m_Generation + 1 < GENERATION_LIMIT ? chosen->m_Generation + 1 : 1;
    *chosen = SoundChannel();
    chosen->m_Source = source;
    chosen->m_Generation = generation;
    chosen->m_bAllocated = true;
    chosen->m_Volume = MAX_VOLUME;
    chosen->m_Priority = priority;

    alSourcef(source, AL_PITCH, 1.0f);
    alSourcei(source, AL_LOOPING, AL_FALSE);
    alSourcei(source, AL_DIRECT_CHANNELS_SOFT, AL_FALSE);
    alSource3f(source, AL_VELOCITY, 0.0f, 0.0f, 0.0f);
    ApplyGain(*chosen);
    return MakeHandle(static_cast<size_t>(chosen - m_Channels.data()));
}

SoundChannel* ChannelPool::Find(int handle)
{
    if (handle < 0)
        return nullptr;
    const uint32_t index = static_cast<uint32_t>(handle) & (MAX_CHANNELS - 1);
    const uint32_t generation = static_cast<uint32_t>(handle) >> INDEX_BITS;
    if (index >= m_Channels.size())
        return nullptr;
    SoundChannel& channel = m_Channels[index];
    if (!channel.m_bAllocated || channel.m_Generation != generation)
        return nullptr;
    return &channel;
}

void ChannelPool::Release(SoundChannel& channel)
{
    StopSource(channel);
    channel.m_bAllocated = false;
    channel.m_bPaused = false;
    channel.m_StreamId = 0;
}

void ChannelPool::StopSource(SoundChannel& channel)
{
    // Rewound rather than stopped: a source left stopped would not start
    // again on being unpaused.
    alSourceRewind(channel.m_Source);
    alSourcei(channel.m_Source, AL_BUFFER, 0);
}

void ChannelPool::SetMasterVolume(int volume)
{
    m_MasterVolume = volume;
    for (SoundChannel& channel : m_Channels) {
        if (channel.m_bAllocated)
            ApplyGain(channel);
    }
}

void ChannelPool::ApplyGain(SoundChannel& channel) const
{
    float gain = VolumeToGain(channel.m_Volume);
    if (!channel.m_bAbsoluteVolume)
        gain *= VolumeToGain(m_MasterVolume);
    alSourcef(channel.m_Source, AL_GAIN, gain);
}

void ChannelPool::PlaceAtListener(SoundChannel& channel, bool is3D, float minDistance, float maxDistance)
{
    const ALuint source = channel.m_Source;
    channel.m_b3D = is3D;
    alSourcei(source, AL_SOURCE_RELATIVE, AL_TRUE);
    alSource3f(source, AL_POSITION, 0.0f, 0.0f, 0.0f);
    alSourcef(source, AL_ROLLOFF_FACTOR, is3D ? 1.0f : 0.0f);
    alSourcef(source, AL_REFERENCE_DISTANCE, minDistance);
    alSourcef(source, AL_MAX_DISTANCE, maxDistance);
}

int ChannelPool::GetPlayingCount() const
{
    int count = 0;
    for (const SoundChannel& channel : m_Channels) {
        if (IsActive(channel) && !channel.m_bPaused)
            ++count;
    }
    return count;
}
