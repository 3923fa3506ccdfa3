#include "Level/Level.h"

#include "AI/AIControllerSet.h"
#include "Actors/Car.h"
#include "Actors/GameActor.h"
#include "Actors/Weapon.h"
#include "Core/AssetManager.h"
#include "Core/FatalError.h"
#include "Display/Camera.h"
#include "Display/SkyBox.h"
#include "Effects/LensFlare.h"
#include "Game/CrimeManager.h"
#include "Level/BuildingObject.h"
#include "Level/GameTimer.h"
#include "Level/LevelObject.h"
#include "Level/Sidewalk.h"
#include "Level/Terrain.h"
#include "Level/TrafficLights.h"
#include "Level/WaterPlane.h"
#include "Physics/Physics.h"
#include "Sound/Radio.h"
#include "Sound/Sound.h"

namespace {

const char* const KEYWORD_SRC = "Src";
// What a reset level is called until ResetKeepName or Load names it again.
const char* const RESET_NAME = "--";
const char* const SPAWN_NODES_SUFFIX = "SpawnNodes.txt";

// The fixed population every level is given.
const char* const POOL_DRIVER = "LIZARD";
const char* const POOL_CAR_KINDS[] = {"PORCH", "SEDAN", "TRUCK", "HATCH",  "SEDAN",
                                      "HATCH", "TRUCK", "GHETTO", "PORCH", "LOWRIDER"};
const int POOL_PEDESTRIANS = 10;
const char* const POOL_POLICE_CAR = "COPCAR";
const int POOL_POLICE_CARS = 10;

const char* const IDLE_ANIMATION = "Idle";

// The game camera never keeps following a person the level deletes (the
// console can point it at an agent): it follows the player again.
void StopFollowingAgents(const std::vector<std::unique_ptr<CAIControllerSet>>& agents)
{
    for (const std::unique_ptr<CAIControllerSet>& agent : agents) {
        const CGameActor* actor = agent->GetActor();
        if (actor == nullptr || g_GameCamera.m_pTarget != &actor->m_Model.m_matObject)
            continue;
        g_GameCamera.m_pTarget = g_PlayerActor != nullptr ? &g_PlayerActor->m_Model.m_matObject : nullptr;
    }
}

// An unreadable script leaves an empty reader, which never reaches its end.
bool HasEntry(const CDataBuffer& reader)
{
    return !reader.IsEndOfBuffer() && !reader.PeekString().empty();
}

} // namespace

CLevel::CLevel()
{
    Init();
}

CLevel::~CLevel()
{
    // The grids and the owned lists free their own; the terrain prototype
    // may already be gone, so the water planes are not unregistered.
    if (CCarColorTable::Current() == &m_CarColors)
        CCarColorTable::SetCurrent(nullptr);
}

bool CLevel::Init()
{
    // The queued crimes' offenders may be actors of this level.
    g_CrimeFile.ClearPending();
    TakePlayerOutOfCar();
    // Before the terrain is forgotten: its cells refer to the water planes.
    for (const std::unique_ptr<CWaterPlane>& plane : m_WaterPlanes) {
        plane->ReleasePhysics();
        if (m_pTerrain != nullptr)
            m_pTerrain->UnregisterObject(plane.get());
    }
    m_WaterPlanes.clear();

    m_AssetType = ASSET_TYPE_GAME;
    m_Name = RESET_NAME;
    m_pSkyBox = nullptr;
    m_pTerrain = nullptr;
    m_PhoneDirectory.Shutdown();
    m_LensFlares.clear();
    m_Weapons.clear();
    if (g_PlayerActor != nullptr) {
        g_PlayerActor->ClearWeapons();
        g_PlayerActor->m_fWantedLevel = 0.0f;
    }
    g_TrafficLights.ForgetLamps();

    m_ObjectGrid.Clear();
    m_ActiveObjects.clear();
    m_MovableObjects.clear();
    // The agents go before the cars they drive: a driver lets go of its car.
    StopFollowingAgents(m_AddedAgents);
    m_Agents.clear();
    m_GatheredAgents.clear();
    m_AddedAgents.clear();
    m_AIPool.Clear();
    m_CarGrid.Clear();
    m_ActiveCars.clear();
    m_Buildings.clear();
    for (const std::unique_ptr<CLevelObject>& sun : m_SunObjects)
        sun->Shutdown();
    m_SunObjects.clear();
    m_pSunObject = nullptr;

    g_Sound.StopAll();
    m_Projectiles.Reset();
    g_Physics.FreeParkedBodies();
    m_bInitialised = false;
    m_bReady = false;
    return true;
}

