#pragma once
// The FSOUND calls over OpenAL Soft and libsndfile. One lock guards the
// channels, samples and streams; the stream thread takes it only for short
// steps and decodes without it, and the game thread never decodes a stream.

#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "platform/fsound/AudioOutput.h"
#include "platform/fsound/ChannelPool.h"
#include "platform/fsound/FSoundBackend.h"
#include "platform/fsound/SoundSample.h"
#include "platform/fsound/SoundStream.h"
#include "platform/fsound/StreamThread.h"

class OpenALSound : public FSoundBackend {
public:
    enum {
        MIN_MIX_RATE = 8000,
        MAX_MIX_RATE = 192000,
        DEFAULT_STREAM_BUFFER_MILLISECONDS = 200,
        MIN_STREAM_BUFFER_MILLISECONDS = 10,
        MAX_STREAM_BUFFER_MILLISECONDS = 10000,
    };

    OpenALSound() = default;
    ~OpenALSound() override;
    OpenALSound(const OpenALSound&) = delete;
    OpenALSound& operator=(const OpenALSound&) = delete;

    signed char SetMinHardwareChannels(int min) override;
    signed char Init(int mixRate, int maxChannels, unsigned int flags) override;
    void Close() override;
    void Update() override;
    void SetSFXMasterVolume(int volume) override;
    signed char SetVolumeAbsolute(int channel, int volume) override;
    signed char StopSound(int channel) override;
    signed char SetPaused(int channel, signed char paused) override;
    signed char SetLoopMode(int channel, unsigned int loopMode) override;
    signed char SetFrequency(int channel, int frequency) override;
    signed char IsPlaying(int channel) override;
    int GetChannelsPlaying() override;

    FSOUND_SAMPLE* SampleLoad(int index, const char* name, unsigned int mode, int offset, int length) override;
    signed char SampleSetDefaults(FSOUND_SAMPLE* sample, int frequency, int volume, int pan, int priority) override;
    signed char SampleSetMinMaxDistance(FSOUND_SAMPLE* sample, float minDistance, float maxDistance) override;
    int PlaySoundEx(int channel, FSOUND_SAMPLE* sample, FSOUND_DSPUNIT* dsp, signed char startPaused) override;

    void SetListenerAttributes(const float* position, const float* velocity, float forwardX, float forwardY,
                               float forwardZ, float topX, float topY, float topZ) override;
    signed char Set3DAttributes(int channel, const float* position, const float* velocity) override;
    signed char Set3DMinMaxDistance(int channel, float minDistance, float maxDistance) override;

    FSOUND_STREAM* StreamOpen(const char* name, unsigned int mode, int offset, int length) override;
    int StreamPlay(int channel, FSOUND_STREAM* stream) override;
    signed char StreamStop(FSOUND_STREAM* stream) override;
    signed char StreamClose(FSOUND_STREAM* stream) override;
    int StreamGetLength(FSOUND_STREAM* stream) override;
    int StreamGetLengthMs(FSOUND_STREAM* stream) override;
    int StreamGetTime(FSOUND_STREAM* stream) override;
    signed char StreamSetTime(FSOUND_STREAM* stream, int milliseconds) override;
    signed char StreamSetMode(FSOUND_STREAM* stream, unsigned int mode) override;
    signed char StreamSetEndCallback(FSOUND_STREAM* stream, FSOUND_STREAMCALLBACK callback, void* userData) override;
    signed char StreamSetBufferSize(int milliseconds) override;
    signed char StreamNetSetBufferProperties(int bufferSize, int prebufferPercent, int rebufferPercent) override;

    // Test hooks (FSoundPlatform).
    void SetDeviceName(const char* name);
    void UseLoopback(bool use);
    FSoundPlatform::Output GetOutput();
    bool RenderLoopback(float* frames, int frameCount);
    bool WaitForStreams();

private:
    SoundSample* FindSample(FSOUND_SAMPLE* handle);
    std::shared_ptr<SoundStream> FindStream(FSOUND_STREAM* handle);
    // A stream's channel (which may play it or wait for its data), or null.
    SoundChannel* FindStreamChannel(const SoundStream& stream);
    void StopChannel(SoundChannel& channel);
    void HaltStream(SoundStream& stream, int64_t restartFrame);
    void PlayIfStalled(SoundStream& stream);

    // The stream thread's pass.
    void RefillStreams();
    void RefillStream(const std::shared_ptr<SoundStream>& stream);

    std::mutex m_Lock;
    bool m_bOpen = false;
    AudioOutput m_Output;
    ChannelPool m_Channels;
    std::map<uint64_t, std::unique_ptr<SoundSample>> m_Samples;
    std::map<uint64_t, std::shared_ptr<SoundStream>> m_Streams;
    // Handles are never reused, so a handle kept after its close finds nothing.
    uint64_t m_NextHandle = 1;
    int m_StreamBufferMilliseconds = DEFAULT_STREAM_BUFFER_MILLISECONDS;
    StreamThread m_StreamThread;

    AudioOutput::Settings m_OutputSettings;
};
