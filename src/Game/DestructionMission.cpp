#include "Game/DestructionMission.h"

#include <algorithm>
#include <cstdio>

#include "Actors/GameActor.h"
#include "Core/Clock.h"
#include "Game/CrimeManager.h"

namespace {

const char* const KEYWORD_WEAPON = "Weapon";
const char* const KEYWORD_DESTROY = "Destroy";
const char* const KEYWORD_GOAL = "Goal";
const char* const KEYWORD_TIME_LIMIT = "TimeLimit";

const char* const TEXT_TIME_REMAINING = "Time Remaining:";
const char* const TEXT_WIN = "You Win!!";
const char* const TEXT_LOSS = "You Fail LoSeR!!";
const float TEXT_X = 0.2f;
const float TEXT_Y = 0.2f;
const float TIME_Y = 0.3f;
const float TIME_VALUE_X = 0.5f;

} // namespace

bool DestructionMission::ParsePre(CDataBuffer& reader)
{
    if (CMission::ParsePre(reader))
        return true;
    if (!reader.Match(KEYWORD_WEAPON))
        return false;
    m_SpawnedWeapons.push_back(PlaceWeapon(reader));
    return true;
}

bool DestructionMission::Parse(CDataBuffer& reader)
{
    if (CMission::Parse(reader))
        return true;
    if (reader.Match(KEYWORD_TIME_LIMIT)) {
        m_fTimeLimit = reader.GetFloat();
        return true;
    }
    if (!reader.Match(KEYWORD_DESTROY))
        return false;
    CDestructionTarget target;
    target.m_Name = reader.GetString();
    // Nothing left to destroy is a goal reached.
    if (reader.Match(KEYWORD_GOAL))
        target.m_iGoal = std::max(0, reader.GetInteger());
    m_Targets.push_back(target);
    return true;
}

void DestructionMission::OnEvent(const CCrimeRecord& event)
{
    if (!m_Targets.empty() && event.m_VictimName == m_Targets.front().m_Name)
        ++m_Targets.front().m_iCount;
}

// A target destroyed in the frame the time runs out still wins.
int DestructionMission::Update()
{
    if (!RunStartCinema())
        return MISSION_RUNNING;
    const float seconds = g_FrameTimer.GetFrameTime();
    m_fElapsedTime += seconds;
    if (g_PlayerActor != nullptr)
        g_PlayerActor->m_fWantedLevel = std::min(g_PlayerActor->m_fWantedLevel, MAX_WANTED_LEVEL);
    if (!IsWon() && !IsFailed() && !m_Targets.empty()) {
        const CDestructionTarget& target = m_Targets.front();
        if (target.m_iCount >= target.m_iGoal) {
            m_u8Won = 1;
            m_fVictoryTime = 0.0f;
        } else if (m_fElapsedTime >= m_fTimeLimit) {
            m_u8Failed = 1;
            m_fVictoryTime = 0.0f;
        } else {
            ShowProgress();
        }
    }
    if (!IsWon() && !IsFailed())
        return MISSION_RUNNING;
    return RunEnding(seconds);
}

void DestructionMission::ShowProgress() const
{
    const CDestructionTarget& target = m_Targets.front();
    char line[128];
    std::snprintf(line, sizeof line, "Destroy %d %ss", target.m_iGoal - target.m_iCount, target.m_Name.c_str());
    DrawStepText(line, TEXT_X, TEXT_Y, TEXT_COLOUR);
    DrawStepText(TEXT_TIME_REMAINING, TEXT_X, TIME_Y, TEXT_COLOUR);
    std::snprintf(line, sizeof line, "%.1f", static_cast<double>(m_fTimeLimit - m_fElapsedTime));
    DrawStepText(line, TIME_VALUE_X, TIME_Y, TEXT_COLOUR);
}

int DestructionMission::RunEnding(float seconds)
{
    if (IsWon()) {
        DrawStepText(TEXT_WIN, TEXT_X, TEXT_Y, ENDING_COLOUR);
        PlayVictorySoundOnce();
        if (g_PlayerActor != nullptr)
            g_PlayerActor->m_fWantedLevel = 0.0f;
    } else {
        DrawStepText(TEXT_LOSS, TEXT_X, TEXT_Y, ENDING_COLOUR);
    }
    m_fVictoryTime += seconds;
    if (!HasClosingDelayPassed())
        return MISSION_RUNNING;
    return IsWon() ? MISSION_WON : MISSION_FAILED;
}

void DestructionMission::End()
{
    CMission::End();
    m_Targets.clear();
}
