#include "Game/MissionIntro.h"

#include <string>

#include "AI/AIControllerSet.h"
#include "Actors/GameActor.h"
#include "Core/Clock.h"
#include "Display/Camera.h"
#include "Display/Font2D.h"
#include "Game/Conversation.h"
#include "Game/HUD.h"
#include "Input/Controller.h"
#include "Input/InputManager.h"
#include "Level/Level.h"

namespace {

const char* const KEYWORD_NORMAL_PED = "AINormalPed";
const char* const KEYWORD_PEDESTRIAN = "AIPedestrian";
const char* const KEYWORD_SPAWN_ORIENTATION = "SpawnOrientation";
const char* const KEYWORD_PLAYER_ORIENTATION = "PlayerStartOrientation";
const char* const KEYWORD_PLAYER_ANIMATION = "PlayerStartAnimation";
const char* const KEYWORD_CAMERA_ANGLE = "CameraStartAngle";
const char* const INTERRUPT_STATE = "interrupt_state";

const char* const JOB_MESSAGE = "          You got a job!\n"
                                "You should deliver the package\n"
                                "    already in the truck.";

// The stops of the walk, x and z; the guide's height is added when it starts.
const float WAYPOINTS[CMissionIntro::WAYPOINT_COUNT][2] = {
    {-56.1f, -56.2f}, {-41.55f, -54.6f}, {-35.55f, -54.6f}, {-32.3f, -58.2f}, {-25.0f, -67.4f},
};
// Where the guide walks off to once the job is given: the truck.
const float LEAVE_X = -30.2f;
const float LEAVE_Z = -83.6f;

D3DXVECTOR3 PositionOf(const CGameActor& actor)
{
    return actor.m_Model.m_vPosition;
}

D3DXVECTOR3 HorizontalUnit(const D3DXVECTOR3& v)
{
    D3DXVECTOR3 flat(v.x, 0.0f, v.z);
    if (D3DXVec3LengthSq(&flat) > 0.0f)
        D3DXVec3Normalize(&flat, &flat);
    return flat;
}

// The first three rows of a spawn matrix are its axes: each made of unit length.
D3DXMATRIX NormaliseAxes(D3DXMATRIX matrix)
{
    for (int row = 0; row < 3; ++row) {
        D3DXVECTOR3 axis(matrix.m[row][0], matrix.m[row][1], matrix.m[row][2]);
        if (D3DXVec3LengthSq(&axis) == 0.0f)
            continue;
        D3DXVec3Normalize(&axis, &axis);
        matrix.m[row][0] = axis.x;
        matrix.m[row][1] = axis.y;
        matrix.m[row][2] = axis.z;
    }
    return matrix;
}

void ReadSpawnOrientation(CDataBuffer& reader, CAIControllerSet& agent)
{
    if (reader.Match(KEYWORD_SPAWN_ORIENTATION))
        agent.m_matWorld = NormaliseAxes(reader.GetMatrix());
}

// The player in a car is where the car's seat puts it.
D3DXVECTOR3 PlayerPosition()
{
    const D3DXMATRIX& placement = g_PlayerActor->m_Model.m_matScaledObject;
    return D3DXVECTOR3(placement._41, placement._42, placement._43);
}

// The guide is sent walking to `target` (copied).
void Send(CNormalPedController& walker, const D3DXVECTOR3& target)
{
    walker.SetState(CNormalPedController::STATE_WALKING);
    walker.SetTarget(&target, true);
}

bool IsIdle(const CNormalPedController& walker)
{
    return walker.GetState() == CNormalPedController::STATE_IDLE && !walker.IsChangePending();
}

} // namespace

CMissionIntro::CMissionIntro()
{
    m_Message.SetFont(&g_FontVerdana13);
}

bool CMissionIntro::ParsePre(CDataBuffer& reader)
{
    reader.Match(KEYWORD_NORMAL_PED);
    return CMission::ParsePre(reader);
}

bool CMissionIntro::Parse(CDataBuffer& reader)
{
    if (CMission::Parse(reader))
        return true;
    // Agents live in a level: without one the guide is an unknown word.
    if (g_pLevel != nullptr && reader.Match(KEYWORD_PEDESTRIAN)) {
        ReadGuide(reader);
    } else if (reader.Match(KEYWORD_PLAYER_ORIENTATION)) {
        PlacePlayer(reader.GetMatrix());
    } else if (reader.Match(KEYWORD_PLAYER_ANIMATION)) {
        SetPlayerAnimation(reader.GetString());
    } else if (reader.Match(KEYWORD_CAMERA_ANGLE)) {
        SetCameraAngle(reader.GetFloat());
    } else {
        if (!m_Message.Load(reader))
            return false;
        m_Message.SetFont(&g_FontVerdana13);
    }
    return true;
}

