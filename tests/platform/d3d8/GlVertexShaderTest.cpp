// Pixels drawn through vertex shader handles: the shipped shaders assembled
// from their files, constants as the game loads them, declarations binding
// the vertex to input registers.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/d3d8/D3D8Fixture.h"
#include "platform/d3dx8/D3DX8Math.h"
#include "platform/d3dx8/D3DX8Shader.h"
#include "platform/d3dx8/VertexShaderAssembler.h"
#include "support/TempDir.h"

namespace {

// The Test shader's inputs: v0 position, v3 normal, v7 texture coordinates.
struct MeshVertex {
    float x, y, z;
    float nx, ny, nz;
    float u, v;
};

struct PositionColourVertex {
    float x, y, z;
    D3DCOLOR colour;
};

const DWORD kMeshDeclaration[] = {
    D3DVSD_STREAM(0), D3DVSD_REG(0, D3DVSDT_FLOAT3), D3DVSD_REG(3, D3DVSDT_FLOAT3),
    D3DVSD_REG(7, D3DVSDT_FLOAT2), D3DVSD_END(),
};

const DWORD kColourDeclaration[] = {
    D3DVSD_STREAM(0), D3DVSD_REG(0, D3DVSDT_FLOAT3), D3DVSD_REG(2, D3DVSDT_D3DCOLOR), D3DVSD_END(),
};

// Positions are already in clip space; the colour input goes straight out.
const char kPassColourShader[] = "vs.1.1\nmov oPos, v0\nmov oD0, v2\n";

// The Test shader's constant layout.
constexpr DWORD kWorldViewProjection = 80;
constexpr DWORD kLightingConstants = 85;
constexpr DWORD kLightDirection = 87;
constexpr DWORD kMaterialDiffuse = 92;
constexpr DWORD kMaterialEmissive = 93;

constexpr D3DCOLOR kBlack = 0xFF000000;

class GlVertexShader : public GlD3D8Fixture {
protected:
    void SetUp() override
    {
        GlD3D8Fixture::SetUp();
        m_Device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        m_Device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
        m_Device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
        m_Device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
        m_Device->SetRenderState(D3DRS_LIGHTING, FALSE);
        m_Device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        ClearTarget();
        m_Device->BeginScene();
    }

    void ClearTarget() { m_Device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBlack, 1.0f, 0); }

    DWORD Create(const DWORD* declaration, const std::vector<DWORD>& tokens)
    {
        DWORD handle = 0;
        EXPECT_EQ(D3D_OK, m_Device->CreateVertexShader(declaration, tokens.data(), &handle, 0));
        return handle;
    }

    DWORD CreateFromText(const DWORD* declaration, const char* text)
    {
        const VertexShaderAssembly assembly = AssembleVertexShader(text, "test");
        EXPECT_EQ("", assembly.error);
        return Create(declaration, assembly.tokens);
    }

    // The shipped file, assembled as the game does it.
    DWORD CreateShipped(const char* file, const DWORD* declaration)
    {
        ScopedWorkingDir inGame(KELM_GAME_DIR);
        LPD3DXBUFFER code = nullptr;
        LPD3DXBUFFER errors = nullptr;
        EXPECT_EQ(D3D_OK, D3DXAssembleShaderFromFile(file, 0, nullptr, &code, &errors));
        EXPECT_EQ(nullptr, errors);
        if (code == nullptr)
            return 0;
        const DWORD* tokens = static_cast<const DWORD*>(code->GetBufferPointer());
        const std::vector<DWORD> stream(tokens, tokens + code->GetBufferSize() / sizeof(DWORD));
        code->Release();
        return Create(declaration, stream);
    }

    // Pixels not of the clear colour, as a mask.
    std::vector<bool> Covered() const
    {
        std::vector<bool> covered;
        for (uint32_t pixel : ReadTarget())
            covered.push_back(Rgb(pixel) != Rgb(kBlack));
        return covered;
    }

