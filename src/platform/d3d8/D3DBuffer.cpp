#include "platform/d3d8/D3DBuffer.h"

#include <cstring>

#include "platform/d3d8/D3DDevice.h"
#include "platform/d3d8/FormatInfo.h"
#include "platform/d3d8/GlRenderer.h"

namespace {

// Far beyond any buffer the game makes; refusing it keeps a corrupt length
// from allocating gigabytes.
constexpr UINT kMaxBufferLength = 64 * 1024 * 1024;

} // namespace

IndexRange ScanIndexRange(const uint8_t* indices, UINT count, UINT indexSize)
{
    IndexRange range = {0xFFFFFFFF, 0};
    for (UINT i = 0; i < count; ++i) {
        uint32_t index = 0;
        if (indexSize == 2) {
            uint16_t shortIndex = 0;
            std::memcpy(&shortIndex, indices + i * 2, sizeof(shortIndex));
            index = shortIndex;
        } else {
            std::memcpy(&index, indices + i * 4, sizeof(index));
        }
        range.lowest = index < range.lowest ? index : range.lowest;
        range.highest = index > range.highest ? index : range.highest;
    }
    return range;
}

// ---------------------------------------------------------------------------

BufferData::BufferData(GlRenderer* renderer, UINT length, DWORD usage)
    : m_Renderer(renderer), m_Bytes(length, 0), m_Dynamic((usage & D3DUSAGE_DYNAMIC) != 0)
{
    if (m_Renderer == nullptr)
        return;
    m_GlBuffer = m_Renderer->CreateBuffer(length, m_Dynamic);
    m_Renderer->UploadBuffer(m_GlBuffer, 0, length, m_Bytes.data(), true, m_Dynamic);
}

BufferData::~BufferData()
{
    if (m_GlBuffer != 0)
        m_Renderer->DeleteBuffer(m_GlBuffer);
}

HRESULT BufferData::Lock(UINT offset, UINT size, BYTE** data, DWORD flags)
{
    if (data == nullptr || m_Locked)
        return D3DERR_INVALIDCALL;
    const UINT length = Length();
    if (offset > length || (size == 0 && offset == length && length > 0))
        return D3DERR_INVALIDCALL;
    if (size == 0)
        size = length - offset;
    if (size > length - offset)
        return D3DERR_INVALIDCALL;
    m_Locked = true;
    m_LockOffset = offset;
    m_LockSize = size;
    m_LockFlags = flags;
    *data = m_Bytes.data() + offset;
    return D3D_OK;
}

HRESULT BufferData::Unlock()
{
    if (!m_Locked)
        return D3DERR_INVALIDCALL;
    m_Locked = false;
    if ((m_LockFlags & D3DLOCK_READONLY) != 0)
        return D3D_OK;
    ++m_Version;
    if (m_GlBuffer == 0)
        return D3D_OK;
    if (m_LockFlags & D3DLOCK_DISCARD)
        m_Renderer->UploadBuffer(m_GlBuffer, 0, Length(), m_Bytes.data(), true, m_Dynamic);
    else
        m_Renderer->UploadBuffer(m_GlBuffer, m_LockOffset, m_LockSize, m_Bytes.data() + m_LockOffset, false,
                                 m_Dynamic);
    return D3D_OK;
}

// ---------------------------------------------------------------------------

D3DVertexBuffer::D3DVertexBuffer(D3DDevice& device, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool)
    : m_Child(device, this, pool),
      m_Data(pool == D3DPOOL_SYSTEMMEM ? nullptr : device.Renderer(), length, usage),
      m_Usage(usage),
      m_Fvf(fvf)
{
}

HRESULT D3DVertexBuffer::Create(D3DDevice& device, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                IDirect3DVertexBuffer8** buffer)
{
    if (buffer == nullptr)
        return D3DERR_INVALIDCALL;
    *buffer = nullptr;
    if (length == 0 || length > kMaxBufferLength || pool > D3DPOOL_SYSTEMMEM)
        return D3DERR_INVALIDCALL;
    *buffer = new D3DVertexBuffer(device, length, usage, fvf, pool);
    return D3D_OK;
}

