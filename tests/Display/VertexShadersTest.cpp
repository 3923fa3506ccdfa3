#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "Display/DisplayFixture.h"
#include "Display/VertexShaders.h"

namespace {

const char* const SHADER_FOLDER = "Scripts/VertexShaders/";
const char* const SHADER_NAMES[VS_COUNT] = {"Test.txt", "IndexedSkinnedMesh.txt", "Car.txt", "Water.txt"};

std::string ShippedShader(const std::string& name)
{
    std::ifstream file(std::string(KELM_GAME_DIR) + "/" + SHADER_FOLDER + name, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

class VertexShadersTest : public DisplayFixture {
protected:
    void SetUp() override
    {
        CreateDisplay();
        for (const char* name : SHADER_NAMES)
            m_Dir.Write(std::string(SHADER_FOLDER) + name, ShippedShader(name));
        m_Shaders.SetFiles();
    }

    CVertexShaders m_Shaders;
};

TEST_F(VertexShadersTest, ShippedFilesAllAssembleAndCreateDistinctHandles)
{
    m_Shaders.CreateAll();

    for (int i = 0; i < VS_COUNT; ++i) {
        EXPECT_NE(0u, m_Shaders.GetShader(i)) << SHADER_NAMES[i];
        for (int j = 0; j < i; ++j)
            EXPECT_NE(m_Shaders.GetShader(j), m_Shaders.GetShader(i));
    }
    EXPECT_EQ(std::string::npos, Log().find("Error in")) << Log();
    EXPECT_EQ(0u, m_Shaders.GetShader(VS_COUNT));
    EXPECT_EQ(0u, m_Shaders.GetShader(-1));
}

TEST_F(VertexShadersTest, SkinnedDeclarationMatchesItsVertex)
{
    const std::vector<DWORD> expected = {0x20000000, 0x40020000, 0x40020001, 0x40040002,
                                         0x40020003, 0x40010007, 0xFFFFFFFF};
    EXPECT_EQ(expected, m_Shaders.GetEntry(VS_INDEXED_SKINNED_MESH).Decl);
    EXPECT_EQ("Scripts\\VertexShaders\\IndexedSkinnedMesh.txt", m_Shaders.GetEntry(VS_INDEXED_SKINNED_MESH).FileName);
}

TEST_F(VertexShadersTest, MissingFileIsLoggedAndEndsTheCreationThere)
{
    ASSERT_EQ(0, std::remove((m_Dir.Path() + "/Scripts/VertexShaders/Car.txt").c_str()));

    m_Shaders.CreateAll();

    EXPECT_NE(0u, m_Shaders.GetShader(VS_TEST));
    EXPECT_NE(0u, m_Shaders.GetShader(VS_INDEXED_SKINNED_MESH));
    EXPECT_EQ(0u, m_Shaders.GetShader(VS_CAR));
    EXPECT_EQ(0u, m_Shaders.GetShader(VS_WATER));
    EXPECT_NE(std::string::npos, Log().find("Shader file not found: Scripts\\VertexShaders\\Car.txt")) << Log();
}

TEST_F(VertexShadersTest, BrokenFileLogsTheAssemblerTextAndEndsTheCreationThere)
{
    m_Dir.Write("Scripts/VertexShaders/Test.txt", "vs.1.1\nfrobnicate r0, v0\n");

    m_Shaders.CreateAll();

    for (int i = 0; i < VS_COUNT; ++i)
        EXPECT_EQ(0u, m_Shaders.GetShader(i)) << SHADER_NAMES[i];
    const std::string log = Log();
    EXPECT_NE(std::string::npos, log.find("Test.txt(2)")) << log;
    EXPECT_NE(std::string::npos, log.find("Error in .\\Display\\VertexShaders")) << log;
    EXPECT_EQ(std::string::npos, log.find("Shader file not found")) << log;
}

} // namespace
