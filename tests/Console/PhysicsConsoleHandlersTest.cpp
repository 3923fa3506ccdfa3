// The handlers that move, heal and watch the player, on a player with its
// body in a real scene.

#include <string>

#include <gtest/gtest.h>

#include "Actors/GameActor.h"
#include "Console/Console.h"
#include "Console/FullKeyboard.h"
#include "Display/Camera.h"
#include "Game/CrimeManager.h"
#include "Physics/Physics.h"
#include "platform/novodex/NxPhysics.h"

namespace {

class PhysicsConsoleHandlers : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(g_Physics.Init());
        m_Console.Init(nullptr, m_Keys, &m_Keyboard);
        m_Player.CreatePhysics();
        ASSERT_NE(nullptr, m_Player.m_PhysicsObject.m_pActor);
        m_SavedPlayer = g_PlayerActor;
        g_PlayerActor = &m_Player;
    }
    void TearDown() override
    {
        g_PlayerActor = m_SavedPlayer;
        g_GameCamera.m_pTarget = nullptr;
        m_Player.Shutdown();
        g_Physics.Shutdown();
    }

    std::string Run(const char* line)
    {
        const CLineRing& output = m_Console.GetOutput();
        const int32_t first = output.GetCurrentIndex();
        m_Console.RunLine(line);
        std::string lines;
        for (int32_t i = first; i != output.GetCurrentIndex(); i = CLineRing::Next(i))
            lines += output.Line(i) + "|";
        return lines;
    }

    BYTE m_Keys[CFullKeyboard::KEY_COUNT] = {};
    CFullKeyboard m_Keyboard;
    CConsole m_Console;
    CGameActor m_Player;
    CGameActor* m_SavedPlayer = nullptr;
};

TEST_F(PhysicsConsoleHandlers, SetPosMovesTheModelAndTheBodyAndGetPosPrintsIt)
{
    EXPECT_EQ("SET SETPOS 380 2.5 150|SETPOS set successfully|", Run("SET SETPOS 380 2.5 150"));
    EXPECT_EQ(D3DXVECTOR3(380.0f, 2.5f, 150.0f), m_Player.m_Model.m_vPosition);
    const NxVec3 body = m_Player.m_PhysicsObject.m_pActor->getGlobalPosition();
    EXPECT_FLOAT_EQ(380.0f, body.x);
    EXPECT_FLOAT_EQ(2.5f, body.y);
    EXPECT_FLOAT_EQ(150.0f, body.z);
    EXPECT_EQ("SET GETPOS|380.0000 2.5000 150.0000|GETPOS set successfully|", Run("SET GETPOS"));
}

TEST_F(PhysicsConsoleHandlers, SetHealthRevivesOnlyAboveZero)
{
    struct Case {
        const char* line;
        bool alive;
        float life;
        const char* output;
    };
    const Case cases[] = {
        {"SET SETHEALTH 0", false, 0.0f, "SET SETHEALTH 0|SETHEALTH set successfully|"},
        {"SET SETHEALTH", false, 9.0f, "SET SETHEALTH|Function returned false|"},
        {"SET SETHEALTH 50", true, 50.0f, "SET SETHEALTH 50|SETHEALTH set successfully|"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        m_Player.m_bAlive = false;
        m_Player.m_fCurrentLife = 9.0f;
        EXPECT_EQ(c.output, Run(c.line));
        EXPECT_EQ(c.alive, m_Player.m_bAlive);
        EXPECT_FLOAT_EQ(c.life, m_Player.m_fCurrentLife);
    }
}

TEST_F(PhysicsConsoleHandlers, SetWarningSetsTheWantedLevelUpToTheMaximum)
{
    const float saved = g_CrimeFile.MaxWantedLevel;
    g_CrimeFile.MaxWantedLevel = 6.0f;
    m_Console.RunLine("SET SETWARNING 2");
    EXPECT_FLOAT_EQ(2.0f, m_Player.m_fWantedLevel);
    m_Console.RunLine("SET SETWARNING 9");
    EXPECT_FLOAT_EQ(6.0f, m_Player.m_fWantedLevel);
    m_Console.RunLine("SET SETWARNING 0XFFFFFFFF");
    EXPECT_FLOAT_EQ(0.0f, m_Player.m_fWantedLevel) << "no negative level";
    EXPECT_EQ("SET SETWARNING X|Function returned false|", Run("SET SETWARNING X"));
    g_CrimeFile.MaxWantedLevel = saved;
}

TEST_F(PhysicsConsoleHandlers, SetControllerWithoutANumberFollowsThePlayerAgain)
{
    D3DXMATRIX elsewhere;
    g_GameCamera.m_pTarget = &elsewhere;
    EXPECT_EQ("SET SETCONTROLLER|SETCONTROLLER set successfully|", Run("SET SETCONTROLLER"));
    EXPECT_EQ(&m_Player.m_Model.m_matObject, g_GameCamera.m_pTarget);
    g_GameCamera.m_pTarget = &elsewhere;
    EXPECT_EQ("SET SETCONTROLLER 0|**Invalid AI ENTITY Index**|Function returned false|",
              Run("SET SETCONTROLLER 0"));
    EXPECT_EQ(&elsewhere, g_GameCamera.m_pTarget);
}

} // namespace
