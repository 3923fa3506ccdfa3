// The console's handlers on a loaded level: the player with its body on the
// flat test ground, the level's paint table, its cars, objects, weapons and
// agents, and the camera that streams the world.

#include <algorithm>
#include <functional>
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
#include "Level/LevelFixture.h"
#include "Physics/Physics.h"
#include "platform/novodex/NxActor.h"

namespace {

typedef ConsoleLines Lines;

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
        g_Physics.SetTimeScale(m_TimeScale);
        g_GameCamera.m_pTarget = nullptr;
        g_Player.m_pCar = nullptr;
        LevelFixture::TearDown();
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
    const Case cases[] = {
        {"SET SETSPEED 0", Failed("SET SETSPEED 0", {}), scaleKept},
        {"SET SETSPEED -1", Failed("SET SETSPEED -1", {}), scaleKept},
        {"SET SETSPEED 2", Succeeded("SET SETSPEED 2", "SETSPEED"),
         [] { EXPECT_FLOAT_EQ(2.0f, g_Physics.GetTimeScale()); }},
        {"SET SETHEALTH 0", Succeeded("SET SETHEALTH 0", "SETHEALTH"),
         [] {
             EXPECT_FLOAT_EQ(0.0f, g_Player.m_fCurrentLife);
             EXPECT_FALSE(g_Player.m_bAlive) << "no life, not alive";
         }},
        {"SET SETHEALTH 50", Succeeded("SET SETHEALTH 50", "SETHEALTH"),
         [] {
             EXPECT_FLOAT_EQ(50.0f, g_Player.m_fCurrentLife);
             EXPECT_TRUE(g_Player.m_bAlive);
         }},
        {"SET GETPOS", Succeeded("SET GETPOS", "GETPOS", {"10.0000 1.0000 20.0000"}), [] {}},
        {"SET CCOLOR 1 0 0", Failed("SET CCOLOR 1 0 0", {"Your not in a car"}), [] {}},
        {"SET SETCONTROLLER 0", Failed("SET SETCONTROLLER 0", {"**Invalid AI ENTITY Index**"}),
         [] { EXPECT_EQ(nullptr, g_GameCamera.m_pTarget); }},
        {"SET GRAVITY 0 -20 0", Succeeded("SET GRAVITY 0 -20 0", "GRAVITY", {"Simulator does not exist"}), [] {}},
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
        {"SET SETPOS INF 0 0", Failed("SET SETPOS INF 0 0", {}),
         [] { EXPECT_EQ(PLAYER_AT, g_Player.m_Model.m_vPosition); }},
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

TEST_F(GameConsoleHandlersTest, SetControllerFollowsAnAgentsActorAndThePlayerAgain)
{
    CLevel& level = *m_pLevel;
    CAIControllerSet* agent = level.AddAgent();
    EXPECT_EQ(Failed("SET SETCONTROLLER 0", {"AI entity has no actor"}), Run("SET SETCONTROLLER 0"));
    CGameActor driver;
    agent->m_pActor = &driver;
    EXPECT_EQ(Succeeded("SET SETCONTROLLER 0", "SETCONTROLLER"), Run("SET SETCONTROLLER 0"));
    EXPECT_EQ(&driver.m_Model.m_matObject, g_GameCamera.m_pTarget);
    EXPECT_EQ(Failed("SET SETCONTROLLER 1", {"**Invalid AI ENTITY Index**"}), Run("SET SETCONTROLLER 1"));
    EXPECT_EQ(Succeeded("SET SETCONTROLLER", "SETCONTROLLER"), Run("SET SETCONTROLLER"));
    EXPECT_EQ(&g_Player.m_Model.m_matObject, g_GameCamera.m_pTarget);
    agent->m_pActor = nullptr;
}

TEST_F(GameConsoleHandlersTest, GetCameraInfoTwiceAppendsFourLines)
{
    m_Console.RunLine("SET GETCAMERAINFO");
    m_Console.RunLine("SET GETCAMERAINFO");
    const std::string written = m_Dir.Read(CAMERA_INFO_FILE);
    EXPECT_EQ(4, std::count(written.begin(), written.end(), '\n')) << written;
}

} // namespace
