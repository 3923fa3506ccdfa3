// The shipped tyre types and cars as start-up loads them from the game's
// folder, after the sounds, particle systems, meshes and complex objects.

#include <cmath>
#include <set>
#include <string>

#include <gtest/gtest.h>

#include "Actors/Car.h"
#include "Actors/TireType.h"
#include "Core/AssetManager.h"
#include "Display/DisplayFixture.h"
#include "Display/DisplayMesh.h"
#include "Display/Texture.h"
#include "support/ShippedScripts.h"
#include "support/TempDir.h"

namespace {

const int PAINT_GROUP = 1;
const int BRAKE_LIGHT_GROUP = 4;

class ShippedCarsTest : public DisplayFixture {
protected:
    void SetUp() override
    {
        CreateDisplay();
        const std::string logBefore = Log();
        LoadCarScripts();
        m_LoadLog = Log().substr(logBefore.size());
    }
    void TearDown() override
    {
        CTexture::ReleaseAllTextures();
        g_AssetManager.Clear();
        DisplayFixture::TearDown();
    }

    static bool HasGroup(const std::vector<CDisplayObject3D>& parts, int group)
    {
        for (const CDisplayObject3D& part : parts)
            if (part.GetColourGroup() == group)
                return true;
        return false;
    }

    static int CountGroup(const std::vector<CDisplayObject3D>& parts, int group)
    {
        int count = 0;
        for (const CDisplayObject3D& part : parts)
            count += part.GetColourGroup() == group ? 1 : 0;
        return count;
    }

