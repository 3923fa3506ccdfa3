#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Core/AssetManager.h"
#include "Display/AnimatedMesh.h"
#include "Display/AnimatedObject.h"
#include "Display/DisplayFixture.h"
#include "Display/Texture.h"
#include "platform/d3dx8/XMeshText.h"
#include "support/FatalTrap.h"
#include "support/MatrixExpect.h"

namespace {

// A triangle; `corners` more of them makes a mesh of another size.
XTextMesh Triangle(const std::string& name, int triangles = 1)
{
    XTextMesh mesh;
    mesh.name = name;
    for (int i = 0; i < triangles; ++i) {
        const DWORD first = static_cast<DWORD>(mesh.positions.size());
        const float x = static_cast<float>(i);
        mesh.positions.insert(mesh.positions.end(), {D3DXVECTOR3(x, 0, 0), D3DXVECTOR3(x, 1, 0),
                                                     D3DXVECTOR3(x + 1, 0, 0)});
        mesh.faces.push_back({first, first + 1, first + 2});
    }
    return mesh;
}

// One SkinWeights object giving every listed vertex weight 1 under `bone`.
std::string SkinWeights(const std::string& bone, const std::vector<DWORD>& vertices, const D3DXMATRIX& offset)
{
    std::string text = "SkinWeights {\n\"" + bone + "\";\n" + std::to_string(vertices.size()) + ";\n";
    for (size_t i = 0; i < vertices.size(); ++i)
        text += std::to_string(vertices[i]) + (i + 1 < vertices.size() ? "," : ";") + "\n";
    for (size_t i = 0; i < vertices.size(); ++i)
        text += std::string("1.0") + (i + 1 < vertices.size() ? "," : ";") + "\n";
    for (int i = 0; i < 16; ++i)
        text += std::to_string(offset[i]) + (i < 15 ? "," : ";;") + "\n";
    return text + "}\n";
}

// The mesh's text with the skin weights of `bones` inside it.
std::string SkinnedMeshText(const XTextMesh& mesh, const std::vector<std::string>& bones)
{
    std::string text = MeshText(mesh);
    std::string skin;
    for (const std::string& bone : bones)
        skin += SkinWeights(bone, {0}, Identity());
    text.insert(text.rfind('}'), skin);
    return text;
}

class cMeshTest : public DisplayFixture {
protected:
    void SetUp() override { CreateDisplay(); }
    void TearDown() override
    {
        CTexture::ReleaseAllTextures();
        g_AssetManager.Clear();
        DisplayFixture::TearDown();
    }

    bool LoadBody(cMesh& mesh, const std::string& body)
    {
        m_Dir.Write("Assets/Meshes/model.x", XFileText(body));
        return mesh.LoadX("Assets\\Meshes\\model.x");
    }

