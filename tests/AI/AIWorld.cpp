#include "AI/AIWorld.h"

#include <string>

#include "Actors/Car.h"
#include "Actors/GameActor.h"
#include "Core/AssetManager.h"
#include "Level/Terrain.h"
#include "Physics/Physics.h"
#include "Physics/PhysicsMath.h"
#include "platform/novodex/NxActor.h"
#include "support/ShippedScripts.h"
#include "support/SteadyFrames.h"
#include "support/TempDir.h"

namespace {

std::string NodeRecord(const char* keyword, int n, const std::string& position, const std::string& links,
                       const std::string& extra = "")
{
    const size_t count = links.empty() ? 0 : (links.size() + 1) / 2;
    return std::string(keyword) + " " + std::to_string(n) + "\nPosition " + position + "\n" + extra +
           "NumberOfConnections " + std::to_string(count) + "\nConnectedNodes " + links + "\n";
}

} // namespace

void AIWorld::SetUp()
{
    LevelFixture::SetUp();
    SetSteadyFrameTime(FRAME_MILLISECONDS);
    WriteGraphs();
    if (m_bShipped)
        LoadShippedContent();
    else
        WritePrototypes();
}

void AIWorld::TearDown()
{
    // Box cars let go of their actors while the scene is still there.
    if (m_pLevel != nullptr)
        m_pLevel->GetActiveCars().clear();
    m_MovingCars.clear();
    if (m_bPlayerSaved)
        g_PlayerActor = m_pSavedPlayer;
    g_RoadNodes.Clear();
    g_SidewalkNodes.Clear();
    LevelFixture::TearDown();
    g_FrameTimer = CFrameTimer();
}

CLevel& AIWorld::LoadGround()
{
    return LoadLevel("Terrain Ground\n");
}

CLevel& AIWorld::LoadShippedGround()
{
    {
        ScopedWorkingDir inGame(KELM_GAME_DIR);
        LoadAssetsFromScript<CTerrain>("Scripts\\Terrains.txt");
    }
    return LoadLevel("Terrain Modern\n");
}

void AIWorld::SetUpShippedScene(float x, float z)
{
    StartPhysics();
    UseShippedContent();
    AIWorld::SetUp();
    LoadShippedGround();
    PlaceViewer(x, z);
    m_pLevel->SetState(CLevel::STATE_PLAYING);
}

void AIWorld::LoadSidewalkPath(const std::vector<D3DXVECTOR3>& points)
{
    std::string script = "NumberOfNodes " + std::to_string(points.size()) + "\n";
    for (size_t n = 0; n < points.size(); ++n) {
        const D3DXVECTOR3& p = points[n];
        const std::string position = std::to_string(p.x) + " " + std::to_string(p.y) + " " + std::to_string(p.z);
        const std::string next = n + 1 < points.size() ? std::to_string(n + 1) : "";
        script += NodeRecord(cSidewalknode::RECORD_KEYWORD, static_cast<int>(n), position, next);
    }
    m_Dir.Write("Scripts/Levels/ModernSidewalkNodes.txt", script);
    g_SidewalkNodes.Load();
    g_SidewalkNodes.LinkNodes();
}

cRoadnode* AIWorld::RoadNode(size_t n) const
{
    return g_RoadNodes.GetNode(n);
}

cSidewalknode* AIWorld::SidewalkNode(size_t n) const
{
    return g_SidewalkNodes.GetNode(n);
}

CCar& AIWorld::AddMovingCar(const D3DXVECTOR3& position, const D3DXVECTOR3& velocity)
{
    m_MovingCars.push_back(std::make_unique<CCar>());
    CCar& car = *m_MovingCars.back();
    D3DXMATRIX& world = car.m_Body.GetWorldMatrix();
    world._41 = position.x;
    world._42 = position.y;
    world._43 = position.z;
    car.m_PhysicsObject.m_vVelocity = velocity;
    m_pLevel->GetActiveCars().push_back(&car);
    return car;
}

