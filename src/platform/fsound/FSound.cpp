// The FSOUND entry points: each hands its call to the backend in use.

#include "platform/fsound/FSound.h"

#include "platform/fsound/FSoundBackend.h"
#include "platform/fsound/FSoundPlatform.h"
#include "platform/fsound/OpenALSound.h"

namespace {

OpenALSound& TheOpenALSound()
{
    static OpenALSound s_OpenAL;
    return s_OpenAL;
}

FSoundBackend* s_pBackend = nullptr;

FSoundBackend& Backend()
{
    return s_pBackend ? *s_pBackend : TheOpenALSound();
}

} // namespace

namespace FSoundPlatform {

void SetBackend(FSoundBackend* backend)
{
    s_pBackend = backend;
}

void SetDeviceName(const char* name)
{
    TheOpenALSound().SetDeviceName(name);
}

void UseLoopback(bool use)
{
    TheOpenALSound().UseLoopback(use);
}

Output GetOutput()
{
    return TheOpenALSound().GetOutput();
}

bool RenderLoopback(float* frames, int frameCount)
{
    return TheOpenALSound().RenderLoopback(frames, frameCount);
}

bool WaitForStreams()
{
    return TheOpenALSound().WaitForStreams();
}

} // namespace FSoundPlatform

signed char FSOUND_SetMinHardwareChannels(int min)
{
    return Backend().SetMinHardwareChannels(min);
}

signed char FSOUND_Init(int mixRate, int maxChannels, unsigned int flags)
{
    return Backend().Init(mixRate, maxChannels, flags);
}

void FSOUND_Close()
{
    Backend().Close();
}

void FSOUND_Update()
{
    Backend().Update();
}

void FSOUND_SetSFXMasterVolume(int volume)
{
    Backend().SetSFXMasterVolume(volume);
}

signed char FSOUND_SetVolumeAbsolute(int channel, int volume)
{
    return Backend().SetVolumeAbsolute(channel, volume);
}

signed char FSOUND_StopSound(int channel)
{
    return Backend().StopSound(channel);
}

signed char FSOUND_SetPaused(int channel, signed char paused)
{
    return Backend().SetPaused(channel, paused);
}

signed char FSOUND_SetLoopMode(int channel, unsigned int loopMode)
{
    return Backend().SetLoopMode(channel, loopMode);
}

signed char FSOUND_SetFrequency(int channel, int frequency)
{
    return Backend().SetFrequency(channel, frequency);
}

signed char FSOUND_IsPlaying(int channel)
{
    return Backend().IsPlaying(channel);
}

int FSOUND_GetChannelsPlaying()
{
    return Backend().GetChannelsPlaying();
}

FSOUND_SAMPLE* FSOUND_Sample_Load(int index, const char* name, unsigned int mode, int offset, int length)
{
    return Backend().SampleLoad(index, name, mode, offset, length);
}

signed char FSOUND_Sample_SetDefaults(FSOUND_SAMPLE* sample, int frequency, int volume, int pan, int priority)
{
    return Backend().SampleSetDefaults(sample, frequency, volume, pan, priority);
}

signed char FSOUND_Sample_SetMinMaxDistance(FSOUND_SAMPLE* sample, float minDistance, float maxDistance)
{
    return Backend().SampleSetMinMaxDistance(sample, minDistance, maxDistance);
}

int FSOUND_PlaySoundEx(int channel, FSOUND_SAMPLE* sample, FSOUND_DSPUNIT* dsp, signed char startPaused)
{
    return Backend().PlaySoundEx(channel, sample, dsp, startPaused);
}

void FSOUND_3D_Listener_SetAttributes(const float* position, const float* velocity, float forwardX,
                                      float forwardY, float forwardZ, float topX, float topY, float topZ)
{
    Backend().SetListenerAttributes(position, velocity, forwardX, forwardY, forwardZ, topX, topY, topZ);
}

signed char FSOUND_3D_SetAttributes(int channel, const float* position, const float* velocity)
{
    return Backend().Set3DAttributes(channel, position, velocity);
}

signed char FSOUND_3D_SetMinMaxDistance(int channel, float minDistance, float maxDistance)
{
    return Backend().Set3DMinMaxDistance(channel, minDistance, maxDistance);
}

FSOUND_STREAM* FSOUND_Stream_Open(const char* name, unsigned int mode, int offset, int length)
{
    return Backend().StreamOpen(name, mode, offset, length);
}

int FSOUND_Stream_Play(int channel, FSOUND_STREAM* stream)
{
    return Backend().StreamPlay(channel, stream);
}

signed char FSOUND_Stream_Stop(FSOUND_STREAM* stream)
{
    return Backend().StreamStop(stream);
}

signed char FSOUND_Stream_Close(FSOUND_STREAM* stream)
{
    return Backend().StreamClose(stream);
}

int FSOUND_Stream_GetLength(FSOUND_STREAM* stream)
{
    return Backend().StreamGetLength(stream);
}

int FSOUND_Stream_GetLengthMs(FSOUND_STREAM* stream)
{
    return Backend().StreamGetLengthMs(stream);
}

int FSOUND_Stream_GetTime(FSOUND_STREAM* stream)
{
    return Backend().StreamGetTime(stream);
}

signed char FSOUND_Stream_SetTime(FSOUND_STREAM* stream, int milliseconds)
{
    return Backend().StreamSetTime(stream, milliseconds);
}

signed char FSOUND_Stream_SetMode(FSOUND_STREAM* stream, unsigned int mode)
{
    return Backend().StreamSetMode(stream, mode);
}

signed char FSOUND_Stream_SetEndCallback(FSOUND_STREAM* stream, FSOUND_STREAMCALLBACK callback, void* userData)
{
    return Backend().StreamSetEndCallback(stream, callback, userData);
}

signed char FSOUND_Stream_SetBufferSize(int milliseconds)
{
    return Backend().StreamSetBufferSize(milliseconds);
}

signed char FSOUND_Stream_Net_SetBufferProperties(int bufferSize, int prebufferPercent, int rebufferPercent)
{
    return Backend().StreamNetSetBufferProperties(bufferSize, prebufferPercent, rebufferPercent);
}
