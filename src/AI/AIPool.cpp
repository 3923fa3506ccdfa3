#include "AI/AIPool.h"

#include <algorithm>

#include "AI/AIControllerSet.h"
#include "Actors/Car.h"
#include "Actors/CarColorTable.h"
#include "Actors/GameActor.h"
#include "Actors/Weapon.h"
#include "Core/AssetManager.h"
#include "Core/Clock.h"
#include "Core/DataBuffer.h"
#include "Core/Log.h"
#include "Core/StepTrace.h"
#include "Game/CrimeManager.h"
#include "Level/Level.h"
#include "Level/Node.h"
#include "Level/Sidewalk.h"
#include "Level/Terrain.h"

namespace {

// The spare sector past the grid.
const uint32_t SPARE_SECTORS = 1;

// Diffuse and ambient of each marker material; specular is black, nothing glows.
const D3DCOLORVALUE MARKER_COLOURS[CAIPool::MARKER_MATERIAL_COUNT] = {
    {1.0f, 0.0f, 1.0f, 1.0f}, {1.0f, 0.0f, 0.0f, 1.0f}, {1.0f, 1.0f, 0.0f, 1.0f},
    {1.0f, 0.0f, 0.0f, 1.0f}, {1.0f, 0.5f, 0.0f, 1.0f},
};
const D3DCOLORVALUE MARKER_SPECULAR = {0.0f, 0.0f, 0.0f, 1.0f};
const int PYRAMID_MATERIAL = 0;
const int SPHERE_MATERIAL = 2;

// The agents' own colours: a pale green for the public, blue for the police.
const D3DCOLORVALUE PUBLIC_COLOUR = {0.82f, 0.93f, 0.39f, 1.0f};
const D3DCOLORVALUE POLICE_DIFFUSE = {0.0f, 0.0f, 0.825f, 1.0f};
const D3DCOLORVALUE POLICE_EMISSIVE = {0.0f, 0.0f, 0.9f, 1.0f};

// A random table value as a fraction below 1.
const float RANDOM_FRACTION = 3.051851e-5f;
// A road node's speed (mph) to the speed a spawned car starts at.
const float SPAWN_SPEED_FACTOR = 3.0f;
const float MPH_TO_SPAWN_SPEED = 0.11175682f;
// A pedestrian is placed this far above its spawn node's ground.
const float PEDESTRIAN_LIFT = 0.5f;
const char* const SIT_ANIMATION = "Sit";

D3DMATERIAL8 AgentMaterial(const D3DCOLORVALUE& diffuse, const D3DCOLORVALUE& emissive)
{
    D3DMATERIAL8 material{};
    material.Diffuse = diffuse;
    material.Ambient = diffuse;
    material.Specular = MARKER_SPECULAR;
    material.Emissive = emissive;
    return material;
}

float DistanceSq(const D3DXVECTOR3& a, const D3DXVECTOR3& b)
{
    const D3DXVECTOR3 d = a - b;
    return d.x * d.x + d.y * d.y + d.z * d.z;
}

D3DXVECTOR3 PositionOf(const D3DXMATRIX& matrix)
{
    return D3DXVECTOR3(matrix._41, matrix._42, matrix._43);
}

// How far below its origin an object's root box reaches (negative), 0 without one.
float BoxMin(const CCollidableObject& object)
{
    const CCollisionBox* root = object.m_CollisionObject.m_pRoot.get();
    return root != nullptr ? root->m_vMin.y : 0.0f;
}

// a - b, or 0 where that would go below 0.
uint32_t Less(uint32_t a, uint32_t b)
{
    return a > b ? a - b : 0;
}


// An agent out of the world forgets its last life: no state to come back
// to, no delay, no route.
void ClearForNewLife(CAIControllerSet& agent)
{
    if (CNormalPedController* ped = agent.GetPedController()) {
        ped->ClearStateStack();
        ped->SetDelay(0.0f);
        ped->ClearSidewalkNodes();
    }
    if (CNormalCarController* driver = agent.GetCarController()) {
        driver->ClearStateStack();
        driver->SetDelay(0.0f);
        driver->ClearNavigation();
    }
    // AI wanted levels never ebb: without this an officer who once killed
    // would be wanted in every later life.
    if (CGameActor* actor = agent.GetActor())
        actor->m_fWantedLevel = 0.0f;
}

// Out of the car it still holds, or with its body out of the scene.
void TakeOutOfWorld(CAIControllerSet& agent)
{
    if (agent.IsInCar()) {
        agent.SetVehicle(nullptr);
        return;
    }
    if (CGameActor* actor = agent.GetActor())
        actor->DisablePhysics();
}

// The cell of one coordinate: truncated toward zero, so a point less than a
// cell before the grid's low edge still lies in the first cell. The test is
// made on the float, so a far or non-finite coordinate is outside (-1).
int32_t CellOf(float coordinate, float origin, float size, int32_t cells)
{
    const float cell = (coordinate - origin) / size;
    if (!(cell > -1.0f && cell < static_cast<float>(cells)))
        return -1;
    return static_cast<int32_t>(cell);
}

} // namespace

