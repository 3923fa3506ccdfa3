#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/d3dx8/D3DX8SkinMesh.h"
#include "platform/d3dx8/D3DXTestDevice.h"
#include "platform/xfile/XFileObject.h"
#include "support/TempDir.h"

namespace {

const char* const kGamePath = "Assets\\Meshes\\Skin.x";

const char* const kQuad = "Mesh Quad {\n"
                          " 4; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 1.0;1.0;0.0;, 0.0;1.0;0.0;;\n"
                          " 1; 4; 0,1,2,3;;\n";

std::string Weights(const std::string& bone, const std::string& indices, const std::string& weights, int count,
                    float offsetY)
{
    return " SkinWeights { \"" + bone + "\"; " + std::to_string(count) + "; " + indices + "; " + weights +
           "; 1,0,0,0, 0,1,0,0, 0,0,1,0, 0," + std::to_string(offsetY) + ",0,1;; }\n";
}

// Two bones; vertex 3 shared by both.
std::string TwoBoneQuad()
{
    return std::string("xof 0302txt 0032\n") + kQuad + " XSkinMeshHeader { 2; 4; 2; }\n" +
           Weights("Upper", "0, 1, 3", "1.0, 1.0, 0.75", 3, -1.0f) + Weights("Lower", "2, 3", "1.0, 0.25", 2, -2.0f) +
           "}\n";
}

// Vertex 0 is weighed by five bones (0.1, 0.4, 0.2, 0.05, 0.25 in bone order).
std::string FiveInfluenceQuad()
{
    std::string text = std::string("xof 0302txt 0032\n") + kQuad;
    const char* const weights[] = {"0.1", "0.4", "0.2", "0.05", "0.25"};
    for (int bone = 0; bone < 5; ++bone)
        text += Weights("B" + std::to_string(bone), "0", weights[bone], 1, 0.0f);
    return text + "}\n";
}

std::string ManyBoneQuad(int bones)
{
    std::string text = std::string("xof 0302txt 0032\n") + kQuad;
    for (int bone = 0; bone < bones; ++bone)
        text += Weights("B" + std::to_string(bone), "0, 1, 2, 3", "1, 1, 1, 1", 4, 0.0f);
    return text + "}\n";
}

template <class T>
void ReleaseAndClear(T*& object)
{
    if (object != nullptr)
        object->Release();
    object = nullptr;
}

class D3DXSkinMeshTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_Device.CreateStateOnly());
        ASSERT_EQ(DXFILE_OK, DirectXFileCreate(&m_File));
    }

    void TearDown() override
    {
        ReleaseLoaded();
        ReleaseAndClear(m_File);
    }

    void ReleaseLoaded()
    {
        ReleaseAndClear(m_Skin);
        ReleaseAndClear(m_Adjacency);
        ReleaseAndClear(m_Materials);
        ReleaseAndClear(m_BoneNames);
        ReleaseAndClear(m_BoneOffsets);
        ReleaseAndClear(m_Blended);
    }

    HRESULT Load(const std::string& text)
    {
        ReleaseLoaded();
        m_Dir.Write("Assets/Meshes/Skin.x", text);
        IDirectXFileEnumObject* enumObject = nullptr;
        if (FAILED(m_File->CreateEnumObject(const_cast<char*>(kGamePath), DXFILELOAD_FROMFILE, &enumObject)))
            return E_FAIL;
        IDirectXFileData* data = nullptr;
        HRESULT result = enumObject->GetNextDataObject(&data);
        enumObject->Release();
        if (FAILED(result))
            return result;
        result = D3DXLoadSkinMeshFromXof(data, 0, m_Device.Get(), &m_Adjacency, &m_Materials, &m_NumMaterials,
                                         &m_BoneNames, &m_BoneOffsets, &m_Skin);
        data->Release();
        return result;
    }

    HRESULT Convert(DWORD paletteSize)
    {
        return m_Skin->ConvertToIndexedBlendedMesh(0, nullptr, paletteSize, nullptr, nullptr, nullptr, nullptr,
                                                   nullptr, &m_Blended);
    }

    std::vector<D3DXBlendedVertex> BlendedVertices()
    {
        std::vector<D3DXBlendedVertex> vertices(m_Blended->GetNumVertices());
        BYTE* data = nullptr;
        if (FAILED(m_Blended->LockVertexBuffer(D3DLOCK_READONLY, &data)))
            return {};
        std::memcpy(vertices.data(), data, vertices.size() * sizeof(D3DXBlendedVertex));
        m_Blended->UnlockVertexBuffer();
        return vertices;
    }

    // The converted vertex at a position of the quad.
    D3DXBlendedVertex At(float x, float y)
    {
        for (const D3DXBlendedVertex& vertex : BlendedVertices()) {
            if (vertex.position.x == x && vertex.position.y == y)
                return vertex;
        }
        ADD_FAILURE() << "no vertex at " << x << ", " << y;
        return {};
    }

    TempDir m_Dir;
    ScopedWorkingDir m_Cwd{m_Dir.Path()};
    D3DXTestDevice m_Device;
    IDirectXFile* m_File = nullptr;
    ID3DXSkinMesh* m_Skin = nullptr;
    LPD3DXBUFFER m_Adjacency = nullptr;
    LPD3DXBUFFER m_Materials = nullptr;
    LPD3DXBUFFER m_BoneNames = nullptr;
    LPD3DXBUFFER m_BoneOffsets = nullptr;
    DWORD m_NumMaterials = 0;
    ID3DXMesh* m_Blended = nullptr;
};

