#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Actors/GameActor.h"
#include "Core/AssetManager.h"
#include "Display/AnimatedMesh.h"
#include "Display/AnimatedObject.h"
#include "Display/DisplayFixture.h"
#include "Display/Texture.h"
#include "Display/VertexShaders.h"
#include "platform/d3dx8/XMeshText.h"
#include "support/ShippedScripts.h"

namespace {

const D3DCOLOR CLEAR_COLOUR = 0xFF000000;
const int SCREEN_WIDTH = 640;
const int SCREEN_HEIGHT = 480;
const char* const SHADER_FILES[] = {"Test.txt", "IndexedSkinnedMesh.txt", "Car.txt", "Water.txt"};

std::string ShippedFile(const std::string& relative)
{
    std::ifstream file(std::string(KELM_GAME_DIR) + "/" + relative, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

D3DXMATRIX Translation(float x, float y, float z)
{
    D3DXMATRIX matrix;
    D3DXMatrixTranslation(&matrix, x, y, z);
    return matrix;
}

// Which pixels the last draw covered.
struct Silhouette {
    std::vector<bool> m_Covered;
    int m_Count = 0;

    bool At(int x, int y) const { return m_Covered[static_cast<size_t>(y) * SCREEN_WIDTH + x]; }
};

class GlAnimatedMeshTest : public GlDisplayFixture {
protected:
    void SetUp() override
    {
        GlDisplayFixture::SetUp();
        // The table is made in order and stops at the first file missing.
        for (const char* name : SHADER_FILES) {
            const std::string path = std::string("Scripts/VertexShaders/") + name;
            m_Dir.Write(path, ShippedFile(path));
        }
        g_VertexShaders.SetFiles();
        g_VertexShaders.CreateAll();
        ASSERT_NE(0u, g_VertexShaders.GetShader(VS_INDEXED_SKINNED_MESH));

        IDirect3DDevice8* device = g_Display.GetD3DDevice();
        D3DXMatrixPerspectiveFovLH(&m_Projection, D3DX_PI / 3, 640.0f / 480.0f, 0.1f, 100.0f);
        device->SetTransform(D3DTS_PROJECTION, &m_Projection);
        device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    }
    void TearDown() override
    {
        // The handles die with this device.
        g_VertexShaders = CVertexShaders();
        CTexture::ReleaseAllTextures();
        g_AssetManager.Clear();
        GlDisplayFixture::TearDown();
    }

    void LookAt(const D3DXVECTOR3& eye, const D3DXVECTOR3& at)
    {
        const D3DXVECTOR3 up(0, 1, 0);
        D3DXMatrixLookAtLH(&m_View, &eye, &at, &up);
        g_Display.GetD3DDevice()->SetTransform(D3DTS_VIEW, &m_View);
    }

    // Where a point of the world lands on the screen.
    void Project(const D3DXVECTOR3& point, int& x, int& y) const
    {
        const D3DXMATRIX viewProjection = m_View * m_Projection;
        D3DXVECTOR3 ndc;
        D3DXVec3TransformCoord(&ndc, &point, &viewProjection);
        x = static_cast<int>((ndc.x + 1.0f) * 0.5f * SCREEN_WIDTH);
        y = static_cast<int>((1.0f - ndc.y) * 0.5f * SCREEN_HEIGHT);
    }

    template <class Draw>
    Silhouette DrawAndRead(Draw draw)
    {
        UINT width = 0;
        UINT height = 0;
        const std::vector<uint32_t> pixels = DrawScene(CLEAR_COLOUR, width, height, [&] { EXPECT_TRUE(draw()); });
        Silhouette silhouette;
        for (uint32_t pixel : pixels) {
            const bool covered = (pixel & 0x00FFFFFFu) != (CLEAR_COLOUR & 0x00FFFFFFu);
            silhouette.m_Covered.push_back(covered);
            silhouette.m_Count += covered ? 1 : 0;
        }
        return silhouette;
    }

    D3DXMATRIX m_View;
    D3DXMATRIX m_Projection;
};

// A bar from x = 0 to 2, 0.4 high, in two halves: the left on the bone
// "Root" at the origin, the right on "Tip", a child of Root at x = 1.
std::string TwoBoneBar()
{
    XTextMesh bar;
    bar.name = "Bar";
    for (float x : {0.0f, 1.0f, 2.0f}) {
        bar.positions.push_back(D3DXVECTOR3(x, -0.2f, 0));
        bar.positions.push_back(D3DXVECTOR3(x, 0.2f, 0));
    }
    bar.faces = {{0, 1, 3}, {0, 3, 2}, {2, 3, 5}, {2, 5, 4}};
    std::string mesh = MeshText(bar);
    auto weights = [](const std::string& bone, const std::string& vertices, const char* offset) {
        return "SkinWeights {\n\"" + bone + "\";\n4;\n" + vertices + ";\n1.0,1.0,1.0,1.0;\n" + offset + ";;\n}\n";
    };
    mesh.insert(mesh.rfind('}'), weights("Root", "0,1,2,3", "1,0,0,0,0,1,0,0,0,0,1,0,0,0,0,1") +
                                     weights("Tip", "2,3,4,5", "1,0,0,0,0,1,0,0,0,0,1,0,-1,0,0,1"));
    // Vertices 2 and 3 belong to both bones at once: their weights are
    // scaled to one half each, and both bones agree on the joint.
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    return XFileText(FrameText("Root", identity, FrameText("Tip", Translation(1, 0, 0), "")) + mesh);
}

TEST_F(GlAnimatedMeshTest, ABarBendsWhereItsSecondBoneTurns)
{
    m_Dir.Write("bar.x", TwoBoneBar());
    cMesh bar;
    ASSERT_TRUE(bar.LoadX("bar.x"));
    LookAt(D3DXVECTOR3(1, 0.5f, -4), D3DXVECTOR3(1, 0.5f, 0));
    D3DXMATRIX world;
    D3DXMatrixIdentity(&world);

    int endX = 0, endY = 0, raisedX = 0, raisedY = 0;
    Project(D3DXVECTOR3(1.9f, 0, 0), endX, endY);
    Project(D3DXVECTOR3(1.0f, 0.9f, 0), raisedX, raisedY);

    const Silhouette straight = DrawAndRead([&] { return bar.Render(world, false); });
    EXPECT_TRUE(straight.At(endX, endY));
    EXPECT_FALSE(straight.At(raisedX, raisedY));

    // The tip turned a quarter about z at its joint: the bar's right half
    // now points up.
    D3DXMATRIX turn;
    D3DXMatrixRotationZ(&turn, D3DX_PI / 2);
    bar.FindFrame("Tip")->m_matTransform = turn * Translation(1, 0, 0);
    const Silhouette bent = DrawAndRead([&] { return bar.Render(world, true); });
    EXPECT_FALSE(bent.At(endX, endY));
    EXPECT_TRUE(bent.At(raisedX, raisedY));
    EXPECT_NEAR(straight.m_Count, bent.m_Count, straight.m_Count / 4);
}

} // namespace

namespace {

TEST_F(GlAnimatedMeshTest, TheCharacterStandsIdleAndWalksInDifferentShapes)
{
    LoadCharacterScripts();
    cObject* prototype = nullptr;
    g_AssetManager.GetAsset("LizardObj", prototype, true);
    cObject lizard = *prototype;
    lizard.UpdateWorldMatrix();
    // From the side, so that the legs' swing shows.
    LookAt(D3DXVECTOR3(-4, 1, 0), D3DXVECTOR3(0, 0.9f, 0));

    auto pose = [&](const char* set, float seconds) {
        lizard.SetAnimation(set);
        lizard.Update(seconds, true);
        return DrawAndRead([&] { return lizard.Render(); });
    };
    const Silhouette idle = pose("Idle", 0.5f);
    const Silhouette stride = pose("Walk", 0.25f);
    const Silhouette otherStride = pose("Walk", 0.75f);

    int top = 0, bottom = 0, unused = 0;
    Project(D3DXVECTOR3(0, 1.8f, 0), unused, top);
    Project(D3DXVECTOR3(0, 0, 0), unused, bottom);
    const int tall = bottom - top;
    for (const Silhouette* shape : {&idle, &stride, &otherStride})
        EXPECT_GT(shape->m_Count, tall * tall / 20) << "a body's worth of pixels";
    auto differing = [](const Silhouette& a, const Silhouette& b) {
        int count = 0;
        for (size_t i = 0; i < a.m_Covered.size(); ++i)
            count += a.m_Covered[i] != b.m_Covered[i] ? 1 : 0;
        return count;
    };
    EXPECT_GT(differing(idle, stride), idle.m_Count / 20);
    EXPECT_GT(differing(stride, otherStride), idle.m_Count / 20);
}

// The player as the game draws it: in its override colour, and with the
// aim's turn of the upper arm showing, forearm and hand following, where
// the model matrices say the hand is.
TEST_F(GlAnimatedMeshTest, AGameActorIsDrawnInItsColourWithItsArmTurned)
{
    LoadCharacterScripts();
    {
        ScopedWorkingDir inGame(KELM_GAME_DIR);
        LoadAssetsFromScript<CGameActor>("Scripts\\GameActors.txt");
    }
    CGameActor* prototype = nullptr;
    g_AssetManager.GetAsset("Lizard", prototype, true);
    CGameActor actor(*prototype);
    D3DMATERIAL8 blue = {};
    blue.Diffuse = D3DCOLORVALUE{0, 0, 1, 1};
    blue.Emissive = D3DCOLORVALUE{0, 0, 1, 1};
    actor.SetMaterial(&blue, true);
    cObject& model = actor.m_Model;
    model.UpdateWorldMatrix();
    model.Update(0.5f, true);
    LookAt(D3DXVECTOR3(0, 1.2f, 4), D3DXVECTOR3(0, 1.2f, 0));

    auto handOnScreen = [&](int& x, int& y) {
        model.UpdateModelMatrices();
        const D3DXMATRIX hand = actor.GetHandMatrix() * model.m_matWorld;
        Project(D3DXVECTOR3(hand._41, hand._42, hand._43), x, y);
    };
    auto drawActor = [&] {
        actor.Draw();
        return true;
    };
    int restX = 0, restY = 0;
    handOnScreen(restX, restY);
    const Silhouette resting = DrawAndRead(drawActor);
    UINT width = 0;
    UINT height = 0;
    const std::vector<uint32_t> pixels = ReadBackBuffer(width, height);
    int blueOnly = 0;
    for (size_t i = 0; i < pixels.size(); ++i)
        blueOnly += resting.m_Covered[i] && (pixels[i] & 0x00FFFF00u) == 0 ? 1 : 0;
    EXPECT_GT(resting.m_Count, 1000);
    EXPECT_EQ(resting.m_Count, blueOnly) << "every drawn pixel in the override's blue";
    EXPECT_TRUE(resting.At(restX, restY)) << "the hand is drawn where its matrix is";

    ASSERT_FALSE(actor.m_ArmRotFrames.empty());
    ASSERT_EQ("Bip01_R_UpperArm", actor.m_ArmRotFrames[0].m_FrameName);
    D3DXMATRIX quarterTurn;
    D3DXMatrixRotationZ(&quarterTurn, D3DX_PI / 2);
    D3DXMATRIX& shoulder = *actor.m_ArmRotFrames[0].m_pMatrix;
    shoulder = quarterTurn * shoulder;
    int turnedX = 0, turnedY = 0;
    handOnScreen(turnedX, turnedY);
    const Silhouette turned = DrawAndRead(drawActor);
    EXPECT_TRUE(turned.At(turnedX, turnedY)) << "the hand went with the arm";
    EXPECT_FALSE(turned.At(restX, restY)) << "and left where it hung";
    const int moved = std::abs(turnedX - restX) + std::abs(turnedY - restY);
    EXPECT_GT(moved, 20);
}

} // namespace
