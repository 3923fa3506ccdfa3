#include "platform/fsound/SoundSample.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "platform/fsound/ChannelPool.h"
#include "platform/fsound/SoundDecoder.h"

namespace {

// Ten minutes at 48 kHz: a sample is an effect held in memory, not a song.
const int64_t MAX_SAMPLE_FRAMES = 10 * 60 * 48000;

} // namespace

SoundSample::~SoundSample()
{
    if (m_Buffer)
        alDeleteBuffers(1, &m_Buffer);
}

std::unique_ptr<SoundSample::Pcm> SoundSample::Decode(const std::string& gamePath, bool forceMono)
{
    SoundDecoder decoder;
    if (!decoder.Open(gamePath))
        return nullptr;

    std::unique_ptr<Pcm> pcm(new Pcm());
    pcm->m_Frames = decoder.ReadAll(MAX_SAMPLE_FRAMES);
    pcm->m_Channels = decoder.GetChannels();
    pcm->m_Rate = decoder.GetRate();
    if (pcm->m_Frames.empty())
        return nullptr;

    // OpenAL takes one or two channels; a 3D sound must be mono to be placed.
    if (forceMono || pcm->m_Channels > 2) {
        pcm->m_Frames = MixToMono(pcm->m_Frames, pcm->m_Channels);
        pcm->m_Channels = 1;
    }
    return pcm;
}

std::unique_ptr<SoundSample> SoundSample::Create(const Pcm& pcm, bool is3D, bool loops)
{
    const ALenum format = pcm.m_Channels == 1 ? AL_FORMAT_MONO16 : AL_FORMAT_STEREO16;
    const size_t bytes = pcm.m_Frames.size() * sizeof(int16_t);
    if (bytes > static_cast<size_t>(INT32_MAX))
        return nullptr;

    std::unique_ptr<SoundSample> sample(new SoundSample());
    alGetError();
    alGenBuffers(1, &sample->m_Buffer);
    if (alGetError() != AL_NO_ERROR) {
        sample->m_Buffer = 0;
        return nullptr;
    }
    alBufferData(sample->m_Buffer, format, pcm.m_Frames.data(), static_cast<ALsizei>(bytes), pcm.m_Rate);
    if (alGetError() != AL_NO_ERROR)
        return nullptr;

    sample->m_Rate = pcm.m_Rate;
    sample->m_Frequency = pcm.m_Rate;
    sample->m_b3D = is3D;
    sample->m_bLoops = loops;
    return sample;
}

void SoundSample::SetDefaults(int frequency, int volume, int /*pan*/, int priority)
{
    if (frequency > 0)
        m_Frequency = frequency;
    if (volume >= 0)
        m_Volume = std::min(volume, static_cast<int>(ChannelPool::MAX_VOLUME));
    if (priority >= 0)
        m_Priority = std::min(priority, static_cast<int>(ChannelPool::MAX_PRIORITY));
}

bool SoundSample::SetMinMaxDistance(float minDistance, float maxDistance)
{
    if (!IsValidDistanceRange(minDistance, maxDistance))
        return false;
    m_MinDistance = minDistance;
    m_MaxDistance = maxDistance;
    return true;
}

bool IsValidDistanceRange(float minDistance, float maxDistance)
{
    return std::isfinite(minDistance) && std::isfinite(maxDistance) && minDistance > 0.0f &&
           maxDistance >= minDistance;
}
