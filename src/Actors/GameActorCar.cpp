#include "Actors/GameActor.h"

#include "AI/AIControllerSet.h"
#include "Actors/Car.h"
#include "Core/Clock.h"
#include "Core/Utility.h"
#include "Display/Camera.h"
#include "Game/CrimeManager.h"
#include "Input/Controller.h"
#include "Input/InGameMouse.h"
#include "Input/LocalController.h"
#include "Sound/Radio.h"

namespace {

const char* const SIT_ANIMATION = "Sit";
const char* const IDLE_ANIMATION = "Idle";
// Leaving a car, the actor stands this far to the left of the seat, lifted
// clear of the car's body.
const float EXIT_SIDE_OFFSET = 1.4f;
const float EXIT_LIFT = 2.0f;
// Someone who left a car stays alarmed for a while.
// An officer getting out charges the one he pursues with stealing the police
// car, unless the police want that one already.
const int STEAL_POLICE_CAR_WANTED_LIMIT = 2;

enum { ROW_RIGHT = 0, ROW_POSITION = 3 };

CAIControllerSet* AgentOf(const CController* controller)
{
    return controller != nullptr ? controller->GetAgent() : nullptr;
}

CCamera* CameraOf(const CController* controller)
{
    return controller != nullptr ? controller->GetCamera() : nullptr;
}

void SetCursorVisible(const CController* controller, bool visible)
{
    CInGameMouse* cursor = controller != nullptr ? controller->GetCursor() : nullptr;
    if (cursor != nullptr)
        cursor->SetVisible(visible);
}

void Follow(CCamera* camera, const D3DXMATRIX& target, uint32_t mode)
{
    if (camera == nullptr)
        return;
    camera->m_pTarget = &target;
    camera->m_u32Mode = mode;
}

// The driver the car had is put out; a policeman then goes after whoever
// took his car.
void PutOutDriver(CCar& car, CGameActor& taker)
{
    CAIControllerSet* driver = AgentOf(car.GetController());
    if (driver == nullptr)
        return;
    driver->GetOutOfCar();
    if (!driver->IsPoliceActive())
        return;
    driver->m_pPoliceController->SetTarget(&taker);
    driver->m_pPoliceController->m_pCar = &car;
    driver->m_pPoliceController->m_pTakenCar = &car;
}

// The officer takes up the pursuit on foot at once. When his car was taken
// from him, someone the police do not want yet becomes wanted for it; an
// officer leaving his car of his own accord reports nothing.
void PursueOnFoot(CAIControllerSet& agent, CGameActor& officer, const CCar& car)
{
    CNormalPoliceController& police = *agent.m_pPoliceController;
    CGameActor* target = police.GetTarget();
    agent.SetVehicle(nullptr);
    police.SetState(CNormalPoliceController::STATE_PURSUING_ON_FOOT);
    police.ProcessStateChange();
    police.SetTarget(target);
    const bool taken = police.m_pTakenCar == &car;
    police.m_pTakenCar = nullptr;
    if (!taken || target == nullptr || static_cast<int>(target->m_fWantedLevel) >= STEAL_POLICE_CAR_WANTED_LIMIT)
        return;
    const D3DXVECTOR3 place = GetMatrixRow(car.m_Body.GetWorldMatrix(), ROW_POSITION);
    g_CrimeFile.ReportCrime(CRIME_STEAL_POLICE_CAR, CrimeVictim(&officer), target, &place);
}

} // namespace

void CGameActor::EnterCar(CCar* pCar)
{
    m_pCar = pCar;
    if (pCar == nullptr)
        return;
    const D3DXMATRIX* seat = pCar->GetDriverSeat();
    // A locked car keeps everyone out; one without a seat has nowhere to sit.
    if (pCar->m_bBurnt || seat == nullptr) {
        m_pCar = nullptr;
        return;
    }
    PutOutDriver(*pCar, *this);
    D3DXMatrixIdentity(&m_Model.m_matObject);
    m_Model.m_pParentMatrix = seat;
    m_Model.UpdateWorldMatrix();

    if (this == g_PlayerActor) {
        if (m_pCurrentWeapon != nullptr)
            m_pCurrentWeapon->Holster();
        pCar->SetController(&g_LocalController);
        g_Radio.SetOn(true);
        Follow(CameraOf(m_pController), pCar->m_Body.GetWorldMatrix(), CCamera::MODE_FOLLOW);
        SetCursorVisible(m_pController, false);
    } else if (CAIControllerSet* agent = AgentOf(m_pController)) {
        m_pCar = nullptr;
        agent->SetVehicle(pCar);
    }
    DisablePhysics();
    m_Model.SetAnimation(SIT_ANIMATION);
}

void CGameActor::StepOutOfCar(float lift)
{
    const D3DXMATRIX& placement = m_Model.m_matScaledObject;
    D3DXVECTOR3 right = GetMatrixRow(placement, ROW_RIGHT);
    if (m_Model.m_fScale != 0.0f)
        right /= m_Model.m_fScale;
    const D3DXVECTOR3 exit = GetMatrixRow(placement, ROW_POSITION) + D3DXVECTOR3(0.0f, lift, 0.0f) -
                             right * EXIT_SIDE_OFFSET;
    SetMatrixRow(&m_Model.m_matObject, ROW_POSITION, exit);
    SyncPhysicsPose();
    EnablePhysics();
    m_Model.m_pParentMatrix = nullptr;
    m_Model.UpdateWorldMatrix();
}

void CGameActor::ExitCar()
{
    CCar* car = m_pCar;
    if (car == nullptr)
        return;
    StepOutOfCar(EXIT_LIFT);
    car->m_bBurnt = false;

    if (this == g_PlayerActor) {
        car->SetController(nullptr);
        g_Radio.SetOn(false);
        Follow(CameraOf(m_pController), m_Model.m_matObject, CCamera::MODE_CHASE);
        if (m_pCurrentWeapon != nullptr)
            SetCursorVisible(m_pController, true);
    } else if (CAIControllerSet* agent = AgentOf(m_pController)) {
        if (agent->IsPoliceActive()) {
            PursueOnFoot(*agent, *this, *car);
        } else {
            agent->SetVehicle(nullptr);
            m_pController->Alarm(GetMatrixRow(m_Model.m_matScaledObject, ROW_POSITION));
        }
    }
    m_pCar = nullptr;
    m_Model.SetAnimation(IDLE_ANIMATION);
}

void CGameActor::UpdateInCar()
{
    if (m_pController == nullptr)
        return;
    if (IsActionReleased(m_pController->GetActionCounters(), ACTION_GET_IN_CAR))
        ExitCar();
}
