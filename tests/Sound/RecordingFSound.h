#pragma once
// A stand-in for the whole FSOUND interface that writes down every call, for
// tests of the game's sound code. It installs itself for its lifetime.

#include <deque>
#include <map>
#include <utility>
#include <set>
#include <string>
#include <vector>

#include "platform/fsound/FSoundBackend.h"

class RecordingFSound : public FSoundBackend {
public:
    RecordingFSound();
    ~RecordingFSound() override;

    // The calls since the last TakeCalls, e.g. "Stream_Play(-1,S1)".
    std::vector<std::string> TakeCalls();
    // How many of them were calls of `name`, e.g. "PlaySoundEx".
    int TakeCallCount(const std::string& name);
    // How many of `calls` were calls of `name`.
    static int CountCalls(const std::vector<std::string>& calls, const std::string& name);
    // Runs the end callback last set on `stream`, as its end would; false
    // when it has none.
    bool EndStream(FSOUND_STREAM* stream);

    // Results to give. Init takes its results from the front of the queue
    // (TRUE when empty); the stream plays likewise (a fresh channel when empty).
    std::deque<signed char> m_InitResults;
    std::deque<int> m_StreamPlayResults;
    std::set<std::string> m_MissingFiles;
    int m_StreamLengthMs = 0;
    signed char m_bPlaying = TRUE;

    // The last listener given.
    float m_ListenerPosition[3] = {};
    float m_ListenerVelocity[3] = {};
    float m_ListenerForward[3] = {};
    float m_ListenerTop[3] = {};

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

private:
    void Record(const std::string& call);

    std::vector<std::string> m_Calls;
    std::map<FSOUND_STREAM*, std::pair<FSOUND_STREAMCALLBACK, void*>> m_EndCallbacks;
    int m_NextChannel = 1;
    int m_NextSample = 1;
    int m_NextStream = 1;
};
