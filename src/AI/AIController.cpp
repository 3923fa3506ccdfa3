#include "AI/AIController.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "Actors/Car.h"
#include "Actors/GameActor.h"
#include "Core/Clock.h"

D3DXVECTOR3 SafeNormalize(const D3DXVECTOR3& v)
{
    const float length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (length == 0.0f)
        return D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    return D3DXVECTOR3(v.x / length, v.y / length, v.z / length);
}

D3DXVECTOR3 Horizontal(const D3DXVECTOR3& v)
{
    return D3DXVECTOR3(v.x, 0.0f, v.z);
}

D3DXVECTOR3 HorizontalDirection(const D3DXVECTOR3& v)
{
    return SafeNormalize(Horizontal(v));
}

float HorizontalSide(const D3DXVECTOR3& facing, const D3DXVECTOR3& direction)
{
    return facing.z * direction.x - facing.x * direction.z;
}

D3DXVECTOR3 CarPosition(const CCar& car)
{
    const D3DXMATRIX& world = car.m_Body.GetWorldMatrix();
    return D3DXVECTOR3(world._41, world._42, world._43);
}

D3DXVECTOR3 StandingPosition(const CGameActor& actor)
{
    if (actor.m_pCar != nullptr)
        return CarPosition(*actor.m_pCar);
    return actor.m_Model.m_vPosition;
}

// 95 percent of the way, 8 metres to the right.
D3DXVECTOR3 EvasionPoint(const D3DXVECTOR3& from, const D3DXVECTOR3& other)
{
    const float share = 0.95f;
    const float side = 8.0f;
    const D3DXVECTOR3 toward = other - from;
    const D3DXVECTOR3 direction = SafeNormalize(toward);
    const D3DXVECTOR3 right = SafeNormalize(D3DXVECTOR3(direction.z, 0.0f, -direction.x));
    return from + direction * (share * D3DXVec3Length(&toward)) + right * side;
}

const char* StateNameIn(const char* const* names, int count, int state)
{
    if (state < 0 || state >= count)
        return nullptr;
    return names[state];
}

int FindStateIn(const char* const* names, int count, const std::string& name)
{
    for (int state = 0; state < count; ++state) {
        if (name == names[state])
            return state;
    }
    return -1;
}

void CPursuitTarget::SetActor(CGameActor* actor)
{
    m_pObject = actor;
    m_pActor = actor;
}

void CPursuitTarget::Forget(const CCollidableObject* object)
{
    if (object == nullptr)
        return;
    if (m_pObject == object || m_pActor == object)
        *this = CPursuitTarget();
}

// An actor's collision record points at its model only once the actor has
// updated (a fresh copy still points into its prototype).
bool CPursuitTarget::ObjectPosition(D3DXVECTOR3& position) const
{
    if (m_pActor != nullptr) {
        position = StandingPosition(*m_pActor);
        return true;
    }
    if (m_pObject == nullptr || m_pObject->m_CollisionObject.m_pMatrix == nullptr)
        return false;
    const D3DXMATRIX& world = *m_pObject->m_CollisionObject.m_pMatrix;
    position = D3DXVECTOR3(world._41, world._42, world._43);
    return true;
}

// --- CPursuer

namespace {

// Never destroyed: pursuers and the objects they watch can be globals that
// die at exit after any static of this file, and still reach the registry.
std::vector<CPursuer*>& Pursuers()
{
    static std::vector<CPursuer*>* const pursuers = new std::vector<CPursuer*>();
    return *pursuers;
}

} // namespace

// The hook stays installed only while someone listens.
CPursuer::CPursuer()
{
    Pursuers().push_back(this);
    CCollidableObject::s_pOnDestroyed = &CPursuer::ForgetEverywhere;
}

CPursuer::~CPursuer()
{
    std::vector<CPursuer*>& pursuers = Pursuers();
    pursuers.erase(std::remove(pursuers.begin(), pursuers.end(), this), pursuers.end());
    if (pursuers.empty())
        CCollidableObject::s_pOnDestroyed = nullptr;
}

void CPursuer::ForgetEverywhere(CCollidableObject* object)
{
    for (CPursuer* pursuer : Pursuers())
        pursuer->Forget(object);
}

// --- CTargetPoint

