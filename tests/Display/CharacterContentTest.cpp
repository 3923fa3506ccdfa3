// The player's lizard-man as the build generates it and the scripts name it:
// the skinned mesh, its skeleton and its animation sets, loaded and played
// by the game's own classes.

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Core/AssetManager.h"
#include "Display/AnimatedObject.h"
#include "Display/DisplayFixture.h"
#include "Display/Texture.h"
#include "support/ShippedScripts.h"

namespace {

// The bones the game names: the weapon hangs from "Bip01_R_Hand", the aim
// turns the upper arms.
const char* const REQUIRED_BONES[] = {
    "Bip01",           "Bip01_Spine",     "Bip01_Neck",      "Bip01_Head",       "Bip01_L_UpperArm",
    "Bip01_L_Forearm", "Bip01_L_Hand",    "Bip01_R_UpperArm", "Bip01_R_Forearm", "Bip01_R_Hand",
    "Bip01_L_Thigh",   "Bip01_L_Calf",    "Bip01_L_Foot",    "Bip01_R_Thigh",    "Bip01_R_Calf",
    "Bip01_R_Foot",
};

const float HEIGHT = 1.8f;
const float HEIGHT_TOLERANCE = 0.05f;
const float GROUND_TOLERANCE = 0.005f;
const float CENTRE_TOLERANCE = 0.1f;

// How far the poses must move the joints to count (metres).
const float STRIDE = 0.1f;
const float ARM_REACH = 0.5f;
const float SEATED_KNEE_AHEAD = 0.3f;
const float SEATED_SHIN = 0.3f;
const float ANKLE_OFF_FLOOR = 0.15f;
const float LYING_HEIGHT = 0.6f;

struct SetExpectation {
    const char* name;
    uint32_t lengthMs;
    bool loops;
};

// Walk and WalkGun, Run and RunGun share their lengths: the game swaps one
// for the other keeping the animation time.
const SetExpectation SETS[] = {
    {"Idle", 2000, true},  {"Walk", 1000, true}, {"Run", 600, true},         {"WalkGun", 1000, true},
    {"RunGun", 600, true}, {"Sit", 1000, true},  {"JumpOutWay", 800, false},
};

class ShippedCharacterTest : public DisplayFixture {
protected:
    void SetUp() override
    {
        CreateDisplay();
        const std::string logBefore = Log();
        LoadCharacterScripts();
        m_LoadLog = Log().substr(logBefore.size());
        cObject* prototype = nullptr;
        g_AssetManager.GetAsset("LizardObj", prototype, true);
        m_Lizard = *prototype;
    }
    void TearDown() override
    {
        CTexture::ReleaseAllTextures();
        g_AssetManager.Clear();
        DisplayFixture::TearDown();
    }

    // A joint's place in the model `ms` into a set, as the game poses it.
    D3DXVECTOR3 JointAt(const char* set, uint32_t ms, const std::string& frame)
    {
        m_Lizard.SetAnimation(set);
        // Half a millisecond on, so that the time reaches `ms` whole.
        m_Lizard.Update((static_cast<float>(ms) + 0.5f) / 1000.0f, true);
        D3DXMATRIX model;
        D3DXMatrixIdentity(&model);
        m_Lizard.GetMesh().UpdateFrameMatrices(0, model, true);
        const cFrame* joint = m_Lizard.GetMesh().FindFrame(frame.c_str());
        EXPECT_NE(nullptr, joint) << frame;
        return joint != nullptr ? D3DXVECTOR3(joint->m_matCombined._41, joint->m_matCombined._42,
                                              joint->m_matCombined._43)
                                : D3DXVECTOR3(0, 0, 0);
    }

