#include "platform/fsound/OpenALSound.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include <AL/alext.h>

namespace {

const int BYTES_PER_SAMPLE = 2;
const int64_t MILLISECONDS_PER_SECOND = 1000;

FSOUND_SAMPLE* ToSampleHandle(uint64_t id)
{
    return reinterpret_cast<FSOUND_SAMPLE*>(static_cast<uintptr_t>(id));
}

FSOUND_STREAM* ToStreamHandle(uint64_t id)
{
    return reinterpret_cast<FSOUND_STREAM*>(static_cast<uintptr_t>(id));
}

int ClampVolume(int volume)
{
    return std::clamp(volume, 0, static_cast<int>(ChannelPool::MAX_VOLUME));
}

int ClampToInt(int64_t value)
{
    return static_cast<int>(std::clamp<int64_t>(value, INT_MIN, INT_MAX));
}

bool IsFiniteVector(const float* v)
{
    return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]);
}

bool IsUsableDirection(float x, float y, float z)
{
    return std::isfinite(x) && std::isfinite(y) && std::isfinite(z) && (x != 0.0f || y != 0.0f || z != 0.0f);
}

bool IsNetworkAddress(const char* name)
{
    return std::strstr(name, "://") != nullptr;
}

// The game's space is left-handed with z forward, OpenAL's right-handed with
// z backward: mirroring z turns one into the other.
void SetSourceVector(ALuint source, ALenum parameter, const float* v)
{
    alSource3f(source, parameter, v[0], v[1], -v[2]);
}

} // namespace

OpenALSound::~OpenALSound()
{
    Close();
}

// --- Device and channels ---

signed char OpenALSound::SetMinHardwareChannels(int min)
{
    return min >= 0 ? TRUE : FALSE;
}

signed char OpenALSound::Init(int mixRate, int maxChannels, unsigned int /*flags*/)
{
    Close();
    if (mixRate < MIN_MIX_RATE || mixRate > MAX_MIX_RATE || maxChannels < 1 ||
        maxChannels > ChannelPool::MAX_CHANNELS)
        return FALSE;
    {
        std::lock_guard<std::mutex> lock(m_Lock);
        m_OutputSettings.m_MixRate = mixRate;
        if (!m_Output.Open(m_OutputSettings))
            return FALSE;
        if (!m_Channels.Create(maxChannels)) {
            m_Output.Close();
            return FALSE;
        }
        m_bOpen = true;
    }
    m_StreamThread.Start([this] { RefillStreams(); });
    return TRUE;
}

void OpenALSound::Close()
{
    // The stream thread takes the lock: it must be gone before the lock is held here.
    m_StreamThread.Stop();
    std::lock_guard<std::mutex> lock(m_Lock);
    if (!m_bOpen)
        return;
    for (auto& entry : m_Streams) {
        entry.second->Halt(0);
        entry.second->MarkClosed();
    }
    // Sources first: a buffer still attached to one cannot be deleted.
    m_Channels.Destroy();
    for (auto& entry : m_Streams)
        entry.second->DestroyBuffers();
    m_Streams.clear();
    m_Samples.clear();
    m_Output.Close();
    m_bOpen = false;
}

void OpenALSound::Update()
{
    std::vector<std::shared_ptr<SoundStream>> ended;
    {
        std::lock_guard<std::mutex> lock(m_Lock);
        for (auto& entry : m_Streams) {
            if (entry.second->TakeEnd())
                ended.push_back(entry.second);
        }
    }
    // Without the lock: a callback may close its stream, or any other.
    for (const std::shared_ptr<SoundStream>& stream : ended) {
        FSOUND_STREAMCALLBACK callback = nullptr;
        void* userData = nullptr;
        {
            std::lock_guard<std::mutex> lock(m_Lock);
            if (stream->IsClosed())
                continue;
            callback = stream->GetEndCallback();
            userData = stream->GetEndUserData();
        }
        if (callback)
            callback(ToStreamHandle(stream->GetId()), nullptr, 0, userData);
    }
}