CAIPool::CAIPool()
{
    InitGrid();
    CreateDebugMeshes();
}

CAIPool::~CAIPool()
{
    // The agents go first: a driver lets go of its car.
    ClearPopulation();
    m_PyramidMarker.ReleaseMesh();
    m_SphereMarker.ReleaseMesh();
}

void CAIPool::InitGrid()
{
    m_iColumns = COLUMNS;
    m_iRows = ROWS;
    m_iFileSectorCount = FILE_SECTOR_COUNT;
    m_fCellWidth = CELL_SIZE;
    m_fCellDepth = CELL_SIZE;
    m_u32SectorCount = static_cast<uint32_t>(m_iColumns * m_iRows) + SPARE_SECTORS;
    m_vOrigin = D3DXVECTOR3(ORIGIN, 0.0f, ORIGIN);
    m_pSectors = std::make_unique<CAIPoolSector[]>(m_u32SectorCount);
    for (uint32_t i = 0; i < m_u32SectorCount; ++i)
        m_pSectors[i].m_iId = static_cast<int32_t>(i);
    m_u32PedestrianCount = 0;
    m_u32CarCount = 0;
    m_u32PoliceCount = 0;
}

void CAIPool::CreateDebugMeshes()
{
    m_PyramidMarker.LoadMesh(PYRAMID_MESH);
    m_SphereMarker.LoadMesh(SPHERE_MESH);
    for (int i = 0; i < MARKER_MATERIAL_COUNT; ++i) {
        D3DMATERIAL8& material = m_MarkerMaterials[i];
        material = D3DMATERIAL8{};
        material.Diffuse = MARKER_COLOURS[i];
        material.Ambient = MARKER_COLOURS[i];
        material.Specular = MARKER_SPECULAR;
    }
    m_PyramidMarker.SetMaterial(&m_MarkerMaterials[PYRAMID_MATERIAL], true);
    m_SphereMarker.SetMaterial(&m_MarkerMaterials[SPHERE_MATERIAL], true);
}

int32_t CAIPool::SectorOf(const D3DXVECTOR3& point) const
{
    const int32_t column = CellOf(point.x, m_vOrigin.x, m_fCellWidth, m_iColumns);
    const int32_t row = CellOf(point.z, m_vOrigin.z, m_fCellDepth, m_iRows);
    if (column < 0 || row < 0)
        return -1;
    return row * m_iColumns + column;
}

void CAIPool::Clear()
{
    ClearSectors();
    ClearPopulation();
}

void CAIPool::ClearPopulation()
{
    std::vector<CCar*> pooled;
    for (const auto* cars : {&m_Cars, &m_PoliceCars})
        for (const std::unique_ptr<CCar>& car : *cars)
            pooled.push_back(car.get());
    for (auto* agents : {&m_Agents, &m_PoliceAgents}) {
        for (std::unique_ptr<CAIControllerSet>& agent : *agents) {
            if (agent->IsInCar())
                agent->SetVehicle(nullptr);
            agent.reset();
        }
        agents->clear();
    }
    // Someone else (the player, an agent the level made) may still drive a
    // pooled car: it is taken out before the car goes.
    for (CCar* car : pooled) {
        CController* driver = car->GetController();
        CAIControllerSet* agent = driver != nullptr ? driver->GetAgent() : nullptr;
        if (agent != nullptr && agent->GetCar() == car)
            agent->SetVehicle(nullptr);
    }
    m_Cars.clear();
    m_PoliceCars.clear();
    m_FreeAgents.clear();
    m_FreeCars.clear();
    m_FreePolice.clear();
    m_FreePoliceCars.clear();
    m_RoadCandidates.clear();
    m_SidewalkCandidates.clear();
    m_u32PedestrianCount = 0;
    m_u32CarCount = 0;
    m_u32PoliceCount = 0;
}

