#include "Game/ChaseMissions.h"

#include <iterator>

#include "AI/AIControllerSet.h"
#include "Actors/GameActor.h"
#include "Core/Clock.h"

namespace {

const char* const KEYWORD_BOMB_TARGET = "BombTarget";
const char* const KEYWORD_BOMB_TARGET_RADIUS = "BombTargetRadius";
const char* const KEYWORD_BOMB_TARGET_HEALTH = "BombTargetHealth";

const char* const TEXT_FOLLOW = "Follow the CheckPoints";
// The bomb run's steps, by the player's checkpoint index.
const char* const BOMB_RUN_STEPS[] = {"Get the C4", "Destroy The Car With the C4", TEXT_FOLLOW};
const float TEXT_X = 0.2f;
const float TEXT_Y = 0.2f;

} // namespace

int CChaseRun::Update()
{
    const float seconds = g_FrameTimer.GetFrameTime();
    if (!RunCommonFrame(seconds) || !IsWon())
        return MISSION_RUNNING;
    const int result = RunVictory(seconds, TEXT_COLOUR, GetWinTextTime());
    if (result == MISSION_WON)
        StopChasers();
    return result;
}

void CChaseRun::StopChasers()
{
    for (CAIControllerSet* agent : m_Agents) {
        if (CChaseCarController* chase = agent->GetChaseController())
            chase->SetState(CChaseCarController::STATE_IDLE);
    }
}

void CMission1::ShowStep()
{
    DrawStepText(TEXT_FOLLOW, TEXT_X, TEXT_Y, TEXT_COLOUR);
}

bool CMission2::Parse(CDataBuffer& reader)
{
    if (CChaseRun::Parse(reader))
        return true;
    if (!reader.Match(KEYWORD_BOMB_TARGET))
        return false;
    PlaceLockedCar(reader);
    CBombTarget target;
    if (reader.Match(KEYWORD_BOMB_TARGET_RADIUS))
        target.m_fRadius = reader.GetFloat();
    if (reader.Match(KEYWORD_BOMB_TARGET_HEALTH))
        target.m_fHealth = reader.GetFloat();
    m_BombTargets.push_back(target);
    return true;
}

void CMission2::ShowStep()
{
    const CGameActor* player = GetPlayer();
    if (player == nullptr || player->m_iCheckpoint < 0)
        return;
    const size_t step = static_cast<size_t>(player->m_iCheckpoint);
    if (step < std::size(BOMB_RUN_STEPS))
        DrawStepText(BOMB_RUN_STEPS[step], TEXT_X, TEXT_Y, TEXT_COLOUR);
}

void CMission2::End()
{
    CChaseRun::End();
    m_BombTargets.clear();
}
