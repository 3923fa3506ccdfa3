#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Core/AssetManager.h"
#include "Display/ComplexObject.h"
#include "Display/Display.h"
#include "Display/DisplayFixture.h"
#include "Display/DisplayMesh.h"
#include "Display/Texture.h"
#include "support/MatrixExpect.h"
#include "platform/d3dx8/XMeshText.h"
#include "support/FatalTrap.h"

namespace {

const char* const COMPLEX_SCRIPT = "Scripts\\ComplexObjects.txt";

// Two display objects on one cube mesh (-1..1): "Box" as it is, "Moved"
// placed and scaled, which must not change any bounding box.
const char* const MESHES = "Mesh Cube\nAsset_Type Game\nSrc Assets\\Meshes\\cube.x\n";
const char* const OBJECTS = "DisplayObject3D Box\nAsset_Type Game\nMesh Cube\n\n"
                            "DisplayObject3D Moved\nAsset_Type Game\nMesh Cube\nScale 3\n"
                            "Orientation 1 0 0 0 0 1 0 0 0 0 1 0 5 0 0 1\n";
const char* const TEXTURES = "Texture Wood\nImageFilename Assets\\Images\\wood.bmp\n";

CComplexObject* Find(const char* name)
{
    CComplexObject* object = nullptr;
    g_AssetManager.GetAsset(name, object, true);
    return object;
}

// Records where the parts went, in order.
class RecordingQueue : public CComplexObjectQueue {
public:
    void AddOpaque(CDisplayObject3D* part) override { m_Calls.push_back({"opaque", part}); }
    void AddOpaqueCar(CDisplayObject3D* part) override { m_Calls.push_back({"car", part}); }
    void AddTransparent(CDisplayObject3D* part) override { m_Calls.push_back({"trans", part}); }
    void AddTransparentSnapshot(CDisplayObject3D* part) override { m_Calls.push_back({"snapshot", part}); }

    struct Call {
        std::string m_List;
        CDisplayObject3D* m_pPart;
    };
    std::vector<Call> m_Calls;
};

class CComplexObjectTest : public DisplayFixture {
protected:
    void SetUp() override
    {
        CreateDisplay();
        m_Dir.Write("Assets/Meshes/cube.x", XFileText(MeshText(CubeMesh())));
        const std::vector<uint32_t> pixels(4, 0xFF8040C0u);
        ASSERT_TRUE(WriteBmpFile(g_Display.GetD3DDevice(), "Assets/Images/wood.bmp", 2, 2, pixels));
    }
    void TearDown() override
    {
        CComplexObject::SetQueue(nullptr);
        CTexture::ReleaseAllTextures();
        g_AssetManager.Clear();
        DisplayFixture::TearDown();
    }