void CAIPool::ClearSectors()
{
    for (uint32_t i = 0; i < m_u32SectorCount; ++i)
        m_pSectors[i].Clear();
}

namespace {

// Out of range and out of the world until the pool places it.
void FilePooledCar(CCar& car)
{
    car.m_fRecycleDistance = CAIPool::POOL_RANGE;
    car.m_bRecyclable = true;
    car.m_bInWorld = false;
    car.m_bRemoved = false;
}

} // namespace

void CAIPool::AddPooledCar(std::unique_ptr<CCar> car)
{
    FilePooledCar(*car);
    m_Cars.push_back(std::move(car));
    ReserveWorkLists();
}

void CAIPool::AddPooledCopCar(std::unique_ptr<CCar> car)
{
    FilePooledCar(*car);
    m_PoliceCars.push_back(std::move(car));
    ReserveWorkLists();
}

void CAIPool::ReserveWorkLists()
{
    m_FreeAgents.reserve(m_Agents.size());
    m_FreeCars.reserve(m_Cars.size());
    m_FreePolice.reserve(m_PoliceAgents.size());
    m_FreePoliceCars.reserve(m_PoliceCars.size());
    size_t roadNodes = 0;
    size_t sidewalkNodes = 0;
    for (uint32_t i = 0; i < m_u32SectorCount; ++i) {
        roadNodes = std::max(roadNodes, m_pSectors[i].m_RoadSpawnNodes.size());
        sidewalkNodes += m_pSectors[i].m_SidewalkSpawnNodes.size();
    }
    m_RoadCandidates.reserve(roadNodes);
    m_SidewalkCandidates.reserve(sidewalkNodes);
}

void CAIPool::Update(const D3DXVECTOR3& viewer, std::list<CAIControllerSet*>& agents, std::list<CCar*>& activeCars)
{
    TraceStep("CAIPool::Update");
    const int32_t column = CellOf(viewer.x, m_vOrigin.x, m_fCellWidth, m_iColumns);
    const int32_t row = CellOf(viewer.z, m_vOrigin.z, m_fCellDepth, m_iRows);
    PopulateSector(viewer, column, row, agents, activeCars);
    for (int32_t i = 0; i < FILE_SECTOR_COUNT; ++i) {
        m_pSectors[i].m_u8PreviousMark = m_pSectors[i].m_u8CurrentMark;
        m_pSectors[i].m_u8CurrentMark = 0;
    }
}

