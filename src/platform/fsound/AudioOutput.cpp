#include "platform/fsound/AudioOutput.h"

#include <chrono>
#include <cstdint>
#include <vector>

#define AL_ALEXT_PROTOTYPES
#include <AL/al.h>
#include <AL/alext.h>

namespace {

const int STEREO_CHANNELS = 2;
// The silent mixer wakes this often and mixes what the time since asked for.
const std::chrono::milliseconds SILENT_MIX_PERIOD(20);
// After a stall (a suspended process) it mixes no more than this at once and lets the rest go.
const std::chrono::milliseconds SILENT_MIX_CATCH_UP_LIMIT(200);

} // namespace

AudioOutput::~AudioOutput()
{
    Close();
}

bool AudioOutput::Open(const Settings& settings)
{
    Close();
    if (settings.m_bLoopback) {
        if (!OpenLoopback(settings.m_MixRate, ALC_FLOAT_SOFT))
            return false;
        m_Kind = FSoundPlatform::Output::Loopback;
        return true;
    }
    if (OpenDevice(settings)) {
        m_Kind = FSoundPlatform::Output::Device;
        return true;
    }
    if (!OpenLoopback(settings.m_MixRate, ALC_SHORT_SOFT))
        return false;
    m_Kind = FSoundPlatform::Output::Silent;
    m_bStopMixer = false;
    m_SilentMixer = std::thread(&AudioOutput::RunSilentMixer, this, settings.m_MixRate);
    return true;
}

void AudioOutput::Close()
{
    if (m_SilentMixer.joinable()) {
        m_bStopMixer = true;
        m_SilentMixer.join();
    }
    if (m_pContext) {
        alcMakeContextCurrent(nullptr);
        alcDestroyContext(m_pContext);
        m_pContext = nullptr;
    }
    if (m_pDevice) {
        alcCloseDevice(m_pDevice);
        m_pDevice = nullptr;
    }
    m_Kind = FSoundPlatform::Output::None;
}

bool AudioOutput::OpenDevice(const Settings& settings)
{
    const char* name = settings.m_DeviceName.empty() ? nullptr : settings.m_DeviceName.c_str();
    m_pDevice = alcOpenDevice(name);
    if (!m_pDevice)
        return false;
    const ALCint attributes[] = {ALC_FREQUENCY, settings.m_MixRate, 0};
    return CreateContext(attributes);
}

bool AudioOutput::OpenLoopback(int mixRate, ALCenum sampleType)
{
    m_pDevice = alcLoopbackOpenDeviceSOFT(nullptr);
    if (!m_pDevice)
        return false;
    if (!alcIsRenderFormatSupportedSOFT(m_pDevice, mixRate, ALC_STEREO_SOFT, sampleType)) {
        alcCloseDevice(m_pDevice);
        m_pDevice = nullptr;
        return false;
    }
    // Plain stereo panning: what is rendered must not depend on a listener's head.
    const ALCint attributes[] = {
        ALC_FORMAT_CHANNELS_SOFT, ALC_STEREO_SOFT, ALC_FORMAT_TYPE_SOFT, sampleType,
        ALC_FREQUENCY, mixRate, ALC_HRTF_SOFT, ALC_FALSE, 0,
    };
    return CreateContext(attributes);
}

bool AudioOutput::CreateContext(const ALCint* attributes)
{
    m_pContext = alcCreateContext(m_pDevice, attributes);
    if (!m_pContext || !alcMakeContextCurrent(m_pContext)) {
        if (m_pContext)
            alcDestroyContext(m_pContext);
        m_pContext = nullptr;
        alcCloseDevice(m_pDevice);
        m_pDevice = nullptr;
        return false;
    }
    alDistanceModel(AL_INVERSE_DISTANCE_CLAMPED);
    return true;
}

bool AudioOutput::Render(float* frames, int frameCount)
{
    if (m_Kind != FSoundPlatform::Output::Loopback || !frames || frameCount <= 0)
        return false;
    alcRenderSamplesSOFT(m_pDevice, frames, frameCount);
    return true;
}

void AudioOutput::RunSilentMixer(int mixRate)
{
    typedef std::chrono::steady_clock Clock;
    const int64_t periodFrames = static_cast<int64_t>(mixRate) * SILENT_MIX_PERIOD.count() / 1000;
    const int64_t limitFrames = static_cast<int64_t>(mixRate) * SILENT_MIX_CATCH_UP_LIMIT.count() / 1000;
    std::vector<int16_t> scratch(static_cast<size_t>(periodFrames * STEREO_CHANNELS));

    Clock::time_point mixedUntil = Clock::now();
    while (!m_bStopMixer) {
        std::this_thread::sleep_for(SILENT_MIX_PERIOD);
        const Clock::time_point now = Clock::now();
        const auto elapsed = std::chrono::duration_cast<std::chrono::microseconds>(now - mixedUntil);
        int64_t frames = elapsed.count() * mixRate / 1000000;
        if (frames > limitFrames) {
            frames = limitFrames;
            mixedUntil = now;
        } else {
            mixedUntil += std::chrono::microseconds(frames * 1000000 / mixRate);
        }
        while (frames > 0) {
            const int64_t chunk = frames < periodFrames ? frames : periodFrames;
            alcRenderSamplesSOFT(m_pDevice, scratch.data(), static_cast<ALCsizei>(chunk));
            frames -= chunk;
        }
    }
}
