#include "platform/d3dx8/D3DX8Mesh.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/d3d8/FvfLayout.h"
#include "platform/d3dx8/MeshTopology.h"

namespace {

constexpr DWORD kCornersPerFace = 3;
constexpr DWORD kLargest16BitVertexCount = 0xFFFF;
constexpr UINT kShortIndexSize = 2;
constexpr UINT kLongIndexSize = 4;
constexpr UINT kFloatSize = 4;
constexpr UINT kColourSize = 4;
constexpr UINT kTexCoordSetSize = 2 * kFloatSize;
constexpr UINT kPositionSize = 3 * kFloatSize;
constexpr UINT kPretransformedPositionSize = 4 * kFloatSize;

struct UsageFlag {
    DWORD meshOption;
    DWORD usage;
};

const UsageFlag kVertexUsage[] = {
    {D3DXMESH_VB_WRITEONLY, D3DUSAGE_WRITEONLY},
    {D3DXMESH_VB_DYNAMIC, D3DUSAGE_DYNAMIC},
    {D3DXMESH_VB_SOFTWAREPROCESSING, D3DUSAGE_SOFTWAREPROCESSING},
    {D3DXMESH_DONOTCLIP, D3DUSAGE_DONOTCLIP},
    {D3DXMESH_POINTS, D3DUSAGE_POINTS},
};

const UsageFlag kIndexUsage[] = {
    {D3DXMESH_IB_WRITEONLY, D3DUSAGE_WRITEONLY},
    {D3DXMESH_IB_DYNAMIC, D3DUSAGE_DYNAMIC},
    {D3DXMESH_IB_SOFTWAREPROCESSING, D3DUSAGE_SOFTWAREPROCESSING},
    {D3DXMESH_DONOTCLIP, D3DUSAGE_DONOTCLIP},
    {D3DXMESH_POINTS, D3DUSAGE_POINTS},
};

template <size_t N>
DWORD UsageOf(DWORD options, const UsageFlag (&flags)[N])
{
    DWORD usage = 0;
    for (const UsageFlag& flag : flags) {
        if (options & flag.meshOption)
            usage |= flag.usage;
    }
    return usage;
}

D3DPOOL PoolOf(DWORD options, DWORD systemMemory, DWORD managed)
{
    if (options & systemMemory)
        return D3DPOOL_SYSTEMMEM;
    if (options & managed)
        return D3DPOOL_MANAGED;
    return D3DPOOL_DEFAULT;
}

UINT PositionSize(const FvfLayout& layout)
{
    return layout.pretransformed ? kPretransformedPositionSize : kPositionSize;
}

void CopyPart(uint8_t* to, UINT toOffset, const uint8_t* from, UINT fromOffset, UINT size)
{
    std::memcpy(to + toOffset, from + fromOffset, size);
}

// One vertex from one layout into another whose bytes are zero: what both
// have is copied.
void ConvertVertex(const uint8_t* from, const FvfLayout& source, uint8_t* to, const FvfLayout& target)
{
    CopyPart(to, 0, from, 0, std::min(PositionSize(source), PositionSize(target)));
    if (source.hasNormal && target.hasNormal)
        CopyPart(to, target.normalOffset, from, source.normalOffset, 3 * kFloatSize);
    if (source.hasPointSize && target.hasPointSize)
        CopyPart(to, target.pointSizeOffset, from, source.pointSizeOffset, kFloatSize);
    if (source.hasDiffuse && target.hasDiffuse)
        CopyPart(to, target.diffuseOffset, from, source.diffuseOffset, kColourSize);
    if (source.hasSpecular && target.hasSpecular)
        CopyPart(to, target.specularOffset, from, source.specularOffset, kColourSize);
    const UINT sets = std::min(source.texCoordCount, target.texCoordCount);
    CopyPart(to, target.texCoordOffset, from, source.texCoordOffset, sets * kTexCoordSetSize);
}

class D3DXMeshObject final : public RefCounted<ID3DXMesh> {
public:
    static HRESULT Create(DWORD numFaces, DWORD numVertices, DWORD options, DWORD fvf, IDirect3DDevice8* device,
                          ID3DXMesh** mesh)
    {
        return CreateWithLayout(numFaces, numVertices, options, fvf, DecodeFvf(fvf), device, mesh);
    }