void CAIPool::PopulateSector(const D3DXVECTOR3& viewer, int32_t column, int32_t row,
                             std::list<CAIControllerSet*>& agents, std::list<CCar*>& activeCars)
{
    if (column < 0 || column >= m_iColumns || row < 0 || row >= m_iRows)
        return;
    m_pSectors[row * m_iColumns + column].m_u8CurrentMark = 1;
    Census census;
    CollectFreeAgents(census);
    CollectFreePolice(census);
    CollectFreeCars(m_Cars, m_FreeCars);
    CollectFreeCars(m_PoliceCars, m_FreePoliceCars);
    CollectRoadCandidates(viewer, column, row, activeCars);
    CollectSidewalkCandidates(viewer, column, row);

    const float wanted = g_PlayerActor != nullptr ? g_PlayerActor->m_fWantedLevel : 0.0f;
    const Budgets budgets = ComputeBudgets(m_u32PedestrianCount, m_u32CarCount, m_u32PoliceCount, census, wanted,
                                           g_CrimeFile.MaxWantedLevel);

    size_t nextPolice = 0;
    for (uint32_t i = 0; i < budgets.m_u32Police; ++i) {
        if (nextPolice >= m_FreePolice.size() || nextPolice >= m_FreePoliceCars.size() || m_RoadCandidates.empty())
            break;
        SpawnCar(*m_FreePolice[nextPolice], *m_FreePoliceCars[nextPolice], *TakeRoadCandidate(), true, agents,
                 activeCars);
        ++nextPolice;
    }

    // Drivers and pedestrians share one walk of the free agents.
    size_t nextAgent = 0;
    const uint32_t cars = std::min(Less(m_u32CarCount, census.m_u32InCars), Less(budgets.m_u32Cars, budgets.m_u32Police));
    for (uint32_t i = 0; i < cars; ++i) {
        if (nextAgent >= m_FreeAgents.size() || i >= m_FreeCars.size() || m_RoadCandidates.empty())
            break;
        SpawnCar(*m_FreeAgents[nextAgent], *m_FreeCars[i], *TakeRoadCandidate(), false, agents, activeCars);
        ++nextAgent;
    }
    const uint32_t walkers = std::min(Less(m_u32PedestrianCount, census.m_u32OnFoot), budgets.m_u32Walkers);
    for (uint32_t i = 0; i < walkers; ++i) {
        if (nextAgent >= m_FreeAgents.size() || m_SidewalkCandidates.empty())
            break;
        CSidewalkSpawnNode* node = m_SidewalkCandidates.front();
        m_SidewalkCandidates.erase(m_SidewalkCandidates.begin());
        SpawnPedestrian(*m_FreeAgents[nextAgent], *node, agents);
        ++nextAgent;
    }
}

CAIPool::Budgets CAIPool::ComputeBudgets(uint32_t pedestrians, uint32_t cars, uint32_t police, const Census& census,
                                         float wantedLevel, float maxWantedLevel)
{
    Budgets budgets;
    budgets.m_u32Walkers = Less(Less(pedestrians, census.m_u32PoliceOnFoot), census.m_u32OnFoot);
    budgets.m_u32Cars = Less(Less(cars, census.m_u32PoliceInCars), census.m_u32InCars);
    const float wanted = wantedLevel > 0.0f ? static_cast<float>(static_cast<uint32_t>(wantedLevel)) : 0.0f;
    const float maximum = maxWantedLevel >= 1.0f ? static_cast<float>(static_cast<uint32_t>(maxWantedLevel)) : 0.0f;
    // A maximum below 1 would divide by zero: nobody is wanted then.
    if (maximum > 0.0f)
        budgets.m_u32WantedPolice = static_cast<uint32_t>(wanted / maximum * static_cast<float>(police));
    uint32_t send = 0;
    if (census.m_u32PoliceInCars < budgets.m_u32WantedPolice)
        send = std::min(Less(police, census.m_u32PoliceInCars), budgets.m_u32WantedPolice);
    if (census.m_u32PoliceInCars == 0 && police > 0 && send == 0 &&
        static_cast<float>(g_RandomTable.Next()) * RANDOM_FRACTION < PATROL_CHANCE)
        send = 1;
    budgets.m_u32Police = std::min(send, budgets.m_u32Cars);
    return budgets;
}

// --- Collecting

template <class Visit>
void CAIPool::ForEachSectorAround(int32_t column, int32_t row, int32_t radius, Visit visit)
{
    // Half-open: with radius 2 the columns column - 2 to column + 1.
    const int32_t endRow = std::min(row + radius, m_iRows);
    const int32_t endColumn = std::min(column + radius, m_iColumns);
    for (int32_t r = std::max(row - radius, 0); r < endRow; ++r)
        for (int32_t c = std::max(column - radius, 0); c < endColumn; ++c)
            visit(m_pSectors[r * m_iColumns + c]);
}


void CAIPool::CollectFreeAgents(Census& census)
{
    m_FreeAgents.clear();
    for (const std::unique_ptr<CAIControllerSet>& agent : m_Agents) {
        if (agent->m_u8InUse) {
            if (agent->m_u8PedActive && agent->GetPedController() != nullptr && agent->IsCarless())
                ++census.m_u32OnFoot;
            else if (agent->m_u8CarActive && agent->GetCarController() != nullptr && agent->IsInCar())
                ++census.m_u32InCars;
            continue;
        }
        TakeOutOfWorld(*agent);
        ClearForNewLife(*agent);
        m_FreeAgents.push_back(agent.get());
    }
}

