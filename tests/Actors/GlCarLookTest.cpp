// The shipped sedan as the game draws it, read back from a real device: its
// paint in the sun and out of it, its doors after a drive, and its body
// while a driver brakes and sounds the horn.

#include <algorithm>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "Actors/Car.h"
#include "Actors/CarColorTable.h"
#include "Core/AssetManager.h"
#include "Display/DisplayFixture.h"
#include "Display/RenderQueue.h"
#include "Display/RenderStates.h"
#include "Physics/Physics.h"
#include "support/ScriptedController.h"
#include "support/ShippedScripts.h"
#include "support/TempDir.h"

namespace {

enum { GAS = 14, BRAKE = 15, TURN_LEFT = 16, HORN = 18 };
const uint32_t FRAME_MILLISECONDS = 16;
const uint32_t SEED = 5;
const float REST_HEIGHT = 0.85f;
const D3DCOLOR BACKGROUND = 0xFF00FF00;
const int SCREEN_WIDTH = 640;
const int SCREEN_HEIGHT = 480;
// The midday sun, straight down.
const D3DXVECTOR3 OVERHEAD(0.0f, -1.0f, 0.0f);
// Places on the sedan, in car space: its left front wing ahead of the door,
// the left rear lamp, and the top of the left door near its free end.
const D3DXVECTOR3 FRONT_WING(-0.9f, -0.2f, 1.5f);
const D3DXVECTOR3 REAR_LAMP(-0.65f, 0.05f, -2.14f);
const D3DXVECTOR3 DOOR_TOP(-0.925f, 0.15f, -0.25f);

int Frames(float seconds)
{
    return static_cast<int>(seconds * 1000.0f / FRAME_MILLISECONDS);
}

float Channel(uint32_t pixel, int shift)
{
    return static_cast<float>((pixel >> shift) & 0xFF) / 255.0f;
}

class GlCarLook : public GlDisplayFixture {
protected:
    void SetUp() override
    {
        GlDisplayFixture::SetUp();
        ASSERT_TRUE(CStateBlocks::CreateAll());
        ASSERT_TRUE(StartCarGround(SEED, FRAME_MILLISECONDS));
        {
            ScopedWorkingDir inGame(KELM_GAME_DIR);
            m_Colours.Load();
        }
        CCarColorTable::SetCurrent(&m_Colours);
        CCar* sedan = nullptr;
        g_AssetManager.GetAsset("Sedan", sedan, true);
        m_pCar = std::make_unique<CCar>(*sedan);
        D3DXMatrixTranslation(&m_pCar->m_matSpawn, 0.0f, REST_HEIGHT, 0.0f);
        m_pCar->CreatePhysics();
        Run(Frames(0.5f));
    }
    void TearDown() override
    {
        CCarColorTable::SetCurrent(nullptr);
        m_pCar.reset();
        EndCarGround();
        CStateBlocks::DeleteAll();
        GlDisplayFixture::TearDown();
    }

    void Run(int frames)
    {
        for (int frame = 0; frame < frames; ++frame) {
            g_Physics.Update();
            m_pCar->UpdateDriving();
            m_pCar->Update();
        }
    }
    D3DXVECTOR3 World(const D3DXVECTOR3& inCar) const
    {
        D3DXVECTOR3 world;
        D3DXVec3TransformCoord(&world, &inCar, &m_pCar->m_Body.GetWorldMatrix());
        return world;
    }
    // The car's body and doors through the game's car batch, seen from
    // `eye` (car space) toward the car's middle, in a white sun shining
    // along `sun`.
    void Draw(const D3DXVECTOR3& eye, const D3DXVECTOR3& sun)
    {
        IDirect3DDevice8* device = g_Display.GetD3DDevice();
        CStateBlocks::ApplyObject3D();
        const D3DXVECTOR3 from = World(eye);
        const D3DXVECTOR3 at = World(D3DXVECTOR3(0.0f, 0.0f, 0.0f));
        const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
        D3DXMATRIX view;
        D3DXMATRIX projection;
        D3DXMatrixLookAtLH(&view, &from, &at, &up);
        D3DXMatrixPerspectiveFovLH(&projection, D3DX_PI / 4.0f, 4.0f / 3.0f, 0.1f, 100.0f);
        device->SetTransform(D3DTS_VIEW, &view);
        device->SetTransform(D3DTS_PROJECTION, &projection);
        D3DXMatrixMultiply(&m_ViewProjection, &view, &projection);
        D3DLIGHT8 light = {};
        light.Type = D3DLIGHT_DIRECTIONAL;
        light.Diffuse = {1.0f, 1.0f, 1.0f, 0.0f};
        light.Specular = light.Diffuse;
        light.Direction = sun;
        device->SetLight(0, &light);
        device->LightEnable(0, TRUE);
        UINT width = 0;
        UINT height = 0;
        m_Pixels = DrawScene(BACKGROUND, width, height, [this] {
            g_RenderQueue.Clear();
            m_pCar->m_Body.AddToCarRender();
            for (CDoor& door : m_pCar->m_Doors)
                door.m_Mesh.AddToCarRender();
            g_RenderQueue.DrawOpaqueCars();
            g_RenderQueue.Clear();
        });
    }
    // The pixel a point of the car (car space) landed on in the last draw.
    uint32_t PixelAt(const D3DXVECTOR3& inCar) const
    {
        const long index = ScreenPixelIndex(m_ViewProjection, World(inCar), SCREEN_WIDTH, SCREEN_HEIGHT);
        return index < 0 ? 0 : m_Pixels[static_cast<size_t>(index)];
    }

