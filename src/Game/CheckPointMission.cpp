#include "Game/CheckPointMission.h"

#include <cmath>
#include <cstdio>

#include "AI/AIControllerSet.h"
#include "Actors/Car.h"
#include "Actors/GameActor.h"
#include "Core/AssetManager.h"
#include "Core/Clock.h"
#include "Core/Log.h"
#include "Display/Font2D.h"
#include "Game/HUD.h"
#include "Level/Level.h"

namespace {

const char* const KEYWORD_CHECK_POINT = "CheckPoint";
const char* const KEYWORD_SIZE = "Size";
const char* const KEYWORD_POS = "Pos";
const char* const KEYWORD_TIME = "Time";
const char* const KEYWORD_EFFECT = "Effect";
const char* const KEYWORD_POINTER = "Pointer";
const char* const KEYWORD_TIME_LIMIT = "TimeLimit";
const char* const KEYWORD_CAR_CHASER = "AICarChaser";
const char* const KEYWORD_GAME_ACTOR = "GameActor";
const char* const KEYWORD_RADIUS = "Radius";
const char* const KEYWORD_RADIUS_POS = "RadiusPos";
const char* const KEYWORD_START_VEL = "StartVel";
const char* const ERROR_IN_MISSION_FILE = "Error in mission file";

const char* const TEXT_WIN = "You Win!!";
const char* const TEXT_FOLLOW = "Follow the CheckPoints";
const char* const TEXT_TIME_LEFT = "Time Left: ";
const char* const TEXT_LOSS = "You Fail LoSeR!!";
const float TEXT_X = 0.2f;
const float TEXT_Y = 0.2f;
const float TIME_LEFT_Y = 0.4f;
const float TIME_VALUE_X = 0.4f;

// Below this squared length a direction has no usable heading.
const float MIN_DIRECTION_SQ = 1e-8f;

D3DXVECTOR3 Cross(const D3DXVECTOR3& a, const D3DXVECTOR3& b)
{
    return D3DXVECTOR3(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}

// False, `out` untouched, for a vector too short to give a direction.
bool Normalise(const D3DXVECTOR3& in, D3DXVECTOR3& out)
{
    const float lengthSq = D3DXVec3LengthSq(&in);
    if (!(lengthSq > MIN_DIRECTION_SQ))
        return false;
    out = in / std::sqrt(lengthSq);
    return true;
}

} // namespace

CCheckPoint::CCheckPoint()
{
    D3DXMatrixIdentity(&m_matPlacement);
}

void CCheckPointMission::SetPlayer(CGameActor* player)
{
    m_pPlayer = player;
    m_Racers.push_back(player);
}

bool CCheckPointMission::Parse(CDataBuffer& reader)
{
    if (CMission::Parse(reader))
        return true;
    if (reader.Match(KEYWORD_CHECK_POINT))
        return ParseCheckPoint(reader);
    if (reader.Match(KEYWORD_CAR_CHASER))
        return ParseCarChaser(reader);
    if (!reader.Match(KEYWORD_POINTER))
        return false;
    // A missing prototype is fatal in the asset manager.
    CComplexObject* prototype = nullptr;
    g_AssetManager.GetAsset(reader.GetString(), prototype, true);
    m_Pointer = *prototype;
    m_Pointer.BindWorldMatrix();
    m_bHasPointer = true;
    return true;
}

bool CCheckPointMission::ParseCheckPoint(CDataBuffer& reader)
{
    auto checkPoint = std::make_unique<CCheckPoint>();
    if (reader.Match(KEYWORD_SIZE))
        checkPoint->m_fSize = reader.GetFloat();
    if (reader.Match(KEYWORD_POS)) {
        const D3DXVECTOR3 position = reader.GetVector3();
        D3DXMatrixScaling(&checkPoint->m_matPlacement, checkPoint->m_fSize, checkPoint->m_fSize,
                          checkPoint->m_fSize);
        checkPoint->m_matPlacement._41 = position.x;
        checkPoint->m_matPlacement._42 = position.y;
        checkPoint->m_matPlacement._43 = position.z;
    }
    if (reader.Match(KEYWORD_TIME))
        checkPoint->m_fTime = reader.GetFloat();
    if (reader.Match(KEYWORD_EFFECT)) {
        CEffect* prototype = nullptr;
        g_AssetManager.GetAsset(reader.GetString(), prototype, true);
        checkPoint->m_Effect = *prototype;
        checkPoint->m_Effect.SetMatrix(&checkPoint->m_matPlacement);
        checkPoint->m_Effect.Start();
    }
    if (checkPoint->m_Text.Load(reader))
        checkPoint->m_Text.SetFont(&g_FontVerdana13);
    m_CheckPoints.push_back(std::move(checkPoint));
    return true;
}

CCar* CCheckPointMission::PlaceLockedCar(CDataBuffer& reader)
{
    CCar* car = PlaceCar(reader);
    m_SpawnedCars.push_back(car);
    car->m_bBurnt = true;
    return car;
}

// The agent stays the level's; recycling is off, so it is there as long
// as the mission.
bool CCheckPointMission::ParseCarChaser(CDataBuffer& reader)
{
    CCar* car = PlaceLockedCar(reader);
    CAIControllerSet* agent = g_pLevel->AddAgent();
    m_Agents.push_back(agent);
    // A word in the keyword's place is taken as if it were the keyword.
    if (!reader.Match(KEYWORD_GAME_ACTOR)) {
        g_Log.Write(ERROR_IN_MISSION_FILE);
        reader.NextToken();
    }
    // The agent looks the actor up by its upper-case name; a missing one is
    // fatal in the asset manager.
    agent->CreateDriver(reader.GetString().c_str(), car);
    agent->m_u8RecyclingEnabled = 0;
    agent->m_u8InUse = 1;
    agent->m_u8RecycleRequested = 0;
    agent->UseChaseController();
    CChaseCarController& chase = *agent->GetChaseController();
    chase.SetTriggerRange(CHASE_RANGE);
    chase.SetState(CChaseCarController::STATE_ARMED);
    if (reader.Match(KEYWORD_RADIUS))
        chase.SetTriggerRange(reader.GetFloat());
    if (reader.Match(KEYWORD_RADIUS_POS)) {
        const D3DXVECTOR3 point = reader.GetVector3();
        chase.SetTarget(&point, true);
    }
    if (reader.Match(KEYWORD_START_VEL))
        chase.SetMaxSpeed(reader.GetFloat());
    return true;
}

bool CCheckPointMission::CanStart()
{
    GetStartEffect().Update(g_FrameTimer.GetFrameTime());
    return CMission::CanStart();
}

int CCheckPointMission::Update()
{
    const float seconds = g_FrameTimer.GetFrameTime();
    if (!RunCommonFrame(seconds) || !IsWon())
        return MISSION_RUNNING;
    return RunVictory(seconds);
}

bool CCheckPointMission::RunCommonFrame(float seconds)
{
    if (!RunCinemaFrame())
        return false;
    m_fElapsedTime += seconds;
    if (!IsWon() && !IsFailed())
        RunCheckPoints(seconds);
    TestWin();
    return true;
}

bool CCheckPointMission::RunCinemaFrame()
{
    if (!m_bCinemaBegun) {
        m_bCinemaBegun = true;
        if (m_pPlayer != nullptr)
            m_pPlayer->m_iCheckpoint = 0;
    }
    return RunStartCinema();
}

void CCheckPointMission::RunCheckPoints(float seconds)
{
    ShowStep();
    CCheckPoint* current = GetCurrentCheckPoint(m_pPlayer);
    if (current == nullptr)
        return;
    g_HUD.AddMapMarker(current->GetPosition(), MARKER_COLOUR);
    current->m_Effect.Update(seconds);
    AimArrowAtCurrent();
    TestRacers();
}

void CCheckPointMission::TestWin()
{
    if (m_pPlayer != nullptr && m_pPlayer->m_iCheckpoint == static_cast<int32_t>(m_CheckPoints.size()))
        m_u8Won = 1;
}

int CCheckPointMission::RunVictory(float seconds, D3DCOLOR colour, float shownFor)
{
    if (m_fVictoryTime < shownFor)
        DrawStepText(TEXT_WIN, TEXT_X, TEXT_Y, colour);
    PlayVictorySoundOnce();
    m_fVictoryTime += seconds;
    return HasClosingDelayPassed() ? MISSION_WON : MISSION_RUNNING;
}

CCheckPoint* CCheckPointMission::GetCurrentCheckPoint(const CGameActor* actor) const
{
    if (actor == nullptr || actor->m_iCheckpoint < 0)
        return nullptr;
    const size_t index = static_cast<size_t>(actor->m_iCheckpoint);
    return index < m_CheckPoints.size() ? m_CheckPoints[index].get() : nullptr;
}

D3DXVECTOR3 CCheckPointMission::PositionOf(const CGameActor& actor)
{
    const D3DXMATRIX& placement = actor.m_Model.m_matScaledObject;
    return D3DXVECTOR3(placement._41, placement._42, placement._43);
}

void CCheckPointMission::AimArrowAtCurrent()
{
    const D3DXVECTOR3 lift(0.0f, ARROW_LIFT, 0.0f);
    const D3DXVECTOR3 eye = PositionOf(*m_pPlayer) + lift;
    const D3DXVECTOR3 target = GetCurrentCheckPoint(m_pPlayer)->GetPosition() + lift;
    AimArrow(eye, target, m_pPlayer->m_pCar != nullptr ? ARROW_SCALE_IN_CAR : ARROW_SCALE_ON_FOOT);
}

void CCheckPointMission::AimArrow(const D3DXVECTOR3& eye, const D3DXVECTOR3& target, float scale)
{
    D3DXMATRIX local;
    if (ArrowPlacement(eye, target, local))
        m_Pointer.SetLocalMatrix(local);
    m_Pointer.SetScale(scale);
    m_Pointer.UpdateWorldMatrix();
}

bool CCheckPointMission::ArrowPlacement(const D3DXVECTOR3& eye, const D3DXVECTOR3& target, D3DXMATRIX& local)
{
    D3DXVECTOR3 forward;
    D3DXVECTOR3 right;
    D3DXVECTOR3 up;
    if (!Normalise(target - eye, forward) || !Normalise(Cross(forward, D3DXVECTOR3(0.0f, 1.0f, 0.0f)), right) ||
        !Normalise(Cross(forward, right), up))
        return false;
    D3DXMatrixIdentity(&local);
    const D3DXVECTOR3* const rows[] = {&right, &up, &forward, &eye};
    for (int row = 0; row < 4; ++row) {
        local.m[row][0] = rows[row]->x;
        local.m[row][1] = rows[row]->y;
        local.m[row][2] = rows[row]->z;
    }
    return true;
}

// At most one checkpoint per racer per frame.
void CCheckPointMission::TestRacers()
{
    for (CGameActor* racer : m_Racers) {
        const CCheckPoint* checkPoint = GetCurrentCheckPoint(racer);
        if (checkPoint == nullptr)
            continue;
        const D3DXVECTOR3 offset = PositionOf(*racer) - checkPoint->GetPosition();
        if (D3DXVec3Length(&offset) >= checkPoint->m_fSize)
            continue;
        ++racer->m_iCheckpoint;
        OnCheckPointReached(*checkPoint);
    }
}

void CCheckPointMission::Draw(ERenderPass)
{
    CCheckPoint* current = GetCurrentCheckPoint(m_pPlayer);
    if (current == nullptr)
        return;
    current->m_Effect.Render();
    if (m_bHasPointer)
        m_Pointer.AddToRender(false, false);
}

void CCheckPointMission::End()
{
    CMission::End();
    m_CheckPoints.clear();
    m_Racers.clear();
    m_pPlayer = nullptr;
    m_bCinemaBegun = false;
}

bool CTimedCheckPointMission::Parse(CDataBuffer& reader)
{
    if (CCheckPointMission::Parse(reader))
        return true;
    if (!reader.Match(KEYWORD_TIME_LIMIT))
        return false;
    m_fTimeLimit = reader.GetFloat();
    return true;
}

void CTimedCheckPointMission::ShowStep()
{
    DrawStepText(TEXT_FOLLOW, TEXT_X, TEXT_Y, TEXT_COLOUR);
    DrawStepText(TEXT_TIME_LEFT, TEXT_X, TIME_LEFT_Y, TEXT_COLOUR);
    char timeLeft[32];
    std::snprintf(timeLeft, sizeof(timeLeft), "%.1f", static_cast<double>(GetTimeLeft()));
    DrawStepText(timeLeft, TIME_VALUE_X, TIME_LEFT_Y, TEXT_COLOUR);
}

void CTimedCheckPointMission::OnCheckPointReached(const CCheckPoint& checkPoint)
{
    m_fTimeLimit += checkPoint.m_fTime;
}

// A run that ends in the frame the time runs out is won.
int CTimedCheckPointMission::Update()
{
    const float seconds = g_FrameTimer.GetFrameTime();
    if (!RunCommonFrame(seconds))
        return MISSION_RUNNING;
    if (IsWon()) {
        if (GetVictorySound().empty()) {
            m_u8Finished = 1;
            return MISSION_WON;
        }
        return RunVictory(seconds);
    }
    if (!IsFailed() && m_fElapsedTime > m_fTimeLimit) {
        m_u8Failed = 1;
        m_fVictoryTime = 0.0f;
    }
    if (!IsFailed())
        return MISSION_RUNNING;
    DrawStepText(TEXT_LOSS, TEXT_X, TEXT_Y, WIN_COLOUR);
    m_fVictoryTime += seconds;
    return HasClosingDelayPassed() ? MISSION_FAILED : MISSION_RUNNING;
}