ULONG D3DVertexBuffer::AddRef()
{
    return m_Child.AddReference();
}

ULONG D3DVertexBuffer::Release()
{
    const ULONG count = m_Child.ReleaseReference();
    if (count == 0)
        delete this;
    return count;
}

HRESULT D3DVertexBuffer::GetDevice(IDirect3DDevice8** device)
{
    return m_Child.GetDevice(device);
}

HRESULT D3DVertexBuffer::Lock(UINT offset, UINT size, BYTE** data, DWORD flags)
{
    return m_Data.Lock(offset, size, data, flags);
}

HRESULT D3DVertexBuffer::Unlock()
{
    return m_Data.Unlock();
}

HRESULT D3DVertexBuffer::GetDesc(D3DVERTEXBUFFER_DESC* desc)
{
    if (desc == nullptr)
        return D3DERR_INVALIDCALL;
    desc->Format = D3DFMT_VERTEXDATA;
    desc->Type = D3DRTYPE_VERTEXBUFFER;
    desc->Usage = m_Usage;
    desc->Pool = m_Child.Pool();
    desc->Size = m_Data.Length();
    desc->FVF = m_Fvf;
    return D3D_OK;
}

// ---------------------------------------------------------------------------

D3DIndexBuffer::D3DIndexBuffer(D3DDevice& device, UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool)
    : m_Child(device, this, pool),
      m_Data(pool == D3DPOOL_SYSTEMMEM ? nullptr : device.Renderer(), length, usage),
      m_Usage(usage),
      m_Format(format)
{
}

HRESULT D3DIndexBuffer::Create(D3DDevice& device, UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                               IDirect3DIndexBuffer8** buffer)
{
    if (buffer == nullptr)
        return D3DERR_INVALIDCALL;
    *buffer = nullptr;
    const UINT indexSize = ::IndexSize(format);
    if (indexSize == 0 || length < indexSize || length > kMaxBufferLength || pool > D3DPOOL_SYSTEMMEM)
        return D3DERR_INVALIDCALL;
    *buffer = new D3DIndexBuffer(device, length, usage, format, pool);
    return D3D_OK;
}

ULONG D3DIndexBuffer::AddRef()
{
    return m_Child.AddReference();
}

ULONG D3DIndexBuffer::Release()
{
    const ULONG count = m_Child.ReleaseReference();
    if (count == 0)
        delete this;
    return count;
}

HRESULT D3DIndexBuffer::GetDevice(IDirect3DDevice8** device)
{
    return m_Child.GetDevice(device);
}

HRESULT D3DIndexBuffer::Lock(UINT offset, UINT size, BYTE** data, DWORD flags)
{
    return m_Data.Lock(offset, size, data, flags);
}

HRESULT D3DIndexBuffer::Unlock()
{
    return m_Data.Unlock();
}

HRESULT D3DIndexBuffer::GetDesc(D3DINDEXBUFFER_DESC* desc)
{
    if (desc == nullptr)
        return D3DERR_INVALIDCALL;
    desc->Format = m_Format;
    desc->Type = D3DRTYPE_INDEXBUFFER;
    desc->Usage = m_Usage;
    desc->Pool = m_Child.Pool();
    desc->Size = m_Data.Length();
    return D3D_OK;
}

UINT D3DIndexBuffer::IndexSize() const
{
    return ::IndexSize(m_Format);
}

uint32_t D3DIndexBuffer::MaxIndex(UINT start, UINT count) const
{
    if (m_CacheVersion != m_Data.Version()) {
        m_MaxIndexCache.fill(MaxIndexEntry());
        m_CacheVersion = m_Data.Version();
    }
    const uint64_t range = (static_cast<uint64_t>(start) << 32) | count;
    MaxIndexEntry& slot = m_MaxIndexCache[(start * 31u + count) % MAX_INDEX_SLOTS];
    if (slot.range == range)
        return slot.largest;
    slot.largest = ScanIndexRange(m_Data.Bytes() + start * IndexSize(), count, IndexSize()).highest;
    slot.range = range;
    return slot.largest;
}