bool CLevel::Shutdown()
{
    return Init();
}

// The player gets out on the spot. The car is left as it stands: the car
// grid deletes it next, and the actor must hold nothing of it by then.
void CLevel::TakePlayerOutOfCar()
{
    CGameActor* player = g_PlayerActor;
    if (player == nullptr || player->m_pCar == nullptr)
        return;
    player->StepOutOfCar(0.0f);
    player->m_pCar = nullptr;
    g_Radio.SetOn(false);
    g_GameCamera.ChaseFrom(player->m_Model.m_matWorld);
    player->m_Model.SetAnimation(IDLE_ANIMATION);
}

bool CLevel::Load(CDataBuffer& reader)
{
    if (!reader.Match(BLOCK_KEYWORD))
        return false;
    m_Name = reader.GetString();
    while (!reader.IsEndOfBuffer() && ReadProperty(reader)) {
    }
    m_bInitialised = true;
    m_bReady = false;
    return true;
}

bool CLevel::ReadProperty(CDataBuffer& reader)
{
    if (!reader.Match(KEYWORD_SRC))
        return CAsset::ReadProperty(reader);
    m_ScriptPath = reader.GetString();
    m_ScriptReader.Clear();
    m_ScriptReader.Init(m_ScriptPath, SCRIPT_SEPARATORS);
    return true;
}

void CLevel::ResetKeepName()
{
    const std::string name = m_Name;
    Shutdown();
    m_Name = name;
    m_bInitialised = true;
}

void CLevel::LoadScript()
{
    m_fObjectGridTimer = OBJECT_GRID_TIMER_AT_LOAD;
    ResetKeepName();
    m_CarColors.Load();
    CCarColorTable::SetCurrent(&m_CarColors);
    CProjectilePool::SetCurrent(&m_Projectiles);
    CDataBuffer reader = m_ScriptReader;
    ParseScript(reader);
    SetUpPopulation();
    m_bReady = true;
    if (g_PlayerActor != nullptr)
        g_PlayerActor->m_bRocketLauncher = false;
}

void CLevel::ParseScript(CDataBuffer& reader)
{
    CScriptFileScope scope(m_ScriptPath);
    while (HasEntry(reader)) {
        if (!ReadEntry(reader))
            FatalError("Unknown keyword in %s: <%s>", m_ScriptPath.c_str(), reader.PeekString().c_str());
    }
    if (m_pTerrain == nullptr)
        FatalError("No Terrain in level script %s", m_ScriptPath.c_str());
}

bool CLevel::ReadEntry(CDataBuffer& reader)
{
    if (reader.Match("Car")) {
        std::unique_ptr<CCar> car = ReadInstance<CCar>(reader, "Incomplete Car Specification.");
        car->Reset();
        m_CarGrid.Insert(car.release());
    } else if (reader.Match("WaterPlane")) {
        ReadWaterPlane(reader);
    } else if (reader.Match("Terrain")) {
        ReadTerrain(reader);
    } else if (reader.Match("Sky_Box")) {
        g_AssetManager.GetAsset(reader.GetString(), m_pSkyBox, true);
    } else if (reader.Match("LevelObject")) {
        std::unique_ptr<CLevelObject> object =
            ReadInstance<CLevelObject>(reader, "Incomplete LevelObject Specification.");
        m_ObjectGrid.AddObject(object.get());
        object.release()->Spawn();
    } else if (reader.Match("SunObject")) {
        ReadSunObject(reader);
    } else if (reader.Match("LensFlare")) {
        ReadLensFlare(reader);
    } else if (reader.Match("Building")) {
        m_Buildings.push_back(ReadInstance<CBuildingObject>(reader, "Incomplete BuildingObject Specification."));
    } else if (reader.Match("Phone_Directory")) {
        m_PhoneDirectory.Load(reader.GetString());
    } else if (reader.Match("OverWriteTime")) {
        g_GameTimer.SetTime(reader.GetFloat());
    } else if (reader.Match("OverWritePlayerStart")) {
        ReadPlayerStart(reader);
    } else if (reader.Match("Weapon")) {
        ReadWeapon(reader);
    } else {
        return false;
    }
    return true;
}