void CAIPool::CollectFreePolice(Census& census)
{
    m_FreePolice.clear();
    for (const std::unique_ptr<CAIControllerSet>& agent : m_PoliceAgents) {
        if (agent->m_u8InUse) {
            if (agent->IsPoliceActive() && agent->IsCarless())
                ++census.m_u32PoliceOnFoot;
            else if (agent->IsInCar() && (agent->m_u8CarActive || agent->m_u8ChaseActive))
                ++census.m_u32PoliceInCars;
            continue;
        }
        TakeOutOfWorld(*agent);
        ClearForNewLife(*agent);
        if (CNormalPoliceController* officer = agent->m_pPoliceController.get()) {
            officer->ClearStateStack();
            officer->SetDelay(0.0f);
            officer->SetTarget(nullptr);
            officer->SetTargetObject(nullptr);
            officer->m_pTakenCar = nullptr;
        }
        if (CChaseCarController* chase = agent->GetChaseController()) {
            chase->ClearStateStack();
            chase->SetDelay(0.0f);
        }
        m_FreePolice.push_back(agent.get());
    }
}

void CAIPool::CollectFreeCars(const std::vector<std::unique_ptr<CCar>>& cars, std::vector<CCar*>& free)
{
    free.clear();
    const CCarColorTable* paints = CCarColorTable::Current();
    for (const std::unique_ptr<CCar>& car : cars) {
        if (car->m_bInWorld)
            continue;
        // With one paint or none there is nothing to choose.
        const uint32_t count = paints != nullptr ? paints->GetCount() : 0;
        car->SetColourIndex(count >= 2 ? static_cast<int>(g_RandomTable.NextBelow(count)) : 0);
        CController* driver = car->GetController();
        CAIControllerSet* agent = driver != nullptr ? driver->GetAgent() : nullptr;
        if (agent != nullptr && agent->m_u8InUse) {
            agent->m_u8RecycleRequested = 1;
            agent->SetVehicle(nullptr);
        }
        free.push_back(car.get());
    }
}

void CAIPool::CollectRoadCandidates(const D3DXVECTOR3& viewer, int32_t column, int32_t row,
                                    const std::list<CCar*>& activeCars)
{
    m_RoadCandidates.clear();
    const float frameTime = g_FrameTimer.GetFrameTime();
    ForEachSectorAround(column, row, m_iCarSectorRadius, [frameTime](CAIPoolSector& sector) {
        for (const std::unique_ptr<CRoadSpawnNode>& node : sector.m_RoadSpawnNodes) {
            node->m_fTimer += frameTime;
            if (node->m_u8Waiting && node->m_fTimer >= node->m_fDelay) {
                node->m_u8Ready = 1;
                node->m_u8Waiting = 0;
                node->m_fTimer = 0.0f;
            }
        }
    });

    const auto& nodes = m_pSectors[row * m_iColumns + column].m_RoadSpawnNodes;
    size_t unavailable = 0;
    for (const std::unique_ptr<CRoadSpawnNode>& node : nodes) {
        if (!node->m_u8Available) {
            ++unavailable;
            continue;
        }
        if (!node->m_u8Ready || DistanceSq(node->m_vPos, viewer) <= NEAR_VIEWER_SQ)
            continue;
        const bool blocked = std::any_of(activeCars.begin(), activeCars.end(), [&](const CCar* car) {
            return DistanceSq(PositionOf(car->m_Body.GetWorldMatrix()), node->m_vPos) < NEAR_CAR_SQ;
        });
        if (!blocked) {
            m_RoadCandidates.push_back(node.get());
            continue;
        }
        node->m_u8Available = 0;
        node->m_u8Ready = 0;
        node->m_fTimer = 0.0f;
    }
    if (nodes.empty() || unavailable < nodes.size())
        return;
    // All used or blocked: the sector starts over, each node toward its next target.
    for (const std::unique_ptr<CRoadSpawnNode>& node : nodes) {
        node->m_u8Waiting = 1;
        node->m_u8Ready = 0;
        node->m_u8Available = 1;
        const uint32_t directions = static_cast<uint32_t>(node->GetDirectionCount());
        node->m_u32Choice = directions > 0 ? (node->m_u32Choice + 1) % directions : 0;
    }
}