    static HRESULT CreateWithLayout(DWORD numFaces, DWORD numVertices, DWORD options, DWORD fvf,
                                    const FvfLayout& layout, IDirect3DDevice8* device, ID3DXMesh** mesh)
    {
        if (mesh == nullptr)
            return D3DERR_INVALIDCALL;
        *mesh = nullptr;
        if (device == nullptr || numFaces == 0 || numVertices == 0 || !layout.valid)
            return D3DERR_INVALIDCALL;
        if (numVertices > kLargest16BitVertexCount)
            options |= D3DXMESH_32BIT;
        D3DXMeshObject* created = new D3DXMeshObject(device, options, fvf, layout, numFaces, numVertices);
        // The device refuses buffers beyond its limit, so the attributes are
        // only allocated once the index buffer shows the face count is sane.
        const HRESULT result = created->CreateBuffers();
        if (FAILED(result)) {
            created->Release();
            return result;
        }
        created->m_Attributes.assign(numFaces, 0);
        *mesh = created;
        return D3D_OK;
    }

    // IUnknown

    // ID3DXMesh
    HRESULT DrawSubset(DWORD attribId) override;
    DWORD GetNumFaces() override { return m_NumFaces; }
    DWORD GetNumVertices() override { return m_NumVertices; }
    DWORD GetFVF() override { return m_Fvf; }
    DWORD GetNumBytesPerVertex() override { return m_Layout.size; }
    HRESULT CloneMeshFVF(DWORD options, DWORD fvf, IDirect3DDevice8* device, ID3DXMesh** cloneMesh) override;
    HRESULT GetVertexBuffer(IDirect3DVertexBuffer8** vertexBuffer) override;
    HRESULT GetIndexBuffer(IDirect3DIndexBuffer8** indexBuffer) override;
    HRESULT LockVertexBuffer(DWORD flags, BYTE** data) override;
    HRESULT UnlockVertexBuffer() override;
    HRESULT LockIndexBuffer(DWORD flags, BYTE** data) override;
    HRESULT UnlockIndexBuffer() override;
    HRESULT LockAttributeBuffer(DWORD flags, DWORD** data) override;
    HRESULT UnlockAttributeBuffer() override;
    HRESULT GetAttributeTable(D3DXATTRIBUTERANGE* table, DWORD* size) override;
    HRESULT GenerateAdjacency(FLOAT epsilon, DWORD* adjacency) override;
    HRESULT OptimizeInplace(DWORD flags, const DWORD* adjacencyIn, DWORD* adjacencyOut, DWORD* faceRemap,
                            LPD3DXBUFFER* vertexRemap) override;

private:
    D3DXMeshObject(IDirect3DDevice8* device, DWORD options, DWORD fvf, const FvfLayout& layout, DWORD numFaces,
                   DWORD numVertices)
        : m_Device(device),
          m_Options(options),
          m_Fvf(fvf),
          m_Layout(layout),
          m_NumFaces(numFaces),
          m_NumVertices(numVertices)
    {
        m_Device->AddRef();
    }

    ~D3DXMeshObject() override
    {
        if (m_VertexBuffer != nullptr)
            m_VertexBuffer->Release();
        if (m_IndexBuffer != nullptr)
            m_IndexBuffer->Release();
        m_Device->Release();
    }

    UINT IndexSize() const { return (m_Options & D3DXMESH_32BIT) ? kLongIndexSize : kShortIndexSize; }
    bool IsLocked() const { return m_VertexLocked || m_IndexLocked || m_AttributesLocked; }
    // Ends a lock of the indices or the attributes; false when there was none.
    bool EndFaceLock(bool& locked, DWORD lockFlags);