void CLevel::ReadTerrain(CDataBuffer& reader)
{
    g_AssetManager.GetAsset(reader.GetString(), m_pTerrain, true);
    if (g_Physics.GetTerrainActor() != nullptr)
        return;
    const std::vector<float>& heights = m_pTerrain->GetHeights();
    g_Physics.CreateTerrainActor(m_pTerrain->GetSamplesPerRow(), m_pTerrain->GetRows(), m_pTerrain->GetQuadSize(),
                                 m_pTerrain->GetOrigin(), heights.data(), heights.size());
}

void CLevel::ReadWaterPlane(CDataBuffer& reader)
{
    if (m_pTerrain == nullptr)
        FatalError("WaterPlane before Terrain in %s", m_ScriptPath.c_str());
    std::unique_ptr<CWaterPlane> plane = ReadInstance<CWaterPlane>(reader, "Incomplete WaterPlane Specification.");
    m_pTerrain->RegisterObject(plane.get(), plane->GetPosition());
    plane->CreatePhysics();
    m_WaterPlanes.push_back(std::move(plane));
}

void CLevel::ReadSunObject(CDataBuffer& reader)
{
    std::unique_ptr<CLevelObject> sun = ReadInstance<CLevelObject>(reader, "Incomplete LevelObject Specification.");
    sun->m_u8MayBeRecycled = 0;
    m_ActiveObjects.push_back(sun.get());
    sun->Spawn();
    m_pSunObject = sun.get();
    m_SunObjects.push_back(std::move(sun));
}

void CLevel::ReadLensFlare(CDataBuffer& reader)
{
    std::unique_ptr<CLensFlare> flare = ReadInstance<CLensFlare>(reader, "Incomplete Lens Flare Specified.");
    if (m_pSunObject != nullptr)
        m_pSunObject->m_ComplexObject.SetPosition(&flare->m_vPosition);
    m_LensFlares.push_back(std::move(flare));
}

void CLevel::ReadWeapon(CDataBuffer& reader)
{
    std::unique_ptr<CWeapon> weapon = ReadInstance<CWeapon>(reader, "Invalid Weapon Specification.");
    weapon->ApplyPosMatrix();
    m_Weapons.push_back(std::move(weapon));
}

void CLevel::ReadPlayerStart(CDataBuffer& reader)
{
    const D3DXMATRIX start = reader.GetMatrix();
    CGameActor* player = g_PlayerActor;
    if (player == nullptr)
        return;
    player->m_Model.m_matObject = start;
    player->m_Model.UpdateWorldMatrix();
    player->SyncPhysicsPose();
}

void CLevel::SetUpPopulation()
{
    m_AIPool.CreateSidewalkSpawnNodes(g_SidewalkNodes);
    m_AIPool.LoadSpawnNodes(SpawnNodeFileName());
    for (const char* kind : POOL_CAR_KINDS)
        m_AIPool.AddCar(POOL_DRIVER, kind, nullptr);
    for (int pedestrian = 0; pedestrian < POOL_PEDESTRIANS; ++pedestrian)
        m_AIPool.AddPedestrian(POOL_DRIVER, nullptr);
    m_AIPool.AddCopCars(POOL_DRIVER, POOL_POLICE_CAR, POOL_POLICE_CARS);
}

std::string CLevel::SpawnNodeFileName() const
{
    const size_t dot = m_ScriptPath.rfind('.');
    return m_ScriptPath.substr(0, dot) + SPAWN_NODES_SUFFIX;
}
