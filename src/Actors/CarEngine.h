#pragma once
// A car's engine: the acceleration curve the driving reads, the engine-speed
// curve the sound and the tachometer follow, and the gearbox figures the
// tuning editor shows. Its keywords sit in the car's block:
//
//   VelToAccel  <n>  then n pairs: speed, acceleration
//   VelToRPM    <n>  then n groups: low speed, low rpm, high speed, high rpm
//   EngineInertia, EngineBrakeCoeff, DiffRatio, GearR, ShiftUpRPM,
//   ShiftDownRPM <number>;  MaxGear <n>;  Gears <MaxGear numbers>
//   EngineSFX   <SoundEffect>
//
// Speeds are metres per second, accelerations metres per second squared.

#include <cstdint>
#include <string>
#include <vector>

#include "Sound/SFX3D.h"

class CDataBuffer;

// A point of the acceleration curve.
struct CAccelPoint {
    float m_fSpeed;
    float m_fAcceleration;
};

// Between two speeds the engine speed runs linearly between two values.
struct CRpmSegment {
    float m_fSpeedLow;
    float m_fSpeedHigh;
    float m_fEngineSpeedLow;
    float m_fEngineSpeedHigh;
};

class CCarEngine {
public:
    // Revolutions per minute at rest, and without an engine-speed curve.
    static constexpr float IDLE_ENGINE_SPEED = 1000.0f;

    CCarEngine() = default;

    // One engine keyword; false, nothing read, for any other. `carName`
    // names the car in script errors.
    bool ReadProperty(CDataBuffer& reader, const std::string& carName);
    // Idle engine speed, the state words cleared.
    void Reset();

    // Along the curve between the points; 0 below the first point, at or
    // above the last, and with fewer than two points.
    float GetAcceleration(float speed) const;
    // The last point's speed; 0 without points.
    float GetTopSpeed() const;
    // Along the first segment holding the speed; outside every segment the
    // last one's high engine speed; without segments the idle speed.
    float GetEngineSpeed(float speed) const;
    // The engine speed at |velocity|, and the engine sound at the car.
    void UpdateSound(const D3DXVECTOR3& position, const D3DXVECTOR3& velocity);

    std::vector<CAccelPoint> m_VelToAccel;
    std::vector<CRpmSegment> m_VelToRPM;
    // What the tachometer shows.
    float m_fEngineSpeed = IDLE_ENGINE_SPEED;
    float m_fInertia = 1.0f;
    float m_fBrakeCoeff = 0.0f;
    int32_t m_iMaxGear = 0;
    std::vector<float> m_Gears;
    // The gear the HUD shows (plus one); nothing shifts it.
    int32_t m_iGear = 0;
    float m_fDiffRatio = 0.0f;
    float m_fGearR = 0.0f;
    float m_fShiftUpRPM = 5000.0f;
    float m_fShiftDownRPM = 2000.0f;
    // Kept and cleared with the gear; nothing reads them.
    int32_t m_iShiftState = 0;
    SFX3D m_Sound;
    int32_t m_iEngineState = 0;

private:
    void ReadAccelerationCurve(CDataBuffer& reader, const std::string& carName);
    void ReadEngineSpeedCurve(CDataBuffer& reader, const std::string& carName);
    void ReadGears(CDataBuffer& reader, const std::string& carName);
};