// The level owns the agent; a missing actor is fatal in the asset manager.
void CMissionIntro::ReadGuide(CDataBuffer& reader)
{
    CAIControllerSet* agent = g_pLevel->AddAgent();
    m_Agents.push_back(agent);
    const std::string actorName = reader.GetString();
    agent->CreatePedestrian(actorName.c_str(), nullptr);
    agent->m_u8RecyclingEnabled = 0;
    agent->m_u8InUse = 1;
    agent->m_u8RecycleRequested = 0;
    agent->UsePedController();
    ReadSpawnOrientation(reader, *agent);
    CGameActor* actor = agent->GetActor();
    while (!reader.IsEndOfBuffer() && actor->ReadProperty(reader)) {
    }
    actor->m_Model.UpdateWorldMatrix();
    ReadSpawnOrientation(reader, *agent);
}

void CMissionIntro::PlacePlayer(const D3DXMATRIX& orientation) const
{
    if (g_PlayerActor == nullptr)
        return;
    g_PlayerActor->m_Model.m_matObject = orientation;
    g_PlayerActor->m_Model.UpdateWorldMatrix();
    if (g_PlayerActor->m_PhysicsObject.m_pActor != nullptr)
        g_PlayerActor->SyncPhysicsPose();
}

void CMissionIntro::SetPlayerAnimation(const std::string& name)
{
    if (g_PlayerActor != nullptr)
        g_PlayerActor->m_Model.SetAnimation(name.c_str());
}

// The follow camera is the one the player's controller hands out.
void CMissionIntro::SetCameraAngle(float angle)
{
    if (g_PlayerActor == nullptr || g_PlayerActor->m_pController == nullptr)
        return;
    if (CCamera* camera = g_PlayerActor->m_pController->GetCamera())
        camera->m_fVerticalAngle = angle;
}

int CMissionIntro::Update()
{
    if (!m_bCinemaBegun) {
        m_bCinemaBegun = true;
        BeginCinema();
    }
    if (!RunStartCinema())
        return MISSION_RUNNING;
    if (!m_bCinemaEnded) {
        m_bCinemaEnded = true;
        EndCinema();
    }
    m_fElapsedTime += g_FrameTimer.GetFrameTime();
    if (IsWon()) {
        m_u8Finished = 1;
        return MISSION_WON;
    }
    m_Message.UpdateEffects();
    m_Message.Draw();
    CAIControllerSet* guide = GetGuide();
    if (guide == nullptr || guide->GetPedController() == nullptr || guide->GetActor() == nullptr)
        return MISSION_RUNNING;
    switch (m_Step) {
    case STEP_WALK_AND_TALK:
        WalkAndTalk(*guide);
        break;
    case STEP_JOB_MESSAGE:
        ShowJobMessage(*guide);
        break;
    case STEP_LEAVE:
        Leave(*guide);
        break;
    }
    return MISSION_RUNNING;
}

// The player watches: no control, no HUD, until the cinema ends.
void CMissionIntro::BeginCinema()
{
    g_InputManager.PushContext(CInputManager::CONTEXT_HELD);
    g_HUD.m_bVisible = 0;
    ClearTalk();
    m_iWaypoint = 0;
    m_Step = STEP_WALK_AND_TALK;
    CAIControllerSet* guide = GetGuide();
    if (guide == nullptr || guide->GetActor() == nullptr)
        return;
    if (guide->m_u8InUse != 0)
        guide->GetPedController()->SetArrivalRadiusSq(ARRIVAL_RADIUS * ARRIVAL_RADIUS);
    const float height = PositionOf(*guide->GetActor()).y;
    m_Waypoints.clear();
    for (const float(&stop)[2] : WAYPOINTS)
        m_Waypoints.emplace_back(stop[0], height, stop[1]);
}

void CMissionIntro::EndCinema()
{
    g_InputManager.PushContext(CInputManager::CONTEXT_PLAY);
    g_HUD.m_bVisible = 1;
    g_pActiveCamera = &g_GameCamera;
}

void CMissionIntro::WalkAndTalk(CAIControllerSet& guide)
{
    if (m_iWaypoint >= static_cast<int>(m_Waypoints.size())) {
        m_Step = STEP_JOB_MESSAGE;
        return;
    }
    if (!WalkTo(guide, m_Waypoints[m_iWaypoint]))
        return;
    FacePlayer(guide);
    const float distance = DistanceToPlayer(guide);
    CConversationWindow& window = g_HUD.m_ConversationWindow;
    if ((m_u8Talking == 0 || m_u8Interrupted != 0) && distance < TALK_RANGE) {
        // Nothing to end: a talk broken off has been closed already.
        window.StartConversation(CONVERSATION, false);
        if (m_u8Interrupted != 0)
            m_u8Resumed = 1;
        m_u8Interrupted = 0;
        m_u8Talking = 1;
        return;
    }
    if (m_u8Talking == 0 || m_u8Interrupted != 0)
        return;
    if (window.m_pConversation != nullptr) {
        if (distance > BREAK_OFF_RANGE)
            BreakOff();
        return;
    }
    // The window has let the talk go.
    if (m_u8Resumed != 0) {
        if (distance > BREAK_OFF_RANGE)
            ClearTalk();
        return;
    }
    ClearTalk();
    MoveOn(guide);
}

