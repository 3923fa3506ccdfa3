#include "Actors/TireType.h"

#include <string>

#include <gtest/gtest.h>

#include "support/RandomDraws.h"
#include "Core/Clock.h"
#include "support/FatalTrap.h"
#include "support/ScriptText.h"

namespace {

const uint32_t SEED = 77;

CTireType Loaded(const std::string& body, std::string* next = nullptr)
{
    CTireType type;
    EXPECT_TRUE(LoadFrom(type, "TireType Grip\nAsset_Type Game\n" + body, next));
    return type;
}

TEST(TireType, DefaultsAndEveryKeyword)
{
    const CTireType plain = Loaded("");
    EXPECT_EQ(1.0f, plain.GetMaterial().dynamicFriction);
    EXPECT_EQ(1.0f, plain.GetMaterial().staticFriction);
    EXPECT_EQ(0.0f, plain.GetMaterial().restitution);
    EXPECT_EQ(1.0f, plain.GetMaterial().dynamicFrictionV);
    EXPECT_EQ(1.0f, plain.GetMaterial().staticFrictionV);
    EXPECT_EQ(nullptr, plain.GetMaterial().spring);
    EXPECT_EQ(0.0f, plain.GetMass());

    const CTireType type = Loaded("NumMeshes 2 Meshes WheelA WheelB Mass 20 DynamicFrictionSlide 0.5 "
                                  "StaticFrictionSlide 0.6 Restitution 0.1 DynamicFrictionRoll 0.7 "
                                  "StaticFrictionRoll 0.9");
    EXPECT_TRUE(type.IsInitialised());
    EXPECT_TRUE(type.IsReady());
    EXPECT_EQ("Grip", type.GetName());
    EXPECT_EQ((std::vector<std::string>{"WheelA", "WheelB"}), type.GetMeshNames());
    EXPECT_EQ(20.0f, type.GetMass());
    EXPECT_EQ(0.5f, type.GetMaterial().dynamicFriction);
    EXPECT_EQ(0.6f, type.GetMaterial().staticFriction);
    EXPECT_EQ(0.1f, type.GetMaterial().restitution);
    EXPECT_EQ(0.7f, type.GetMaterial().dynamicFrictionV);
    EXPECT_EQ(0.9f, type.GetMaterial().staticFrictionV);
}

TEST(TireType, MeshesBeforeTheirCountReadNone)
{
    std::string next;
    const CTireType type = Loaded("Meshes NumMeshes 1", &next);
    EXPECT_TRUE(type.GetMeshNames().empty());
    EXPECT_EQ(1u, type.GetMeshCount());
    EXPECT_EQ("", next);
}

TEST(TireType, TheBlockEndsAtTheFirstUnknownWord)
{
    std::string next;
    const CTireType type = Loaded("Mass 5 Colour 3 StaticFrictionSlide 0.2", &next);
    EXPECT_EQ(5.0f, type.GetMass());
    EXPECT_EQ("Colour", next);
    EXPECT_EQ(1.0f, type.GetMaterial().staticFriction) << "read after the block's end";
}

TEST(TireType, AnotherTypeIsRefused)
{
    CTireType type;
    EXPECT_FALSE(LoadFrom(type, "Car Grip\nAsset_Type Game\n"));
    EXPECT_TRUE(LoadFrom(type, "TireType Grip\nAsset_Type Game\n"));
    EXPECT_FALSE(LoadFrom(type, "TireType Again\nAsset_Type Game\n")) << "loaded once";
    CTireType untyped;
    EXPECT_FALSE(LoadFrom(untyped, "TireType Grip\n")) << "no Asset_Type";
}

TEST(TireType, PickMeshDrawsOnlyAmongSeveral)
{
    g_RandomTable.Fill(SEED);
    const CTireType one = Loaded("NumMeshes 1 Meshes Only");
    CRandomTable before = g_RandomTable;
    EXPECT_EQ("Only", one.PickMesh());
    EXPECT_EQ(0, DrawsSince(before));

    const CTireType two = Loaded("NumMeshes 2 Meshes First Second");
    before = g_RandomTable;
    CRandomTable expected = before;
    const std::string picked = two.PickMesh();
    EXPECT_EQ(1, DrawsSince(before));
    EXPECT_EQ(expected.NextBelow(2) == 0 ? "First" : "Second", picked);
}

TEST(TireType, BadListsAndMissingMeshesAreFatal)
{
    EXPECT_FATAL(Loaded("NumMeshes 1025"), "TireType \"Grip\": NumMeshes count 1025 is not between 0 and 1024");
    EXPECT_FATAL(Loaded("NumMeshes -2"), "TireType \"Grip\": NumMeshes count -2 is not between 0 and 1024");
    EXPECT_FATAL(Loaded("NumMeshes 3 Meshes A B"), "TireType \"Grip\": Meshes runs past the end of the script");
    const CTireType none = Loaded("");
    EXPECT_FATAL(none.PickMesh(), "Tire type \"Grip\" has no meshes");
}

} // namespace
