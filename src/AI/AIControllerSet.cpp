#include "AI/AIControllerSet.h"

#include <cmath>
#include <string>

#include "AI/AIPool.h"
#include "Actors/Car.h"
#include "Actors/GameActor.h"
#include "Core/AssetManager.h"
#include "Core/Clock.h"
#include "Core/StepTrace.h"
#include "Core/Utility.h"
#include "Level/Terrain.h"

namespace {

enum { ROW_FORWARD = 2, ROW_POSITION = 3 };

const float PEDESTRIAN_AHEAD = 1.0f;
const float CAR_AHEAD = 5.0f;
// Of the view range squared: a driver is drawn less far than a walker.
const float DRAW_SHARE_IN_CAR = 0.5f;
const float DRAW_SHARE_ON_FOOT = 0.75f;
const char* const SIT_ANIMATION = "Sit";

D3DXVECTOR3 Translation(const D3DXMATRIX& matrix)
{
    return GetMatrixRow(matrix, ROW_POSITION);
}

// `distance` along the player's heading from the player; the origin
// without a player.
D3DXVECTOR3 AheadOfPlayer(float distance)
{
    if (g_PlayerActor == nullptr)
        return D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    const D3DXMATRIX& placement = g_PlayerActor->m_Model.m_matObject;
    return Translation(placement) + SafeNormalize(GetMatrixRow(placement, ROW_FORWARD)) * distance;
}

float DistanceSq(const D3DXVECTOR3& a, const D3DXVECTOR3& b)
{
    const D3DXVECTOR3 d = a - b;
    return d.x * d.x + d.y * d.y + d.z * d.z;
}

// How far below its origin the car's root box reaches (negative), 0 without one.
float BoxMin(const CCar& car)
{
    const CCollisionBox* root = car.m_CollisionObject.m_pRoot.get();
    return root != nullptr ? root->m_vMin.y : 0.0f;
}

// The car no longer names `driver` as its driver, and the driver holds no car.
void LetGoOfCar(CAICarController* driver)
{
    if (driver == nullptr || driver->GetCar() == nullptr)
        return;
    if (driver->GetCar()->GetController() == driver)
        driver->GetCar()->SetController(nullptr);
    driver->SetCar(nullptr);
}

} // namespace

CAIControllerSet::CAIControllerSet()
{
    Reset();
}

CAIControllerSet::~CAIControllerSet()
{
    Reset();
    m_u8PedActive = 0;
    m_u8PoliceActive = 0;
    m_u8CarActive = 0;
    m_u8ChaseActive = 0;
    LetGoOfCar(m_pCarController.get());
    m_pPedController.reset();
    m_pCarController.reset();
}

template <class Controller>
std::unique_ptr<Controller> CAIControllerSet::MakeController()
{
    auto controller = std::make_unique<Controller>();
    controller->Start();
    controller->SetAgent(this);
    return controller;
}

// --- Queries

CCar* CAIControllerSet::GetCar() const
{
    const CAICarController* driver = GetActiveCarController();
    return driver != nullptr ? driver->GetCar() : nullptr;
}

CGameActor* CAIControllerSet::GetActor() const
{
    return m_pPedController != nullptr ? m_pPedController->GetActor() : nullptr;
}

CAIPersonController* CAIControllerSet::GetPersonController() const
{
    if (m_u8PedActive && m_pPedController != nullptr)
        return m_pPedController.get();
    if (m_u8PoliceActive && m_pPoliceController != nullptr)
        return m_pPoliceController.get();
    return nullptr;
}

CAICarController* CAIControllerSet::GetActiveCarController() const
{
    if (m_u8CarActive && m_pCarController != nullptr)
        return m_pCarController.get();
    if (m_u8ChaseActive && m_pChaseController != nullptr)
        return m_pChaseController.get();
    return nullptr;
}

// --- Cars

void CAIControllerSet::PersonLeaveCar()
{
    CAIPersonController* person = GetPersonController();
    if (person == nullptr)
        return;
    if (CGameActor* actor = GetActor()) {
        actor->m_pCar = nullptr;
        actor->m_Model.m_pParentMatrix = nullptr;
    }
    person->ReturnFromState();
    person->ProcessStateChange();
}

void CAIControllerSet::PersonEnterCar(CCar* car)
{
    CAIPersonController* person = GetPersonController();
    if (person == nullptr)
        return;
    if (CGameActor* actor = GetActor())
        actor->m_pCar = car;
    person->PushState();
    person->SetState(person->GetDrivingState());
    person->ProcessStateChange();
}

void CAIControllerSet::DriverTakeCar(CCar* car)
{
    CAICarController* driver = GetActiveCarController();
    if (driver == nullptr)
        return;
    driver->SetCar(car);
    if (car != nullptr)
        car->SetController(driver);
}

