// The sniper's scope going off with a display: the default projection of the
// display's shape, on the device as well.

#include <cstring>
#include <memory>

#include <gtest/gtest.h>

#include "Actors/GameActor.h"
#include "Actors/Weapon.h"
#include "Core/AssetManager.h"
#include "Display/Camera.h"
#include "Display/Display.h"
#include "Display/DisplayFixture.h"
#include "Display/RenderStates.h"
#include "support/MatrixExpect.h"
#include "support/ScriptText.h"
#include "support/ScriptedController.h"

namespace {

class WeaponScopeDisplayTest : public DisplayFixture {};

TEST_F(WeaponScopeDisplayTest, TheScopeGivesBackTheDisplaysProjection)
{
    CreateDisplay();
    ASSERT_TRUE(g_Display.ChangeDisplayMode(Mode(800, 600, false, false, 32, 0)));
    CCamera camera;
    camera.m_u32Mode = CCamera::MODE_CHASE;
    ScriptedController controller;
    controller.m_pCamera = &camera;
    CGameActor actor;
    actor.m_pController = &controller;
    auto sniper = std::make_unique<CWeapon>();
    ASSERT_TRUE(LoadFrom(*sniper, "Weapon Sniper Asset_Type Game"));
    actor.PickUpWeapon(std::move(sniper));

    actor.UseWeaponSecondary();
    ASSERT_EQ(static_cast<uint32_t>(CCamera::MODE_ZOOM), camera.m_u32Mode);
    actor.UseWeaponSecondary();
    D3DXMATRIX expected;
    D3DXMatrixPerspectiveFovLH(&expected, D3DX_PI / 4.0f, 800.0f / 600.0f, 0.1f, 1000.0f);
    ExpectMatrixNear(expected, g_matProjection);
    D3DMATRIX onDevice = {};
    g_Display.GetD3DDevice()->GetTransform(D3DTS_PROJECTION, &onDevice);
    EXPECT_EQ(0, std::memcmp(&onDevice, &g_matProjection, sizeof(onDevice)));
}

} // namespace
