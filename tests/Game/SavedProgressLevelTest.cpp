// A save applied to the running game on the small test level with physics:
// the level rebuilt, the player back on its feet where the save point stood,
// the saved missions and extras brought back from the last name to the first.

#include "Game/ProgressData.h"

#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Actors/GameActor.h"
#include "Actors/Weapon.h"
#include "Display/Camera.h"
#include "Game/ExtrasLevel.h"
#include "Game/Mission.h"
#include "Game/MissionManager.h"
#include "Game/MissionNames.h"
#include "Sound/Radio.h"
#include "platform/novodex/NxPhysics.h"
#include "support/MatrixExpect.h"

namespace {

typedef std::vector<std::string> Names;

std::unique_ptr<CMission> MakePlain()
{
    return std::make_unique<CMission>();
}

class SavedProgressLevel : public ExtrasLevel {
protected:
    void SetUp() override
    {
        ExtrasLevel::SetUp();
        g_PlayerActor = &g_Player;
        g_Player.CreatePhysics();
        for (const char* name : {"SaveA", "SaveB"}) {
            m_Dir.Write(std::string("Scripts/Mission/") + name + "Pre.txt", "MissionStartPos 0 0 0\n");
            g_MissionManager.AddMissionClass({name, &MakePlain, false});
        }
    }
    void TearDown() override
    {
        g_MissionManager.Clear();
        g_GameCamera.m_pTarget = nullptr;
        g_GameCamera.m_u32Mode = CCamera::MODE_NONE;
        ExtrasLevel::TearDown();
    }

    static D3DXVECTOR3 BodyPosition()
    {
        const NxVec3 at = g_Player.m_PhysicsObject.m_pActor->getGlobalPosition();
        return D3DXVECTOR3(at.x, at.y, at.z);
    }
};

TEST_F(SavedProgressLevel, RebuildsTheLevelAndPutsThePlayerBackWhereTheSaveWasMade)
{
    CLevel& level = LoadLevel("Terrain Ground\nWeapon Gun PosMatrix " + At(5, 0.3f, 5) + "\n");
    level.GetWeapons().clear();
    // Dead, limp and far away, with the radio on.
    g_Player.m_fCurrentLife = 0.0f;
    g_Player.m_bAlive = false;
    g_Player.DisablePhysics();
    const D3DXVECTOR3 away(60, 3, 70);
    g_Player.m_Model.SetPosition(&away);
    g_Player.SyncPhysicsPose();
    g_Radio.SetOn(true);
    g_pActiveCamera = &m_Viewer;

    CProgressData progress;
    progress.m_StartingPos = D3DXVECTOR3(12, 0.5f, 20);
    EXPECT_TRUE(ApplySavedProgress(progress));

    EXPECT_EQ(1u, level.GetWeapons().size()) << "the level script ran again";
    EXPECT_FLOAT_EQ(g_Player.m_fMaxLife, g_Player.m_fCurrentLife);
    EXPECT_TRUE(g_Player.m_bAlive);
    EXPECT_FALSE(g_Player.m_PhysicsObject.m_pActor->readBodyFlag(NX_BF_FROZEN));
    EXPECT_FALSE(g_Player.m_PhysicsObject.m_pActor->readActorFlag(NX_AF_DISABLE_COLLISION));
    const D3DXMATRIX& placed = g_Player.m_Model.m_matObject;
    EXPECT_EQ(progress.m_StartingPos, D3DXVECTOR3(placed._41, placed._42, placed._43));
    ExpectVectorNear(progress.m_StartingPos, BodyPosition(), 1e-5f, "the body follows");
    EXPECT_FALSE(g_Radio.IsOn());
    EXPECT_EQ(&g_GameCamera, g_pActiveCamera);
    EXPECT_EQ(&g_Player.m_Model.m_matWorld, g_GameCamera.m_pTarget);
    EXPECT_EQ(static_cast<uint32_t>(CCamera::MODE_CHASE), g_GameCamera.m_u32Mode);
}

// The file lists what was open first to last; the game gets it back last to
// first, what was open before the load gone and each unknown name skipped.
TEST_F(SavedProgressLevel, BringsBackTheMissionsAndExtrasFromTheLastToTheFirst)
{
    CLevel& level = LoadLevel("Terrain Ground\n");
    g_MissionManager.CreateMission("SaveA");
    SpawnItem("C4");

    CProgressData progress;
    progress.m_MissionsOpen = {"SaveA", "Nowhere", "SaveB", "SaveA"};
    progress.m_ExtrasOpen = {"pistol", "Jetpack", "Uzzi"};
    EXPECT_TRUE(ApplySavedProgress(progress));

    EXPECT_EQ((Names{"SaveA", "SaveB", "SaveA"}), ListedMissionNames());
    EXPECT_EQ(nullptr, g_MissionManager.GetCurrentMission());
    EXPECT_EQ((Names{"Uzzi", "pistol"}), g_UnlockedExtras);
    Names weapons;
    for (const auto& weapon : level.GetWeapons())
        weapons.push_back(weapon->m_Name);
    EXPECT_EQ((Names{"Uzzi", "pistol"}), weapons) << "the C4 went with the old level";
    const std::string log = Log();
    for (const std::string line :
         {"Error found in file: Invalid Mission Name", "Error found in file: Invalid Extra Object"}) {
        const size_t logged = log.find(line);
        EXPECT_NE(std::string::npos, logged) << log;
        EXPECT_EQ(std::string::npos, log.find(line, logged + line.size())) << "once, for the one unknown name";
    }
}

} // namespace
