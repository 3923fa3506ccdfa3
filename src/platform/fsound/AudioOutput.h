#pragma once
// Where the mix goes: the sound device when one opens, else OpenAL's loopback
// device mixed in real time by a thread of our own and thrown away, so that a
// machine without sound plays the game with the same timing, only silently.
// Tests ask for the loopback device mixed on demand.

#include <atomic>
#include <string>
#include <thread>

#include <AL/alc.h>

#include "platform/fsound/FSoundPlatform.h"

class AudioOutput {
public:
    struct Settings {
        int m_MixRate = 0;
        // Empty for the default device.
        std::string m_DeviceName;
        bool m_bLoopback = false;
    };

    ~AudioOutput();

    // Opens the output and makes its context current.
    bool Open(const Settings& settings);
    void Close();

    FSoundPlatform::Output GetKind() const { return m_Kind; }
    // Loopback output only: mixes `frameCount` float stereo frames.
    bool Render(float* frames, int frameCount);

private:
    bool OpenDevice(const Settings& settings);
    bool OpenLoopback(int mixRate, ALCenum sampleType);
    bool CreateContext(const ALCint* attributes);
    void RunSilentMixer(int mixRate);

    ALCdevice* m_pDevice = nullptr;
    ALCcontext* m_pContext = nullptr;
    FSoundPlatform::Output m_Kind = FSoundPlatform::Output::None;
    std::thread m_SilentMixer;
    std::atomic<bool> m_bStopMixer{false};
};
