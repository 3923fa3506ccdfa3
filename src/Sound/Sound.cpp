#include "Sound/Sound.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "Core/Clock.h"
#include "platform/win32/Windows.h"

namespace {

const int MIN_HARDWARE_CHANNELS = 64;
const int PREFERRED_MIX_RATE = 44100;
const int PREFERRED_CHANNELS = 128;
const int FALLBACK_MIX_RATE = 22050;
const int FALLBACK_CHANNELS = 32;
const float MILLISECONDS_PER_SECOND = 1000.0f;

int ClampVolume(int volume)
{
    return std::clamp(volume, 0, static_cast<int>(CSound::MAX_VOLUME));
}

} // namespace

CSound::CSound()
{
    std::srand(timeGetTime());
}

bool CSound::Init()
{
    FSOUND_SetMinHardwareChannels(MIN_HARDWARE_CHANNELS);
    if (!FSOUND_Init(PREFERRED_MIX_RATE, PREFERRED_CHANNELS, 0) &&
        !FSOUND_Init(FALLBACK_MIX_RATE, FALLBACK_CHANNELS, 0))
        return false;
    m_LastListenerPosition = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    return true;
}

bool CSound::Update(const D3DXMATRIX& listener)
{
    return Update(listener, g_FrameTimer.GetMeanDelta());
}

bool CSound::Update(const D3DXMATRIX& listener, uint32_t frameMilliseconds)
{
    const D3DXVECTOR3 position(listener._41, listener._42, listener._43);
    D3DXVECTOR3 forward(listener._31, listener._32, listener._33);
    D3DXVECTOR3 top(listener._21, listener._22, listener._23);
    D3DXVec3Normalize(&forward, &forward);
    D3DXVec3Normalize(&top, &top);

    D3DXVECTOR3 velocity(0.0f, 0.0f, 0.0f);
    if (frameMilliseconds != 0)
        velocity = (position - m_LastListenerPosition) * MILLISECONDS_PER_SECOND / static_cast<float>(frameMilliseconds);
    m_LastListenerPosition = position;

    FSOUND_3D_Listener_SetAttributes(position, velocity, forward.x, forward.y, forward.z, top.x, top.y, top.z);
    FSOUND_Update();
    return true;
}

void CSound::SetMusicVolume(int volume)
{
    m_MusicVolume = ClampVolume(volume);
    if (m_MusicChannel >= 0)
        FSOUND_SetVolumeAbsolute(m_MusicChannel, m_MusicVolume);
}

void CSound::SetSfxVolume(int volume)
{
    m_EffectsVolume = ClampVolume(volume);
    FSOUND_SetSFXMasterVolume(m_EffectsVolume);
}

void CSound::StopMusic()
{
    if (m_MusicChannel >= 0)
        FSOUND_Stream_Stop(m_pMusicStream);
}

void CSound::PlayTrack(const char* fileName)
{
    // Any stream held is closed, even one whose play failed, and a failed
    // open leaves no channel number that may by now belong to another sound.
    if (m_pMusicStream) {
        FSOUND_Stream_Stop(m_pMusicStream);
        FSOUND_Stream_Close(m_pMusicStream);
    }
    m_MusicChannel = -1;

    m_pMusicStream = FSOUND_Stream_Open(fileName, 0, 0, 0);
    if (!m_pMusicStream)
        return;
    m_MusicTrackLength = FSOUND_Stream_GetLength(m_pMusicStream);
    m_MusicChannel = FSOUND_Stream_Play(FSOUND_FREE, m_pMusicStream);
    FSOUND_SetVolumeAbsolute(m_MusicChannel, m_MusicVolume);
    FSOUND_Stream_SetMode(m_pMusicStream, FSOUND_LOOP_NORMAL);
}

int CSound::GetStreamTime()
{
    if (!m_pMusicStream)
        return -1;
    return FSOUND_Stream_GetTime(m_pMusicStream);
}

void CSound::SetStreamTime(uint32_t milliseconds)
{
    if (!m_pMusicStream)
        return;
    const int length = FSOUND_Stream_GetLengthMs(m_pMusicStream);
    if (length > 0 && milliseconds > static_cast<uint32_t>(length))
        milliseconds %= static_cast<uint32_t>(length);
    FSOUND_Stream_SetTime(m_pMusicStream, static_cast<int>(std::min<uint32_t>(milliseconds, INT_MAX)));
}

FSOUND_STREAM* CSound::PlayStream(const char* fileName, FSOUND_STREAMCALLBACK endCallback, void* userData)
{
    FSOUND_STREAM* stream = FSOUND_Stream_Open(fileName, FSOUND_2D, 0, 0);
    if (!stream)
        return nullptr;
    FSOUND_Stream_Play(FSOUND_FREE, stream);
    FSOUND_Stream_SetEndCallback(stream, endCallback, userData);
    return stream;
}

void CSound::CloseStream(FSOUND_STREAM* stream)
{
    FSOUND_Stream_Stop(stream);
    FSOUND_Stream_Close(stream);
}

void CSound::StopAll()
{
    FSOUND_StopSound(FSOUND_ALL);
}
