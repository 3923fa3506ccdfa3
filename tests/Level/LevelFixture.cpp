#include "Level/LevelFixture.h"

#include <algorithm>
#include <cstdio>

#include "Actors/Car.h"
#include "Actors/GameActor.h"
#include "Actors/Weapon.h"
#include "Core/AssetManager.h"
#include "Core/StepTrace.h"
#include "Display/ComplexObject.h"
#include "Display/DisplayMesh.h"
#include "Display/SkyBox.h"
#include "Display/Texture.h"
#include "Effects/LensFlare.h"
#include "Level/BuildingObject.h"
#include "Level/GameTimer.h"
#include "Level/LevelObject.h"
#include "Level/Terrain.h"
#include "Level/WaterPlane.h"
#include "Physics/Physics.h"
#include "Level/TerrainCellMesh.h"
#include "platform/d3dx8/XMeshText.h"
#include "support/FatalTrap.h"

std::vector<std::string> LevelFixture::s_Trace;

namespace {

const int CELLS = 2;
const int CELL = CTerrain::DEFAULT_CELL_SIZE;
const float QUAD = LevelFixture::TERRAIN_SIDE / (CELLS * CELL);
const UINT FLARE_TEXTURE_SIDE = 4;

std::string FlatCellMesh(int cx, int cz, const D3DXVECTOR3& origin)
{
    return TerrainCellMeshText(cx, cz, [](int, int) { return 0.0f; }, QUAD, origin);
}

void RecordStep(const char* step)
{
    LevelFixture::s_Trace.push_back(step);
}

} // namespace

std::string LevelFixture::At(float x, float y, float z)
{
    char text[128];
    std::snprintf(text, sizeof text, "1 0 0 0 0 1 0 0 0 0 1 0 %g %g %g 1", x, y, z);
    return text;
}

void LevelFixture::SetUp()
{
    CreateDisplay();
    if (m_bPhysics) {
        ASSERT_TRUE(g_Physics.Init());
    }
    WriteTerrain();
    FilePrototypes();
    m_pSavedCamera = g_pActiveCamera;
    g_pActiveCamera = &m_Viewer;
    g_GameTimer = CGameTimer();
}

void LevelFixture::TearDown()
{
    g_StepTrace = nullptr;
    s_Trace.clear();
    g_pLevel = nullptr;
    m_pLevel.reset();
    g_PlayerActor = nullptr;
    g_Player.Shutdown();
    g_Player = CGameActor();
    g_pActiveCamera = m_pSavedCamera;
    CTexture::ReleaseAllTextures();
    g_AssetManager.Clear();
    g_Physics.Shutdown();
    DisplayFixture::TearDown();
}

void LevelFixture::WriteTerrain()
{
    std::string list = std::to_string(CELLS) + " " + std::to_string(CELLS) + "\n";
    for (int cz = 0; cz < CELLS; ++cz) {
        for (int cx = 0; cx < CELLS; ++cx) {
            const std::string name = "cell_" + std::to_string(cx) + "_" + std::to_string(cz) + ".x";
            list += "Cells\\" + name + "\n";
            m_Dir.Write("Assets/Meshes/Cells/" + name, FlatCellMesh(cx, cz, m_vTerrainOrigin));
        }
    }
    m_Dir.Write("Scripts/Levels/List.txt", list);
    m_Dir.Write("Scripts/Terrains.txt", "Terrain Ground Asset_Type Level MeshList Scripts\\Levels\\List.txt\n");
    LoadAssetsFromScript<CTerrain>("Scripts\\Terrains.txt");
}

