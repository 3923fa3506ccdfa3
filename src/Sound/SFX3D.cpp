#include "Sound/SFX3D.h"

#include "Core/DataBuffer.h"

namespace {

const char* const KEYWORD_SOUND_FILE = "SoundFile";
const char* const KEYWORD_LOOPING = "Looping";
const char* const KEYWORD_PRIORITY = "Priority";
const char* const KEYWORD_MIN_FALLOFF = "MinFalloff";

const unsigned int SAMPLE_MODE = FSOUND_HW3D | FSOUND_FORCEMONO;
const int KEEP_DEFAULT = -1;

// The engine sound's frequency line: ENGINE_BASE_SPEED plays at
// ENGINE_BASE_FREQUENCY, and every ENGINE_SPEED_SPAN above it adds
// ENGINE_FREQUENCY_SPAN. The span is applied as the float 1/6900, and the
// product is taken in double precision so that 7000 gives 44099 Hz.
const float ENGINE_BASE_SPEED = 100.0f;
const double ENGINE_BASE_FREQUENCY = 8000.0;
const double ENGINE_FREQUENCY_SPAN = 36100.0;
const float ENGINE_SPEED_SPAN_INVERSE = 1.0f / 6900.0f;

} // namespace

SFX3D::SFX3D()
{
    Init();
}

bool SFX3D::Init()
{
    CStdInterface::Init();
    m_pSample = nullptr;
    m_Channel = -1;
    m_bLooping = false;
    m_Position = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    m_Velocity = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    m_bLoopStarted = false;
    m_MinDistance = DEFAULT_MIN_DISTANCE;
    m_SoundFile.clear();
    m_Priority = 0;
    return true;
}

bool SFX3D::Load(CDataBuffer& reader)
{
    if (m_bInitialised)
        return false;
    Init();
    if (!reader.Match(BLOCK_KEYWORD))
        return false;
    m_Name = reader.GetString();
    while (!reader.IsEndOfBuffer() && ReadProperty(reader)) {
    }

    m_pSample = LoadSample(m_SoundFile, m_Priority, m_MinDistance, m_bLooping);
    if (!Validate())
        return false;
    m_bInitialised = true;
    m_bReady = true;
    return true;
}

bool SFX3D::ReadProperty(CDataBuffer& reader)
{
    if (reader.Match(KEYWORD_SOUND_FILE)) {
        m_SoundFile = reader.GetString();
        return true;
    }
    if (reader.Match(KEYWORD_LOOPING)) {
        m_bLooping = reader.GetBool();
        return true;
    }
    if (reader.Match(KEYWORD_PRIORITY)) {
        m_Priority = reader.GetInteger();
        return true;
    }
    if (reader.Match(KEYWORD_MIN_FALLOFF)) {
        m_MinDistance = reader.GetFloat();
        return true;
    }
    return CAsset::ReadProperty(reader);
}

FSOUND_SAMPLE* SFX3D::LoadSample(const std::string& file, int priority, float minDistance, bool looping)
{
    const unsigned int mode = looping ? SAMPLE_MODE | FSOUND_LOOP_NORMAL : SAMPLE_MODE;
    FSOUND_SAMPLE* sample = FSOUND_Sample_Load(FSOUND_FREE, file.c_str(), mode, 0, 0);
    if (!sample)
        return nullptr;
    FSOUND_Sample_SetDefaults(sample, KEEP_DEFAULT, KEEP_DEFAULT, KEEP_DEFAULT, priority);
    FSOUND_Sample_SetMinMaxDistance(sample, minDistance, MAX_DISTANCE);
    return sample;
}

int SFX3D::EngineFrequency(float engineSpeed)
{
    const double speed = engineSpeed <= 0.0f ? ENGINE_BASE_SPEED : engineSpeed;
    const double rise = (speed - ENGINE_BASE_SPEED) * ENGINE_FREQUENCY_SPAN *
                        static_cast<double>(ENGINE_SPEED_SPAN_INVERSE);
    return static_cast<int>(ENGINE_BASE_FREQUENCY + rise);
}

void SFX3D::StartPaused()
{
    m_Channel = FSOUND_PlaySoundEx(FSOUND_FREE, m_pSample, nullptr, TRUE);
    FSOUND_3D_SetMinMaxDistance(m_Channel, m_MinDistance, MAX_DISTANCE);
    if (m_bLooping) {
        FSOUND_SetLoopMode(m_Channel, FSOUND_LOOP_NORMAL);
        m_bLoopStarted = true;
    } else {
        FSOUND_SetLoopMode(m_Channel, FSOUND_LOOP_OFF);
    }
}

void SFX3D::Play()
{
    StartPaused();
    FSOUND_SetPaused(m_Channel, FALSE);
}

void SFX3D::Play3D(const D3DXVECTOR3* position, const D3DXVECTOR3* velocity)
{
    StartPaused();
    if (position)
        m_Position = *position;
    if (velocity)
        m_Velocity = *velocity;
    FSOUND_3D_SetAttributes(m_Channel, m_Position, m_Velocity);
    FSOUND_SetPaused(m_Channel, FALSE);
}

void SFX3D::Stop()
{
    FSOUND_StopSound(m_Channel);
    m_Channel = -1;
}

void SFX3D::SetPosition(const D3DXVECTOR3* position, const D3DXVECTOR3* velocity)
{
    if (position)
        m_Position = *position;
    if (velocity)
        m_Velocity = *velocity;
    if (FSOUND_IsPlaying(m_Channel))
        FSOUND_3D_SetAttributes(m_Channel, m_Position, m_Velocity);
}

void SFX3D::SetPositionAndFrequency(const D3DXVECTOR3* position, const D3DXVECTOR3* velocity, float engineSpeed)
{
    SetPosition(position, velocity);
    if (FSOUND_IsPlaying(m_Channel))
        FSOUND_SetFrequency(m_Channel, EngineFrequency(engineSpeed));
}