void OpenALSound::SetSFXMasterVolume(int volume)
{
    std::lock_guard<std::mutex> lock(m_Lock);
    m_Channels.SetMasterVolume(ClampVolume(volume));
}

signed char OpenALSound::SetVolumeAbsolute(int channel, int volume)
{
    std::lock_guard<std::mutex> lock(m_Lock);
    SoundChannel* found = m_Channels.Find(channel);
    if (!found)
        return FALSE;
    found->m_Volume = ClampVolume(volume);
    found->m_bAbsoluteVolume = true;
    m_Channels.ApplyGain(*found);
    return TRUE;
}

void OpenALSound::StopChannel(SoundChannel& channel)
{
    if (channel.m_StreamId == 0) {
        m_Channels.Release(channel);
        return;
    }
    auto stream = m_Streams.find(channel.m_StreamId);
    if (stream != m_Streams.end())
        HaltStream(*stream->second, 0);
    else
        m_Channels.Release(channel);
}

signed char OpenALSound::StopSound(int channel)
{
    std::lock_guard<std::mutex> lock(m_Lock);
    if (channel == FSOUND_ALL) {
        for (SoundChannel& each : m_Channels.GetChannels()) {
            if (each.m_bAllocated)
                StopChannel(each);
        }
        return TRUE;
    }
    SoundChannel* found = m_Channels.Find(channel);
    if (!found)
        return FALSE;
    StopChannel(*found);
    return TRUE;
}

signed char OpenALSound::SetPaused(int channel, signed char paused)
{
    std::lock_guard<std::mutex> lock(m_Lock);
    SoundChannel* found = m_Channels.Find(channel);
    if (!found || !m_Channels.IsActive(*found))
        return FALSE;

    found->m_bPaused = paused != FALSE;
    if (found->m_bPaused) {
        alSourcePause(found->m_Source);
        return TRUE;
    }
    if (found->m_StreamId != 0) {
        auto stream = m_Streams.find(found->m_StreamId);
        if (stream != m_Streams.end())
            PlayIfStalled(*stream->second);
        return TRUE;
    }
    // A sample that has played out stays stopped.
    ALint state = AL_STOPPED;
    alGetSourcei(found->m_Source, AL_SOURCE_STATE, &state);
    if (state == AL_INITIAL || state == AL_PAUSED)
        alSourcePlay(found->m_Source);
    return TRUE;
}

signed char OpenALSound::SetLoopMode(int channel, unsigned int loopMode)
{
    std::lock_guard<std::mutex> lock(m_Lock);
    SoundChannel* found = m_Channels.Find(channel);
    if (!found || found->m_StreamId != 0)
        return FALSE;
    if (loopMode != FSOUND_LOOP_OFF && loopMode != FSOUND_LOOP_NORMAL)
        return FALSE;
    alSourcei(found->m_Source, AL_LOOPING, loopMode == FSOUND_LOOP_NORMAL ? AL_TRUE : AL_FALSE);
    return TRUE;
}

signed char OpenALSound::SetFrequency(int channel, int frequency)
{
    std::lock_guard<std::mutex> lock(m_Lock);
    SoundChannel* found = m_Channels.Find(channel);
    if (!found || frequency <= 0 || found->m_NativeRate <= 0)
        return FALSE;
    alSourcef(found->m_Source, AL_PITCH, static_cast<float>(frequency) / static_cast<float>(found->m_NativeRate));
    return TRUE;
}

signed char OpenALSound::IsPlaying(int channel)
{
    std::lock_guard<std::mutex> lock(m_Lock);
    SoundChannel* found = m_Channels.Find(channel);
    return found && m_Channels.IsActive(*found) ? TRUE : FALSE;
}

int OpenALSound::GetChannelsPlaying()
{
    std::lock_guard<std::mutex> lock(m_Lock);
    return m_Channels.GetPlayingCount();
}

// --- Samples ---