void CAIControllerSet::DriverReleaseCar()
{
    CAICarController* driver = GetActiveCarController();
    if (driver == nullptr)
        return;
    LetGoOfCar(driver);
    driver->SetState(0);
    driver->ProcessStateChange();
}

void CAIControllerSet::SetVehicle(CCar* car)
{
    if (IsInCar()) {
        PersonLeaveCar();
        DriverReleaseCar();
        return;
    }
    if (car == nullptr)
        return;
    PersonEnterCar(car);
    DriverTakeCar(car);
}

void CAIControllerSet::GetOutOfCar()
{
    if (CAIPersonController* person = GetPersonController())
        person->SetState(CAIPersonController::STATE_GETTING_OUT);
}

// --- Switching

void CAIControllerSet::UsePedController()
{
    if (m_u8PedActive)
        return;
    CGameActor* actor = GetActor();
    if (actor != nullptr) {
        actor->m_pController = m_pPedController.get();
        m_pPedController->SetState(IsInCar() ? CNormalPedController::STATE_DRIVING : CNormalPedController::STATE_IDLE);
    }
    m_u8PoliceActive = 0;
    m_u8PedActive = 1;
}

void CAIControllerSet::UsePoliceController()
{
    if (IsPoliceActive())
        return;
    if (m_pPoliceController == nullptr)
        m_pPoliceController = MakeController<CNormalPoliceController>();
    CGameActor* actor = GetActor();
    m_pPoliceController->SetActor(actor);
    if (actor != nullptr) {
        actor->m_pController = m_pPoliceController.get();
        m_pPoliceController->SetState(IsInCar() ? CNormalPoliceController::STATE_PATROLLING
                                                : CNormalPoliceController::STATE_IDLE);
    }
    m_u8PedActive = 0;
    m_u8PoliceActive = 1;
}

void CAIControllerSet::HandOverCar(CAICarController& active, CAICarController& next)
{
    CCar* car = active.GetCar();
    next.SetCar(car);
    if (car == nullptr)
        return;
    DriverReleaseCar();
    car->SetController(&next);
}

void CAIControllerSet::UseNormalCarController()
{
    if (m_u8CarActive)
        return;
    if (m_pCarController != nullptr) {
        if (m_u8ChaseActive && m_pChaseController != nullptr)
            HandOverCar(*m_pChaseController, *m_pCarController);
        m_pCarController->SetState(CNormalCarController::STATE_IDLE);
    }
    m_u8ChaseActive = 0;
    m_u8CarActive = 1;
}

void CAIControllerSet::UseChaseController()
{
    if (m_u8ChaseActive && m_pChaseController != nullptr)
        return;
    if (m_pChaseController == nullptr)
        m_pChaseController = MakeController<CChaseCarController>();
    if (m_u8CarActive && m_pCarController != nullptr)
        HandOverCar(*m_pCarController, *m_pChaseController);
    m_pChaseController->SetState(CChaseCarController::STATE_IDLE);
    m_u8CarActive = 0;
    m_u8ChaseActive = 1;
}

// --- Creation

bool CAIControllerSet::CreatePedestrian(const char* actorName, const D3DXVECTOR3* position)
{
    Reset();
    const D3DXVECTOR3 place = position != nullptr ? *position : AheadOfPlayer(PEDESTRIAN_AHEAD);
    CGameActor* prototype = nullptr;
    g_AssetManager.GetAssetByUpperName(UpperCase(actorName), prototype, true);
    if (m_pPedController == nullptr)
        m_pPedController = MakeController<CNormalPedController>();
    auto actor = std::make_unique<CGameActor>(*prototype);
    actor->m_Model.SetPosition(&place);
    actor->m_Model.UpdateWorldMatrix();
    actor->m_pController = m_pPedController.get();
    actor->UpdateCollision();
    actor->CreatePhysics();
    // The body is made at the origin: without this the first pose step
    // would carry the actor there.
    actor->SyncPhysicsPose();
    m_pPedController->SetActor(std::move(actor));
    m_u8PoliceActive = 0;
    m_u8PedActive = 1;
    if (m_pCarController == nullptr)
        m_pCarController = MakeController<CNormalCarController>();
    return true;
}

bool CAIControllerSet::CreateDriver(const char* actorName, CCar* car)
{
    if (car == nullptr)
        return false;
    const D3DXVECTOR3 place = Translation(car->m_Body.GetWorldMatrix());
    if (!CreatePedestrian(actorName, &place))
        return false;
    m_u8ChaseActive = 0;
    m_u8CarActive = 1;
    SetVehicle(car);
    CGameActor& actor = *GetActor();
    D3DXMatrixIdentity(&actor.m_Model.m_matObject);
    actor.m_Model.m_pParentMatrix = car->GetDriverSeat();
    actor.m_Model.UpdateWorldMatrix();
    actor.m_Model.SetAnimation(SIT_ANIMATION);
    actor.DisablePhysics();
    return true;
}

