#pragma once
// What stands behind the FSOUND calls: every call forwards to one backend,
// OpenAL Soft normally, a recording fake in tests of the game's sound code.
// Each method is the FSOUND call of the same name.

#include "platform/fsound/FSound.h"

class FSoundBackend {
public:
    virtual ~FSoundBackend() = default;

    // Device and channels.
    virtual signed char SetMinHardwareChannels(int min) = 0;
    virtual signed char Init(int mixRate, int maxChannels, unsigned int flags) = 0;
    virtual void Close() = 0;
    virtual void Update() = 0;
    virtual void SetSFXMasterVolume(int volume) = 0;
    virtual signed char SetVolumeAbsolute(int channel, int volume) = 0;
    virtual signed char StopSound(int channel) = 0;
    virtual signed char SetPaused(int channel, signed char paused) = 0;
    virtual signed char SetLoopMode(int channel, unsigned int loopMode) = 0;
    virtual signed char SetFrequency(int channel, int frequency) = 0;
    virtual signed char IsPlaying(int channel) = 0;
    virtual int GetChannelsPlaying() = 0;

    // Samples.
    virtual FSOUND_SAMPLE* SampleLoad(int index, const char* name, unsigned int mode, int offset, int length) = 0;
    virtual signed char SampleSetDefaults(FSOUND_SAMPLE* sample, int frequency, int volume, int pan,
                                          int priority) = 0;
    virtual signed char SampleSetMinMaxDistance(FSOUND_SAMPLE* sample, float minDistance, float maxDistance) = 0;
    virtual int PlaySoundEx(int channel, FSOUND_SAMPLE* sample, FSOUND_DSPUNIT* dsp, signed char startPaused) = 0;

    // 3D.
    virtual void SetListenerAttributes(const float* position, const float* velocity, float forwardX,
                                       float forwardY, float forwardZ, float topX, float topY, float topZ) = 0;
    virtual signed char Set3DAttributes(int channel, const float* position, const float* velocity) = 0;
    virtual signed char Set3DMinMaxDistance(int channel, float minDistance, float maxDistance) = 0;

    // Streams.
    virtual FSOUND_STREAM* StreamOpen(const char* name, unsigned int mode, int offset, int length) = 0;
    virtual int StreamPlay(int channel, FSOUND_STREAM* stream) = 0;
    virtual signed char StreamStop(FSOUND_STREAM* stream) = 0;
    virtual signed char StreamClose(FSOUND_STREAM* stream) = 0;
    virtual int StreamGetLength(FSOUND_STREAM* stream) = 0;
    virtual int StreamGetLengthMs(FSOUND_STREAM* stream) = 0;
    virtual int StreamGetTime(FSOUND_STREAM* stream) = 0;
    virtual signed char StreamSetTime(FSOUND_STREAM* stream, int milliseconds) = 0;
    virtual signed char StreamSetMode(FSOUND_STREAM* stream, unsigned int mode) = 0;
    virtual signed char StreamSetEndCallback(FSOUND_STREAM* stream, FSOUND_STREAMCALLBACK callback,
                                             void* userData) = 0;
    virtual signed char StreamSetBufferSize(int milliseconds) = 0;
    virtual signed char StreamNetSetBufferProperties(int bufferSize, int prebufferPercent,
                                                     int rebufferPercent) = 0;
};