SoundSample* OpenALSound::FindSample(FSOUND_SAMPLE* handle)
{
    auto found = m_Samples.find(static_cast<uint64_t>(reinterpret_cast<uintptr_t>(handle)));
    return found != m_Samples.end() ? found->second.get() : nullptr;
}

FSOUND_SAMPLE* OpenALSound::SampleLoad(int index, const char* name, unsigned int mode, int offset, int length)
{
    if (index != FSOUND_FREE || !name || offset != 0 || length != 0)
        return nullptr;
    {
        std::lock_guard<std::mutex> lock(m_Lock);
        if (!m_bOpen)
            return nullptr;
    }

    // Decoded without the lock, so that loading does not hold up the streams.
    const bool is3D = (mode & FSOUND_HW3D) != 0;
    const bool forceMono = is3D || (mode & FSOUND_FORCEMONO) != 0;
    std::unique_ptr<SoundSample::Pcm> pcm = SoundSample::Decode(name, forceMono);
    if (!pcm)
        return nullptr;

    std::lock_guard<std::mutex> lock(m_Lock);
    if (!m_bOpen)
        return nullptr;
    std::unique_ptr<SoundSample> sample = SoundSample::Create(*pcm, is3D, (mode & FSOUND_LOOP_NORMAL) != 0);
    if (!sample)
        return nullptr;
    const uint64_t id = m_NextHandle++;
    m_Samples[id] = std::move(sample);
    return ToSampleHandle(id);
}

signed char OpenALSound::SampleSetDefaults(FSOUND_SAMPLE* sample, int frequency, int volume, int pan, int priority)
{
    std::lock_guard<std::mutex> lock(m_Lock);
    SoundSample* found = FindSample(sample);
    if (!found)
        return FALSE;
    found->SetDefaults(frequency, volume, pan, priority);
    return TRUE;
}

signed char OpenALSound::SampleSetMinMaxDistance(FSOUND_SAMPLE* sample, float minDistance, float maxDistance)
{
    std::lock_guard<std::mutex> lock(m_Lock);
    SoundSample* found = FindSample(sample);
    return found && found->SetMinMaxDistance(minDistance, maxDistance) ? TRUE : FALSE;
}

int OpenALSound::PlaySoundEx(int channel, FSOUND_SAMPLE* sample, FSOUND_DSPUNIT* dsp, signed char startPaused)
{
    if (channel != FSOUND_FREE || dsp)
        return -1;
    std::lock_guard<std::mutex> lock(m_Lock);
    SoundSample* found = FindSample(sample);
    if (!found)
        return -1;
    const int handle = m_Channels.Allocate(found->GetPriority());
    SoundChannel* playing = m_Channels.Find(handle);
    if (!playing)
        return -1;

    playing->m_NativeRate = found->GetRate();
    playing->m_Volume = found->GetVolume();
    m_Channels.ApplyGain(*playing);
    m_Channels.PlaceAtListener(*playing, found->Is3D(), found->GetMinDistance(), found->GetMaxDistance());
    const ALuint source = playing->m_Source;
    alSourcei(source, AL_BUFFER, static_cast<ALint>(found->GetBuffer()));
    alSourcei(source, AL_LOOPING, found->Loops() ? AL_TRUE : AL_FALSE);
    alSourcef(source, AL_PITCH, static_cast<float>(found->GetFrequency()) / static_cast<float>(found->GetRate()));
    if (startPaused)
        playing->m_bPaused = true;
    else
        alSourcePlay(source);
    return handle;
}

// --- 3D ---

