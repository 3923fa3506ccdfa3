#include "Sound/RecordingFSound.h"

#include <cstdint>
#include <sstream>

#include "platform/fsound/FSoundPlatform.h"

namespace {

// Handles print as A<n> (samples), S<n> (streams) and null.
std::string Name(const void* handle, char prefix)
{
    if (!handle)
        return "null";
    return prefix + std::to_string(reinterpret_cast<uintptr_t>(handle));
}

std::string Vector(const float* v)
{
    if (!v)
        return "null";
    std::ostringstream out;
    out << "(" << v[0] << " " << v[1] << " " << v[2] << ")";
    return out.str();
}

template <typename... Args>
std::string Call(const char* name, const Args&... args)
{
    std::ostringstream out;
    out << name << "(";
    const char* separator = "";
    ((out << separator << args, separator = ","), ...);
    out << ")";
    return out.str();
}

void Copy(float* to, const float* from)
{
    if (!from)
        return;
    to[0] = from[0];
    to[1] = from[1];
    to[2] = from[2];
}

} // namespace

RecordingFSound::RecordingFSound()
{
    FSoundPlatform::SetBackend(this);
}

RecordingFSound::~RecordingFSound()
{
    FSoundPlatform::SetBackend(nullptr);
}

std::vector<std::string> RecordingFSound::TakeCalls()
{
    std::vector<std::string> calls;
    calls.swap(m_Calls);
    return calls;
}

int RecordingFSound::TakeCallCount(const std::string& name)
{
    return CountCalls(TakeCalls(), name);
}

int RecordingFSound::CountCalls(const std::vector<std::string>& calls, const std::string& name)
{
    int count = 0;
    for (const std::string& call : calls)
        count += call.compare(0, name.size() + 1, name + "(") == 0 ? 1 : 0;
    return count;
}

void RecordingFSound::Record(const std::string& call)
{
    m_Calls.push_back(call);
}

signed char RecordingFSound::SetMinHardwareChannels(int min)
{
    Record(Call("SetMinHardwareChannels", min));
    return TRUE;
}

signed char RecordingFSound::Init(int mixRate, int maxChannels, unsigned int flags)
{
    Record(Call("Init", mixRate, maxChannels, flags));
    if (m_InitResults.empty())
        return TRUE;
    const signed char result = m_InitResults.front();
    m_InitResults.pop_front();
    return result;
}

void RecordingFSound::Close()
{
    Record("Close()");
}

void RecordingFSound::Update()
{
    Record("Update()");
}

void RecordingFSound::SetSFXMasterVolume(int volume)
{
    Record(Call("SetSFXMasterVolume", volume));
}

signed char RecordingFSound::SetVolumeAbsolute(int channel, int volume)
{
    Record(Call("SetVolumeAbsolute", channel, volume));
    return TRUE;
}

signed char RecordingFSound::StopSound(int channel)
{
    Record(Call("StopSound", channel));
    return TRUE;
}

signed char RecordingFSound::SetPaused(int channel, signed char paused)
{
    Record(Call("SetPaused", channel, static_cast<int>(paused)));
    return TRUE;
}

signed char RecordingFSound::SetLoopMode(int channel, unsigned int loopMode)
{
    Record(Call("SetLoopMode", channel, loopMode));
    return TRUE;
}

signed char RecordingFSound::SetFrequency(int channel, int frequency)
{
    Record(Call("SetFrequency", channel, frequency));
    return TRUE;
}

signed char RecordingFSound::IsPlaying(int channel)
{
    Record(Call("IsPlaying", channel));
    return m_bPlaying;
}

int RecordingFSound::GetChannelsPlaying()
{
    Record("GetChannelsPlaying()");
    return 0;
}

FSOUND_SAMPLE* RecordingFSound::SampleLoad(int index, const char* name, unsigned int mode, int offset, int length)
{
    std::ostringstream hexMode;
    hexMode << std::hex << "0x" << mode;
    Record(Call("Sample_Load", index, name, hexMode.str(), offset, length));
    if (m_MissingFiles.count(name))
        return nullptr;
    return reinterpret_cast<FSOUND_SAMPLE*>(static_cast<uintptr_t>(m_NextSample++));
}

signed char RecordingFSound::SampleSetDefaults(FSOUND_SAMPLE* sample, int frequency, int volume, int pan,
                                               int priority)
{
    Record(Call("Sample_SetDefaults", Name(sample, 'A'), frequency, volume, pan, priority));
    return TRUE;
}

signed char RecordingFSound::SampleSetMinMaxDistance(FSOUND_SAMPLE* sample, float minDistance, float maxDistance)
{
    Record(Call("Sample_SetMinMaxDistance", Name(sample, 'A'), minDistance, maxDistance));
    return TRUE;
}