void CAIPool::CollectSidewalkCandidates(const D3DXVECTOR3& viewer, int32_t column, int32_t row)
{
    m_SidewalkCandidates.clear();
    const float frameTime = g_FrameTimer.GetFrameTime();
    ForEachSectorAround(column, row, m_iPedestrianSectorRadius, [&](CAIPoolSector& sector) {
        size_t used = 0;
        for (const std::unique_ptr<CSidewalkSpawnNode>& node : sector.m_SidewalkSpawnNodes) {
            node->m_fTimer += frameTime;
            if (node->m_u8Used) {
                ++used;
                continue;
            }
            if (node->m_fTimer > SIDEWALK_REST && DistanceSq(PositionOf(node->m_matPlacement), viewer) > NEAR_VIEWER_SQ)
                m_SidewalkCandidates.push_back(node.get());
        }
        // A sector whose every spawn node was used starts over.
        if (sector.m_SidewalkSpawnNodes.empty() || used < sector.m_SidewalkSpawnNodes.size())
            return;
        for (const std::unique_ptr<CSidewalkSpawnNode>& node : sector.m_SidewalkSpawnNodes)
            node->m_u8Used = 0;
    });
}


// --- Spawning

CRoadSpawnNode* CAIPool::TakeRoadCandidate()
{
    const size_t count = m_RoadCandidates.size();
    const size_t index = count > 1 ? g_RandomTable.NextBelow(static_cast<uint32_t>(count)) : 0;
    CRoadSpawnNode* node = m_RoadCandidates[index];
    m_RoadCandidates.erase(m_RoadCandidates.begin() + static_cast<std::ptrdiff_t>(index));
    return node;
}

void CAIPool::SpawnCar(CAIControllerSet& agent, CCar& car, CRoadSpawnNode& node, bool police,
                       std::list<CAIControllerSet*>& agents, std::list<CCar*>& activeCars)
{
    agent.UseNormalCarController();
    const size_t choice = node.m_u32Choice < node.GetDirectionCount() ? node.m_u32Choice : 0;
    cRoadnode* target = node.GetDirectionCount() > 0 ? node.m_Targets[choice] : nullptr;
    if (target != nullptr) {
        car.m_matSpawn = node.m_Orientations[choice];
    } else {
        D3DXMatrixIdentity(&car.m_matSpawn);
        car.m_matSpawn._41 = node.m_vPos.x;
        car.m_matSpawn._42 = node.m_vPos.y;
        car.m_matSpawn._43 = node.m_vPos.z;
    }
    car.m_matSpawn._42 -= BoxMin(car);
    car.CreatePhysics();
    car.Repair();
    car.m_bBurnt = false;
    car.m_bInWorld = true;
    car.m_bRemoved = false;
    car.m_fRecycleDistance = POOL_RANGE;
    car.SetSpeed(target != nullptr ? target->GetSpeed() * SPAWN_SPEED_FACTOR * MPH_TO_SPAWN_SPEED : 0.0f);
    activeCars.push_back(&car);

    agent.m_u8InUse = 1;
    agent.m_u8RecycleRequested = 0;
    CAIPersonController* person = police ? static_cast<CAIPersonController*>(agent.m_pPoliceController.get())
                                         : static_cast<CAIPersonController*>(agent.GetPedController());
    if (person != nullptr) {
        person->SetState(0);
        person->ProcessStateChange();
    }
    agent.SetVehicle(&car);
    if (CNormalCarController* driver = agent.GetCarController()) {
        // Where the car starts is where it came from: the wheel is not
        // turned back toward an old target.
        const D3DXVECTOR3 start = PositionOf(car.m_matSpawn);
        driver->SetTarget(&start, true);
        driver->SetRoadNode(target, 0);
        driver->SetState(CNormalCarController::STATE_DRIVING_TO_NODE);
        driver->ProcessStateChange();
    }
    if (CGameActor* actor = agent.GetActor()) {
        actor->RestoreLife();
        actor->m_Model.SetAnimation(SIT_ANIMATION);
        actor->DisablePhysics();
        D3DXMatrixIdentity(&actor->m_Model.m_matObject);
        actor->m_Model.m_pParentMatrix = car.GetDriverSeat();
        actor->m_Model.UpdateWorldMatrix();
    }
    agent.m_fViewRange = POOL_RANGE;
    agents.push_back(&agent);
    node.m_u8Available = 0;
    node.m_u8Ready = 0;
    node.m_fTimer = 0.0f;
}

