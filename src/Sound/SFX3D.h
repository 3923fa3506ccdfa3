#pragma once

#include <string>

#include "Core/Asset.h"
#include "Core/StdInterface.h"
#include "platform/d3dx8/D3DX8Math.h"
#include "platform/fsound/FSound.h"

// A 3D sound effect from a "SoundEffect" block of "Scripts\SoundEffects.txt".
// Cars, weapons, projectiles and the phone embed copies of a prototype: every
// copy shares the prototype's sample and plays it on a channel of its own.
class SFX3D : public CStdInterface, public CAsset {
public:
    static constexpr const char* CLASS_NAME = "SFX3D";
    static constexpr const char* BLOCK_KEYWORD = "SoundEffect";
    static constexpr float DEFAULT_MIN_DISTANCE = 1.0f;
    // Nothing is too far to be heard: the falloff alone quietens it.
    static constexpr float MAX_DISTANCE = 1.0e9f;

    SFX3D();

    const char* GetClassName() const override { return CLASS_NAME; }
    bool Init() override;
    bool Load(CDataBuffer& reader) override;
    bool ReadProperty(CDataBuffer& reader) override;

    // Null when the file cannot be loaded.
    static FSOUND_SAMPLE* LoadSample(const std::string& file, int priority, float minDistance, bool looping);
    // The engine sound's playback rate for an engine speed: 100 and below
    // give 8000 Hz, each further 6900 adds 36100 Hz.
    static int EngineFrequency(float engineSpeed);

    // Plays at the listener.
    void Play();
    // Plays at the given position and velocity; a null one keeps the one stored.
    void Play3D(const D3DXVECTOR3* position, const D3DXVECTOR3* velocity);
    void Stop();
    // Stores the vectors, and moves the sound while it plays.
    void SetPosition(const D3DXVECTOR3* position, const D3DXVECTOR3* velocity);
    void SetPositionAndFrequency(const D3DXVECTOR3* position, const D3DXVECTOR3* velocity, float engineSpeed);

    FSOUND_SAMPLE* GetSample() const { return m_pSample; }
    int GetChannel() const { return m_Channel; }
    bool IsLooping() const { return m_bLooping; }
    bool HasLoopStarted() const { return m_bLoopStarted; }
    const D3DXVECTOR3& GetPosition() const { return m_Position; }
    const D3DXVECTOR3& GetVelocity() const { return m_Velocity; }
    float GetMinDistance() const { return m_MinDistance; }
    const std::string& GetSoundFile() const { return m_SoundFile; }
    int GetPriority() const { return m_Priority; }

private:
    // Takes a fresh channel, paused, with the effect's falloff and loop mode.
    void StartPaused();

    FSOUND_SAMPLE* m_pSample;
    int m_Channel;
    bool m_bLooping;
    D3DXVECTOR3 m_Position;
    D3DXVECTOR3 m_Velocity;
    bool m_bLoopStarted;
    float m_MinDistance;
    std::string m_SoundFile;
    int m_Priority;
};
