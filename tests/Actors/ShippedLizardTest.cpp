// The player's prototype as the game ships it: "Lizard" over the animated
// lizard-man, read by the game's own loaders from the game folder.

#include <string>

#include <gtest/gtest.h>

#include "Actors/GameActor.h"
#include "Core/AssetManager.h"
#include "Display/DisplayFixture.h"
#include "Display/Texture.h"
#include "support/ShippedScripts.h"
#include "support/TempDir.h"

namespace {

class ShippedLizardActor : public DisplayFixture {
protected:
    void SetUp() override
    {
        CreateDisplay();
        const std::string logBefore = Log();
        LoadCharacterScripts();
        {
            ScopedWorkingDir inGame(KELM_GAME_DIR);
            LoadAssetsFromScript<CGameActor>("Scripts\\GameActors.txt");
        }
        m_LoadLog = Log().substr(logBefore.size());
        g_AssetManager.GetAsset("Lizard", m_pPrototype, true);
    }
    void TearDown() override
    {
        CTexture::ReleaseAllTextures();
        g_AssetManager.Clear();
        DisplayFixture::TearDown();
    }

    std::string m_LoadLog;
    CGameActor* m_pPrototype = nullptr;
};

TEST_F(ShippedLizardActor, LoadsWithItsArmFramesAndHandAndNoLogLine)
{
    EXPECT_EQ("", m_LoadLog);
    const CGameActor player(*m_pPrototype);
    EXPECT_STREQ("Idle", player.m_Model.GetAnimationName());
    EXPECT_FLOAT_EQ(100.0f, player.m_fMaxLife);
    EXPECT_GT(player.m_fRunSpeed, player.m_fWalkSpeed);
    EXPECT_NE(nullptr, player.m_CollisionObject.m_pRoot);
    EXPECT_GT(player.m_CollisionObject.m_fRadius, 0.9f) << "half the diagonal of a 1.8 m box";

    ASSERT_EQ(2u, player.m_ArmRotFrames.size());
    const cMesh& mesh = player.m_Model.GetMesh();
    for (const char* arm : {"Bip01_R_UpperArm", "Bip01_L_UpperArm"}) {
        SCOPED_TRACE(arm);
        const cFrame* frame = mesh.FindFrame(arm);
        ASSERT_NE(nullptr, frame);
        bool found = false;
        for (const CArmRotFrame& entry : player.m_ArmRotFrames)
            found = found || (entry.m_FrameName == arm && entry.m_pMatrix == &frame->m_matTransform);
        EXPECT_TRUE(found);
    }
    EXPECT_TRUE(player.HasHandFrame());
    EXPECT_EQ(&mesh.FindFrame(CGameActor::HAND_FRAME_NAME)->m_matModel, &player.GetHandMatrix());
}

// What is held in the hand is placed at hand x world: where the draw puts the hand.
TEST_F(ShippedLizardActor, TheHandTimesTheWorldIsWhereTheHandIsDrawn)
{
    CGameActor player(*m_pPrototype);
    cObject& model = player.m_Model;
    model.SetAnimation("RunGun");
    model.Update(0.2f, true);
    D3DXMatrixRotationY(&model.m_matObject, 0.8f);
    const D3DXVECTOR3 standing(12.0f, 0.5f, -7.0f);
    model.SetPosition(&standing);
    model.m_fScale = 1.2f;
    model.UpdateWorldMatrix();
    model.UpdateModelMatrices();
    const D3DXMATRIX held = player.GetHandMatrix() * model.m_matWorld;

    cMesh drawn = model.GetMesh();
    drawn.UpdateFrameMatrices(0, model.m_matWorld, true);
    const D3DXMATRIX& hand = drawn.FindFrame(CGameActor::HAND_FRAME_NAME)->m_matCombined;
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(hand[i], held[i], 1e-4f) << "element " << i;
    EXPECT_GT(held._42, standing.y + 0.5f) << "the hand is up at the shoulder, aiming";
}

} // namespace