void CAIPool::SpawnPedestrian(CAIControllerSet& agent, CSidewalkSpawnNode& node,
                              std::list<CAIControllerSet*>& agents)
{
    agent.UsePedController();
    agent.m_u8InUse = 1;
    agent.m_u8RecycleRequested = 0;
    if (CNormalPedController* ped = agent.GetPedController()) {
        ped->SetSidewalkNode(node.m_pNextNode);
        ped->SetState(CNormalPedController::STATE_WALKING);
        ped->ProcessStateChange();
    }
    if (CGameActor* actor = agent.GetActor()) {
        actor->RestoreLife();
        D3DXMATRIX& placement = actor->m_Model.m_matObject;
        placement = node.m_matPlacement;
        placement._42 += PEDESTRIAN_LIFT - BoxMin(*actor);
        actor->m_Model.UpdateWorldMatrix();
        actor->SyncPhysicsPose();
        actor->EnablePhysics();
    }
    agent.m_fViewRange = POOL_RANGE;
    agents.push_back(&agent);
    node.m_fTimer = 0.0f;
    node.m_u8Used = 1;
}

// --- Spawn nodes

void CAIPool::CreateSidewalkSpawnNodes(const CSidewalkNodeList& nodes)
{
    size_t outside = 0;
    for (size_t i = 0; i < nodes.GetNodeCount(); ++i) {
        const cSidewalknode& node = *nodes.GetNode(i);
        std::unique_ptr<CSidewalkSpawnNode> spawn = MakeSidewalkSpawnNode(node);
        const int32_t sector = SectorOf(*node.GetPosition());
        if (sector < 0) {
            ++outside;
            continue;
        }
        m_pSectors[sector].FileSidewalkSpawnNode(std::move(spawn));
    }
    ReserveWorkLists();
    if (outside > 0)
        g_Log.Write(std::to_string(outside) + " sidewalk nodes outside the population grid get no spawn node");
}

std::unique_ptr<CSidewalkSpawnNode> CAIPool::MakeSidewalkSpawnNode(const cSidewalknode& node) const
{
    auto spawn = std::make_unique<CSidewalkSpawnNode>();
    const D3DXVECTOR3& position = *node.GetPosition();
    D3DXVECTOR3 ground = position;
    const CTerrain* terrain = g_pLevel != nullptr ? g_pLevel->GetTerrain() : nullptr;
    if (terrain != nullptr)
        terrain->GetHeight(position, ground, nullptr);
    D3DXMATRIX& placement = spawn->m_matPlacement;
    placement._41 = ground.x;
    placement._42 = ground.y;
    placement._43 = ground.z;
    if (node.GetLinkCount() == 0)
        return spawn;

    spawn->m_pNextNode = node.GetLinkTarget(0);
    const D3DXVECTOR3& next = *spawn->m_pNextNode->GetPosition();
    D3DXVECTOR3 forward(next.x - position.x, 0.0f, next.z - position.z);
    // A link straight up or down gives no heading: the node keeps facing +z.
    if (D3DXVec3Length(&forward) == 0.0f)
        return spawn;
    D3DXVec3Normalize(&forward, &forward);
    // up x forward with up = +y.
    placement._11 = forward.z;
    placement._12 = 0.0f;
    placement._13 = -forward.x;
    placement._31 = forward.x;
    placement._32 = 0.0f;
    placement._33 = forward.z;
    return spawn;
}