    HRESULT CreateVertexBuffer(DWORD numVertices, IDirect3DVertexBuffer8** buffer) const;
    HRESULT CreateBuffers();
    HRESULT ReadIndices(std::vector<DWORD>& indices);
    HRESULT WriteIndices(const std::vector<DWORD>& indices);
    HRESULT ReadPositions(std::vector<D3DXVECTOR3>& positions);
    HRESULT ReorderVertices(const std::vector<DWORD>& vertexOrder);
    HRESULT ConvertVerticesInto(D3DXMeshObject& target);
    HRESULT RenumberAdjacency(const DWORD* adjacencyIn, const std::vector<DWORD>& faceOrder, DWORD* adjacencyOut);
    HRESULT ApplyOrder(const MeshOrder& order, const std::vector<DWORD>& indices, DWORD flags);
    HRESULT DrawFaces(DWORD firstFace, DWORD faceCount, DWORD firstVertex, DWORD vertexCount);

    IDirect3DDevice8* m_Device;
    DWORD m_Options;
    DWORD m_Fvf;
    FvfLayout m_Layout;
    DWORD m_NumFaces;
    DWORD m_NumVertices;
    IDirect3DVertexBuffer8* m_VertexBuffer = nullptr;
    IDirect3DIndexBuffer8* m_IndexBuffer = nullptr;
    std::vector<DWORD> m_Attributes;
    std::vector<D3DXATTRIBUTERANGE> m_AttributeTable;
    bool m_VertexLocked = false;
    bool m_IndexLocked = false;
    bool m_AttributesLocked = false;
    DWORD m_IndexLockFlags = 0;
    DWORD m_AttributeLockFlags = 0;
};

HRESULT D3DXMeshObject::CreateVertexBuffer(DWORD numVertices, IDirect3DVertexBuffer8** buffer) const
{
    const uint64_t length = static_cast<uint64_t>(numVertices) * m_Layout.size;
    if (length > UINT32_MAX)
        return D3DERR_INVALIDCALL;
    return m_Device->CreateVertexBuffer(static_cast<UINT>(length), UsageOf(m_Options, kVertexUsage), m_Fvf,
                                        PoolOf(m_Options, D3DXMESH_VB_SYSTEMMEM, D3DXMESH_VB_MANAGED), buffer);
}

HRESULT D3DXMeshObject::CreateBuffers()
{
    const HRESULT vertexResult = CreateVertexBuffer(m_NumVertices, &m_VertexBuffer);
    if (FAILED(vertexResult))
        return vertexResult;
    const uint64_t indexLength = static_cast<uint64_t>(m_NumFaces) * kCornersPerFace * IndexSize();
    if (indexLength > UINT32_MAX)
        return D3DERR_INVALIDCALL;
    const D3DFORMAT format = IndexSize() == kLongIndexSize ? D3DFMT_INDEX32 : D3DFMT_INDEX16;
    return m_Device->CreateIndexBuffer(static_cast<UINT>(indexLength), UsageOf(m_Options, kIndexUsage), format,
                                       PoolOf(m_Options, D3DXMESH_IB_SYSTEMMEM, D3DXMESH_IB_MANAGED),
                                       &m_IndexBuffer);
}

// Every index is checked against the vertex count: the buffer is the
// caller's to write, and what it holds decides where later steps read.
HRESULT D3DXMeshObject::ReadIndices(std::vector<DWORD>& indices)
{
    BYTE* data = nullptr;
    const HRESULT result = m_IndexBuffer->Lock(0, 0, &data, D3DLOCK_READONLY);
    if (FAILED(result))
        return result;
    indices.resize(static_cast<size_t>(m_NumFaces) * kCornersPerFace);
    bool inRange = true;
    for (size_t i = 0; i < indices.size(); ++i) {
        if (IndexSize() == kShortIndexSize) {
            uint16_t shortIndex = 0;
            std::memcpy(&shortIndex, data + i * kShortIndexSize, sizeof(shortIndex));
            indices[i] = shortIndex;
        } else {
            std::memcpy(&indices[i], data + i * kLongIndexSize, sizeof(DWORD));
        }
        inRange = inRange && indices[i] < m_NumVertices;
    }
    m_IndexBuffer->Unlock();
    return inRange ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT D3DXMeshObject::WriteIndices(const std::vector<DWORD>& indices)
{
    BYTE* data = nullptr;
    const HRESULT result = m_IndexBuffer->Lock(0, 0, &data, 0);
    if (FAILED(result))
        return result;
    for (size_t i = 0; i < indices.size(); ++i) {
        if (IndexSize() == kShortIndexSize) {
            const uint16_t shortIndex = static_cast<uint16_t>(indices[i]);
            std::memcpy(data + i * kShortIndexSize, &shortIndex, sizeof(shortIndex));
        } else {
            std::memcpy(data + i * kLongIndexSize, &indices[i], sizeof(DWORD));
        }
    }
    return m_IndexBuffer->Unlock();
}

HRESULT D3DXMeshObject::ReadPositions(std::vector<D3DXVECTOR3>& positions)
{
    BYTE* data = nullptr;
    const HRESULT result = m_VertexBuffer->Lock(0, 0, &data, D3DLOCK_READONLY);
    if (FAILED(result))
        return result;
    positions.resize(m_NumVertices);
    for (DWORD vertex = 0; vertex < m_NumVertices; ++vertex)
        std::memcpy(&positions[vertex].x, data + static_cast<size_t>(vertex) * m_Layout.size, kPositionSize);
    return m_VertexBuffer->Unlock();
}

// Vertex i of the new order is old vertex vertexOrder[i]. A shorter order
// gets a buffer of its own size.
HRESULT D3DXMeshObject::ReorderVertices(const std::vector<DWORD>& vertexOrder)
{
    BYTE* data = nullptr;
    HRESULT result = m_VertexBuffer->Lock(0, 0, &data, D3DLOCK_READONLY);
    if (FAILED(result))
        return result;
    const UINT stride = m_Layout.size;
    std::vector<uint8_t> reordered(vertexOrder.size() * stride);
    for (size_t vertex = 0; vertex < vertexOrder.size(); ++vertex)
        std::memcpy(&reordered[vertex * stride], data + static_cast<size_t>(vertexOrder[vertex]) * stride, stride);
    m_VertexBuffer->Unlock();

    const DWORD numVertices = static_cast<DWORD>(vertexOrder.size());
    if (numVertices != m_NumVertices) {
        IDirect3DVertexBuffer8* smaller = nullptr;
        result = CreateVertexBuffer(numVertices, &smaller);
        if (FAILED(result))
            return result;
        m_VertexBuffer->Release();
        m_VertexBuffer = smaller;
        m_NumVertices = numVertices;
    }
    result = m_VertexBuffer->Lock(0, 0, &data, 0);
    if (FAILED(result))
        return result;
    std::memcpy(data, reordered.data(), reordered.size());
    return m_VertexBuffer->Unlock();
}

HRESULT D3DXMeshObject::ConvertVerticesInto(D3DXMeshObject& target)
{
    BYTE* from = nullptr;
    HRESULT result = m_VertexBuffer->Lock(0, 0, &from, D3DLOCK_READONLY);
    if (FAILED(result))
        return result;
    BYTE* to = nullptr;
    result = target.m_VertexBuffer->Lock(0, 0, &to, 0);
    if (SUCCEEDED(result)) {
        for (DWORD vertex = 0; vertex < m_NumVertices; ++vertex) {
            ConvertVertex(from + static_cast<size_t>(vertex) * m_Layout.size, m_Layout,
                          to + static_cast<size_t>(vertex) * target.m_Layout.size, target.m_Layout);
        }
        target.m_VertexBuffer->Unlock();
    }
    m_VertexBuffer->Unlock();
    return result;
}

HRESULT D3DXMeshObject::CloneMeshFVF(DWORD options, DWORD fvf, IDirect3DDevice8* device, ID3DXMesh** cloneMesh)
{
    if (cloneMesh == nullptr)
        return D3DERR_INVALIDCALL;
    *cloneMesh = nullptr;
    if (IsLocked())
        return D3DERR_INVALIDCALL;
    std::vector<DWORD> indices;
    HRESULT result = ReadIndices(indices);
    if (FAILED(result))
        return result;
    ID3DXMesh* created = nullptr;
    result = Create(m_NumFaces, m_NumVertices, options, fvf, device, &created);
    if (FAILED(result))
        return result;
    D3DXMeshObject& clone = *static_cast<D3DXMeshObject*>(created);
    result = ConvertVerticesInto(clone);
    if (SUCCEEDED(result))
        result = clone.WriteIndices(indices);
    if (FAILED(result)) {
        created->Release();
        return result;
    }
    clone.m_Attributes = m_Attributes;
    clone.m_AttributeTable = m_AttributeTable;
    *cloneMesh = created;
    return D3D_OK;
}

HRESULT D3DXMeshObject::GetVertexBuffer(IDirect3DVertexBuffer8** vertexBuffer)
{
    if (vertexBuffer == nullptr)
        return D3DERR_INVALIDCALL;
    m_VertexBuffer->AddRef();
    *vertexBuffer = m_VertexBuffer;
    return D3D_OK;
}

HRESULT D3DXMeshObject::GetIndexBuffer(IDirect3DIndexBuffer8** indexBuffer)
{
    if (indexBuffer == nullptr)
        return D3DERR_INVALIDCALL;
    m_IndexBuffer->AddRef();
    *indexBuffer = m_IndexBuffer;
    return D3D_OK;
}

HRESULT D3DXMeshObject::LockVertexBuffer(DWORD flags, BYTE** data)
{
    const HRESULT result = m_VertexBuffer->Lock(0, 0, data, flags);
    m_VertexLocked = m_VertexLocked || SUCCEEDED(result);
    return result;
}

HRESULT D3DXMeshObject::UnlockVertexBuffer()
{
    if (!m_VertexLocked)
        return D3DERR_INVALIDCALL;
    m_VertexLocked = false;
    return m_VertexBuffer->Unlock();
}

HRESULT D3DXMeshObject::LockIndexBuffer(DWORD flags, BYTE** data)
{
    const HRESULT result = m_IndexBuffer->Lock(0, 0, data, flags);
    if (SUCCEEDED(result)) {
        m_IndexLocked = true;
        m_IndexLockFlags = flags;
    }
    return result;
}

// New indices or attributes may leave the ranges of the attribute table, so
// a lock that could write drops it.
bool D3DXMeshObject::EndFaceLock(bool& locked, DWORD lockFlags)
{
    if (!locked)
        return false;
    locked = false;
    if ((lockFlags & D3DLOCK_READONLY) == 0)
        m_AttributeTable.clear();
    return true;
}

HRESULT D3DXMeshObject::UnlockIndexBuffer()
{
    if (!EndFaceLock(m_IndexLocked, m_IndexLockFlags))
        return D3DERR_INVALIDCALL;
    return m_IndexBuffer->Unlock();
}

HRESULT D3DXMeshObject::LockAttributeBuffer(DWORD flags, DWORD** data)
{
    if (data == nullptr || m_AttributesLocked)
        return D3DERR_INVALIDCALL;
    m_AttributesLocked = true;
    m_AttributeLockFlags = flags;
    *data = m_Attributes.data();
    return D3D_OK;
}

HRESULT D3DXMeshObject::UnlockAttributeBuffer()
{
    return EndFaceLock(m_AttributesLocked, m_AttributeLockFlags) ? D3D_OK : D3DERR_INVALIDCALL;
}

HRESULT D3DXMeshObject::GetAttributeTable(D3DXATTRIBUTERANGE* table, DWORD* size)
{
    if (size == nullptr)
        return D3DERR_INVALIDCALL;
    *size = static_cast<DWORD>(m_AttributeTable.size());
    if (table != nullptr)
        std::copy(m_AttributeTable.begin(), m_AttributeTable.end(), table);
    return D3D_OK;
}

HRESULT D3DXMeshObject::GenerateAdjacency(FLOAT epsilon, DWORD* adjacency)
{
    if (adjacency == nullptr || !(epsilon >= 0.0f) || IsLocked())
        return D3DERR_INVALIDCALL;
    std::vector<D3DXVECTOR3> positions;
    std::vector<DWORD> indices;
    HRESULT result = ReadPositions(positions);
    if (SUCCEEDED(result))
        result = ReadIndices(indices);
    if (FAILED(result))
        return result;
    const std::vector<DWORD> computed = ComputeMeshAdjacency(positions, indices, epsilon);
    std::copy(computed.begin(), computed.end(), adjacency);
    return D3D_OK;
}

// The caller's adjacency in the new face numbers; it is read whole before
// anything is written, so both pointers may be the same array.
HRESULT D3DXMeshObject::RenumberAdjacency(const DWORD* adjacencyIn, const std::vector<DWORD>& faceOrder,
                                          DWORD* adjacencyOut)
{
    const std::vector<DWORD> original(adjacencyIn, adjacencyIn + faceOrder.size() * kCornersPerFace);
    for (DWORD neighbour : original) {
        if (neighbour != D3DX_NO_NEIGHBOUR && neighbour >= m_NumFaces)
            return D3DERR_INVALIDCALL;
    }
    if (adjacencyOut == nullptr)
        return D3D_OK;
    const std::vector<DWORD> newFaceOf = InvertOrder(faceOrder, faceOrder.size());
    for (size_t face = 0; face < faceOrder.size(); ++face) {
        for (DWORD edge = 0; edge < kCornersPerFace; ++edge) {
            const DWORD neighbour = original[faceOrder[face] * kCornersPerFace + edge];
            adjacencyOut[face * kCornersPerFace + edge] =
                neighbour == D3DX_NO_NEIGHBOUR ? D3DX_NO_NEIGHBOUR : newFaceOf[neighbour];
        }
    }
    return D3D_OK;
}

// Faces, attributes and vertices in the new order; the attribute table
// when the faces were sorted.
HRESULT D3DXMeshObject::ApplyOrder(const MeshOrder& order, const std::vector<DWORD>& indices, DWORD flags)
{
    const std::vector<DWORD> newVertexOf = InvertOrder(order.vertexOrder, m_NumVertices);
    std::vector<DWORD> newIndices(indices.size());
    std::vector<DWORD> newAttributes(m_NumFaces);
    for (size_t face = 0; face < order.faceOrder.size(); ++face) {
        const DWORD old = order.faceOrder[face];
        newAttributes[face] = m_Attributes[old];
        for (DWORD corner = 0; corner < kCornersPerFace; ++corner)
            newIndices[face * kCornersPerFace + corner] = newVertexOf[indices[old * kCornersPerFace + corner]];
    }
    HRESULT result = ReorderVertices(order.vertexOrder);
    if (SUCCEEDED(result))
        result = WriteIndices(newIndices);
    if (FAILED(result))
        return result;
    m_Attributes = newAttributes;
    m_AttributeTable.clear();
    if (SortsByAttribute(flags))
        m_AttributeTable = BuildAttributeTable(newIndices, m_Attributes);
    return D3D_OK;
}

HRESULT D3DXMeshObject::OptimizeInplace(DWORD flags, const DWORD* adjacencyIn, DWORD* adjacencyOut,
                                        DWORD* faceRemap, LPD3DXBUFFER* vertexRemap)
{
    if (vertexRemap != nullptr)
        *vertexRemap = nullptr;
    if (IsLocked())
        return D3DERR_INVALIDCALL;
    std::vector<DWORD> indices;
    HRESULT result = ReadIndices(indices);
    if (FAILED(result))
        return result;
    const MeshOrder order = PlanMeshOrder(indices, m_Attributes, m_NumVertices, flags);
    if (adjacencyIn != nullptr) {
        result = RenumberAdjacency(adjacencyIn, order.faceOrder, adjacencyOut);
        if (FAILED(result))
            return result;
    }
    LPD3DXBUFFER remapBuffer = nullptr;
    if (vertexRemap != nullptr) {
        result = D3DXCreateBuffer(static_cast<DWORD>(order.vertexOrder.size() * sizeof(DWORD)), &remapBuffer);
        if (FAILED(result))
            return result;
        std::memcpy(remapBuffer->GetBufferPointer(), order.vertexOrder.data(), remapBuffer->GetBufferSize());
    }
    result = ApplyOrder(order, indices, flags);
    if (FAILED(result)) {
        if (remapBuffer != nullptr)
            remapBuffer->Release();
        return result;
    }
    if (adjacencyOut != nullptr && adjacencyIn == nullptr)
        GenerateAdjacency(0.0f, adjacencyOut);
    if (faceRemap != nullptr)
        std::copy(order.faceOrder.begin(), order.faceOrder.end(), faceRemap);
    if (vertexRemap != nullptr)
        *vertexRemap = remapBuffer;
    return D3D_OK;
}

HRESULT D3DXMeshObject::DrawFaces(DWORD firstFace, DWORD faceCount, DWORD firstVertex, DWORD vertexCount)
{
    return m_Device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, firstVertex, vertexCount, firstFace * kCornersPerFace,
                                          faceCount);
}

HRESULT D3DXMeshObject::DrawSubset(DWORD attribId)
{
    if (IsLocked())
        return D3DERR_INVALIDCALL;
    m_Device->SetVertexShader(m_Fvf);
    m_Device->SetStreamSource(0, m_VertexBuffer, m_Layout.size);
    m_Device->SetIndices(m_IndexBuffer, 0);
    if (!m_AttributeTable.empty()) {
        for (const D3DXATTRIBUTERANGE& range : m_AttributeTable) {
            if (range.AttribId == attribId)
                return DrawFaces(range.FaceStart, range.FaceCount, range.VertexStart, range.VertexCount);
        }
        return D3D_OK;
    }
    DWORD face = 0;
    while (face < m_NumFaces) {
        if (m_Attributes[face] != attribId) {
            ++face;
            continue;
        }
        const DWORD first = face;
        while (face < m_NumFaces && m_Attributes[face] == attribId)
            ++face;
        const HRESULT result = DrawFaces(first, face - first, 0, m_NumVertices);
        if (FAILED(result))
            return result;
    }
    return D3D_OK;
}

} // namespace

HRESULT D3DXCreateMeshFVF(DWORD numFaces, DWORD numVertices, DWORD options, DWORD fvf, IDirect3DDevice8* device,
                          ID3DXMesh** mesh)
{
    return D3DXMeshObject::Create(numFaces, numVertices, options, fvf, device, mesh);
}

HRESULT D3DXCreateMeshFVFStride(DWORD numFaces, DWORD numVertices, DWORD options, DWORD fvf, DWORD vertexSize,
                                IDirect3DDevice8* device, ID3DXMesh** mesh)
{
    FvfLayout positionsOnly;
    positionsOnly.valid = vertexSize >= kPositionSize;
    positionsOnly.size = vertexSize;
    return D3DXMeshObject::CreateWithLayout(numFaces, numVertices, options, fvf, positionsOnly, device, mesh);
}