    void DrawColourTriangle(DWORD handle, D3DCOLOR colour)
    {
        const PositionColourVertex triangle[3] = {
            {-1.0f, 1.0f, 0.5f, colour}, {1.0f, 1.0f, 0.5f, colour}, {-1.0f, -1.0f, 0.5f, colour}};
        m_Device->SetVertexShader(handle);
        EXPECT_EQ(D3D_OK, m_Device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, triangle, sizeof(triangle[0])));
    }
};

TEST_F(GlVertexShader, ShippedTestShaderLightsATriangleWhereTheFixedPipelinePutsIt)
{
    // A camera 90 degrees wide; the triangle two units ahead covers the
    // upper-left part of the view.
    D3DXMATRIX world, view, projection, worldViewProjection, transposed;
    D3DXMatrixTranslation(&world, 0.25f, 0.0f, 2.0f);
    D3DXMatrixIdentity(&view);
    D3DXMatrixPerspectiveFovLH(&projection, D3DX_PI / 2, 1.0f, 1.0f, 100.0f);
    const float corners[3][2] = {{-2.0f, 2.0f}, {1.5f, 2.0f}, {-2.0f, -0.5f}};

    // The same triangle through the fixed pipeline, in white.
    m_Device->SetTransform(D3DTS_WORLD, &world);
    m_Device->SetTransform(D3DTS_VIEW, &view);
    m_Device->SetTransform(D3DTS_PROJECTION, &projection);
    ColourVertex fixed[3];
    for (int i = 0; i < 3; ++i)
        fixed[i] = {corners[i][0], corners[i][1], 0.0f, 0xFFFFFFFF};
    m_Device->SetVertexShader(kFvfColour);
    ASSERT_EQ(D3D_OK, m_Device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, fixed, sizeof(fixed[0])));
    const std::vector<bool> expected = Covered();
    ClearTarget();

    const DWORD handle = CreateShipped("Scripts\\VertexShaders\\Test.txt", kMeshDeclaration);
    ASSERT_NE(0u, handle);
    EXPECT_EQ(1u, handle & 1);
    D3DXMatrixMultiply(&worldViewProjection, &world, &view);
    D3DXMatrixMultiply(&worldViewProjection, &worldViewProjection, &projection);
    D3DXMatrixTranspose(&transposed, &worldViewProjection);
    const float lighting[4] = {4.0f, 1020.01f, 1.0f, 0.0f};
    const float towardsLight[4] = {0.0f, 0.0f, -1.0f, 0.0f};
    const float diffuse[4] = {0.6f, 0.4f, 0.2f, 1.0f};
    const float emissive[4] = {0.2f, 0.2f, 0.2f, 0.0f};
    ASSERT_EQ(D3D_OK, m_Device->SetVertexShaderConstant(kWorldViewProjection, &transposed, 4));
    m_Device->SetVertexShaderConstant(kLightingConstants, lighting, 1);
    m_Device->SetVertexShaderConstant(kLightDirection, towardsLight, 1);
    m_Device->SetVertexShaderConstant(kMaterialDiffuse, diffuse, 1);
    m_Device->SetVertexShaderConstant(kMaterialEmissive, emissive, 1);
    MeshVertex mesh[3];
    for (int i = 0; i < 3; ++i)
        mesh[i] = {corners[i][0], corners[i][1], 0.0f, 0.0f, 0.0f, -1.0f, 0.0f, 0.0f};
    m_Device->SetVertexShader(handle);
    ASSERT_EQ(D3D_OK, m_Device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, mesh, sizeof(mesh[0])));

    EXPECT_EQ(expected, Covered());
    // Facing the light: diffuse + emissive.
    const uint32_t inside = PixelAt(4, 4);
    EXPECT_NEAR(204, Red(inside), 1);
    EXPECT_NEAR(153, Green(inside), 1);
    EXPECT_NEAR(102, Blue(inside), 1);
    EXPECT_EQ(Rgb(kBlack), Rgb(PixelAt(60, 60)));
    EXPECT_EQ(Rgb(kBlack), Rgb(PixelAt(4, 60)));
    m_Device->DeleteVertexShader(handle);
}

