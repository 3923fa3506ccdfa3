#include "Game/Mission3.h"

#include <memory>

#include "AI/AIControllerSet.h"
#include "Actors/GameActor.h"
#include "Actors/Weapon.h"
#include "Core/AssetManager.h"
#include "Core/Clock.h"
#include "Core/Utility.h"
#include "Level/Level.h"

namespace {

const char* const KEYWORD_PATROL = "AIPedPatrol";
const char* const KEYWORD_POS = "Pos";
const char* const KEYWORD_HEALTH = "Health";
const char* const KEYWORD_WEAPON = "Weapon";

const char* const TEXT_STOP_THEM = "Stop the people in the warehouse.";
const char* const TEXT_WIN = "You Win!!";
const float TEXT_X = 0.2f;
const float TEXT_Y = 0.2f;

} // namespace

bool CMission3::Parse(CDataBuffer& reader)
{
    if (!reader.Match(KEYWORD_PATROL))
        return false;
    return ParsePatrol(reader);
}

// The agent stays the level's; recycling is off, so it is there as long
// as the mission.
bool CMission3::ParsePatrol(CDataBuffer& reader)
{
    CAIControllerSet* agent = g_pLevel->AddAgent();
    m_Agents.push_back(agent);
    const std::string actorName = reader.GetString();
    D3DXVECTOR3 position;
    const bool placed = reader.Match(KEYWORD_POS);
    if (placed)
        position = reader.GetVector3();
    // A missing actor is fatal in the asset manager.
    agent->CreatePedestrian(actorName.c_str(), placed ? &position : nullptr);
    agent->m_u8RecyclingEnabled = 0;
    agent->m_u8InUse = 1;
    agent->m_u8RecycleRequested = 0;
    agent->UsePoliceController();
    CNormalPoliceController& police = *agent->m_pPoliceController;
    police.SetState(CNormalPoliceController::STATE_PURSUING_ON_FOOT);
    police.SetTarget(g_PlayerActor);
    CGameActor& actor = *agent->GetActor();
    if (reader.Match(KEYWORD_HEALTH)) {
        actor.m_fCurrentLife = reader.GetFloat();
        actor.m_bAlive = actor.m_fCurrentLife > 0.0f;
    }
    if (reader.Match(KEYWORD_WEAPON)) {
        CWeapon* prototype = nullptr;
        g_AssetManager.GetAssetByUpperName(UpperCase(reader.GetString().c_str()), prototype, true);
        actor.PickUpWeapon(std::make_unique<CWeapon>(*prototype));
    }
    return true;
}

bool CMission3::IsAnyoneAlive() const
{
    for (const CAIControllerSet* agent : m_Agents) {
        const CGameActor* actor = agent->GetActor();
        if (actor != nullptr && actor->m_fCurrentLife > 0.0f)
            return true;
    }
    return false;
}

int CMission3::Update()
{
    if (!RunStartCinema())
        return MISSION_RUNNING;
    const float seconds = g_FrameTimer.GetFrameTime();
    m_fElapsedTime += seconds;
    if (!IsWon()) {
        if (IsAnyoneAlive()) {
            DrawStepText(TEXT_STOP_THEM, TEXT_X, TEXT_Y, TEXT_COLOUR);
            return MISSION_RUNNING;
        }
        m_u8Won = 1;
        m_fVictoryTime = 0.0f;
    }
    DrawStepText(TEXT_WIN, TEXT_X, TEXT_Y, TEXT_COLOUR);
    PlayVictorySoundOnce();
    m_fVictoryTime += seconds;
    return HasClosingDelayPassed() ? MISSION_WON : MISSION_RUNNING;
}