    void Load(const std::string& complexObjects)
    {
        m_Dir.Write("Scripts/Textures.txt", TEXTURES);
        m_Dir.Write("Scripts/Meshes.txt", MESHES);
        m_Dir.Write("Scripts/DisplayObject3D.txt", OBJECTS);
        m_Dir.Write("Scripts/ComplexObjects.txt", complexObjects);
        LoadAssetsFromScript<CTexture>("Scripts\\Textures.txt");
        LoadAssetsFromScript<CDisplayMesh>("Scripts\\Meshes.txt");
        LoadAssetsFromScript<CDisplayObject3D>("Scripts\\DisplayObject3D.txt");
        LoadAssetsFromScript<CComplexObject>(COMPLEX_SCRIPT);
        ResolveComplexObjectSubGroups();
    }
};

TEST_F(CComplexObjectTest, BlocksReadPartsOptionsAndPlacement)
{
    Load("ComplexObject Body\n"
         "  OpaqueObj Box GROUP# 2 TEXTURE Wood\n"
         "  OpaqueObj Moved\n"
         "  OpaqueObj NONE\n"
         "  TransObj Box GROUP# 7\n"
         "  TransObj NONE\n"
         "  SubGroup NONE\n"
         "  Orientation 1 0 0 0 0 1 0 0 0 0 1 0 1 2 3 1\n"
         "  Scale 0.5\n"
         "complexobject Empty\n");

    CComplexObject* body = Find("Body");
    EXPECT_TRUE(body->IsInitialised());
    EXPECT_TRUE(body->IsReady());
    ASSERT_EQ(2u, body->GetOpaqueParts().size());
    ASSERT_EQ(1u, body->GetTransparentParts().size());
    EXPECT_TRUE(body->GetSubGroups().empty());

    CTexture* wood = nullptr;
    g_AssetManager.GetAsset("Wood", wood, true);
    const CDisplayObject3D& textured = body->GetOpaqueParts()[0];
    EXPECT_EQ(2, textured.GetColourGroup());
    ASSERT_NE(nullptr, wood->GetTexture());
    EXPECT_EQ(wood->GetTexture(), textured.GetTextureOverride());
    EXPECT_EQ(0, body->GetOpaqueParts()[1].GetColourGroup());
    EXPECT_EQ(nullptr, body->GetOpaqueParts()[1].GetTextureOverride());
    EXPECT_EQ(7, body->GetTransparentParts()[0].GetColourGroup());

    ExpectMatrixNear(Translation(1, 2, 3), body->GetLocalMatrix());
    EXPECT_FLOAT_EQ(0.5f, body->GetScale());
    EXPECT_EQ(nullptr, body->GetExportedWorldMatrix());

    // The meshes' own box: the placed, scaled part adds nothing.
    ASSERT_NE(nullptr, body->GetBoundingBox());
    EXPECT_EQ(D3DXVECTOR3(-1, -1, -1), body->GetBoundingBox()->m_Min);
    EXPECT_EQ(D3DXVECTOR3(1, 1, 1), body->GetBoundingBox()->m_Max);
    EXPECT_EQ(nullptr, Find("Empty")->GetBoundingBox());
}

TEST_F(CComplexObjectTest, SubGroupsAreResolvedByNameAsTheyStand)
{
    // "Top" names "Later", which stands later in the file and still holds
    // its placeholder when copied; "Last" names "Early", already resolved.
    Load("ComplexObject Leaf\nOpaqueObj Box\n\n"
         "ComplexObject Early\nSubGroup Leaf\n\n"
         "ComplexObject Top\nSubGroup Later\nSubGroup Early\n\n"
         "ComplexObject Later\nSubGroup Leaf\n\n"
         "ComplexObject Self\nOpaqueObj Box\nSubGroup Self\n");

    CComplexObject* top = Find("Top");
    ASSERT_EQ(2u, top->GetSubGroups().size());
    CComplexObject& later = top->GetSubGroups()[0];
    CComplexObject& early = top->GetSubGroups()[1];
    EXPECT_EQ("Later", later.GetName());
    ASSERT_EQ(1u, later.GetSubGroups().size());
    EXPECT_TRUE(later.GetSubGroups()[0].GetOpaqueParts().empty());
    EXPECT_FALSE(later.GetSubGroups()[0].IsInitialised());
    ASSERT_EQ(1u, early.GetSubGroups().size());
    EXPECT_EQ(1u, early.GetSubGroups()[0].GetOpaqueParts().size());
    EXPECT_TRUE(early.IsInitialised());

    // A group of sub-groups only has no box of its own.
    EXPECT_EQ(nullptr, top->GetBoundingBox());
    // The prototypes' resolved entries are not linked; copies are.
    EXPECT_EQ(nullptr, early.GetParentMatrix());

    // A group naming itself holds a copy of itself as it stood: one level deep.
    CComplexObject* self = Find("Self");
    ASSERT_EQ(1u, self->GetSubGroups().size());
    const CComplexObject& inner = self->GetSubGroups()[0];
    EXPECT_EQ(1u, inner.GetOpaqueParts().size());
    ASSERT_EQ(1u, inner.GetSubGroups().size());
    EXPECT_TRUE(inner.GetSubGroups()[0].GetOpaqueParts().empty());
}

TEST_F(CComplexObjectTest, MissingNamesAndBrokenBlocksAreFatal)
{
    const struct {
        const char* script;
        const char* message;
    } cases[] = {
        {"ComplexObject A\nOpaqueObj Nope\n",
         "Unable to find asset \"Nope\" of type <CDisplayObject3D>\nin Scripts\\ComplexObjects.txt"},
        {"ComplexObject A\nTransObj Nope\n",
         "Unable to find asset \"Nope\" of type <CDisplayObject3D>\nin Scripts\\ComplexObjects.txt"},
        {"ComplexObject A\nOpaqueObj Box TEXTURE Nope\n",
         "Unable to find asset \"Nope\" of type <CTexture>\nin Scripts\\ComplexObjects.txt"},
        {"ComplexObject A\nSubGroup Nope\n",
         "Unable to find asset \"Nope\" of type <CComplexObject>\nin Scripts\\ComplexObjects.txt"},
        // "none" is a name, not the word that means no part.
        {"ComplexObject A\nOpaqueObj none\n",
         "Unable to find asset \"none\" of type <CDisplayObject3D>\nin Scripts\\ComplexObjects.txt"},
        // After NONE the option is not read: the block ends and the next fails.
        {"ComplexObject A\nOpaqueObj NONE GROUP# 2\n",
         "Unable to intialize object  from: Scripts\\ComplexObjects.txt of type CComplexObject"},
        // TEXTURE belongs to opaque parts only.
        {"ComplexObject A\nTransObj Box TEXTURE Wood\n",
         "Unable to intialize object  from: Scripts\\ComplexObjects.txt of type CComplexObject"},
        {"DisplayObject3D A\n", "Unable to intialize object  from: Scripts\\ComplexObjects.txt of type CComplexObject"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script);
        EXPECT_FATAL(Load(c.script), c.message);
        CTexture::ReleaseAllTextures();
        g_AssetManager.Clear();
    }
}

TEST_F(CComplexObjectTest, WorldMatricesFollowParentLocalAndScale)
{
    Load("ComplexObject Wheel\nOpaqueObj Box\nOrientation 1 0 0 0 0 1 0 0 0 0 1 0 0 1 0 1\n\n"
         "ComplexObject Car\nOpaqueObj Moved\nSubGroup Wheel\nScale 2\n");

    std::unique_ptr<CComplexObject> source(new CComplexObject(*Find("Car")));
    CComplexObject car = *source;
    // Copies relink to their own world matrix, so the source may go.
    source.reset();

    const D3DXMATRIX parent = Translation(10, 0, 0);
    car.SetParentMatrix(&parent);
    const D3DXVECTOR3 position(0, 0, 4);
    car.SetPosition(&position);
    car.SetPosition(nullptr);
    car.UpdateWorldMatrix();

    D3DXMATRIX scaling;
    D3DXMatrixScaling(&scaling, 2, 2, 2);
    const D3DXMATRIX carWorld = scaling * Translation(0, 0, 4) * parent;
    ExpectMatrixNear(carWorld, car.GetWorldMatrix());

    D3DXMATRIX partScaling;
    D3DXMatrixScaling(&partScaling, 3, 3, 3);
    ExpectMatrixNear(partScaling * Translation(5, 0, 0) * carWorld, car.GetOpaqueParts()[0].GetWorldMatrix());

    // Scale exactly 1: the wheel is local x parent, unscaled.
    CComplexObject& wheel = car.GetSubGroups()[0];
    EXPECT_EQ(&car.GetWorldMatrix(), wheel.GetParentMatrix());
    ExpectMatrixNear(Translation(0, 1, 0) * carWorld, wheel.GetWorldMatrix());
    ExpectMatrixNear(wheel.GetWorldMatrix(), wheel.GetOpaqueParts()[0].GetWorldMatrix());

    // The exported matrix: a copy reads its source's until it binds its own.
    car.BindWorldMatrix();
    EXPECT_EQ(&car.GetWorldMatrix(), car.GetExportedWorldMatrix());
    CComplexObject copy(car);
    EXPECT_EQ(&car.GetWorldMatrix(), copy.GetExportedWorldMatrix());
    EXPECT_EQ(nullptr, copy.GetParentMatrix());
    ExpectMatrixNear(Translation(0, 0, 0), copy.GetWorldMatrix());
    copy.BindWorldMatrix();
    EXPECT_EQ(&copy.GetWorldMatrix(), copy.GetExportedWorldMatrix());
    // Copies share the box.
    EXPECT_EQ(car.GetBoundingBox(), copy.GetBoundingBox());
}

TEST_F(CComplexObjectTest, PartsGoToTheirListsAndColourGroupsArePainted)
{
    Load("ComplexObject Glass\nOpaqueObj Box GROUP# 2\nTransObj Box GROUP# 2\n\n"
         "ComplexObject Car\nOpaqueObj Box\nTransObj Moved GROUP# 2\nSubGroup Glass\n");
    CComplexObject car = *Find("Car");
    CDisplayObject3D* body = &car.GetOpaqueParts()[0];
    CDisplayObject3D* window = &car.GetTransparentParts()[0];
    CDisplayObject3D* glassOpaque = &car.GetSubGroups()[0].GetOpaqueParts()[0];
    CDisplayObject3D* glassTrans = &car.GetSubGroups()[0].GetTransparentParts()[0];

    RecordingQueue queue;
    car.AddToRender(false, true); // nothing is set to receive the parts yet
    CComplexObject::SetQueue(&queue);
    car.AddToRender(false, true);
    car.AddToRender(true, false);
    car.AddToCarRender();
    // Sub-groups queue plainly whatever the top group's flags.
    const std::vector<std::pair<std::string, CDisplayObject3D*>> expected = {
        {"opaque", body},      {"snapshot", window}, {"opaque", glassOpaque}, {"trans", glassTrans},
        {"trans", window},     {"opaque", glassOpaque}, {"trans", glassTrans},
        {"car", body},         {"trans", window},    {"opaque", glassOpaque}, {"trans", glassTrans},
    };
    ASSERT_EQ(expected.size(), queue.m_Calls.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(expected[i].first, queue.m_Calls[i].m_List) << "call " << i;
        EXPECT_EQ(expected[i].second, queue.m_Calls[i].m_pPart) << "call " << i;
    }

    D3DMATERIAL8 paint = {};
    paint.Diffuse.r = 0.25f;
    car.SetColour(2, &paint, true);
    EXPECT_FALSE(body->UsesOverrideMaterial());
    for (const CDisplayObject3D* part : {window, glassOpaque, glassTrans}) {
        EXPECT_TRUE(part->UsesOverrideMaterial());
        EXPECT_FLOAT_EQ(0.25f, part->GetOverrideMaterial().Diffuse.r);
    }
    car.SetColour(-1, nullptr, false);
    for (const CDisplayObject3D* part : {body, window, glassOpaque, glassTrans}) {
        EXPECT_FALSE(part->UsesOverrideMaterial());
    }
    EXPECT_FLOAT_EQ(0.25f, window->GetOverrideMaterial().Diffuse.r);
}

TEST_F(CComplexObjectTest, TheStagedGameLoadsTheSphereAndTheDemo)
{
    {
        ScopedWorkingDir inGame(KELM_GAME_DIR);
        LoadAssetsFromScript<CTexture>("Scripts\\Textures.txt");
        LoadAssetsFromScript<CDisplayMesh>("Scripts\\Meshes.txt");
        LoadAssetsFromScript<CDisplayObject3D>("Scripts\\DisplayObject3D.txt");
        LoadAssetsFromScript<CComplexObject>(COMPLEX_SCRIPT);
        ResolveComplexObjectSubGroups();
    }

    CComplexObject* sphere = Find("Sphere");
    ASSERT_EQ(1u, sphere->GetOpaqueParts().size());
    const CDisplayMesh* sphereMesh = sphere->GetOpaqueParts()[0].GetMesh();
    ASSERT_NE(nullptr, sphereMesh->GetD3DXMesh());
    ASSERT_NE(nullptr, sphere->GetBoundingBox());
    EXPECT_NEAR(-1.0f, sphere->GetBoundingBox()->m_Min.y, 1e-5f);
    EXPECT_NEAR(1.0f, sphere->GetBoundingBox()->m_Max.y, 1e-5f);

    CComplexObject stack = *Find("CrateStack");
    ASSERT_EQ(1u, stack.GetOpaqueParts().size());
    EXPECT_EQ(1, stack.GetOpaqueParts()[0].GetColourGroup());
    ASSERT_EQ(1u, stack.GetSubGroups().size());
    CComplexObject& lid = stack.GetSubGroups()[0];
    ASSERT_EQ(1u, lid.GetOpaqueParts().size());
    EXPECT_NE(nullptr, lid.GetOpaqueParts()[0].GetTextureOverride());
    stack.UpdateWorldMatrix();
    ExpectMatrixNear(Translation(0, 2, 0), lid.GetOpaqueParts()[0].GetWorldMatrix());
}

} // namespace