    static std::vector<std::string> FrameNames(const cMesh& mesh)
    {
        std::vector<std::string> names;
        for (const cFrame& frame : mesh.GetFrames())
            names.push_back(frame.m_Name);
        return names;
    }
};

TEST_F(cMeshTest, FramesArePreOrderWithSiblingsInReverseAndTheRootByTheTopLevel)
{
    cMesh framesOnly;
    const std::string legs = FrameText("LeftLeg", Identity(), "") +
                             FrameText("RightLeg", Identity(), FrameText("RightFoot", Identity(), ""));
    ASSERT_TRUE(LoadBody(framesOnly, FrameText("Hips", Translation(0, 1, 0), legs + MeshText(Triangle("Body")))));
    EXPECT_EQ((std::vector<std::string>{"Hips", "RightLeg", "RightFoot", "LeftLeg"}), FrameNames(framesOnly));
    const std::vector<cFrame>& frames = framesOnly.GetFrames();
    EXPECT_EQ(-1, frames[0].m_Parent);
    EXPECT_EQ(1, frames[0].m_FirstChild);
    EXPECT_EQ(3, frames[1].m_NextSibling);
    EXPECT_EQ(2, frames[1].m_FirstChild);
    EXPECT_EQ(1, frames[2].m_Parent);
    ExpectMatrixNear(Translation(0, 1, 0), frames[0].m_matFileTransform);
    ASSERT_EQ(1u, frames[0].m_Meshes.size());
    EXPECT_EQ(framesOnly.GetMeshBlock(), frames[0].m_Meshes[0]);

    cMesh topLevelMesh;
    ASSERT_TRUE(LoadBody(topLevelMesh, MeshText(Triangle("Loose")) + FrameText("Marker", Identity(), "")));
    EXPECT_EQ((std::vector<std::string>{cMesh::ROOT_FRAME_NAME, "Marker"}), FrameNames(topLevelMesh));
    EXPECT_EQ(1u, topLevelMesh.GetFrames()[0].m_Meshes.size());
    EXPECT_EQ(&topLevelMesh.GetFrames()[0], topLevelMesh.FindFrame(cMesh::ROOT_FRAME_NAME));
    EXPECT_EQ(nullptr, topLevelMesh.FindFrame(nullptr));
    EXPECT_EQ(nullptr, topLevelMesh.FindFrame("marker"));
}

TEST_F(cMeshTest, AMeshOfTheSameNameLoadsOnceForEveryFrameThatHoldsIt)
{
    cMesh mesh;
    const std::string body =
        FrameText("A", Identity(), MeshText(Triangle("Shared"))) + FrameText("B", Identity(), MeshText(Triangle("Shared", 2)));
    ASSERT_TRUE(LoadBody(mesh, body));

    const cMeshBlock* block = mesh.GetMeshBlock();
    ASSERT_NE(nullptr, block);
    EXPECT_EQ(1u, block->m_Mesh->GetNumFaces());
    for (const char* name : {"A", "B"}) {
        ASSERT_EQ(1u, mesh.FindFrame(name)->m_Meshes.size()) << name;
        EXPECT_EQ(block, mesh.FindFrame(name)->m_Meshes[0]) << name;
    }
}

TEST_F(cMeshTest, AMeshWithoutBonesBecomesOneBoneThatFollowsItsFrame)
{
    cMesh mesh;
    ASSERT_TRUE(LoadBody(mesh, FrameText("Holder", Translation(2, 0, 0), MeshText(Triangle("Plain")))));

    const cMeshBlock* block = mesh.GetMeshBlock();
    EXPECT_EQ(nullptr, block->m_SkinMesh);
    ASSERT_EQ(1u, block->m_NumBones);
    EXPECT_EQ("Holder", block->m_BoneNames[0]);
    EXPECT_EQ(sizeof(D3DXBlendedVertex), block->m_Mesh->GetNumBytesPerVertex());

    mesh.UpdateFrameMatrices(0, Translation(0, 0, 5), false);
    mesh.ComputeBoneMatrices();
    ExpectMatrixNear(Translation(2, 0, 5), block->m_BoneMatrices[0]);

    // The drawn mesh lives in the managed pool: a reset keeps it.
    EXPECT_TRUE(g_Display.Reset());
    EXPECT_EQ(block, mesh.GetMeshBlock());
}

TEST_F(cMeshTest, BonesFollowTheirFramesAndABoneWithoutOneStaysStill)
{
    cMesh mesh;
    XTextMesh triangle = Triangle("Skin");
    std::string meshText = MeshText(triangle);
    const std::string skin =
        SkinWeights("Arm", {0, 1}, Translation(-1, 0, 0)) + SkinWeights("Ghost", {2}, Translation(0, -3, 0));
    meshText.insert(meshText.rfind('}'), skin);
    ASSERT_TRUE(LoadBody(mesh, FrameText("Arm", Translation(1, 0, 0), "") + meshText));

    ASSERT_EQ(2u, mesh.GetMeshBlock()->m_NumBones);
    EXPECT_EQ(&mesh.FindFrame("Arm")->m_matCombined, mesh.GetBoneFrameMatrix(0));
    EXPECT_EQ(nullptr, mesh.GetBoneFrameMatrix(1));
    mesh.UpdateFrameMatrices(0, Translation(0, 0, 7), false);
    mesh.ComputeBoneMatrices();
    ExpectMatrixNear(Translation(0, 0, 7), mesh.GetMeshBlock()->m_BoneMatrices[0]);
    ExpectMatrixNear(Identity(), mesh.GetMeshBlock()->m_BoneMatrices[1]);

    // A copy draws the same mesh from frames of its own.
    cMesh copy = mesh;
    EXPECT_EQ(mesh.GetMeshBlock(), copy.GetMeshBlock());
    EXPECT_EQ(&copy.FindFrame("Arm")->m_matCombined, copy.GetBoneFrameMatrix(0));
    copy.FindFrame("Arm")->m_matTransform = Translation(9, 9, 9);
    copy.UpdateFrameMatrices(0, Identity(), true);
    ExpectMatrixNear(Translation(9, 9, 9), *copy.GetBoneFrameMatrix(0));
    ExpectMatrixNear(Translation(1, 0, 7), *mesh.GetBoneFrameMatrix(0));
}

TEST_F(cMeshTest, UnreadableFilesAndMeshesThatCannotBeDrawnFailTheLoad)
{
    std::vector<std::string> bones;
    std::string frames;
    for (int i = 0; i <= static_cast<int>(kMaxSkinPaletteBones); ++i) {
        bones.push_back("Bone" + std::to_string(i));
        frames += FrameText(bones.back(), Identity(), "");
    }
    cMesh tooManyBones;
    EXPECT_FALSE(LoadBody(tooManyBones, frames + SkinnedMeshText(Triangle("Crowd"), bones)));
    EXPECT_NE(std::string::npos, Log().find("Animated mesh Crowd has 21 bones; at most 20 can be drawn")) << Log();
    EXPECT_EQ(nullptr, tooManyBones.GetMeshBlock()->m_Mesh);

    cMesh broken;
    EXPECT_FALSE(LoadBody(broken, "Frame Open {\n"));
    EXPECT_TRUE(broken.GetFrames().empty());
    cMesh missing;
    EXPECT_FALSE(missing.LoadX("Assets\\Meshes\\none.x"));
    EXPECT_FALSE(missing.LoadX(""));
    EXPECT_FALSE(missing.Render(Identity(), false));

    m_Dir.Write("Scripts/AninimatedMeshes.txt", "AnimMesh Lost\nSrc Assets\\Meshes\\none.x\n");
    EXPECT_FATAL(LoadAssetsFromScript<cMesh>("Scripts\\AninimatedMeshes.txt"),
                 "Unable to intialize object Lost from: Scripts\\AninimatedMeshes.txt of type cMesh\n"
                 "in Assets\\Meshes\\none.x: The mesh file could not be loaded.");
}

// --- animation sets and animated objects

// A bone moved along x by position keys (0 ms: 0, 1000 ms: 10) in the sets
// "Closed", "Open" and "Fast"; "Late" starts at 200 ms; "Turn" holds one
// rotation key; "Astray" moves a frame the mesh does not have.
const char* const ANIMATIONS = R"(
Frame Bone { }
Frame Stray { }
AnimationSet Closed {
 Animation { {Bone} AnimationKey { 2; 2; 0;3;0.0,0.0,0.0;;, 1000;3;10.0,0.0,0.0;;; } }
}
AnimationSet Open {
 Animation { {Bone} AnimationKey { 2; 2; 0;3;0.0,0.0,0.0;;, 1000;3;10.0,0.0,0.0;;; } }
}
AnimationSet Fast {
 Animation { {Bone} AnimationKey { 2; 2; 0;3;0.0,0.0,0.0;;, 1000;3;10.0,0.0,0.0;;; } }
}
AnimationSet Late {
 Animation { {Bone} AnimationKey { 2; 2; 200;3;2.0,0.0,0.0;;, 1000;3;10.0,0.0,0.0;;; } }
}
AnimationSet Turn {
 Animation Spin { {Bone} AnimationKey { 0; 1; 0;4;1.0,0.5,0.0,0.0;;; } }
}
AnimationSet Astray {
 Animation { {Stray} AnimationKey { 2; 1; 0;3;1.0,0.0,0.0;;; } }
}
)";