void OpenALSound::SetListenerAttributes(const float* position, const float* velocity, float forwardX,
                                        float forwardY, float forwardZ, float topX, float topY, float topZ)
{
    std::lock_guard<std::mutex> lock(m_Lock);
    if (!m_bOpen)
        return;
    if (position && IsFiniteVector(position))
        alListener3f(AL_POSITION, position[0], position[1], -position[2]);
    if (velocity && IsFiniteVector(velocity))
        alListener3f(AL_VELOCITY, velocity[0], velocity[1], -velocity[2]);
    // A degenerate orientation would give the mixer no direction to pan by.
    if (!IsUsableDirection(forwardX, forwardY, forwardZ) || !IsUsableDirection(topX, topY, topZ))
        return;
    const ALfloat orientation[] = {forwardX, forwardY, -forwardZ, topX, topY, -topZ};
    alListenerfv(AL_ORIENTATION, orientation);
}

signed char OpenALSound::Set3DAttributes(int channel, const float* position, const float* velocity)
{
    std::lock_guard<std::mutex> lock(m_Lock);
    SoundChannel* found = m_Channels.Find(channel);
    if (!found || !found->m_b3D)
        return FALSE;
    if ((position && !IsFiniteVector(position)) || (velocity && !IsFiniteVector(velocity)))
        return FALSE;
    if (position) {
        alSourcei(found->m_Source, AL_SOURCE_RELATIVE, AL_FALSE);
        SetSourceVector(found->m_Source, AL_POSITION, position);
    }
    if (velocity)
        SetSourceVector(found->m_Source, AL_VELOCITY, velocity);
    return TRUE;
}

signed char OpenALSound::Set3DMinMaxDistance(int channel, float minDistance, float maxDistance)
{
    std::lock_guard<std::mutex> lock(m_Lock);
    SoundChannel* found = m_Channels.Find(channel);
    if (!found || !IsValidDistanceRange(minDistance, maxDistance))
        return FALSE;
    alSourcef(found->m_Source, AL_REFERENCE_DISTANCE, minDistance);
    alSourcef(found->m_Source, AL_MAX_DISTANCE, maxDistance);
    return TRUE;
}

// --- Streams ---

std::shared_ptr<SoundStream> OpenALSound::FindStream(FSOUND_STREAM* handle)
{
    auto found = m_Streams.find(static_cast<uint64_t>(reinterpret_cast<uintptr_t>(handle)));
    return found != m_Streams.end() ? found->second : nullptr;
}

SoundChannel* OpenALSound::FindStreamChannel(const SoundStream& stream)
{
    SoundChannel* channel = m_Channels.Find(stream.GetChannel());
    return channel && channel->m_StreamId == stream.GetId() ? channel : nullptr;
}

void OpenALSound::HaltStream(SoundStream& stream, int64_t restartFrame)
{
    SoundChannel* channel = FindStreamChannel(stream);
    stream.Halt(restartFrame);
    if (channel)
        m_Channels.Release(*channel);
}

void OpenALSound::PlayIfStalled(SoundStream& stream)
{
    SoundChannel* channel = FindStreamChannel(stream);
    if (channel && !channel->m_bPaused && stream.HasStalled())
        alSourcePlay(stream.GetSource());
}

FSOUND_STREAM* OpenALSound::StreamOpen(const char* name, unsigned int mode, int offset, int length)
{
    if (!name || offset != 0 || length != 0)
        return nullptr;
    int bufferMilliseconds = 0;
    {
        std::lock_guard<std::mutex> lock(m_Lock);
        if (!m_bOpen)
            return nullptr;
        bufferMilliseconds = m_StreamBufferMilliseconds;
    }

    std::unique_ptr<SoundDecoder> decoder;
    if (!IsNetworkAddress(name)) {
        decoder.reset(new SoundDecoder());
        const bool opened = decoder->Open(name);
        if (!opened || decoder->GetChannels() > 2)
            return nullptr;
    }

    std::lock_guard<std::mutex> lock(m_Lock);
    if (!m_bOpen)
        return nullptr;
    const uint64_t id = m_NextHandle++;
    std::shared_ptr<SoundStream> stream = std::make_shared<SoundStream>(
        id, std::move(decoder), (mode & FSOUND_LOOP_NORMAL) != 0, bufferMilliseconds);
    if (!stream->CreateBuffers())
        return nullptr;
    m_Streams[id] = stream;
    return ToStreamHandle(id);
}