void LevelFixture::FilePrototypes()
{
    auto empty = std::make_unique<CComplexObject>();
    empty->m_Name = "Empty";
    g_AssetManager.AddAsset(empty.release());
    auto sky = std::make_unique<CSkyBox>();
    sky->m_Name = "Sky";
    g_AssetManager.AddAsset(sky.release());

    const std::vector<uint32_t> white(FLARE_TEXTURE_SIDE * FLARE_TEXTURE_SIDE, 0xFFFFFFFFu);
    ASSERT_TRUE(WriteBmpFile(g_Display.GetD3DDevice(), "glow.bmp", FLARE_TEXTURE_SIDE, FLARE_TEXTURE_SIDE, white));
    auto* texture = new CTexture();
    ASSERT_TRUE(texture->CreateNamed("Glow", "glow.bmp"));
    g_AssetManager.AddAsset(texture);

    m_Dir.Write("Scripts/CarColor.txt", "ColorPos 0 Color 1 0.5 0.1 0.1\n");
    m_Dir.Write("Scripts/LevelObjects.txt", "LevelObject Box ComplexObject Empty\n"
                                            "LevelObject Disc ComplexObject Empty IsMoveAble False\n");
    m_Dir.Write("Scripts/WaterPlanes.txt", "WaterPlane Pool Asset_Type Level\n");
    m_Dir.Write("Scripts/BuildingObjects.txt", "Building Hut ComplexObject Empty\n");
    m_Dir.Write("Scripts/LensFlares.txt", "LensFlare Flare Asset_Type Game Pos 0 400 1000 "
                                          "LensFlareSpot Texture Glow Size 0.1 LinePos 1 DoneSpot\n");
    m_Dir.Write("Scripts/Cars.txt", "Car Buggy Asset_Type Game Body Empty NumSeats 1 Seat " + At(1, 0.5f, 0) + "\n");
    LoadAssetsFromScript<CLevelObject>("Scripts\\LevelObjects.txt");
    LoadAssetsFromScript<CWaterPlane>("Scripts\\WaterPlanes.txt");
    LoadAssetsFromScript<CBuildingObject>("Scripts\\BuildingObjects.txt");
    LoadAssetsFromScript<CLensFlare>("Scripts\\LensFlares.txt");
    LoadAssetsFromScript<CCar>("Scripts\\Cars.txt");
    // The pool's police carry a copy of "Pistol".
    m_Dir.Write("Scripts/Weapons.txt", "Weapon Gun Asset_Type Game\nWeapon Pistol Asset_Type Game\n");
    LoadAssetsFromScript<CWeapon>("Scripts\\Weapons.txt");
    if (!m_bTestLizard)
        return;
    m_Dir.Write("Scripts/Collision/Lizard.txt", "Radius 1\nStart\nBoxMin -0.4 0 -0.4\nBoxMax 0.4 1.8 0.4\nEndBox\n");
    m_Dir.Write("Scripts/GameActors.txt",
                "GameActor Lizard Asset_Type Game CollisionData Scripts\\Collision\\Lizard.txt\n");
    LoadAssetsFromScript<CGameActor>("Scripts\\GameActors.txt");
}

CLevel& LevelFixture::LoadLevel(const std::string& body, const std::string& path)
{
    std::string file = path;
    std::replace(file.begin(), file.end(), '\\', '/');
    m_Dir.Write(file, body);
    g_pLevel = nullptr;
    m_pLevel = std::make_unique<CLevel>();
    CDataBuffer reader;
    reader.SetSeparators(SCRIPT_SEPARATORS);
    const std::string block = "Level Test Src \"" + path + "\"\n";
    reader.Tokenise(block.data(), block.size());
    EXPECT_TRUE(m_pLevel->Load(reader));
    g_pLevel = m_pLevel.get();
    m_pLevel->LoadScript();
    return *m_pLevel;
}

void LevelFixture::StartTrace()
{
    s_Trace.clear();
    g_StepTrace = RecordStep;
}

void LevelFixture::FilePond()
{
    m_Dir.Write("Assets/Meshes/cube.x", XFileText(MeshText(CubeMesh())));
    m_Dir.Write("Scripts/Meshes.txt", "Mesh Water\nAsset_Type Game\nSrc Assets\\Meshes\\cube.x\n");
    LoadAssetsFromScript<CDisplayMesh>("Scripts\\Meshes.txt");
    m_Dir.Write("Scripts/WaterPlanes.txt", "WaterPlane Pond Asset_Type Level Model Water\n");
    LoadAssetsFromScript<CWaterPlane>("Scripts\\WaterPlanes.txt");
}

void LevelFixture::PlaceViewer(float x, float z)
{
    m_Viewer.m_vPosition = D3DXVECTOR3(x, 10.0f, z);
}