CTargetPoint CTargetPoint::Own(const D3DXVECTOR3& point)
{
    CTargetPoint target;
    target.m_Kind = OWN;
    target.m_vOwn = point;
    return target;
}

CTargetPoint CTargetPoint::Node(const cGraphNode* node)
{
    CTargetPoint target;
    target.m_Kind = node != nullptr ? NODE : NONE;
    target.m_pNode = node;
    return target;
}

CTargetPoint CTargetPoint::Caller(const D3DXVECTOR3* point)
{
    CTargetPoint target;
    target.m_Kind = point != nullptr ? CALLER : NONE;
    target.m_pCaller = point;
    return target;
}

CTargetPoint CTargetPoint::From(const D3DXVECTOR3* point, bool copy)
{
    return copy && point != nullptr ? Own(*point) : Caller(point);
}

const D3DXVECTOR3* CTargetPoint::Get() const
{
    switch (m_Kind) {
    case OWN:
        return &m_vOwn;
    case NODE:
        return m_pNode->GetPosition();
    case CALLER:
        return m_pCaller;
    case NONE:
        break;
    }
    return nullptr;
}

// --- CAIController

CAIController::CAIController()
{
    m_NearCars.reserve(NEAR_LIST_SIZE);
    m_NearActors.reserve(NEAR_LIST_SIZE);
    CAIController::Init();
}

bool CAIController::Init()
{
    CController::Init();
    ClearInputs();
    ClearNearLists();
    return true;
}

bool CAIController::Shutdown()
{
    if (!m_bStarted)
        return false;
    Init();
    m_bRunning = false;
    m_bStarted = false;
    return true;
}

bool CAIController::Start()
{
    if (m_bStarted)
        return false;
    Init();
    CStateMachine::Start();
    m_bRunning = true;
    m_bStarted = true;
    return true;
}

void CAIController::ClearInputs()
{
    std::memset(m_Actions, 0, sizeof m_Actions);
    std::memset(m_Axes, 0, sizeof m_Axes);
}

void CAIController::Step(bool countDownDelay)
{
    if (countDownDelay) {
        m_DelayTimer -= g_FrameTimer.GetFrameTime();
        if (m_DelayTimer < 0.0f)
            m_DelayTimer = 0.0f;
    }
    ClearInputs();
    CStateMachine::Update();
}

void CAIController::ScanCars(const D3DXVECTOR3& point, float boundSq)
{
    m_NearCars.clear();
    if (g_pLevel != nullptr)
        g_pLevel->FindNearestCars(m_NearCars, NEAR_LIST_SIZE, point, boundSq);
}

void CAIController::ScanActors(const D3DXVECTOR3& point, float boundSq, bool includeInCars)
{
    m_NearActors.clear();
    CLevel::FindNearestActors(m_NearActors, NEAR_LIST_SIZE, point, boundSq, includeInCars);
}

void CAIController::ClearNearLists()
{
    m_NearCars.clear();
    m_NearActors.clear();
}

// --- CAICarController

bool CAICarController::Init()
{
    CAIController::Init();
    m_Cursor[0] = 0.5f;
    m_Cursor[1] = 0.5f;
    m_pAgent = nullptr;
    m_pCar = nullptr;
    m_fHornTimer = 0.0f;
    m_fHornInterval = 0.0f;
    m_u8HornOn = 0;
    return true;
}

void CAICarController::ScanAroundCar(const D3DXVECTOR3& position)
{
    ScanActors(position, SCAN_RADIUS_SQ, false);
    ScanCars(position, SCAN_RADIUS_SQ);
}

void CAICarController::SetCursorPosition(const float* position)
{
    if (position == nullptr)
        return;
    m_Cursor[0] = position[0];
    m_Cursor[1] = position[1];
}

const D3DXMATRIX* CAICarController::GetCameraMatrix() const
{
    return &g_GameCamera.GetViewMatrix();
}

// --- CAIPersonController

// As the game camera chases the player.
void CAIPersonController::FollowActor(const CGameActor* actor)
{
    m_Camera.m_pController = this;
    if (actor == nullptr) {
        m_Camera.m_pTarget = nullptr;
        return;
    }
    m_Camera.ChaseFrom(actor->m_Model.m_matWorld);
}
