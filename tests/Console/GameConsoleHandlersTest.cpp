// The console's handlers on a loaded level: the player with its body on the
// flat test ground, the level's paint table, its cars, objects, weapons and
// agents, and the camera that streams the world.

#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "AI/AIControllerSet.h"
#include "Actors/Car.h"
#include "Actors/GameActor.h"
#include "Actors/Weapon.h"
#include "Console/Console.h"
#include "Console/ConsoleCommands.h"
#include "Console/ConsoleLines.h"
#include "Console/FullKeyboard.h"
#include "Core/AssetManager.h"
#include "Core/Game.h"
#include "Game/CrimeManager.h"
#include "Game/Extras.h"
#include "Game/Mission.h"
#include "Game/MissionManager.h"
#include "Level/LevelFixture.h"
#include "Level/Node.h"
#include "Level/Sidewalk.h"
#include "Physics/Physics.h"
#include "Sound/Sound.h"
#include "platform/novodex/NxActor.h"

namespace {

typedef ConsoleLines Lines;
typedef CNormalCarController Traffic;
typedef CNormalPedController Walker;

const char* const GROUND = "Terrain Ground\n";
const D3DXVECTOR3 PLAYER_AT(10.0f, 1.0f, 20.0f);
// Five ahead of the player, who faces +z, on the flat ground.
const D3DXVECTOR3 AHEAD(10.0f, 0.0f, 25.0f);

class GameConsoleHandlersTest : public LevelFixture {
protected:
    void SetUp() override
    {
        StartPhysics();
        LevelFixture::SetUp();
        m_Console.Init(nullptr, m_Keys, &m_Keyboard);
        m_TimeScale = g_Physics.GetTimeScale();
        g_GameCamera.m_pTarget = nullptr;
        g_PlayerActor = &g_Player;
        g_Player.CreatePhysics();
        LoadLevel(GROUND);
        ASSERT_NE(nullptr, g_Player.m_PhysicsObject.m_pActor);
        g_Player.m_Model.SetPosition(&PLAYER_AT);
        // Dead, so that SETHEALTH shows whom it brings back.
        g_Player.m_bAlive = false;
    }
    void TearDown() override
    {
        g_MissionManager.Clear();
        g_UnlockedExtras.clear();
        g_Physics.SetTimeScale(m_TimeScale);
        g_GameCamera.m_pTarget = nullptr;
        g_Player.m_pCar = nullptr;
        LevelFixture::TearDown();
        g_SidewalkNodes.Clear();
    }

    // The lines a run wrote, from its echo to the fresh line.
    Lines Run(const std::string& line) { return RunConsoleLine(m_Console, line); }
    static Lines Failed(const std::string& line, const Lines& printed)
    {
        Lines lines{line};
        lines.insert(lines.end(), printed.begin(), printed.end());
        lines.push_back("Function returned false");
        lines.push_back("");
        return lines;
    }
    static Lines Succeeded(const std::string& line, const std::string& name, const Lines& printed = {})
    {
        Lines lines{line};
        lines.insert(lines.end(), printed.begin(), printed.end());
        lines.push_back(name + " set successfully");
        lines.push_back("");
        return lines;
    }

