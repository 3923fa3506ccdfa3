#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/xfile/DXFile.h"
#include "platform/xfile/XFileSamples.h"
#include "support/TempDir.h"

namespace {

// Reads a GetData block field by field, as a caller of DirectX File does.
class PackedReader {
public:
    PackedReader(const void* data, DWORD size) : m_Data(static_cast<const BYTE*>(data)), m_Size(size) {}

    DWORD Dword() { return Read<DWORD>(); }
    WORD Word() { return Read<WORD>(); }
    float Float() { return Read<float>(); }
    std::string String() { return Read<const char*>(); }
    DWORD Left() const { return m_Size - m_At; }

private:
    template <class T>
    T Read()
    {
        T value{};
        EXPECT_LE(m_At + sizeof(T), m_Size);
        if (m_At + sizeof(T) > m_Size)
            return value;
        std::memcpy(&value, m_Data + m_At, sizeof(T));
        m_At += sizeof(T);
        return value;
    }

    const BYTE* m_Data;
    DWORD m_Size;
    DWORD m_At = 0;
};

class DirectXFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_Dir.Write("Assets/Meshes/Cube.x", CUBE_X);
        m_Dir.Write("Assets/Meshes/Walk.x", ANIMATION_X);
        m_Dir.Write("Assets/Meshes/Skin.x", SKIN_X);
        m_Dir.Write("Assets/Meshes/Broken.x", "xof 0302txt 0032\nFrame A { {Missing} }\n");
        ASSERT_EQ(DXFILE_OK, DirectXFileCreate(&m_File));
    }

    void TearDown() override
    {
        if (m_File)
            m_File->Release();
    }

    // The file's top-level data objects, in order.
    std::vector<IDirectXFileData*> Enumerate(const char* gamePath)
    {
        std::vector<IDirectXFileData*> objects;
        IDirectXFileEnumObject* enumObject = nullptr;
        EXPECT_EQ(DXFILE_OK, m_File->CreateEnumObject(const_cast<char*>(gamePath), DXFILELOAD_FROMFILE, &enumObject));
        if (!enumObject)
            return objects;
        IDirectXFileData* data = nullptr;
        while (SUCCEEDED(enumObject->GetNextDataObject(&data)))
            objects.push_back(data);
        EXPECT_EQ(nullptr, data);
        EXPECT_EQ(DXFILEERR_NOMOREOBJECTS, enumObject->GetNextDataObject(&data));
        enumObject->Release();
        return objects;
    }

    static void ReleaseAll(const std::vector<IDirectXFileData*>& objects)
    {
        for (IDirectXFileData* object : objects)
            object->Release();
    }

    TempDir m_Dir;
    ScopedWorkingDir m_Cwd{m_Dir.Path()};
    IDirectXFile* m_File = nullptr;
};

std::string NameOf(IDirectXFileObject* object)
{
    DWORD size = 0;
    EXPECT_EQ(DXFILE_OK, object->GetName(nullptr, &size));
    if (size == 0)
        return "";
    std::string name(size, '?');
    EXPECT_EQ(DXFILE_OK, object->GetName(&name[0], &size));
    EXPECT_EQ(name.size(), size);
    name.pop_back();  // the NUL
    return name;
}

bool IsType(IDirectXFileData* data, REFGUID type)
{
    const GUID* actual = nullptr;
    EXPECT_EQ(DXFILE_OK, data->GetType(&actual));
    return actual != nullptr && IsEqualGUID(*actual, type);
}

PackedReader DataOf(IDirectXFileData* data)
{
    DWORD size = 0;
    void* bytes = nullptr;
    EXPECT_EQ(DXFILE_OK, data->GetData(nullptr, &size, &bytes));
    return PackedReader(bytes, size);
}

// The next child as a data object (null when it is not one).
IDirectXFileData* NextData(IDirectXFileData* parent)
{
    IDirectXFileObject* child = nullptr;
    EXPECT_EQ(DXFILE_OK, parent->GetNextObject(&child));
    if (!child)
        return nullptr;
    IDirectXFileData* data = nullptr;
    child->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(&data));
    child->Release();
    return data;
}