class cObjectTest : public cMeshTest {
protected:
    void SetUp() override
    {
        cMeshTest::SetUp();
        m_Dir.Write("Assets/Meshes/bone.x", XFileText(FrameText("Bone", Translation(0, 1, 0), "") +
                                                     MeshText(Triangle("Body"))));
        m_Dir.Write("Assets/Meshes/anims.x", XFileText(ANIMATIONS));
        m_Dir.Write("Scripts/AninimatedMeshes.txt", "AnimMesh BoneMesh\nSrc Assets\\Meshes\\bone.x\n");
        m_Dir.Write("Scripts/AnimationSets.txt", "AnimSet Moves\n"
                                                 "AnimationSrc Assets\\Meshes\\anims.x AnimatedMesh BoneMesh\n"
                                                 "Loop Closed True\nLoop Open False\nLoopTime Fast 2.0\n");
        m_Dir.Write("Scripts/AnimatedMeshObject.txt", "AnimObject Mover\nAnimMesh BoneMesh\n"
                                                      "AnimationSet Moves AnimationSubSet Closed\n"
                                                      "CorrectionMatrix 1 0 0 0 0 1 0 0 0 0 1 0 0 0 3 1\n");
        LoadAssetsFromScript<cMesh>("Scripts\\AninimatedMeshes.txt");
        LoadAssetsFromScript<cAnimation>("Scripts\\AnimationSets.txt");
        LoadAssetsFromScript<cObject>("Scripts\\AnimatedMeshObject.txt");
        cObject* prototype = nullptr;
        g_AssetManager.GetAsset("Mover", prototype, true);
        m_Object = *prototype;
    }