TEST_F(D3DXSkinMeshTest, LoadsBonesWithTheirNamesAndOffsets)
{
    ASSERT_EQ(D3D_OK, Load(TwoBoneQuad()));
    EXPECT_EQ(2u, m_Skin->GetNumBones());
    EXPECT_EQ(2u, m_Skin->GetNumFaces());
    EXPECT_EQ(4u, m_Skin->GetNumVertices());
    EXPECT_EQ(1u, m_NumMaterials);
    ASSERT_EQ(6 * sizeof(DWORD), m_Adjacency->GetBufferSize());

    const LPSTR* names = static_cast<const LPSTR*>(m_BoneNames->GetBufferPointer());
    EXPECT_STREQ("Upper", names[0]);
    EXPECT_STREQ("Lower", names[1]);
    ASSERT_EQ(2 * sizeof(D3DXMATRIX), m_BoneOffsets->GetBufferSize());
    const D3DXMATRIX* offsets = static_cast<const D3DXMATRIX*>(m_BoneOffsets->GetBufferPointer());
    EXPECT_EQ(-1.0f, offsets[0]._42);
    EXPECT_EQ(-2.0f, offsets[1]._42);
    EXPECT_EQ(1.0f, offsets[1]._11);

    ID3DXMesh* original = nullptr;
    ASSERT_EQ(D3D_OK, m_Skin->GetOriginalMesh(&original));
    EXPECT_EQ(static_cast<DWORD>(D3DFVF_XYZ), original->GetFVF());
    EXPECT_EQ(4u, original->GetNumVertices());
    original->Release();
}

TEST_F(D3DXSkinMeshTest, ConvertsToTheBlendedVertexWithBoneKInByteK)
{
    ASSERT_EQ(D3D_OK, Load(TwoBoneQuad()));
    DWORD combinations = 0;
    LPD3DXBUFFER table = nullptr;
    std::vector<DWORD> adjacencyOut(6, 0);
    ASSERT_EQ(D3D_OK, m_Skin->ConvertToIndexedBlendedMesh(
                          0, static_cast<const DWORD*>(m_Adjacency->GetBufferPointer()), 2, adjacencyOut.data(),
                          &combinations, &table, nullptr, nullptr, &m_Blended));
    EXPECT_EQ(48u, m_Blended->GetNumBytesPerVertex());
    EXPECT_EQ(kBlendedVertexFvf, m_Blended->GetFVF());
    EXPECT_EQ(2u, m_Blended->GetNumFaces());
    EXPECT_EQ(1u, combinations);
    ASSERT_NE(nullptr, table);
    table->Release();
    EXPECT_EQ(0, std::memcmp(adjacencyOut.data(), m_Adjacency->GetBufferPointer(), 6 * sizeof(DWORD)));

    const D3DXBlendedVertex upperOnly = At(0.0f, 0.0f);
    EXPECT_FLOAT_EQ(1.0f, upperOnly.weights[0]);
    EXPECT_EQ(0x00000000u, upperOnly.indices);
    const D3DXBlendedVertex lowerOnly = At(1.0f, 1.0f);
    EXPECT_FLOAT_EQ(1.0f, lowerOnly.weights[0]);
    EXPECT_EQ(0x00000001u, lowerOnly.indices);
    const D3DXBlendedVertex shared = At(0.0f, 1.0f);
    EXPECT_FLOAT_EQ(0.75f, shared.weights[0]);
    EXPECT_FLOAT_EQ(0.25f, shared.weights[1]);
    EXPECT_FLOAT_EQ(0.0f, shared.weights[2]);
    EXPECT_EQ(0x00000100u, shared.indices);

    // Faces keep their corners' places.
    ID3DXMesh* original = nullptr;
    ASSERT_EQ(D3D_OK, m_Skin->GetOriginalMesh(&original));
    BYTE* from = nullptr;
    ASSERT_EQ(D3D_OK, original->LockVertexBuffer(D3DLOCK_READONLY, &from));
    const std::vector<D3DXBlendedVertex> blended = BlendedVertices();
    for (size_t i = 0; i < blended.size(); ++i)
        EXPECT_EQ(0, std::memcmp(from + i * sizeof(D3DXVECTOR3), &blended[i].position, sizeof(D3DXVECTOR3)));
    original->UnlockVertexBuffer();
    original->Release();
}