TEST_F(DirectXFileTest, WalksACubeThroughTheGamePathWithItsPackedData)
{
    const std::vector<IDirectXFileData*> objects = Enumerate("assets\\MESHES\\cube.X");
    ASSERT_EQ(2u, objects.size());
    EXPECT_TRUE(IsType(objects[0], TID_D3DRMMaterial));
    EXPECT_EQ("Red", NameOf(objects[0]));

    IDirectXFileData* mesh = objects[1];
    EXPECT_TRUE(IsType(mesh, TID_D3DRMMesh));
    EXPECT_FALSE(IsType(mesh, TID_D3DRMFrame));
    EXPECT_EQ("Cube", NameOf(mesh));
    PackedReader vertices = DataOf(mesh);
    ASSERT_EQ(8u, vertices.Dword());
    EXPECT_EQ(-1.0f, vertices.Float());
    for (int i = 0; i < 8 * 3 - 2; ++i)
        vertices.Float();
    EXPECT_EQ(1.0f, vertices.Float());  // the last vertex's z
    ASSERT_EQ(6u, vertices.Dword());
    EXPECT_EQ(4u, vertices.Dword());
    EXPECT_EQ(0u, vertices.Dword());
    EXPECT_EQ(3u, vertices.Dword());
    for (int i = 0; i < 2 + 5 * 5; ++i)
        vertices.Dword();
    EXPECT_EQ(0u, vertices.Left());

    IDirectXFileData* normals = NextData(mesh);
    ASSERT_TRUE(normals);
    EXPECT_TRUE(IsType(normals, TID_D3DRMMeshNormals));
    EXPECT_EQ("", NameOf(normals));
    EXPECT_EQ(6u, DataOf(normals).Dword());
    normals->Release();

    IDirectXFileData* coords = NextData(mesh);
    ASSERT_TRUE(coords);
    EXPECT_TRUE(IsType(coords, TID_D3DRMMeshTextureCoords));
    PackedReader uv = DataOf(coords);
    EXPECT_EQ(8u, uv.Dword());
    EXPECT_EQ(8u * 2 * sizeof(float), uv.Left());
    coords->Release();

    IDirectXFileData* list = NextData(mesh);
    ASSERT_TRUE(list);
    EXPECT_TRUE(IsType(list, TID_D3DRMMeshMaterialList));
    PackedReader indices = DataOf(list);
    EXPECT_EQ(2u, indices.Dword());
    EXPECT_EQ(6u, indices.Dword());
    EXPECT_EQ(0u, indices.Dword());
    EXPECT_EQ(0u, indices.Dword());
    EXPECT_EQ(1u, indices.Dword());

    // The first material is a reference: it is no data object until resolved.
    IDirectXFileObject* child = nullptr;
    ASSERT_EQ(DXFILE_OK, list->GetNextObject(&child));
    IDirectXFileData* notData = nullptr;
    EXPECT_EQ(E_NOINTERFACE, child->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(&notData)));
    EXPECT_EQ(nullptr, notData);
    IDirectXFileDataReference* reference = nullptr;
    ASSERT_EQ(DXFILE_OK,
              child->QueryInterface(IID_IDirectXFileDataReference, reinterpret_cast<void**>(&reference)));
    child->Release();
    EXPECT_EQ("Red", NameOf(reference));
    IDirectXFileData* red = nullptr;
    ASSERT_EQ(DXFILE_OK, reference->Resolve(&red));
    reference->Release();
    EXPECT_TRUE(IsType(red, TID_D3DRMMaterial));
    EXPECT_EQ(objects[0]->GetXFileObject(), red->GetXFileObject());
    PackedReader redData = DataOf(red);
    EXPECT_EQ(44u, redData.Left());
    EXPECT_EQ(1.0f, redData.Float());
    red->Release();

    IDirectXFileData* blue = NextData(list);
    ASSERT_TRUE(blue);
    PackedReader blueData = DataOf(blue);
    for (int i = 0; i < 4 + 1 + 3; ++i)
        blueData.Float();
    EXPECT_EQ(0.25f, blueData.Float());  // emissive red
    IDirectXFileData* texture = NextData(blue);
    ASSERT_TRUE(texture);
    EXPECT_TRUE(IsType(texture, TID_D3DRMTextureFilename));
    PackedReader name = DataOf(texture);
    EXPECT_EQ("Assets\\Textures\\Test1.png", name.String());
    EXPECT_EQ(0u, name.Left());
    texture->Release();
    blue->Release();

    EXPECT_EQ(DXFILEERR_NOMOREOBJECTS, list->GetNextObject(&child));
    EXPECT_EQ(nullptr, child);
    list->Release();
    EXPECT_EQ(DXFILEERR_NOMOREOBJECTS, mesh->GetNextObject(&child));
    ReleaseAll(objects);
}