    std::string m_LoadLog;
};

TEST_F(ShippedCarsTest, EveryCarLoadsWithoutALogLine)
{
    EXPECT_EQ("", m_LoadLog);
    for (const char* name : {"Street", "Wide"}) {
        CTireType* type = nullptr;
        g_AssetManager.GetAsset(name, type, true);
        EXPECT_EQ(1u, type->GetMeshNames().size()) << name;
    }
    for (const char* name : SHIPPED_CARS) {
        SCOPED_TRACE(name);
        CCar* car = nullptr;
        g_AssetManager.GetAsset(name, car, true);
        EXPECT_TRUE(car->IsReady());
        EXPECT_EQ(4u, car->m_Tires.size());
        EXPECT_EQ(2u, car->m_Doors.size());
        EXPECT_NE(nullptr, car->GetDriverSeat());
        EXPECT_EQ(1u, car->m_GasTanks.size());
        EXPECT_TRUE(HasGroup(car->m_Body.GetOpaqueParts(), PAINT_GROUP));
        EXPECT_TRUE(HasGroup(car->m_Body.GetOpaqueParts(), BRAKE_LIGHT_GROUP));
        EXPECT_FALSE(car->m_Body.GetTransparentParts().empty()) << "glass";
        EXPECT_GT(car->m_CollisionObject.m_fRadius, 0.0f);
        EXPECT_TRUE(car->m_bRadiusCalculated);
        EXPECT_GT(car->m_fDeceleration, 0.0f);
        EXPECT_GT(car->m_Engine.GetTopSpeed(), 0.0f);
        // Gas pulls a car that rolls back, as one does after nudging the car
        // ahead; a traffic car would otherwise hold Gas and roll for ever.
        EXPECT_GT(car->m_Engine.GetAcceleration(-0.5f), 0.0f);
        EXPECT_GT(car->m_Engine.GetAcceleration(-car->m_fMaxSpeedReverse), 0.0f);
        EXPECT_EQ(1u, car->GetSuspensionTable()->GetCount());
        EXPECT_EQ("CarHorn", car->m_Horn.GetName());
        EXPECT_EQ("CarEngine", car->m_Engine.m_Sound.GetName());
        EXPECT_EQ("Exhaust", car->m_Exhaust.GetName());
        EXPECT_EQ("CarSmoke", car->m_SmokingEffect.GetEffectName());
        EXPECT_EQ("CarExplosion", car->m_ExplosionEffect.GetEffectName());
        EXPECT_TRUE(car->m_SmokingEffect.m_u8Compiled);
        EXPECT_TRUE(car->m_ExplosionEffect.m_u8Compiled);
        for (const CTire& tire : car->m_Tires)
            EXPECT_EQ("Wheel", tire.m_Wheel.GetName());
        // The front tyres steer, the rear ones drive; 0 and 1 on the left and right.
        EXPECT_EQ(CTire::DRIVE_STEERS, car->m_Tires[0].m_iDriveType);
        EXPECT_EQ(CTire::DRIVE_DRIVEN, car->m_Tires[3].m_iDriveType);
        EXPECT_LT(car->m_Tires[0].m_vMountPosition.x, 0.0f);
        EXPECT_GT(car->m_Tires[1].m_vMountPosition.x, 0.0f);
        EXPECT_GT(car->m_Tires[1].m_vMountPosition.z, car->m_Tires[2].m_vMountPosition.z);
    }
}

TEST_F(ShippedCarsTest, TheSedanWearsOneTireTypeAndSomeCarsTwo)
{
    CCar* sedan = nullptr;
    g_AssetManager.GetAsset("Sedan", sedan, true);
    EXPECT_EQ((std::vector<std::string>{"Street"}), sedan->m_TireTypeNames);
    EXPECT_EQ(1200.0f, sedan->m_PhysicsObject.m_fMass);
    CCar* porch = nullptr;
    g_AssetManager.GetAsset("Porch", porch, true);
    EXPECT_EQ((std::vector<std::string>{"Street", "Wide"}), porch->m_TireTypeNames);
    CCar* delivery = nullptr;
    g_AssetManager.GetAsset("DeliveryRDS", delivery, true);
    EXPECT_EQ("DeliveryBody", delivery->m_Body.GetName());
    EXPECT_GT(delivery->m_PhysicsObject.m_fMass, sedan->m_PhysicsObject.m_fMass);
    EXPECT_LT(delivery->m_Engine.GetTopSpeed(), sedan->m_Engine.GetTopSpeed());
}

// The population paints every free car on colour group 1; of the police car
// only the stripe takes it, so the white body, doors and light bar stay.
TEST_F(ShippedCarsTest, ThePoliceCarTakesPaintOnItsStripeOnly)
{
    CCar* cop = nullptr;
    g_AssetManager.GetAsset("CopCar", cop, true);
    EXPECT_EQ("CopCarBody", cop->m_Body.GetName());
    EXPECT_EQ(1, CountGroup(cop->m_Body.GetOpaqueParts(), PAINT_GROUP) +
                     CountGroup(cop->m_Body.GetTransparentParts(), PAINT_GROUP));
    EXPECT_EQ(4u, cop->m_Body.GetOpaqueParts().size()) << "shell, stripe, lamps and light bar";
    ASSERT_EQ(2u, cop->m_Doors.size());
    for (const CDoor& door : cop->m_Doors) {
        EXPECT_EQ(0, CountGroup(door.m_Mesh.GetOpaqueParts(), PAINT_GROUP));
        EXPECT_FALSE(door.m_Mesh.GetOpaqueParts().empty());
    }
    CCar* sedan = nullptr;
    g_AssetManager.GetAsset("Sedan", sedan, true);
    EXPECT_EQ(sedan->m_CollisionDataName, cop->m_CollisionDataName) << "the sedan's shape";

    // Two colours in one mesh each: the shell white over black, the light bar
    // red on the left and blue on the right.
    CDisplayMesh* shell = nullptr;
    g_AssetManager.GetAsset("CopShell", shell, true);
    ASSERT_EQ(2u, shell->GetNumMaterials());
    EXPECT_GT(shell->GetMaterial(0).Diffuse.g, 0.9f);
    EXPECT_LT(shell->GetMaterial(1).Diffuse.g, 0.1f);
    CDisplayMesh* lightBar = nullptr;
    g_AssetManager.GetAsset("CopLightBar", lightBar, true);
    ASSERT_EQ(2u, lightBar->GetNumMaterials());
    EXPECT_GT(lightBar->GetMaterial(0).Diffuse.r, lightBar->GetMaterial(0).Diffuse.b);
    EXPECT_GT(lightBar->GetMaterial(1).Diffuse.b, lightBar->GetMaterial(1).Diffuse.r);
}

// Every kind but the police car wears a body of its own, shell and collision
// boxes alike, and no two are the same size.
TEST_F(ShippedCarsTest, EachKindHasABodyAndCollisionBoxesOfItsOwn)
{
    std::set<std::string> bodies;
    std::set<std::string> collisionFiles;
    std::set<std::pair<float, float>> sizes;
    for (const char* name : SHIPPED_CARS) {
        SCOPED_TRACE(name);
        if (std::string(name) == "CopCar")
            continue;
        CCar* car = nullptr;
        g_AssetManager.GetAsset(name, car, true);
        EXPECT_TRUE(bodies.insert(car->m_Body.GetName()).second) << car->m_Body.GetName();
        EXPECT_TRUE(collisionFiles.insert(car->m_CollisionDataName).second) << car->m_CollisionDataName;
        const CComplexObject::Box* shell = car->m_Body.GetBoundingBox();
        ASSERT_NE(nullptr, shell);
        const float length = shell->m_Max.z - shell->m_Min.z;
        const float height = shell->m_Max.y - shell->m_Min.y;
        EXPECT_TRUE(sizes.insert({length, height}).second) << length << " x " << height;
        // The collision boxes are the body's, short of its lamps.
        const CCollisionBox& root = *car->m_CollisionObject.m_pRoot;
        EXPECT_NEAR(length, root.m_vMax.z - root.m_vMin.z, 0.1f);
        for (const CTire& tire : car->m_Tires)
            EXPECT_LT(std::fabs(tire.m_vMountPosition.z), shell->m_Max.z) << "the wheels under the body";
    }
}

} // namespace