    std::string m_LoadLog;
    cObject m_Lizard;
};

TEST_F(ShippedCharacterTest, LoadsThroughItsThreeScriptsWithEveryBoneAndTrackBound)
{
    EXPECT_EQ("", m_LoadLog) << "no warning while loading";
    ASSERT_NE(nullptr, m_Lizard.GetAnimationName());
    EXPECT_STREQ("Idle", m_Lizard.GetAnimationName());

    const cMesh& mesh = m_Lizard.GetMesh();
    const cMeshBlock* block = mesh.GetMeshBlock();
    ASSERT_NE(nullptr, block);
    EXPECT_LE(block->m_NumBones, kMaxSkinPaletteBones);
    for (DWORD bone = 0; bone < block->m_NumBones; ++bone)
        EXPECT_NE(nullptr, mesh.GetBoneFrameMatrix(bone)) << block->m_BoneNames[bone];
    for (const char* required : REQUIRED_BONES) {
        EXPECT_NE(block->m_BoneNames.end(), std::find(block->m_BoneNames.begin(), block->m_BoneNames.end(), required))
            << required;
    }

    EXPECT_EQ(std::size(SETS), m_Lizard.GetAnimation().GetSets().size());
    for (const SetExpectation& expected : SETS) {
        SCOPED_TRACE(expected.name);
        const cAnimationSet* set = m_Lizard.GetAnimation().FindSet(expected.name);
        ASSERT_NE(nullptr, set);
        EXPECT_EQ(expected.lengthMs, set->m_Length);
        ASSERT_FALSE(set->m_Tracks.empty());
        for (const cAnimationTrack& track : set->m_Tracks) {
            SCOPED_TRACE(track.m_FrameName);
            EXPECT_NE(nullptr, track.m_pFrame);
            EXPECT_EQ(expected.loops ? 1u : 0u, track.m_Closed);
            // The animated transform replaces the file's: without positions the bone would fall to its parent.
            ASSERT_TRUE(track.m_PositionKeys != nullptr && !track.m_PositionKeys->empty());
            if (!expected.loops)
                continue;
            EXPECT_EQ(track.m_PositionKeys->front().m_Value, track.m_PositionKeys->back().m_Value);
            ASSERT_TRUE(track.m_RotationKeys != nullptr && !track.m_RotationKeys->empty());
            EXPECT_EQ(track.m_RotationKeys->front().m_Quat, track.m_RotationKeys->back().m_Quat);
        }
    }
}

TEST_F(ShippedCharacterTest, StandsOnTheGroundAndItsBonesRestWhereTheSkinWasMade)
{
    const cMesh& mesh = m_Lizard.GetMesh();
    cMesh bindPose = mesh;
    D3DXMATRIX model;
    D3DXMatrixIdentity(&model);
    bindPose.UpdateFrameMatrices(0, model, false);
    bindPose.ComputeBoneMatrices();
    const cMeshBlock& block = *bindPose.GetMeshBlock();
    for (DWORD bone = 0; bone < block.m_NumBones; ++bone) {
        for (int i = 0; i < 16; ++i)
            EXPECT_NEAR(model[i], block.m_BoneMatrices[bone][i], 1e-4f) << block.m_BoneNames[bone];
    }

    CTexture* skin = nullptr;
    g_AssetManager.GetAsset("lizard.png", skin, false);
    ASSERT_NE(nullptr, skin) << "the material's texture, loaded by its file name";
    ASSERT_EQ(1u, block.m_Textures.size());
    EXPECT_EQ(skin->GetTexture(), block.m_Textures[0]);

    BYTE* bytes = nullptr;
    ASSERT_EQ(D3D_OK, block.m_Mesh->LockVertexBuffer(D3DLOCK_READONLY, &bytes));
    const D3DXBlendedVertex* vertices = reinterpret_cast<const D3DXBlendedVertex*>(bytes);
    D3DXVECTOR3 low = vertices[0].position;
    D3DXVECTOR3 high = vertices[0].position;
    for (DWORD i = 1; i < block.m_Mesh->GetNumVertices(); ++i) {
        D3DXVec3Minimize(&low, &low, &vertices[i].position);
        D3DXVec3Maximize(&high, &high, &vertices[i].position);
    }
    block.m_Mesh->UnlockVertexBuffer();
    EXPECT_NEAR(0.0f, low.y, GROUND_TOLERANCE);
    EXPECT_NEAR(HEIGHT, high.y, HEIGHT_TOLERANCE);
    EXPECT_NEAR(0.0f, (low.x + high.x) / 2.0f, CENTRE_TOLERANCE);
    EXPECT_NEAR(0.0f, (low.z + high.z) / 2.0f, CENTRE_TOLERANCE);
}

// Played as the game plays them, the poses move the limbs the way the sets
// are named; the character faces +z.
TEST_F(ShippedCharacterTest, PosesSwingLimbsForwardWhereTheGameExpectsThem)
{
    // A quarter into the walk, the left leg is forward and the right one back.
    EXPECT_GT(JointAt("Walk", 250, "Bip01_L_Calf").z, JointAt("Walk", 250, "Bip01_L_Thigh").z + STRIDE);
    EXPECT_LT(JointAt("Walk", 250, "Bip01_R_Calf").z, JointAt("Walk", 250, "Bip01_R_Thigh").z - STRIDE);

    // Aiming, the gun hand is an arm's length ahead of the shoulder, level with it.
    for (const char* set : {"WalkGun", "RunGun"}) {
        const uint32_t length = m_Lizard.GetAnimation().FindSet(set)->m_Length;
        for (uint32_t ms = 0; ms < length; ms += length / 4) {
            const D3DXVECTOR3 shoulder = JointAt(set, ms, "Bip01_R_UpperArm");
            const D3DXVECTOR3 hand = JointAt(set, ms, "Bip01_R_Hand");
            EXPECT_GT(hand.z - shoulder.z, ARM_REACH) << set << " at " << ms;
            EXPECT_NEAR(shoulder.y, hand.y, STRIDE) << set << " at " << ms;
        }
    }

    // Seated, the knees are in front of the hips and the feet below the knees, on the floor.
    for (const std::string side : {"L", "R"}) {
        const D3DXVECTOR3 hip = JointAt("Sit", 0, "Bip01_" + side + "_Thigh");
        const D3DXVECTOR3 knee = JointAt("Sit", 0, "Bip01_" + side + "_Calf");
        const D3DXVECTOR3 ankle = JointAt("Sit", 0, "Bip01_" + side + "_Foot");
        EXPECT_GT(knee.z - hip.z, SEATED_KNEE_AHEAD) << side;
        EXPECT_LT(ankle.y, knee.y - SEATED_SHIN) << side;
        EXPECT_LT(ankle.y, ANKLE_OFF_FLOOR) << side;
    }

    // The dive ends lying on the ground, and then it is over.
    EXPECT_LT(JointAt("JumpOutWay", 800, "Bip01_Head").y, LYING_HEIGHT);
    EXPECT_LT(JointAt("JumpOutWay", 800, "Bip01").y, LYING_HEIGHT);
    EXPECT_TRUE(m_Lizard.IsAnimationFinished());
}

} // namespace