TEST_F(DirectXFileTest, GivesAnimationKeysAndSkinWeightsInTheirLayouts)
{
    const std::vector<IDirectXFileData*> walk = Enumerate("Assets\\Meshes\\Walk.x");
    ASSERT_EQ(2u, walk.size());
    EXPECT_TRUE(IsType(walk[0], TID_D3DRMAnimationSet));
    EXPECT_TRUE(IsType(walk[1], TID_D3DRMFrame));
    IDirectXFileData* animation = NextData(walk[0]);
    ASSERT_TRUE(animation);
    EXPECT_TRUE(IsType(animation, TID_D3DRMAnimation));
    EXPECT_EQ("WalkBone", NameOf(animation));

    IDirectXFileObject* bone = nullptr;
    ASSERT_EQ(DXFILE_OK, animation->GetNextObject(&bone));
    EXPECT_EQ("Bone", NameOf(bone));
    bone->Release();

    IDirectXFileData* rotation = NextData(animation);
    ASSERT_TRUE(rotation);
    EXPECT_TRUE(IsType(rotation, TID_D3DRMAnimationKey));
    PackedReader keys = DataOf(rotation);
    EXPECT_EQ(0u, keys.Dword());     // key type
    EXPECT_EQ(2u, keys.Dword());     // keys
    EXPECT_EQ(0u, keys.Dword());     // time
    EXPECT_EQ(4u, keys.Dword());     // values
    EXPECT_EQ(1.0f, keys.Float());   // w
    EXPECT_EQ(0.5f, keys.Float());   // x
    keys.Float();
    keys.Float();
    EXPECT_EQ(1000u, keys.Dword());
    EXPECT_EQ(4u, keys.Dword());
    EXPECT_EQ(4 * sizeof(float), keys.Left());
    rotation->Release();

    for (int skipped = 0; skipped < 2; ++skipped)
        NextData(animation)->Release();
    IDirectXFileData* options = NextData(animation);
    ASSERT_TRUE(options);
    EXPECT_TRUE(IsType(options, TID_D3DRMAnimationOptions));
    PackedReader flags = DataOf(options);
    EXPECT_EQ(0u, flags.Dword());
    EXPECT_EQ(1u, flags.Dword());
    options->Release();
    animation->Release();
    ReleaseAll(walk);

    const std::vector<IDirectXFileData*> skin = Enumerate("Assets\\Meshes\\Skin.x");
    ASSERT_EQ(2u, skin.size());
    IDirectXFileData* header = NextData(skin[1]);
    ASSERT_TRUE(header);
    EXPECT_TRUE(IsType(header, DXFILEOBJ_XSkinMeshHeader));
    PackedReader counts = DataOf(header);
    EXPECT_EQ(2, counts.Word());
    EXPECT_EQ(3, counts.Word());
    EXPECT_EQ(1, counts.Word());
    EXPECT_EQ(0u, counts.Left());
    header->Release();

    IDirectXFileData* weights = NextData(skin[1]);
    ASSERT_TRUE(weights);
    EXPECT_TRUE(IsType(weights, DXFILEOBJ_SkinWeights));
    PackedReader bone0 = DataOf(weights);
    EXPECT_EQ("Bone", bone0.String());
    EXPECT_EQ(2u, bone0.Dword());
    EXPECT_EQ(0u, bone0.Dword());
    EXPECT_EQ(2u, bone0.Dword());
    EXPECT_EQ(0.25f, bone0.Float());
    EXPECT_EQ(1.0f, bone0.Float());
    EXPECT_EQ(16 * sizeof(float), bone0.Left());
    weights->Release();
    ReleaseAll(skin);
}