    float BoneX() { return m_Object.GetMesh().FindFrame("Bone")->m_matTransform._41; }

    cObject m_Object;
};

TEST_F(cObjectTest, ScriptsNameTheMeshTheSetsAndTheSetToStartIn)
{
    ASSERT_NE(nullptr, m_Object.GetAnimationName());
    EXPECT_STREQ("Closed", m_Object.GetAnimationName());
    cAnimation& animation = m_Object.GetAnimation();
    EXPECT_EQ(6u, animation.GetSets().size());
    EXPECT_EQ(1u, animation.FindSet("Closed")->m_Tracks[0].m_Closed);
    EXPECT_EQ(0u, animation.FindSet("Open")->m_Tracks[0].m_Closed);
    EXPECT_FLOAT_EQ(2.0f, animation.FindSet("Fast")->m_TimeScale);
    EXPECT_EQ(1000u, animation.FindSet("Closed")->m_Length);
    // Tracks drive the object's own frames.
    EXPECT_EQ(m_Object.GetMesh().FindFrame("Bone"), animation.FindSet("Closed")->m_Tracks[0].m_pFrame);
    EXPECT_EQ(nullptr, animation.FindSet("Astray")->m_Tracks[0].m_pFrame);
    EXPECT_EQ(nullptr, animation.FindSet(nullptr));

    // The rotation key written (w, x, y, z) = (1, 0.5, 0, 0) is held inverted.
    const cRotateKey& key = animation.FindSet("Turn")->m_Tracks[0].m_RotationKeys->at(0);
    EXPECT_FLOAT_EQ(-0.5f, key.m_Quat.x);
    EXPECT_FLOAT_EQ(0.0f, key.m_Quat.y);
    EXPECT_FLOAT_EQ(0.0f, key.m_Quat.z);
    EXPECT_FLOAT_EQ(1.0f, key.m_Quat.w);
    EXPECT_EQ("Spin", animation.FindSet("Turn")->m_Tracks[0].m_AnimationName);
}

TEST_F(cObjectTest, SetsLoopHoldOrRunFasterAsTheScriptsSay)
{
    const struct {
        const char* set;
        float seconds;
        bool interpolate;
        float boneX;
        bool finished;
    } CASES[] = {
        {"Closed", 2.5f, true, 5.0f, true},  // plays the pose of 500 ms
        {"Closed", 0.7f, false, 0.0f, false}, // between keys: the earlier one
        {"Open", 2.5f, true, 10.0f, true},    // holds its last keys
        {"Open", 1.0f, true, 10.0f, false},
        {"Fast", 0.25f, true, 5.0f, false},
        {"Fast", 0.5f, true, 10.0f, false},
        {"Fast", 0.51f, true, 10.0f, true},
        {"Late", 0.1f, true, 2.0f, false}, // before the first key: the first key
    };
    for (const auto& c : CASES) {
        SCOPED_TRACE(std::string(c.set) + " at " + std::to_string(c.seconds));
        ASSERT_TRUE(m_Object.SetAnimation(c.set));
        EXPECT_TRUE(m_Object.Update(c.seconds, c.interpolate));
        EXPECT_NEAR(c.boneX, BoneX(), 1e-4f);
        EXPECT_EQ(c.finished, m_Object.IsAnimationFinished());
    }
}

TEST_F(cObjectTest, WithoutASetTheFramesKeepTheirFileTransforms)
{
    m_Object.Update(0.5f, true);
    ASSERT_NE(0.0f, BoneX());

    EXPECT_TRUE(m_Object.SetAnimation("Missing"));
    EXPECT_EQ(nullptr, m_Object.GetAnimationName());
    EXPECT_TRUE(m_Object.IsAnimationFinished());
    EXPECT_FALSE(m_Object.Update(0.1f, true));
    EXPECT_TRUE(m_Object.SetAnimation("Astray"));
    EXPECT_TRUE(m_Object.Update(0.1f, true));
    EXPECT_FLOAT_EQ(0.0f, BoneX());
    EXPECT_FLOAT_EQ(1.0f, m_Object.GetMesh().FindFrame("Bone")->m_matTransform._42);
}