TEST_F(D3DXSkinMeshTest, KeepsTheFourLargestWeightsRenormalised)
{
    ASSERT_EQ(D3D_OK, Load(FiveInfluenceQuad()));
    ASSERT_EQ(D3D_OK, Convert(5));
    const D3DXBlendedVertex vertex = At(0.0f, 0.0f);
    // 0.4 (bone 1), 0.25 (bone 4), 0.2 (bone 2), 0.1 (bone 0); 0.05 dropped.
    EXPECT_FLOAT_EQ(0.4f / 0.95f, vertex.weights[0]);
    EXPECT_FLOAT_EQ(0.25f / 0.95f, vertex.weights[1]);
    EXPECT_FLOAT_EQ(0.2f / 0.95f, vertex.weights[2]);
    EXPECT_NEAR(0.1f / 0.95f, 1.0f - vertex.weights[0] - vertex.weights[1] - vertex.weights[2], 1e-6f);
    EXPECT_EQ(0x00020401u, vertex.indices);

    // A vertex no bone weighs goes wholly to bone 0.
    const D3DXBlendedVertex unweighed = At(1.0f, 0.0f);
    EXPECT_FLOAT_EQ(1.0f, unweighed.weights[0]);
    EXPECT_EQ(0u, unweighed.indices);
}

TEST_F(D3DXSkinMeshTest, RefusesMoreBonesThanThePaletteHolds)
{
    ASSERT_EQ(D3D_OK, Load(ManyBoneQuad(20)));
    EXPECT_EQ(D3D_OK, Convert(20));
    ReleaseAndClear(m_Blended);
    EXPECT_NE(D3D_OK, Convert(19));
    EXPECT_EQ(nullptr, m_Blended);

    ASSERT_EQ(D3D_OK, Load(ManyBoneQuad(21)));
    EXPECT_EQ(21u, m_Skin->GetNumBones());
    EXPECT_NE(D3D_OK, Convert(21));
    EXPECT_EQ(nullptr, m_Blended);
}

TEST_F(D3DXSkinMeshTest, MeshWithoutSkinHasNoBonesAndConvertsToBoneZero)
{
    ASSERT_EQ(D3D_OK, Load(std::string("xof 0302txt 0032\n") + kQuad + "}\n"));
    EXPECT_EQ(0u, m_Skin->GetNumBones());
    EXPECT_EQ(0u, m_BoneNames->GetBufferSize());
    EXPECT_EQ(0u, m_BoneOffsets->GetBufferSize());
    ASSERT_EQ(D3D_OK, Convert(0));
    for (const D3DXBlendedVertex& vertex : BlendedVertices()) {
        EXPECT_FLOAT_EQ(1.0f, vertex.weights[0]);
        EXPECT_EQ(0u, vertex.indices);
    }
}

TEST_F(D3DXSkinMeshTest, MismatchedHeaderFailsTheLoad)
{
    std::string text = TwoBoneQuad();
    text.replace(text.find("{ 2; 4; 2; }"), 12, "{ 2; 4; 3; }");
    EXPECT_NE(D3D_OK, Load(text));
    EXPECT_EQ(nullptr, m_Skin);
    EXPECT_EQ(nullptr, m_BoneNames);
    EXPECT_EQ(nullptr, m_Adjacency);
}

// The reader refuses such files itself; these trees stand for data that got
// past it.
struct MalformedSkin {
    const char* what;
    std::vector<DWORD> vertexIndices;
    std::vector<float> weights;
};

TEST_F(D3DXSkinMeshTest, MalformedSkinWeightsFailCleanly)
{
    const MalformedSkin cases[] = {
        {"index past the vertices", {0, 4}, {1.0f, 1.0f}},
        {"fewer weights than indices", {0, 1}, {1.0f}},
        {"more weights than indices", {0}, {1.0f, 0.5f}},
    };
    for (const MalformedSkin& malformed : cases) {
        SCOPED_TRACE(malformed.what);
        XFileObject mesh("Mesh", "Quad", 1);
        mesh.SetValue(XFileMesh{{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}}, {{0, 1, 2}}});
        auto skin = std::make_unique<XFileObject>("SkinWeights", "", 2);
        XFileSkinWeights weights = {"Bone", malformed.vertexIndices, malformed.weights, {}};
        skin->SetValue(weights);
        mesh.AddChild(std::move(skin));

        LPD3DXBUFFER names = nullptr;
        ID3DXSkinMesh* loaded = nullptr;
        EXPECT_NE(D3D_OK, D3DXLoadSkinMeshFromXFileObject(mesh, 0, m_Device.Get(), nullptr, nullptr, nullptr, &names,
                                                          nullptr, &loaded));
        EXPECT_EQ(nullptr, loaded);
        EXPECT_EQ(nullptr, names);
    }
}

} // namespace