// Callers release in any order: what GetData gave stays valid while any
// object of the file is held.
TEST_F(DirectXFileTest, ObjectsOutliveTheirEnumeratorAndFileObject)
{
    std::vector<IDirectXFileData*> objects = Enumerate("Assets\\Meshes\\Skin.x");
    ASSERT_EQ(2u, objects.size());
    m_File->Release();
    m_File = nullptr;
    IDirectXFileData* weights = nullptr;
    NextData(objects[1])->Release();
    weights = NextData(objects[1]);
    ReleaseAll(objects);
    ASSERT_TRUE(weights);
    EXPECT_EQ(2u, weights->AddRef());
    EXPECT_EQ(1u, weights->Release());
    EXPECT_EQ("Bone", DataOf(weights).String());
    EXPECT_EQ(0u, weights->Release());
}

TEST_F(DirectXFileTest, FailsWithoutAnObjectOnMissingOrMalformedFiles)
{
    IDirectXFileEnumObject* enumObject = reinterpret_cast<IDirectXFileEnumObject*>(1);
    char missing[] = "Assets\\Meshes\\None.x";
    EXPECT_EQ(DXFILEERR_FILENOTFOUND, m_File->CreateEnumObject(missing, DXFILELOAD_FROMFILE, &enumObject));
    EXPECT_EQ(nullptr, enumObject);
    char broken[] = "Assets\\Meshes\\Broken.x";
    EXPECT_EQ(DXFILEERR_BADDATAREFERENCE, m_File->CreateEnumObject(broken, DXFILELOAD_FROMFILE, &enumObject));
    EXPECT_EQ(nullptr, enumObject);
    EXPECT_EQ(DXFILEERR_BADVALUE, m_File->CreateEnumObject(nullptr, DXFILELOAD_FROMFILE, &enumObject));
}

TEST_F(DirectXFileTest, NamesNeedABufferLargeEnough)
{
    const std::vector<IDirectXFileData*> objects = Enumerate("Assets\\Meshes\\Cube.x");
    ASSERT_EQ(2u, objects.size());
    char small[4] = "...";
    DWORD size = sizeof(small);
    EXPECT_EQ(DXFILEERR_BADVALUE, objects[1]->GetName(small, &size));  // "Cube" needs 5
    EXPECT_STREQ("...", small);
    char exact[5];
    size = sizeof(exact);
    EXPECT_EQ(DXFILE_OK, objects[1]->GetName(exact, &size));
    EXPECT_STREQ("Cube", exact);
    EXPECT_EQ(5u, size);
    DWORD dataSize = 0;
    void* data = nullptr;
    EXPECT_EQ(DXFILEERR_BADVALUE, objects[1]->GetData("nVertices", &dataSize, &data));
    ReleaseAll(objects);
}

TEST_F(DirectXFileTest, RegistersTheStandardTemplatesOnly)
{
    EXPECT_EQ(DXFILE_OK, m_File->RegisterTemplates(const_cast<char*>(D3DRM_XTEMPLATES), D3DRM_XTEMPLATE_BYTES));
    std::string withData = std::string(D3DRM_XTEMPLATES) + "Frame A { }\n";
    EXPECT_EQ(DXFILEERR_PARSEERROR, m_File->RegisterTemplates(&withData[0], static_cast<DWORD>(withData.size())));
    std::string binary = "xof 0302bin 0064";
    EXPECT_EQ(DXFILEERR_BADFILETYPE, m_File->RegisterTemplates(&binary[0], static_cast<DWORD>(binary.size())));
    EXPECT_EQ(DXFILEERR_BADVALUE, m_File->RegisterTemplates(nullptr, 0));
}

} // namespace