int OpenALSound::StreamPlay(int channel, FSOUND_STREAM* handle)
{
    if (channel != FSOUND_FREE)
        return -1;
    int playing = -1;
    {
        std::lock_guard<std::mutex> lock(m_Lock);
        std::shared_ptr<SoundStream> stream = FindStream(handle);
        if (!stream || !stream->IsReady())
            return -1;
        if (stream->IsPlaying())
            return stream->GetChannel();

        playing = m_Channels.Allocate(ChannelPool::STREAM_PRIORITY);
        SoundChannel* found = m_Channels.Find(playing);
        if (!found)
            return -1;
        found->m_StreamId = stream->GetId();
        found->m_NativeRate = stream->GetRate();
        m_Channels.ApplyGain(*found);
        m_Channels.PlaceAtListener(*found, false, SoundSample::DEFAULT_MIN_DISTANCE,
                                   SoundSample::DEFAULT_MAX_DISTANCE);
        // Music goes to the speakers as it was mixed.
        if (stream->GetChannelCount() == 2)
            alSourcei(found->m_Source, AL_DIRECT_CHANNELS_SOFT, AL_TRUE);
        stream->Start(playing, found->m_Source);
    }
    // The stream thread fills the queue and starts the source.
    m_StreamThread.Wake();
    return playing;
}

signed char OpenALSound::StreamStop(FSOUND_STREAM* handle)
{
    std::lock_guard<std::mutex> lock(m_Lock);
    std::shared_ptr<SoundStream> stream = FindStream(handle);
    if (!stream)
        return FALSE;
    if (stream->IsPlaying())
        HaltStream(*stream, 0);
    else
        stream->RequestSeek(0);
    return TRUE;
}

signed char OpenALSound::StreamClose(FSOUND_STREAM* handle)
{
    std::lock_guard<std::mutex> lock(m_Lock);
    std::shared_ptr<SoundStream> stream = FindStream(handle);
    if (!stream)
        return FALSE;
    if (stream->IsPlaying())
        HaltStream(*stream, 0);
    stream->DestroyBuffers();
    stream->MarkClosed();
    m_Streams.erase(stream->GetId());
    return TRUE;
}

int OpenALSound::StreamGetLength(FSOUND_STREAM* handle)
{
    std::lock_guard<std::mutex> lock(m_Lock);
    std::shared_ptr<SoundStream> stream = FindStream(handle);
    if (!stream)
        return 0;
    return ClampToInt(stream->GetFrameCount() * stream->GetChannelCount() * BYTES_PER_SAMPLE);
}

int OpenALSound::StreamGetLengthMs(FSOUND_STREAM* handle)
{
    std::lock_guard<std::mutex> lock(m_Lock);
    std::shared_ptr<SoundStream> stream = FindStream(handle);
    if (!stream || !stream->IsReady())
        return 0;
    return ClampToInt(stream->GetFrameCount() * MILLISECONDS_PER_SECOND / stream->GetRate());
}

int OpenALSound::StreamGetTime(FSOUND_STREAM* handle)
{
    std::lock_guard<std::mutex> lock(m_Lock);
    std::shared_ptr<SoundStream> stream = FindStream(handle);
    if (!stream || !stream->IsReady())
        return 0;
    // Rounded, so that the time a stream was set to reads back unchanged.
    const int64_t rate = stream->GetRate();
    return ClampToInt((stream->GetPositionFrame() * MILLISECONDS_PER_SECOND + rate / 2) / rate);
}

signed char OpenALSound::StreamSetTime(FSOUND_STREAM* handle, int milliseconds)
{
    if (milliseconds < 0)
        return FALSE;
    {
        std::lock_guard<std::mutex> lock(m_Lock);
        std::shared_ptr<SoundStream> stream = FindStream(handle);
        if (!stream || !stream->IsReady())
            return FALSE;
        int64_t frame = static_cast<int64_t>(milliseconds) * stream->GetRate() / MILLISECONDS_PER_SECOND;
        if (stream->GetFrameCount() > 0)
            frame = std::min(frame, stream->GetFrameCount());
        stream->RequestSeek(frame);
    }
    m_StreamThread.Wake();
    return TRUE;
}