TEST_F(GlVertexShader, ColourInputArrivesAsRedGreenBlueAlpha)
{
    const DWORD handle = CreateFromText(kColourDeclaration, kPassColourShader);
    ASSERT_NE(0u, handle);
    DrawColourTriangle(handle, 0x80FF4020);
    const uint32_t pixel = PixelAt(4, 4);
    EXPECT_NEAR(0xFF, Red(pixel), 1);
    EXPECT_NEAR(0x40, Green(pixel), 1);
    EXPECT_NEAR(0x20, Blue(pixel), 1);
    // Clip y = 1 is the top row.
    EXPECT_EQ(Rgb(kBlack), Rgb(PixelAt(60, 60)));

    // The back buffer keeps no alpha: the shader shows v2.w as grey.
    const DWORD alphaAsGrey = CreateFromText(kColourDeclaration, "vs.1.1\nmov oPos, v0\nmov oD0, v2.w\n");
    ASSERT_NE(0u, alphaAsGrey);
    DrawColourTriangle(alphaAsGrey, 0x80FF4020);
    EXPECT_NEAR(0x80, Red(PixelAt(4, 4)), 1);
}

TEST_F(GlVertexShader, HandleZeroAndADeletedHandleDrawNothing)
{
    const DWORD handle = CreateFromText(kColourDeclaration, kPassColourShader);
    ASSERT_NE(0u, handle);
    DrawColourTriangle(0, 0xFFFFFFFF);
    EXPECT_EQ(Rgb(kBlack), Rgb(PixelAt(4, 4)));

    // Deleted while set: the handle stays, the draws do nothing.
    m_Device->SetVertexShader(handle);
    EXPECT_EQ(D3D_OK, m_Device->DeleteVertexShader(handle));
    EXPECT_EQ(D3DERR_INVALIDCALL, m_Device->DeleteVertexShader(handle));
    DrawColourTriangle(handle, 0xFFFFFFFF);
    EXPECT_EQ(Rgb(kBlack), Rgb(PixelAt(4, 4)));

    // A new shader gets a new handle and draws.
    const DWORD next = CreateFromText(kColourDeclaration, kPassColourShader);
    EXPECT_NE(handle, next);
    DrawColourTriangle(handle, 0xFFFFFFFF);
    EXPECT_EQ(Rgb(kBlack), Rgb(PixelAt(4, 4)));
    DrawColourTriangle(next, 0xFF00FF00);
    EXPECT_EQ(0x00FF00u, Rgb(PixelAt(4, 4)));
}

TEST_F(GlVertexShader, BadShadersDeclarationsAndConstantRangesAreRefused)
{
    const VertexShaderAssembly assembly = AssembleVertexShader(kPassColourShader, "test");
    DWORD handle = 0;
    const DWORD noElements[] = {D3DVSD_STREAM(0), D3DVSD_END()};
    EXPECT_EQ(D3DERR_INVALIDCALL, m_Device->CreateVertexShader(noElements, assembly.tokens.data(), &handle, 0));
    EXPECT_EQ(D3DERR_INVALIDCALL, m_Device->CreateVertexShader(kColourDeclaration, nullptr, &handle, 0));
    const DWORD notAShader[] = {0xFFFE0101, 0x0000ABCD, 0x0000FFFF};
    EXPECT_EQ(D3DERR_INVALIDCALL, m_Device->CreateVertexShader(kColourDeclaration, notAShader, &handle, 0));
    EXPECT_EQ(0u, handle);

    const float registers[2][4] = {};
    EXPECT_EQ(D3D_OK, m_Device->SetVertexShaderConstant(94, registers, 2));
    EXPECT_EQ(D3DERR_INVALIDCALL, m_Device->SetVertexShaderConstant(95, registers, 2));
    EXPECT_EQ(D3DERR_INVALIDCALL, m_Device->SetVertexShaderConstant(96, registers, 1));
    EXPECT_EQ(D3DERR_INVALIDCALL, m_Device->SetVertexShaderConstant(0, nullptr, 1));

    // A stride shorter than the declared vertex.
    handle = CreateFromText(kColourDeclaration, kPassColourShader);
    m_Device->SetVertexShader(handle);
    const PositionColourVertex vertices[3] = {};
    EXPECT_EQ(D3DERR_INVALIDCALL, m_Device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, vertices, 12));
}

} // namespace
