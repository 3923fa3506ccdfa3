#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/d3d8/D3D8Types.h"
#include "platform/d3dx8/ArbVertexProgram.h"
#include "platform/d3dx8/D3DX8Image.h"
#include "platform/d3dx8/D3DX8Shader.h"
#include "support/TempDir.h"

namespace {

constexpr DWORD kVersion = 0xFFFE0101;
constexpr DWORD kEnd = 0x0000FFFF;

std::vector<DWORD> TokensOf(ID3DXBuffer* buffer)
{
    const DWORD* first = static_cast<const DWORD*>(buffer->GetBufferPointer());
    return std::vector<DWORD>(first, first + buffer->GetBufferSize() / sizeof(DWORD));
}

class D3DXAssembleShader : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_Dir.Write("Scripts/VertexShaders/Small.txt", "vs.1.1\nmov oPos, v0\n");
        m_Dir.Write("Scripts/VertexShaders/Broken.txt", "vs.1.1\nfoo r0, v0\n");
    }

    TempDir m_Dir;
    ScopedWorkingDir m_Cwd{m_Dir.Path()};
};

TEST_F(D3DXAssembleShader, ReturnsTheTokensOfAGamePath)
{
    LPD3DXBUFFER constants = nullptr;
    LPD3DXBUFFER code = nullptr;
    LPD3DXBUFFER errors = nullptr;
    EXPECT_EQ(D3D_OK,
              D3DXAssembleShaderFromFile("scripts\\VertexShaders\\SMALL.txt", 0, &constants, &code, &errors));
    EXPECT_EQ(nullptr, constants);
    EXPECT_EQ(nullptr, errors);
    ASSERT_NE(nullptr, code);
    EXPECT_EQ((std::vector<DWORD>{kVersion, 0x00000001, 0xC00F0000, 0x90E40000, kEnd}), TokensOf(code));
    EXPECT_EQ(0u, code->Release());
}

TEST_F(D3DXAssembleShader, HandsBackTheErrorTextWithoutCode)
{
    LPD3DXBUFFER code = nullptr;
    LPD3DXBUFFER errors = nullptr;
    EXPECT_EQ(D3DXERR_INVALIDDATA,
              D3DXAssembleShaderFromFile("Scripts\\VertexShaders\\Broken.txt", 0, nullptr, &code, &errors));
    EXPECT_EQ(nullptr, code);
    ASSERT_NE(nullptr, errors);
    const std::string expected = "Scripts\\VertexShaders\\Broken.txt(2): unknown instruction \"foo\"\n";
    const char* text = static_cast<const char*>(errors->GetBufferPointer());
    EXPECT_EQ(expected, text);
    EXPECT_EQ(expected.size() + 1, errors->GetBufferSize()); // the text ends in a NUL
    errors->Release();
}

// The game tells a missing file by there being neither code nor errors.
TEST_F(D3DXAssembleShader, AMissingFileGivesNoBufferAtAll)
{
    LPD3DXBUFFER code = reinterpret_cast<LPD3DXBUFFER>(1);
    LPD3DXBUFFER errors = reinterpret_cast<LPD3DXBUFFER>(1);
    EXPECT_EQ(D3DERR_NOTFOUND,
              D3DXAssembleShaderFromFile("Scripts\\VertexShaders\\Car.txt", 0, nullptr, &code, &errors));
    EXPECT_EQ(nullptr, code);
    EXPECT_EQ(nullptr, errors);
    EXPECT_EQ(D3DERR_INVALIDCALL, D3DXAssembleShaderFromFile(nullptr, 0, nullptr, &code, &errors));
}

TEST(D3DXShipped, EveryVertexShaderAssemblesAndTranslates)
{
    ScopedWorkingDir inGame(KELM_GAME_DIR);
    const char* const files[] = {
        "Scripts\\VertexShaders\\Test.txt",
        "Scripts\\VertexShaders\\IndexedSkinnedMesh.txt",
        "Scripts\\VertexShaders\\Car.txt",
        "Scripts\\VertexShaders\\Water.txt",
    };
    for (const char* file : files) {
        LPD3DXBUFFER code = nullptr;
        LPD3DXBUFFER errors = nullptr;
        EXPECT_EQ(D3D_OK, D3DXAssembleShaderFromFile(file, 0, nullptr, &code, &errors)) << file;
        if (errors) {
            ADD_FAILURE() << static_cast<const char*>(errors->GetBufferPointer());
            errors->Release();
        }
        ASSERT_NE(nullptr, code) << file;
        const std::vector<DWORD> tokens = TokensOf(code);
        code->Release();
        const ArbVertexProgram program = TranslateVertexShaderToArb(tokens.data(), tokens.size(), {});
        EXPECT_EQ("", program.error) << file;
        EXPECT_NE(std::string::npos, program.text.find("MOV result.position.zw, oPos;")) << file;
    }
}

TEST(D3DXBuffer, IsZeroFilledAndCounted)
{
    LPD3DXBUFFER buffer = nullptr;
    ASSERT_EQ(D3D_OK, D3DXCreateBuffer(16, &buffer));
    ASSERT_EQ(16u, buffer->GetBufferSize());
    const unsigned char* bytes = static_cast<const unsigned char*>(buffer->GetBufferPointer());
    EXPECT_EQ(std::vector<unsigned char>(16, 0), std::vector<unsigned char>(bytes, bytes + 16));
    EXPECT_EQ(2u, buffer->AddRef());
    EXPECT_EQ(1u, buffer->Release());
    EXPECT_EQ(0u, buffer->Release());

    ASSERT_EQ(D3D_OK, D3DXCreateBuffer(0, &buffer));
    EXPECT_EQ(0u, buffer->GetBufferSize());
    EXPECT_NE(nullptr, buffer->GetBufferPointer());
    buffer->Release();
    EXPECT_EQ(D3DERR_INVALIDCALL, D3DXCreateBuffer(4, nullptr));
}

} // namespace