    BYTE m_Keys[CFullKeyboard::KEY_COUNT] = {};
    CFullKeyboard m_Keyboard;
    CConsole m_Console;
    float m_TimeScale = 0.0f;
};

void ExpectNear(const D3DXVECTOR3& expected, float x, float y, float z)
{
    EXPECT_FLOAT_EQ(expected.x, x);
    EXPECT_FLOAT_EQ(expected.y, y);
    EXPECT_FLOAT_EQ(expected.z, z);
}

TEST_F(GameConsoleHandlersTest, HandlersPrintAndChangeWhatTheyName)
{
    CLevel& level = *m_pLevel;
    struct Case {
        const char* line;
        Lines output;
        std::function<void()> check;
    };
    const auto scaleKept = [this] { EXPECT_FLOAT_EQ(m_TimeScale, g_Physics.GetTimeScale()); };
    const auto lifeKept = [] {
        EXPECT_FLOAT_EQ(50.0f, g_Player.m_fCurrentLife);
        EXPECT_TRUE(g_Player.m_bAlive);
    };
    const auto placeKept = [] { EXPECT_EQ(PLAYER_AT, g_Player.m_Model.m_vPosition); };
    const uint32_t debugFlags = g_Game.m_DebugFlags;
    const Case cases[] = {
        {"SET SETSPEED 0", Failed("SET SETSPEED 0", {}), scaleKept},
        {"SET SETSPEED -1", Failed("SET SETSPEED -1", {}), scaleKept},
        {"SET SETSPEED FAST", Failed("SET SETSPEED FAST", {}), scaleKept},
        {"SET SETSPEED 2", Succeeded("SET SETSPEED 2", "SETSPEED"),
         [] { EXPECT_FLOAT_EQ(2.0f, g_Physics.GetTimeScale()); }},
        {"SET SETHEALTH 0", Succeeded("SET SETHEALTH 0", "SETHEALTH"),
         [] {
             EXPECT_FLOAT_EQ(0.0f, g_Player.m_fCurrentLife);
             EXPECT_FALSE(g_Player.m_bAlive) << "no life, not alive";
         }},
        {"SET SETHEALTH 50", Succeeded("SET SETHEALTH 50", "SETHEALTH"), lifeKept},
        {"SET SETHEALTH", Failed("SET SETHEALTH", {}), lifeKept},
        {"SET SETHEALTH ABC", Failed("SET SETHEALTH ABC", {}), lifeKept},
        {"SET GETPOS", Succeeded("SET GETPOS", "GETPOS", {"10.0000 1.0000 20.0000"}), [] {}},
        {"SET CCOLOR 1 0 0", Failed("SET CCOLOR 1 0 0", {"Your not in a car"}), [] {}},
        {"SET CCOLOR R G B", Failed("SET CCOLOR R G B", {"Invalid Color fool"}), [] {}},
        {"SET SICK ABC", Failed("SET SICK ABC", {"Invalid integer"}),
         [=] { EXPECT_EQ(debugFlags, g_Game.m_DebugFlags); }},
        {"SET SETVOLUME LOUD", Failed("SET SETVOLUME LOUD", {}),
         [] { EXPECT_EQ(CSound::MAX_VOLUME, g_Sound.GetSfxVolume()); }},
        {"SET GRAVITY 0 -20 0", Failed("SET GRAVITY 0 -20 0", {"Simulator does not exist"}), [] {}},
        {"SET GRAVITY X", Failed("SET GRAVITY X", {}), [] {}},
        {"SET GETPHYSICINFO", Succeeded("SET GETPHYSICINFO", "GETPHYSICINFO", {"Simulator does not exist"}), [] {}},
        {"SET SPAWN CAR", Failed("SET SPAWN CAR", {"**Invalid AI CREATE CAR type**"}), [] {}},
        {"SET SPAWN CAR TRACTOR", Failed("SET SPAWN CAR TRACTOR", {"**Unknown Car type**"}),
         [&] { EXPECT_TRUE(level.GetActiveCars().empty()); }},
        {"SET SPAWN TRACTOR", Failed("SET SPAWN TRACTOR", {}),
         [&] {
             EXPECT_TRUE(level.GetActiveObjects().empty());
             EXPECT_TRUE(level.GetWeapons().empty());
         }},
        {"SET SPAWN", Failed("SET SPAWN", {"**Invalid SPAWN Command**"}), [] {}},
        {"SET SPAWN CAR BUGGY 1 NAN 2", Failed("SET SPAWN CAR BUGGY 1 NAN 2", {}),
         [&] { EXPECT_TRUE(level.GetActiveCars().empty()); }},
        {"SET SETPOS INF 0 0", Failed("SET SETPOS INF 0 0", {}), placeKept},
        {"SET SETPOS A B C", Failed("SET SETPOS A B C", {}), placeKept},
        {"SET SETPOS 1 2", Failed("SET SETPOS 1 2", {}), placeKept},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(c.output, Run(c.line));
        c.check();
    }
}

TEST_F(GameConsoleHandlersTest, SetPosMovesTheModelAndThePhysicsActor)
{
    const D3DXVECTOR3 to(40.0f, 3.5f, 60.0f);
    EXPECT_EQ(Succeeded("SET SETPOS 40 3.5 60", "SETPOS"), Run("SET SETPOS 40 3.5 60"));
    EXPECT_EQ(to, g_Player.m_Model.m_vPosition);
    const NxVec3 body = g_Player.m_PhysicsObject.m_pActor->getGlobalPosition();
    ExpectNear(to, body.x, body.y, body.z);
    EXPECT_EQ(Succeeded("SET GETPOS", "GETPOS", {"40.0000 3.5000 60.0000"}), Run("SET GETPOS"));
}

TEST_F(GameConsoleHandlersTest, GetPosInACarPrintsTheSeatsPlace)
{
    ASSERT_EQ(Succeeded("SET SPAWN CAR BUGGY 30 2 40", "SPAWN", {"Car Index: 0"}), Run("SET SPAWN CAR BUGGY 30 2 40"));
    g_Player.EnterCar(m_pLevel->GetActiveCars().back());
    m_pLevel->Update();
    const D3DXMATRIX& seat = *g_Player.m_pCar->GetDriverSeat();
    char expected[64];
    std::snprintf(expected, sizeof expected, "%.4f %.4f %.4f", seat._41, seat._42, seat._43);
    EXPECT_EQ(Succeeded("SET GETPOS", "GETPOS", {expected}), Run("SET GETPOS"));
    EXPECT_NE("0.0000 0.0000 0.0000", std::string(expected));
}

TEST_F(GameConsoleHandlersTest, SpawnCarAddsACarAheadOrWhereTold)
{
    CLevel& level = *m_pLevel;
    EXPECT_EQ(Succeeded("SET SPAWN CAR BUGGY", "SPAWN", {"Car Index: 0"}), Run("SET SPAWN CAR BUGGY"));
    ASSERT_EQ(1u, level.GetActiveCars().size());
    const CCar* ahead = level.GetActiveCars().back();
    ExpectNear(AHEAD, ahead->m_matSpawn._41, ahead->m_matSpawn._42, ahead->m_matSpawn._43);
    EXPECT_NE(nullptr, ahead->m_PhysicsObject.m_pActor);
    EXPECT_TRUE(ahead->m_bInWorld);

    EXPECT_EQ(Succeeded("SET SPAWN CAR BUGGY 30 2 40", "SPAWN", {"Car Index: 1"}), Run("SET SPAWN CAR BUGGY 30 2 40"));
    ASSERT_EQ(2u, level.GetActiveCars().size());
    const CCar* told = level.GetActiveCars().back();
    ExpectNear(D3DXVECTOR3(30.0f, 2.0f, 40.0f), told->m_matSpawn._41, told->m_matSpawn._42, told->m_matSpawn._43);
    level.Update();
    EXPECT_EQ(2u, level.GetActiveCars().size()) << "the level keeps what the console spawned";
}

TEST_F(GameConsoleHandlersTest, SpawnPlacesALevelObjectOrAWeaponByName)
{
    CLevel& level = *m_pLevel;
    EXPECT_EQ(Succeeded("SET SPAWN BOX 30 0 40", "SPAWN"), Run("SET SPAWN BOX 30 0 40"));
    ASSERT_EQ(1u, level.GetActiveObjects().size());
    const CLevelObject* box = level.GetActiveObjects().back();
    EXPECT_EQ(D3DXVECTOR3(30.0f, 0.0f, 40.0f), box->GetPosition());
    EXPECT_TRUE(box->m_u8InWorld);
    EXPECT_FALSE(box->m_u8Hidden);
    EXPECT_NE(nullptr, box->m_PhysicsObject.m_pActor);

    EXPECT_EQ(Succeeded("SET SPAWN GUN", "SPAWN"), Run("SET SPAWN GUN"));
    ASSERT_EQ(1u, level.GetWeapons().size());
    const D3DXMATRIX& lying = level.GetWeapons().back()->m_matPos;
    ExpectNear(AHEAD + D3DXVECTOR3(0.0f, 0.5f, 0.0f), lying._41, lying._42, lying._43);
}

TEST_F(GameConsoleHandlersTest, CarIndexPaintsOnlyFromTheLevelsTable)
{
    CCar car;
    g_Player.m_pCar = &car;
    // The test table holds one paint.
    EXPECT_EQ(Succeeded("SET CINDEX 0", "CINDEX"), Run("SET CINDEX 0"));
    EXPECT_EQ(Failed("SET CINDEX 1", {"Invalid Color fool"}), Run("SET CINDEX 1"));
    EXPECT_EQ(Succeeded("SET CCOLOR 1 0 0", "CCOLOR"), Run("SET CCOLOR 1 0 0"));
}

// A failed command leaves the camera on what it followed.
TEST_F(GameConsoleHandlersTest, SetControllerFollowsAnAgentsActorAndThePlayerAgain)
{
    CLevel& level = *m_pLevel;
    CAIControllerSet* agent = level.AddAgent();
    EXPECT_EQ(Failed("SET SETCONTROLLER 0", {"**Invalid AI ENTITY Index**"}), Run("SET SETCONTROLLER 0"))
        << "an agent without a person to follow";
    EXPECT_EQ(nullptr, g_GameCamera.m_pTarget);
    auto walker = std::make_unique<CGameActor>();
    walker->m_Name = "Walker";
    g_AssetManager.AddAsset(walker.release());
    ASSERT_TRUE(agent->CreatePedestrian("WALKER", &PLAYER_AT));
    const CGameActor& driver = *agent->GetActor();
    EXPECT_EQ(Succeeded("SET SETCONTROLLER 0", "SETCONTROLLER"), Run("SET SETCONTROLLER 0"));
    EXPECT_EQ(&driver.m_Model.m_matObject, g_GameCamera.m_pTarget);
    for (const char* line : {"SET SETCONTROLLER 1", "SET SETCONTROLLER X"}) {
        EXPECT_EQ(Failed(line, {"**Invalid AI ENTITY Index**"}), Run(line));
        EXPECT_EQ(&driver.m_Model.m_matObject, g_GameCamera.m_pTarget);
    }
    EXPECT_EQ(Succeeded("SET SETCONTROLLER", "SETCONTROLLER"), Run("SET SETCONTROLLER"));
    EXPECT_EQ(&g_Player.m_Model.m_matObject, g_GameCamera.m_pTarget);

    EXPECT_EQ(Succeeded("SET SETCONTROLLER 0", "SETCONTROLLER"), Run("SET SETCONTROLLER 0"));
    EXPECT_EQ(Succeeded("SET RESTART", "RESTART"), Run("SET RESTART"));
    EXPECT_TRUE(level.GetAgents().empty());
    EXPECT_EQ(&g_Player.m_Model.m_matObject, g_GameCamera.m_pTarget) << "not the deleted agent's";
}

// Looks at what its main script placed on every update, as the town's
// missions look at their objects and cars.
class WatchingMission : public CMission {
public:
    int Update() override
    {
        for (const CLevelObject* object : GetSpawnedObjects())
            m_iSeenInWorld += object->m_u8InWorld;
        return MISSION_RUNNING;
    }