void CMissionIntro::BreakOff()
{
    CConversationWindow& window = g_HUD.m_ConversationWindow;
    CConversation& talk = *window.m_pConversation;
    const ConversationBranch* branch = talk.GetCurrentBranch();
    const char* state = branch != nullptr ? talk.GetBranchProperty(branch->m_Name, INTERRUPT_STATE) : nullptr;
    if (state != nullptr) {
        talk.SetState(std::string(state));
        window.SetConversation(nullptr, false);
        m_u8Interrupted = 1;
        m_u8Resumed = 0;
        return;
    }
    window.SetConversation(nullptr, true);
    if (m_u8Resumed != 0)
        ClearTalk();
    else
        m_u8Interrupted = 1;
}

void CMissionIntro::MoveOn(CAIControllerSet& guide)
{
    ++m_iWaypoint;
    if (m_iWaypoint >= static_cast<int>(m_Waypoints.size())) {
        m_Step = STEP_JOB_MESSAGE;
        return;
    }
    Send(*guide.GetPedController(), m_Waypoints[m_iWaypoint]);
}

void CMissionIntro::ShowJobMessage(CAIControllerSet& guide)
{
    m_Message.SetString(JOB_MESSAGE);
    m_Message.SetVisible(true);
    m_Message.ResetEffects();
    m_fVictoryTime = 0.0f;
    m_vLeaveTarget = D3DXVECTOR3(LEAVE_X, PositionOf(*guide.GetActor()).y, LEAVE_Z);
    Send(*guide.GetPedController(), m_vLeaveTarget);
    PlayVictorySoundOnce();
    m_Step = STEP_LEAVE;
}

void CMissionIntro::Leave(CAIControllerSet& guide)
{
    if (WalkTo(guide, m_vLeaveTarget))
        FacePlayer(guide);
    m_fVictoryTime += g_FrameTimer.GetFrameTime();
    if (m_fVictoryTime >= LEAVE_TIME)
        m_u8Won = 1;
}

// Within the walker's arrival radius of `target`; an idle guide short of it
// is sent again.
bool CMissionIntro::WalkTo(CAIControllerSet& guide, const D3DXVECTOR3& target) const
{
    CNormalPedController& walker = *guide.GetPedController();
    const D3DXVECTOR3 offset = target - PositionOf(*guide.GetActor());
    if (D3DXVec3LengthSq(&offset) <= walker.GetArrivalRadiusSq())
        return true;
    if (IsIdle(walker))
        Send(walker, target);
    return false;
}

// Only an idle guide starts a turn: one turn at a time.
void CMissionIntro::FacePlayer(CAIControllerSet& guide) const
{
    if (g_PlayerActor == nullptr || DistanceToPlayer(guide) >= FACE_PLAYER_RANGE)
        return;
    CNormalPedController& walker = *guide.GetPedController();
    if (!IsIdle(walker))
        return;
    const CGameActor& actor = *guide.GetActor();
    const D3DXVECTOR3 player = PlayerPosition();
    const D3DXVECTOR3 facing = HorizontalUnit(actor.m_Model.m_vFacing);
    const D3DXVECTOR3 toPlayer = HorizontalUnit(player - PositionOf(actor));
    if (D3DXVec3Dot(&facing, &toPlayer) >= FACING_COSINE)
        return;
    walker.SetTarget(&player, true);
    walker.TurnToTarget();
}

void CMissionIntro::ClearTalk()
{
    m_u8Talking = 0;
    m_u8Interrupted = 0;
    m_u8Resumed = 0;
}

// Without a player nobody is near.
float CMissionIntro::DistanceToPlayer(const CAIControllerSet& guide) const
{
    if (g_PlayerActor == nullptr)
        return BREAK_OFF_RANGE * 2.0f;
    const D3DXVECTOR3 offset = PlayerPosition() - PositionOf(*guide.GetActor());
    return D3DXVec3Length(&offset);
}

void CMissionIntro::End()
{
    if (g_pLevel != nullptr) {
        for (CAIControllerSet* agent : m_Agents)
            g_pLevel->RemoveAgent(agent);
    }
    CMission::End();
}