TEST_F(cObjectTest, CopiesPlayTheirOwnSetOnTheirOwnFrames)
{
    m_Object.SetAnimation("Open");
    m_Object.Update(0.5f, true);
    cObject copy = m_Object;
    ASSERT_STREQ("Open", copy.GetAnimationName());
    EXPECT_NE(m_Object.GetCurrentSet(), copy.GetCurrentSet());
    EXPECT_FLOAT_EQ(0.5f, copy.GetAnimationTime());

    copy.Update(0.5f, true);
    EXPECT_NEAR(10.0f, copy.GetMesh().FindFrame("Bone")->m_matTransform._41, 1e-4f);
    EXPECT_NEAR(5.0f, BoneX(), 1e-4f);
}

TEST_F(cObjectTest, TheWorldMatrixIsCorrectionThenScaleThenPlacementThenParent)
{
    const D3DXVECTOR3 place(1, 2, 3);
    m_Object.SetPosition(&place);
    m_Object.SetPosition(nullptr);
    m_Object.RotateAboutAxis(D3DXVECTOR3(0, 1, 0), D3DX_PI / 2);
    const D3DXMATRIX parent = Translation(10, 0, 0);
    m_Object.m_pParentMatrix = &parent;
    m_Object.m_fScale = 2.0f;
    m_Object.UpdateWorldMatrix();

    // The turn keeps the object where it stands and turns its facing to +x.
    EXPECT_NEAR(1.0f, m_Object.m_vPosition.x, 1e-5f);
    EXPECT_NEAR(3.0f, m_Object.m_vPosition.z, 1e-5f);
    EXPECT_NEAR(1.0f, m_Object.m_vFacing.x, 1e-5f);
    EXPECT_NEAR(0.0f, m_Object.m_vFacing.z, 1e-5f);
    // The origin of the model: corrected 3 along its z, doubled, turned to
    // +x, placed and moved by the parent.
    D3DXVECTOR3 origin(0, 0, 0);
    D3DXVECTOR3 world;
    D3DXVec3TransformCoord(&world, &origin, &m_Object.m_matWorld);
    EXPECT_NEAR(6.0f + 1.0f + 10.0f, world.x, 1e-4f);
    EXPECT_NEAR(2.0f, world.y, 1e-4f);
    EXPECT_NEAR(3.0f, world.z, 1e-4f);
}

TEST_F(cObjectTest, MissingAssetsStopTheLoaderAndAMissingSetEndsItsBlock)
{
    m_Dir.Write("Scripts/AnimatedMeshObject.txt", "AnimObject Bad\nAnimMesh Nothing\n");
    EXPECT_FATAL(LoadAssetsFromScript<cObject>("Scripts\\AnimatedMeshObject.txt"),
                 "Unable to find asset \"Nothing\" of type <cMesh>\nin Scripts\\AnimatedMeshObject.txt");
    m_Dir.Write("Scripts/AnimationSets.txt", "AnimSet Bad\nAnimationSrc Assets\\Meshes\\anims.x AnimatedMesh None\n");
    EXPECT_FATAL(LoadAssetsFromScript<cAnimation>("Scripts\\AnimationSets.txt"),
                 "Unable to find asset \"None\" of type <cMesh>\nin Scripts\\AnimationSets.txt");

    m_Dir.Write("Scripts/AnimationSets.txt", "AnimSet Typo\nAnimationSrc Assets\\Meshes\\anims.x AnimatedMesh BoneMesh\n"
                                             "Loop Clsoed True\n\nAnimSet Next\n"
                                             "AnimationSrc Assets\\Meshes\\gone.x AnimatedMesh BoneMesh\n");
    LoadAssetsFromScript<cAnimation>("Scripts\\AnimationSets.txt");
    EXPECT_NE(std::string::npos, Log().find("Animation set Clsoed not found in Typo")) << Log();
    EXPECT_NE(std::string::npos, Log().find("Unable to read the animation file Assets\\Meshes\\gone.x")) << Log();
    cAnimation* next = nullptr;
    g_AssetManager.GetAsset("Next", next, true);
    EXPECT_TRUE(next->GetSets().empty());
}

} // namespace