signed char OpenALSound::StreamSetMode(FSOUND_STREAM* handle, unsigned int mode)
{
    std::lock_guard<std::mutex> lock(m_Lock);
    std::shared_ptr<SoundStream> stream = FindStream(handle);
    if (!stream)
        return FALSE;
    stream->SetLoop((mode & FSOUND_LOOP_NORMAL) != 0);
    return TRUE;
}

signed char OpenALSound::StreamSetEndCallback(FSOUND_STREAM* handle, FSOUND_STREAMCALLBACK callback, void* userData)
{
    std::lock_guard<std::mutex> lock(m_Lock);
    std::shared_ptr<SoundStream> stream = FindStream(handle);
    if (!stream)
        return FALSE;
    stream->SetEndCallback(callback, userData);
    return TRUE;
}

signed char OpenALSound::StreamSetBufferSize(int milliseconds)
{
    if (milliseconds < MIN_STREAM_BUFFER_MILLISECONDS || milliseconds > MAX_STREAM_BUFFER_MILLISECONDS)
        return FALSE;
    std::lock_guard<std::mutex> lock(m_Lock);
    m_StreamBufferMilliseconds = milliseconds;
    return TRUE;
}

signed char OpenALSound::StreamNetSetBufferProperties(int bufferSize, int prebufferPercent, int rebufferPercent)
{
    const int FULL_PERCENT = 100;
    // Network streams never play here, so the properties are only checked.
    const bool valid = bufferSize > 0 && prebufferPercent >= 0 && prebufferPercent <= FULL_PERCENT &&
                       rebufferPercent >= 0 && rebufferPercent <= FULL_PERCENT;
    return valid ? TRUE : FALSE;
}

// --- The stream thread ---

void OpenALSound::RefillStreams()
{
    std::vector<std::shared_ptr<SoundStream>> playing;
    {
        std::lock_guard<std::mutex> lock(m_Lock);
        for (auto& entry : m_Streams) {
            if (entry.second->IsPlaying())
                playing.push_back(entry.second);
        }
    }
    for (const std::shared_ptr<SoundStream>& stream : playing)
        RefillStream(stream);
}

void OpenALSound::RefillStream(const std::shared_ptr<SoundStream>& stream)
{
    SoundStream::Refill refill;
    {
        std::lock_guard<std::mutex> lock(m_Lock);
        if (stream->IsClosed() || !stream->IsPlaying())
            return;
        stream->ReclaimPlayed();
        if (stream->HasFinished()) {
            HaltStream(*stream, 0);
            stream->MarkEnded();
            return;
        }
        refill = stream->TakeRefill();
    }

    std::vector<SoundStream::Chunk> chunks = stream->Decode(refill);

    std::lock_guard<std::mutex> lock(m_Lock);
    if (stream->IsClosed())
        return;
    stream->Queue(chunks, refill.m_Generation);
    PlayIfStalled(*stream);
}

// --- Test hooks ---

void OpenALSound::SetDeviceName(const char* name)
{
    std::lock_guard<std::mutex> lock(m_Lock);
    m_OutputSettings.m_DeviceName = name ? name : "";
}

void OpenALSound::UseLoopback(bool use)
{
    std::lock_guard<std::mutex> lock(m_Lock);
    m_OutputSettings.m_bLoopback = use;
}

FSoundPlatform::Output OpenALSound::GetOutput()
{
    std::lock_guard<std::mutex> lock(m_Lock);
    return m_Output.GetKind();
}

bool OpenALSound::RenderLoopback(float* frames, int frameCount)
{
    return m_Output.Render(frames, frameCount);
}

bool OpenALSound::WaitForStreams()
{
    return m_StreamThread.WaitForPass();
}