void AIWorld::SetPlayerActor(CGameActor* player)
{
    if (!m_bPlayerSaved)
        m_pSavedPlayer = g_PlayerActor;
    m_bPlayerSaved = true;
    g_PlayerActor = player;
}

CCar& AIWorld::AddBoxCar(const D3DXVECTOR3& at, const D3DXVECTOR3& heading, const D3DXVECTOR3& velocity)
{
    CCar* prototype = nullptr;
    g_AssetManager.GetAsset(CAR, prototype, true);
    m_MovingCars.push_back(std::make_unique<CCar>(*prototype));
    CCar& car = *m_MovingCars.back();
    g_Physics.CreateBoxActor(true, &car.m_PhysicsObject.m_pActor);
    PlaceCar(car, at, heading, velocity);
    m_pLevel->GetActiveCars().push_back(&car);
    return car;
}

void AIWorld::PlaceCar(CCar& car, const D3DXVECTOR3& at, const D3DXVECTOR3& heading, const D3DXVECTOR3& velocity)
{
    D3DXMATRIX& world = car.m_Body.GetWorldMatrix();
    D3DXMatrixIdentity(&world);
    world._11 = heading.z;
    world._13 = -heading.x;
    world._31 = heading.x;
    world._33 = heading.z;
    world._41 = at.x;
    world._42 = at.y;
    world._43 = at.z;
    car.m_PhysicsObject.m_vVelocity = velocity;
    NxActor* actor = car.m_PhysicsObject.m_pActor;
    if (actor == nullptr)
        return;
    actor->setGlobalOrientation(ToNxOrientation(world));
    actor->setGlobalPosition(ToNxVec3(at));
    actor->setLinearVelocity(ToNxVec3(velocity));
}

void AIWorld::WriteGraphs()
{
    const char* const road = cRoadnode::RECORD_KEYWORD;
    const auto speed = [](int n) { return "Speed " + std::to_string(static_cast<int>(ROAD_SPEEDS[n])) + "\n"; };
    m_Dir.Write("Scripts/Levels/ModernRoadNodes.txt", "NumberOfNodes 4\n" +
                                                          NodeRecord(road, 0, "10 0 10", "1", speed(0)) +
                                                          NodeRecord(road, 1, "60 0 10", "2", speed(1)) +
                                                          NodeRecord(road, 2, "60 0 60", "0", speed(2)) +
                                                          NodeRecord(road, 3, "10 0 60", "", speed(3)));
    const char* const walk = cSidewalknode::RECORD_KEYWORD;
    m_Dir.Write("Scripts/Levels/ModernSidewalkNodes.txt", "NumberOfNodes 3\n" + NodeRecord(walk, 0, "5 0 5", "1") +
                                                              NodeRecord(walk, 1, "5 0 30", "0 2") +
                                                              NodeRecord(walk, 2, "30 0 30", ""));
    g_RoadNodes.Load();
    g_RoadNodes.LinkNodes();
    g_SidewalkNodes.Load();
    g_SidewalkNodes.LinkNodes();
}

void AIWorld::WritePrototypes()
{
    m_Dir.Write("Scripts/Collision/BoxCar.txt", "Radius 2.5\nStart\nBoxMin -1 -0.5 -2\nBoxMax 1 1 2\nEndBox\n");
    m_Dir.Write("Scripts/BoxCars.txt", std::string("Car ") + CAR + " Asset_Type Game Body Empty NumSeats 1 Seat " +
                                           At(0.5f, 0.5f, 0) +
                                           " Deceleration 4 CollisionData Scripts\\Collision\\BoxCar.txt\n");
    LoadAssetsFromScript<CCar>("Scripts\\BoxCars.txt");
}

void AIWorld::LoadShippedContent()
{
    LoadCarScripts();
    LoadCharacterScripts();
    ScopedWorkingDir inGame(KELM_GAME_DIR);
    LoadAssetsFromScript<CGameActor>("Scripts\\GameActors.txt");
}