bool CAIControllerSet::CreateCar(const char* driverName, const char* carName, const D3DXVECTOR3* position,
                                 CAIPool* pool)
{
    CCar* prototype = nullptr;
    g_AssetManager.GetAssetByUpperName(UpperCase(carName), prototype, false);
    if (prototype == nullptr)
        return false;
    D3DXVECTOR3 place = position != nullptr ? *position : AheadOfPlayer(CAR_AHEAD);
    if (position == nullptr && g_pLevel != nullptr && g_pLevel->GetTerrain() != nullptr) {
        D3DXVECTOR3 ground = place;
        g_pLevel->GetTerrain()->GetHeight(place, ground, nullptr);
        place.y = ground.y;
    }
    auto made = std::make_unique<CCar>(*prototype);
    place.y -= BoxMin(*made);
    made->m_Body.SetPosition(&place);
    made->m_Body.UpdateWorldMatrix();
    CCar* car = made.get();
    if (pool != nullptr)
        pool->AddPooledCar(std::move(made));
    else
        made.release(); // the caller takes it through GetCar
    car->Reset();
    return CreateDriver(driverName, car);
}

// --- Per frame

void CAIControllerSet::Update()
{
    TraceStep("CAIControllerSet::Update");
    if (CAIPersonController* person = GetPersonController())
        person->Update();
    if (CGameActor* actor = GetActor()) {
        actor->Update();
        actor->UpdateAnimation();
    }
    if (CAICarController* driver = GetActiveCarController())
        driver->Update();
    if (!m_u8RecyclingEnabled || !ShouldRecycle())
        return;
    m_u8RecycleRequested = 1;
    CCar* car = GetCar();
    if (car != nullptr && car->m_bRecyclable)
        car->m_bRemoved = true;
}

bool CAIControllerSet::ShouldRecycle() const
{
    if (g_pActiveCamera == nullptr)
        return false;
    const CCar* car = GetCar();
    const CGameActor* actor = GetActor();
    if (car == nullptr && actor == nullptr)
        return false;
    const D3DXVECTOR3 place =
        car != nullptr ? Translation(car->m_Body.GetWorldMatrix()) : Translation(actor->m_Model.m_matWorld);
    const float distance = std::sqrt(DistanceSq(place, g_pActiveCamera->GetPosition()));
    return distance > m_fViewRange && m_fOutOfViewTimer > OUT_OF_VIEW_SECONDS;
}

void CAIControllerSet::Draw(bool mainPass)
{
    TraceStep("CAIControllerSet::Draw");
    CGameActor* actor = GetActor();
    if (actor == nullptr)
        return;
    if (g_pActiveCamera == nullptr) {
        actor->Draw();
        return;
    }
    const float distanceSq = DistanceSq(g_pActiveCamera->GetPosition(), Translation(actor->m_Model.m_matWorld));
    const float limit = m_fViewRange * m_fViewRange * (IsInCar() ? DRAW_SHARE_IN_CAR : DRAW_SHARE_ON_FOOT);
    if (distanceSq <= limit) {
        if (mainPass)
            m_fOutOfViewTimer = 0.0f;
        actor->Draw();
        return;
    }
    if (mainPass)
        m_fOutOfViewTimer += g_FrameTimer.GetFrameTime();
}

// --- Life cycle

void CAIControllerSet::Reset()
{
    D3DXMatrixIdentity(&m_matWorld);
    m_fOutOfViewTimer = 0.0f;
    m_fViewRange = DEFAULT_VIEW_RANGE;
    m_u8RecyclingEnabled = 0;
    m_u8InUse = 1;
    m_u8RecycleRequested = 0;
    if (m_pPedController != nullptr && m_pCarController != nullptr) {
        if (IsInCar()) {
            PersonLeaveCar();
            DriverReleaseCar();
        }
        UsePedController();
        UseNormalCarController();
        m_pPedController->SetState(CNormalPedController::STATE_IDLE);
        m_pCarController->SetState(CNormalCarController::STATE_IDLE);
        m_pPedController->DestroyActor();
    }
    DeleteOnDemandControllers();
}

void CAIControllerSet::DeleteOnDemandControllers()
{
    m_pPoliceController.reset();
    m_u8PoliceActive = 0;
    LetGoOfCar(m_pChaseController.get());
    m_pChaseController.reset();
    m_u8ChaseActive = 0;
}