bool CAIPool::LoadSpawnNodes(const std::string& fileName)
{
    CDataBuffer reader;
    if (!reader.Init(fileName, SCRIPT_SEPARATORS))
        return false;
    for (int32_t k = 0; k < m_iFileSectorCount; ++k) {
        if (!reader.Match(KEYWORD_SECTOR)) {
            const std::string token = reader.IsEndOfBuffer() ? "the end of the file" : "<" + reader.PeekString() + ">";
            g_Log.Write("Spawn node file " + fileName + " stops at sector block " + std::to_string(k) + ": " + token +
                        " where Sector was expected");
            return false;
        }
        CAIPoolSector& sector = m_pSectors[k];
        sector.m_iId = static_cast<int32_t>(reader.GetInt());
        const std::string where = fileName + ", sector " + std::to_string(k);
        while (!reader.IsEndOfBuffer() && sector.ReadProperty(reader, where)) {
        }
    }
    ReserveWorkLists();
    return true;
}

// --- The makers

void CAIPool::PrepareAgent(CAIControllerSet& agent, const D3DMATERIAL8& material, float runShare)
{
    agent.m_fOutOfViewTimer = 0.0f;
    agent.m_fViewRange = POOL_RANGE;
    agent.m_u8RecyclingEnabled = 1;
    agent.m_u8InUse = 0;
    agent.m_u8RecycleRequested = 1;
    CGameActor* actor = agent.GetActor();
    if (actor == nullptr)
        return;
    // Out of the scene until placed: the whole population is made on one
    // spot next to the player.
    actor->DisablePhysics();
    actor->SetMaterial(&material, true);
    if (runShare > 0.0f && g_PlayerActor != nullptr)
        actor->m_fRunSpeed = g_PlayerActor->m_fRunSpeed * runShare;
}

bool CAIPool::AddPedestrian(const std::string& actor, const D3DXVECTOR3* pPosition)
{
    auto agent = std::make_unique<CAIControllerSet>();
    if (!agent->CreatePedestrian(actor.c_str(), pPosition))
        return false;
    PrepareAgent(*agent, AgentMaterial(PUBLIC_COLOUR, PUBLIC_COLOUR), 0.0f);
    m_Agents.push_back(std::move(agent));
    ReserveWorkLists();
    ++m_u32PedestrianCount;
    return true;
}

bool CAIPool::AddCar(const std::string& driver, const std::string& car, const D3DXVECTOR3* pPosition)
{
    auto agent = std::make_unique<CAIControllerSet>();
    if (!agent->CreateCar(driver.c_str(), car.c_str(), pPosition, this))
        return false;
    PrepareAgent(*agent, AgentMaterial(PUBLIC_COLOUR, PUBLIC_COLOUR), DRIVER_RUN_SHARE);
    m_Agents.push_back(std::move(agent));
    ReserveWorkLists();
    ++m_u32CarCount;
    return true;
}

void CAIPool::AddCopCars(const std::string& driver, const std::string& car, int count)
{
    for (int i = 0; i < count; ++i)
        AddCopCar(driver, car, nullptr);
}

bool CAIPool::AddCopCar(const std::string& driver, const std::string& car, const D3DXVECTOR3* pPosition)
{
    auto agent = std::make_unique<CAIControllerSet>();
    if (!agent->CreateCar(driver.c_str(), car.c_str(), pPosition, this))
        return false;
    agent->UsePoliceController();
    std::unique_ptr<CCar> policeCar = std::move(m_Cars.back());
    m_Cars.pop_back();
    AddPooledCopCar(std::move(policeCar));
    // The upper-case lookup: the shipped weapon is called "pistol".
    CWeapon* pistol = nullptr;
    g_AssetManager.GetAssetByUpperName(POLICE_WEAPON, pistol, true);
    auto weapon = std::make_unique<CWeapon>(*pistol);
    weapon->ApplyPosMatrix();
    if (CGameActor* actor = agent->GetActor())
        actor->PickUpWeapon(std::move(weapon));
    PrepareAgent(*agent, AgentMaterial(POLICE_DIFFUSE, POLICE_EMISSIVE), POLICE_RUN_SHARE);
    m_PoliceAgents.push_back(std::move(agent));
    ReserveWorkLists();
    ++m_u32PoliceCount;
    return true;
}
