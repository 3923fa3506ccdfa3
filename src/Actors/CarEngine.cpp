#include "Actors/CarEngine.h"

#include "Actors/CountedList.h"
#include "Core/AssetManager.h"
#include "Core/DataBuffer.h"

namespace {

const char* const BLOCK_KIND = "Car";
const char* const KEYWORD_VEL_TO_ACCEL = "VelToAccel";
const char* const KEYWORD_VEL_TO_RPM = "VelToRPM";
const char* const KEYWORD_ENGINE_INERTIA = "EngineInertia";
const char* const KEYWORD_ENGINE_BRAKE_COEFF = "EngineBrakeCoeff";
const char* const KEYWORD_DIFF_RATIO = "DiffRatio";
const char* const KEYWORD_GEAR_R = "GearR";
const char* const KEYWORD_SHIFT_UP_RPM = "ShiftUpRPM";
const char* const KEYWORD_SHIFT_DOWN_RPM = "ShiftDownRPM";
const char* const KEYWORD_MAX_GEAR = "MaxGear";
const char* const KEYWORD_GEARS = "Gears";
const char* const KEYWORD_ENGINE_SFX = "EngineSFX";

float Lerp(float from, float to, float t)
{
    return (1.0f - t) * from + t * to;
}

} // namespace

bool CCarEngine::ReadProperty(CDataBuffer& reader, const std::string& carName)
{
    if (reader.Match(KEYWORD_VEL_TO_ACCEL))
        ReadAccelerationCurve(reader, carName);
    else if (reader.Match(KEYWORD_VEL_TO_RPM))
        ReadEngineSpeedCurve(reader, carName);
    else if (reader.Match(KEYWORD_ENGINE_INERTIA))
        m_fInertia = reader.GetFloat();
    else if (reader.Match(KEYWORD_ENGINE_BRAKE_COEFF))
        m_fBrakeCoeff = reader.GetFloat();
    else if (reader.Match(KEYWORD_DIFF_RATIO))
        m_fDiffRatio = reader.GetFloat();
    else if (reader.Match(KEYWORD_GEAR_R))
        m_fGearR = reader.GetFloat();
    else if (reader.Match(KEYWORD_SHIFT_UP_RPM))
        m_fShiftUpRPM = reader.GetFloat();
    else if (reader.Match(KEYWORD_SHIFT_DOWN_RPM))
        m_fShiftDownRPM = reader.GetFloat();
    else if (reader.Match(KEYWORD_MAX_GEAR))
        m_iMaxGear = static_cast<int32_t>(ReadListCount(reader, BLOCK_KIND, carName, KEYWORD_MAX_GEAR));
    else if (reader.Match(KEYWORD_GEARS))
        ReadGears(reader, carName);
    else if (reader.Match(KEYWORD_ENGINE_SFX)) {
        SFX3D* sound = nullptr;
        g_AssetManager.GetAsset(reader.GetString(), sound, true);
        m_Sound = *sound;
    } else
        return false;
    return true;
}

void CCarEngine::ReadAccelerationCurve(CDataBuffer& reader, const std::string& carName)
{
    const uint32_t count = ReadListCount(reader, BLOCK_KIND, carName, KEYWORD_VEL_TO_ACCEL);
    for (uint32_t i = 0; i < count; ++i) {
        CAccelPoint point;
        point.m_fSpeed = ReadListFloat(reader, BLOCK_KIND, carName, KEYWORD_VEL_TO_ACCEL);
        point.m_fAcceleration = ReadListFloat(reader, BLOCK_KIND, carName, KEYWORD_VEL_TO_ACCEL);
        m_VelToAccel.push_back(point);
    }
}

void CCarEngine::ReadEngineSpeedCurve(CDataBuffer& reader, const std::string& carName)
{
    const uint32_t count = ReadListCount(reader, BLOCK_KIND, carName, KEYWORD_VEL_TO_RPM);
    for (uint32_t i = 0; i < count; ++i) {
        CRpmSegment segment;
        segment.m_fSpeedLow = ReadListFloat(reader, BLOCK_KIND, carName, KEYWORD_VEL_TO_RPM);
        segment.m_fEngineSpeedLow = ReadListFloat(reader, BLOCK_KIND, carName, KEYWORD_VEL_TO_RPM);
        segment.m_fSpeedHigh = ReadListFloat(reader, BLOCK_KIND, carName, KEYWORD_VEL_TO_RPM);
        segment.m_fEngineSpeedHigh = ReadListFloat(reader, BLOCK_KIND, carName, KEYWORD_VEL_TO_RPM);
        m_VelToRPM.push_back(segment);
    }
}

// As many as "MaxGear" said before: none when it has not come yet.
void CCarEngine::ReadGears(CDataBuffer& reader, const std::string& carName)
{
    for (int32_t i = 0; i < m_iMaxGear; ++i)
        m_Gears.push_back(ReadListFloat(reader, BLOCK_KIND, carName, KEYWORD_GEARS));
}

void CCarEngine::Reset()
{
    m_fEngineSpeed = IDLE_ENGINE_SPEED;
    m_iGear = 0;
    m_iShiftState = 0;
    m_iEngineState = 0;
}

float CCarEngine::GetAcceleration(float speed) const
{
    for (size_t i = 1; i < m_VelToAccel.size(); ++i) {
        const CAccelPoint& low = m_VelToAccel[i - 1];
        const CAccelPoint& high = m_VelToAccel[i];
        if (low.m_fSpeed <= speed && speed < high.m_fSpeed) {
            const float t = (speed - low.m_fSpeed) / (high.m_fSpeed - low.m_fSpeed);
            return Lerp(low.m_fAcceleration, high.m_fAcceleration, t);
        }
    }
    return 0.0f;
}

float CCarEngine::GetTopSpeed() const
{
    return m_VelToAccel.empty() ? 0.0f : m_VelToAccel.back().m_fSpeed;
}

float CCarEngine::GetEngineSpeed(float speed) const
{
    if (m_VelToRPM.empty())
        return IDLE_ENGINE_SPEED;
    for (const CRpmSegment& segment : m_VelToRPM) {
        if (segment.m_fSpeedLow <= speed && speed < segment.m_fSpeedHigh) {
            const float t = (speed - segment.m_fSpeedLow) / (segment.m_fSpeedHigh - segment.m_fSpeedLow);
            return Lerp(segment.m_fEngineSpeedLow, segment.m_fEngineSpeedHigh, t);
        }
    }
    return m_VelToRPM.back().m_fEngineSpeedHigh;
}

void CCarEngine::UpdateSound(const D3DXVECTOR3& position, const D3DXVECTOR3& velocity)
{
    m_fEngineSpeed = GetEngineSpeed(D3DXVec3Length(&velocity));
    m_Sound.SetPositionAndFrequency(&position, &velocity, m_fEngineSpeed);
}