int RecordingFSound::PlaySoundEx(int channel, FSOUND_SAMPLE* sample, FSOUND_DSPUNIT* dsp, signed char startPaused)
{
    Record(Call("PlaySoundEx", channel, Name(sample, 'A'), Name(dsp, 'D'), static_cast<int>(startPaused)));
    return m_NextChannel++;
}

void RecordingFSound::SetListenerAttributes(const float* position, const float* velocity, float forwardX,
                                            float forwardY, float forwardZ, float topX, float topY, float topZ)
{
    Record("3D_Listener_SetAttributes()");
    Copy(m_ListenerPosition, position);
    Copy(m_ListenerVelocity, velocity);
    const float forward[] = {forwardX, forwardY, forwardZ};
    const float top[] = {topX, topY, topZ};
    Copy(m_ListenerForward, forward);
    Copy(m_ListenerTop, top);
}

signed char RecordingFSound::Set3DAttributes(int channel, const float* position, const float* velocity)
{
    Record(Call("3D_SetAttributes", channel, Vector(position), Vector(velocity)));
    return TRUE;
}

signed char RecordingFSound::Set3DMinMaxDistance(int channel, float minDistance, float maxDistance)
{
    Record(Call("3D_SetMinMaxDistance", channel, minDistance, maxDistance));
    return TRUE;
}

FSOUND_STREAM* RecordingFSound::StreamOpen(const char* name, unsigned int mode, int offset, int length)
{
    Record(Call("Stream_Open", name, mode, offset, length));
    if (m_MissingFiles.count(name))
        return nullptr;
    return reinterpret_cast<FSOUND_STREAM*>(static_cast<uintptr_t>(m_NextStream++));
}

int RecordingFSound::StreamPlay(int channel, FSOUND_STREAM* stream)
{
    Record(Call("Stream_Play", channel, Name(stream, 'S')));
    if (m_StreamPlayResults.empty())
        return m_NextChannel++;
    const int result = m_StreamPlayResults.front();
    m_StreamPlayResults.pop_front();
    return result;
}

signed char RecordingFSound::StreamStop(FSOUND_STREAM* stream)
{
    Record(Call("Stream_Stop", Name(stream, 'S')));
    return TRUE;
}

signed char RecordingFSound::StreamClose(FSOUND_STREAM* stream)
{
    Record(Call("Stream_Close", Name(stream, 'S')));
    return TRUE;
}

int RecordingFSound::StreamGetLength(FSOUND_STREAM* stream)
{
    Record(Call("Stream_GetLength", Name(stream, 'S')));
    return 0;
}

int RecordingFSound::StreamGetLengthMs(FSOUND_STREAM* stream)
{
    Record(Call("Stream_GetLengthMs", Name(stream, 'S')));
    return m_StreamLengthMs;
}

int RecordingFSound::StreamGetTime(FSOUND_STREAM* stream)
{
    Record(Call("Stream_GetTime", Name(stream, 'S')));
    return 0;
}

signed char RecordingFSound::StreamSetTime(FSOUND_STREAM* stream, int milliseconds)
{
    Record(Call("Stream_SetTime", Name(stream, 'S'), milliseconds));
    return TRUE;
}

signed char RecordingFSound::StreamSetMode(FSOUND_STREAM* stream, unsigned int mode)
{
    Record(Call("Stream_SetMode", Name(stream, 'S'), mode));
    return TRUE;
}

signed char RecordingFSound::StreamSetEndCallback(FSOUND_STREAM* stream, FSOUND_STREAMCALLBACK callback,
                                                  void* userData)
{
    Record(Call("Stream_SetEndCallback", Name(stream, 'S'), callback ? "callback" : "null",
                userData ? "data" : "null"));
    m_EndCallbacks[stream] = {callback, userData};
    return TRUE;
}

bool RecordingFSound::EndStream(FSOUND_STREAM* stream)
{
    const auto found = m_EndCallbacks.find(stream);
    if (found == m_EndCallbacks.end() || found->second.first == nullptr)
        return false;
    found->second.first(stream, nullptr, 0, found->second.second);
    return true;
}

signed char RecordingFSound::StreamSetBufferSize(int milliseconds)
{
    Record(Call("Stream_SetBufferSize", milliseconds));
    return TRUE;
}

signed char RecordingFSound::StreamNetSetBufferProperties(int bufferSize, int prebufferPercent, int rebufferPercent)
{
    Record(Call("Stream_Net_SetBufferProperties", bufferSize, prebufferPercent, rebufferPercent));
    return TRUE;
}