    CCarColorTable m_Colours;
    std::unique_ptr<CCar> m_pCar;
    ScriptedController m_Driver;
    D3DXMATRIX m_ViewProjection;
    std::vector<uint32_t> m_Pixels;
};

// Seen from the side at midday, the sun above it: each paint of the table
// shows as a darker shade of itself, never as the same near-black.
TEST_F(GlCarLook, APaintShowsItsColourOnTheSideTheSunDoesNotReach)
{
    const D3DXVECTOR3 leftSide(-6.0f, 0.0f, 1.5f);
    for (int32_t index = 0; index < static_cast<int32_t>(m_Colours.GetCount()); ++index) {
        SCOPED_TRACE(index);
        const D3DCOLORVALUE paint = m_Colours.Get(index).Diffuse;
        m_pCar->SetColourIndex(index);
        Draw(leftSide, OVERHEAD);
        const uint32_t pixel = PixelAt(FRONT_WING);
        const float brightest = std::max({paint.r, paint.g, paint.b});
        const float shown = std::max({Channel(pixel, 16), Channel(pixel, 8), Channel(pixel, 0)});
        const float shade = shown / brightest;
        EXPECT_GT(shade, 0.3f) << std::hex << pixel;
        // The paint's own hue, each channel in the same share.
        EXPECT_NEAR(paint.r * shade, Channel(pixel, 16), 0.03f) << std::hex << pixel;
        EXPECT_NEAR(paint.g * shade, Channel(pixel, 8), 0.03f) << std::hex << pixel;
        EXPECT_NEAR(paint.b * shade, Channel(pixel, 0), 0.03f) << std::hex << pixel;
    }
}

// Flung round a bend, braked and left standing, the doors sit in their
// frames: seen from above, nothing stands out beside the left door.
TEST_F(GlCarLook, AfterADriveTheDoorsRestInTheirFrames)
{
    m_pCar->m_pController = &m_Driver;
    m_Driver.Hold(GAS);
    m_Driver.Hold(TURN_LEFT);
    Run(Frames(3.0f));
    m_Driver.Release(GAS);
    m_Driver.Release(TURN_LEFT);
    m_Driver.Hold(BRAKE);
    Run(Frames(3.0f));
    m_Driver.Release(BRAKE);
    m_pCar->m_pController = nullptr;
    Run(Frames(1.0f));
    Draw(D3DXVECTOR3(0.0f, 12.0f, -1.0f), OVERHEAD);
    EXPECT_NE(BACKGROUND, PixelAt(DOOR_TOP)) << "the door is drawn";
    // Seen from above, across the door's rear end and out from the body.
    for (float out = 0.03f; out < 0.4f; out += 0.02f)
        EXPECT_EQ(BACKGROUND, PixelAt(DOOR_TOP - D3DXVECTOR3(out, 0.0f, 0.0f))) << out << " m out";
}

// A driver who brakes and sounds the horn lights the lamps red and leaves
// the paint as it was; once out, the lamps go back too.
TEST_F(GlCarLook, DrivingLightsTheLampsAndLeavesThePaint)
{
    const D3DXVECTOR3 behindLeft(-4.0f, 1.0f, -7.0f);
    const D3DXVECTOR3 sun(0.3f, -0.8f, 0.5f);
    m_pCar->SetColourIndex(1);
    Draw(behindLeft, sun);
    const uint32_t parkedWing = PixelAt(FRONT_WING);
    const uint32_t parkedLamp = PixelAt(REAR_LAMP);

    m_pCar->m_pController = &m_Driver;
    m_Driver.Hold(BRAKE);
    m_Driver.Hold(HORN);
    m_pCar->UpdateDriving();
    Draw(behindLeft, sun);
    EXPECT_EQ(parkedWing, PixelAt(FRONT_WING));
    EXPECT_EQ(0xFFFF0000u, PixelAt(REAR_LAMP) | 0xFF000000u) << "lit red";

    m_Driver.Release(BRAKE);
    m_Driver.Release(HORN);
    m_pCar->m_pController = nullptr;
    m_pCar->UpdateDriving();
    Draw(behindLeft, sun);
    EXPECT_EQ(parkedWing, PixelAt(FRONT_WING));
    EXPECT_EQ(parkedLamp, PixelAt(REAR_LAMP));
}

} // namespace
