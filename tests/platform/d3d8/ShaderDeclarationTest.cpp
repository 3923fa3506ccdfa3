// Vertex shader declarations decoded into the inputs a draw binds.

#include <gtest/gtest.h>

#include <vector>

#include "platform/d3d8/ShaderDeclaration.h"

namespace {

TEST(ShaderDeclaration, TheSkinnedMeshDeclarationFeedsItsRegistersInMemoryOrder)
{
    // The tokens the game writes for its skinned mesh shader.
    const DWORD tokens[] = {0x20000000, 0x40020000, 0x40020001, 0x40040002, 0x40020003, 0x40010007, 0xFFFFFFFF};
    const ShaderDeclaration declaration = DecodeShaderDeclaration(tokens);
    ASSERT_TRUE(declaration.valid);
    const std::vector<ShaderInputElement> expected = {
        {0, D3DVSDT_FLOAT3, 0},   {1, D3DVSDT_FLOAT3, 12},  {2, D3DVSDT_D3DCOLOR, 24},
        {3, D3DVSDT_FLOAT3, 28},  {7, D3DVSDT_FLOAT2, 40},
    };
    ASSERT_EQ(expected.size(), declaration.elements.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(expected[i].inputRegister, declaration.elements[i].inputRegister) << i;
        EXPECT_EQ(expected[i].type, declaration.elements[i].type) << i;
        EXPECT_EQ(expected[i].offset, declaration.elements[i].offset) << i;
    }
    EXPECT_EQ(48u, declaration.size);
    EXPECT_EQ(tokens[1], D3DVSD_REG(0, D3DVSDT_FLOAT3));
    EXPECT_EQ(tokens[0], D3DVSD_STREAM(0));
}

TEST(ShaderDeclaration, WhatCannotBeDrawnIsRefused)
{
    const DWORD kEnd = D3DVSD_END();
    const DWORD kStream = D3DVSD_STREAM(0);
    const DWORD kPosition = D3DVSD_REG(0, D3DVSDT_FLOAT3);
    struct Case {
        const char* what;
        std::vector<DWORD> tokens;
    };
    const Case cases[] = {
        {"no elements", {kStream, kEnd}},
        {"stream 1", {D3DVSD_STREAM(1), kPosition, kEnd}},
        {"data before the stream", {kPosition, kEnd}},
        {"a second stream token", {kStream, kPosition, kStream, kEnd}},
        {"register 16", {kStream, D3DVSD_REG(16, D3DVSDT_FLOAT3), kEnd}},
        {"a register fed twice", {kStream, kPosition, D3DVSD_REG(0, D3DVSDT_FLOAT2), kEnd}},
        {"an unknown type", {kStream, D3DVSD_REG(0, 0x03), kEnd}},
    };
    for (const Case& c : cases)
        EXPECT_FALSE(DecodeShaderDeclaration(c.tokens.data()).valid) << c.what;
    EXPECT_FALSE(DecodeShaderDeclaration(nullptr).valid);
}

} // namespace