    int m_iSeenInWorld = 0;
};

std::unique_ptr<CMission> MakeWatching()
{
    return std::make_unique<WatchingMission>();
}

// The reload deletes what the running mission placed: the mission starts
// over as a fresh copy that placed its own in the new level. The extras
// come back too.
TEST_F(GameConsoleHandlersTest, RestartStartsTheRunningMissionOverOnTheReloadedLevel)
{
    m_Dir.Write("Scripts/ExtraWeapons.txt", "Weapon pistol Asset_Type Game\n");
    LoadAssetsFromScript<CWeapon>("Scripts\\ExtraWeapons.txt");
    g_UnlockedExtras.clear();
    ASSERT_NE(nullptr, SpawnItem("pistol"));
    m_Dir.Write("Scripts/Mission/WatchPre.txt",
                "MissionStartPos 10 1 20\nStartingRadius 3\nMissionStartFile Scripts\\Mission\\Watch.txt\n");
    m_Dir.Write("Scripts/Mission/Watch.txt", "LevelObject Box Orientation " + At(12, 1, 20) + "\n");
    g_MissionManager.AddMissionClass({"Watch", &MakeWatching, false});
    g_MissionManager.CreateMission("Watch");
    g_Player.m_Model.UpdateWorldMatrix();
    PlaceViewer(10, 20);
    g_MissionManager.Update();
    const CMission* old = g_MissionManager.GetCurrentMission();
    ASSERT_NE(nullptr, old);
    ASSERT_EQ(1u, old->GetSpawnedObjects().size());

    EXPECT_EQ(Succeeded("SET RESTART", "RESTART"), Run("SET RESTART"));
    auto* fresh = dynamic_cast<WatchingMission*>(g_MissionManager.GetCurrentMission());
    ASSERT_NE(nullptr, fresh);
    EXPECT_NE(old, fresh);
    EXPECT_EQ(1u, g_MissionManager.GetMissionCount()) << "the fresh copy alone is listed";
    ASSERT_EQ(1u, fresh->GetSpawnedObjects().size());
    EXPECT_EQ(fresh->GetSpawnedObjects()[0], m_pLevel->GetActiveObjects().back()) << "in the reloaded level";
    const int frames = 60;
    for (int frame = 0; frame < frames; ++frame)
        m_pLevel->Update();
    EXPECT_EQ(fresh, g_MissionManager.GetCurrentMission());
    EXPECT_EQ(frames, fresh->m_iSeenInWorld);
    ASSERT_EQ(1u, m_pLevel->GetWeapons().size()) << "the pistol granted again";
    EXPECT_EQ("pistol", m_pLevel->GetWeapons().front()->GetName());
    EXPECT_EQ(std::vector<std::string>{"pistol"}, g_UnlockedExtras);
}

TEST_F(GameConsoleHandlersTest, SetWarningSetsTheWantedLevelUpToTheMaximum)
{
    const float saved = g_CrimeFile.MaxWantedLevel;
    g_CrimeFile.MaxWantedLevel = 6.0f;
    const struct {
        const char* line;
        float level;
    } cases[] = {{"SET SETWARNING 2", 2.0f}, {"SET SETWARNING 9", 6.0f}, {"SET SETWARNING 0XFFFFFFFF", 0.0f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(Succeeded(c.line, "SETWARNING"), Run(c.line));
        EXPECT_FLOAT_EQ(c.level, g_Player.m_fWantedLevel);
    }
    g_Player.m_fWantedLevel = 3.0f;
    EXPECT_EQ(Failed("SET SETWARNING X", {}), Run("SET SETWARNING X"));
    EXPECT_FLOAT_EQ(3.0f, g_Player.m_fWantedLevel);
    g_CrimeFile.MaxWantedLevel = saved;
}

// The AI command on a level whose road list is empty; its cars are driven
// by the actor "LIZARD".
void PrepareAgents()
{
    g_RoadNodes.Clear();
    auto driver = std::make_unique<CGameActor>();
    driver->m_Name = "Lizard";
    g_AssetManager.AddAsset(driver.release());
}

CNormalCarController& Driver(const CLevel& level, int agent)
{
    return *level.GetAgent(agent)->GetCarController();
}

TEST_F(GameConsoleHandlersTest, AIMalformedLinesPrintTheirMessagesAndSpawnNothing)
{
    PrepareAgents();
    ASSERT_EQ(Succeeded("SET AI SPAWN CAR BUGGY 30 0 40", "AI", {"AI Entity Index: 0 Car Index: 0"}),
              Run("SET AI SPAWN CAR BUGGY 30 0 40"));
    m_pLevel->AddAgent(); // agent 1: nothing to drive with
    const struct {
        const char* line;
        bool succeeds;
        const char* message;
    } cases[] = {
        {"SET AI", false, "**Invalid AI Command**"},
        {"SET AI SPAWN", false, "**Invalid AI SPAWN Command**"},
        {"SET AI ADD BUS", true, "**Unknown AI SPAWN Command**"},
        {"SET AI SPAWN CAR", false, "**Invalid AI SPAWN CAR type**"},
        {"SET AI CREATE PED", false, "**Invalid AI SPAWN PED type**"},
        {"SET AI SPAWN CAR TRACTOR 1 0 1", false, "**Invalid AI ENTITY**"},
        {"SET AI SPAWN PED NOBODY 1 0 1", false, "**Invalid AI ENTITY**"},
        {"SET AI SPAWN CAR BUGGY 1 NAN 2", false, nullptr},
        {"SET AI CAR 2 STATE 0", false, "**Invalid AI ENTITY Index**"},
        {"SET AI CAR 1 STATE 0", false, "**Invalid AI CAR CONTROLLER**"},
        {"SET AI CAR 0", false, "**Invalid AI CAR CONTROLLER Command**"},
        {"SET AI CAR 0 GOTO NODE", false, "**Invalid AI CAR CONTROLLER GOTO NODE Index**"},
        {"SET AI CAR 0 GOTO NODE 0", false, "**Invalid AI CAR CONTROLLER GOTO NODE Index**"},
        {"SET AI CAR 0 GOTO 1 2", false, nullptr},
        {"SET AI CAR 0 STATE", false, "**Invalid AI CAR CONTROLLER STATE String**"},
        {"SET AI CAR 0 STATE 7", false, "**Invalid AI CAR CONTROLLER STATE Index**"},
        {"SET AI CAR 0 STATE PARKED", false, "**Invalid AI CAR CONTROLLER STATE Index**"},
        {"SET AI CAR 0 FLY", true, "****Unknown AI CAR CONTROLLER Command**"},
        {"SET AI FLY", true, "**Unknown AI Command**"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        const Lines printed = c.message != nullptr ? Lines{c.message} : Lines{};
        EXPECT_EQ(c.succeeds ? Succeeded(c.line, "AI", printed) : Failed(c.line, printed), Run(c.line));
        EXPECT_EQ(2u, m_pLevel->GetAgents().size());
        EXPECT_EQ(1u, m_pLevel->GetActiveCars().size());
        EXPECT_EQ(Traffic::STATE_IDLE, Driver(*m_pLevel, 0).GetState());
    }
    // The console types in upper case; a state's name is matched exactly.
    CLineRing output;
    std::string lowerCase = "CAR 0 STATE idle";
    EXPECT_FALSE(ConAI(lowerCase, output));
    EXPECT_EQ("**Invalid AI CAR CONTROLLER STATE Index**", output.Current());
}

// Every line the AI command answers for a pedestrian, in order on one
// pedestrian (agent 0, the last spawned) beside an agent with no one to
// command, on two sidewalk nodes.
TEST_F(GameConsoleHandlersTest, AIPedLinesPrintTheirMessagesAndSendThePedestrian)
{
    PrepareAgents();
    m_Dir.Write("Scripts/Levels/ModernSidewalkNodes.txt", "NumberOfNodes 2\n"
                                                          "SidewalkNode 0\nPosition 5 0 5\nNumberOfConnections 1\n"
                                                          "ConnectedNodes 1\n"
                                                          "SidewalkNode 1\nPosition 5 0 30\nNumberOfConnections 1\n"
                                                          "ConnectedNodes 0\n");
    g_SidewalkNodes.Load();
    g_SidewalkNodes.LinkNodes();
    ASSERT_EQ(2u, g_SidewalkNodes.GetNodeCount());
    ASSERT_EQ(Succeeded("SET AI SPAWN PED LIZARD 30 0 40", "AI", {"AI Entity Index: 0"}),
              Run("SET AI SPAWN PED LIZARD 30 0 40"));
    m_pLevel->AddAgent(); // agent 1: no pedestrian
    const Walker& walker = *m_pLevel->GetAgent(0)->GetPedController();
    ASSERT_EQ(Walker::STATE_IDLE, walker.GetState());

    const D3DXVECTOR3 node1(5.0f, 0.0f, 30.0f);
    const D3DXVECTOR3 point(50.0f, 0.0f, 60.0f);
    const D3DXVECTOR3 aheadOfPlayer = PLAYER_AT + D3DXVECTOR3(0.0f, 0.0f, 1.0f);
    const struct {
        const char* line;
        bool succeeds;
        const char* message;
        int state;
        // The target it walks to after the line; null: none checked.
        const D3DXVECTOR3* target;
    } cases[] = {
        {"SET AI PED 2 STATE 0", false, "**Invalid AI ENTITY Index**", Walker::STATE_IDLE, nullptr},
        {"SET AI PED 1 STATE 0", false, "**Invalid AI CAR CONTROLLER**", Walker::STATE_IDLE, nullptr},
        {"SET AI PED 0", false, "**Invalid AI PED CONTROLLER Command**", Walker::STATE_IDLE, nullptr},
        {"SET AI PED 0 GOTO NODE", false, "**Invalid AI PED CONTROLLER GOTO NODE Index**", Walker::STATE_IDLE, nullptr},
        {"SET AI PED 0 GOTO NODE 2", false, "**Invalid AI PED CONTROLLER GOTO NODE Index**", Walker::STATE_IDLE,
         nullptr},
        {"SET AI PED 0 GOTO NODE -1", false, "**Invalid AI PED CONTROLLER GOTO NODE Index**", Walker::STATE_IDLE,
         nullptr},
        {"SET AI PED 0 GOTO 1 2", false, nullptr, Walker::STATE_IDLE, nullptr},
        {"SET AI PED 0 STATE", false, "**Invalid AI PED CONTROLLER STATE String**", Walker::STATE_IDLE, nullptr},
        {"SET AI PED 0 STATE 13", false, "**Invalid AI PED CONTROLLER STATE Index**", Walker::STATE_IDLE, nullptr},
        {"SET AI PED 0 STATE SWIMMING", false, "**Invalid AI PED CONTROLLER STATE Index**", Walker::STATE_IDLE,
         nullptr},
        {"SET AI PED 0 FLY", true, "****Unknown AI PED CONTROLLER Command**", Walker::STATE_IDLE, nullptr},
        {"SET AI PED 0 GOTO NODE 1", true, nullptr, Walker::STATE_WALKING, &node1},
        {"SET AI PED 0 STATE IDLE", true, "****State Set to IDLE**", Walker::STATE_IDLE, &node1},
        {"SET AI PED 0 GOTO 50 0 60", true, nullptr, Walker::STATE_WALKING, &point},
        {"SET AI PED STATE 0", true, "****State Set to IDLE**", Walker::STATE_IDLE, &point},
        {"SET AI PED GOTO", true, nullptr, Walker::STATE_WALKING, &aheadOfPlayer},
        {"SET AI PED 0 STATE TURNING_180", true, "****State Set to TURNING_180**", Walker::STATE_TURNING_180,
         nullptr},
        {"SET AI PED 0 STATE 12", true, "****State Set to TURNING_360**", Walker::STATE_TURNING_360, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        const Lines printed = c.message != nullptr ? Lines{c.message} : Lines{};
        EXPECT_EQ(c.succeeds ? Succeeded(c.line, "AI", printed) : Failed(c.line, printed), Run(c.line));
        EXPECT_EQ(c.state, walker.GetState());
        EXPECT_FALSE(walker.IsChangePending()) << "in the state before the pedestrian's next update";
        if (c.target != nullptr) {
            ASSERT_NE(nullptr, walker.GetTarget());
            EXPECT_EQ(*c.target, *walker.GetTarget());
        }
    }
    EXPECT_EQ(2u, m_pLevel->GetAgents().size());
    EXPECT_EQ(g_SidewalkNodes.GetNode(1), walker.GetSidewalkNode()) << "GOTO NODE set the node";
}

TEST_F(GameConsoleHandlersTest, AISpawnedCarJoinsTheLevelAndTakesItsCommands)
{
    PrepareAgents();
    ASSERT_EQ(Succeeded("SET AI SPAWN CAR BUGGY 30 0 40", "AI", {"AI Entity Index: 0 Car Index: 0"}),
              Run("SET AI SPAWN CAR BUGGY 30 0 40"));
    ASSERT_EQ(Succeeded("SET AI SPAWN CAR BUGGY", "AI", {"AI Entity Index: 1 Car Index: 1"}),
              Run("SET AI SPAWN CAR BUGGY"));
    const CCar* car = m_pLevel->GetActiveCars().back();
    ASSERT_EQ(m_pLevel->GetAgent(1)->GetCar(), car);
    EXPECT_EQ(&Driver(*m_pLevel, 1), car->GetController());
    EXPECT_TRUE(car->m_bInWorld);
    ExpectNear(AHEAD, car->m_matSpawn._41, car->m_matSpawn._42, car->m_matSpawn._43);
    EXPECT_EQ(Succeeded("SET SETCONTROLLER 1", "SETCONTROLLER"), Run("SET SETCONTROLLER 1"));
    EXPECT_EQ(&m_pLevel->GetAgent(1)->GetActor()->m_Model.m_matWorld, g_GameCamera.m_pTarget)
        << "the driver in the world, not on its seat";

    // STATE by number and by name alike; without an index, the last spawn.
    // The driver is in the state at once: its next update cannot ask for
    // another over it.
    for (const char* line : {"SET AI CAR 0 STATE 5", "SET AI CAR STATE DRIVING_TO_NODE"}) {
        SCOPED_TRACE(line);
        EXPECT_EQ(Succeeded(line, "AI", {"****State Set to DRIVING_TO_NODE**"}), Run(line));
    }
    EXPECT_EQ(Traffic::STATE_DRIVING_TO_NODE, Driver(*m_pLevel, 0).GetState());
    EXPECT_EQ(Traffic::STATE_DRIVING_TO_NODE, Driver(*m_pLevel, 1).GetState());
    EXPECT_EQ(Run("SET AI CAR 0 STATE IDLE").at(1), Run("SET AI CAR 0 STATE 0").at(1));
    EXPECT_EQ(Traffic::STATE_IDLE, Driver(*m_pLevel, 0).GetState());
    EXPECT_FALSE(Driver(*m_pLevel, 0).IsChangePending()) << "in the state before the driver's next update";

    EXPECT_EQ(Succeeded("SET AI CAR 0 GOTO 50 0 60", "AI"), Run("SET AI CAR 0 GOTO 50 0 60"));
    EXPECT_EQ(D3DXVECTOR3(50.0f, 0.0f, 60.0f), *Driver(*m_pLevel, 0).GetTarget());
    EXPECT_EQ(35.0f, *Driver(*m_pLevel, 0).GetSpeedLimit()) << "already squared";
    EXPECT_EQ(Traffic::STATE_DRIVING_TO_POS, Driver(*m_pLevel, 0).GetState());
    EXPECT_EQ(Succeeded("SET AI CAR 0 GOTO", "AI"), Run("SET AI CAR 0 GOTO"));
    EXPECT_EQ(AHEAD + D3DXVECTOR3(0.0f, 1.0f, 0.0f), *Driver(*m_pLevel, 0).GetTarget()) << "5 ahead of the player";
    g_PlayerActor = nullptr;
    EXPECT_EQ(Failed("SET AI CAR 0 GOTO", {"No player"}), Run("SET AI CAR 0 GOTO"));
    m_pLevel->Update();
    EXPECT_EQ(2u, m_pLevel->GetActiveCars().size()) << "the level keeps and drives what the console spawned";

    // An agent before it leaves the list, as pooled agents do: without an
    // index the line still reaches the last spawn, now agent 0.
    ASSERT_TRUE(m_pLevel->RemoveAgent(m_pLevel->GetAgent(0)));
    EXPECT_EQ(Succeeded("SET AI CAR STATE 5", "AI", {"****State Set to DRIVING_TO_NODE**"}), Run("SET AI CAR STATE 5"));
    EXPECT_EQ(Traffic::STATE_DRIVING_TO_NODE, Driver(*m_pLevel, 0).GetState());
}

} // namespace
