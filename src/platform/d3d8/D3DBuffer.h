#pragma once
// Vertex and index buffers: the bytes live in memory, where locks write them,
// and (outside system memory) in an OpenGL buffer object that each unlock
// brings up to date. A discarding lock replaces the whole GL storage, so a
// draw still queued on the old contents is never waited for.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/d3d8/D3D8.h"
#include "platform/d3d8/DeviceChild.h"

class GlRenderer;

class BufferData {
public:
    BufferData(GlRenderer* renderer, UINT length, DWORD usage);
    ~BufferData();

    BufferData(const BufferData&) = delete;
    BufferData& operator=(const BufferData&) = delete;

    HRESULT Lock(UINT offset, UINT size, BYTE** data, DWORD flags);
    HRESULT Unlock();

    const uint8_t* Bytes() const { return m_Bytes.data(); }
    UINT Length() const { return static_cast<UINT>(m_Bytes.size()); }
    unsigned GlBuffer() const { return m_GlBuffer; }
    bool IsLocked() const { return m_Locked; }
    // Changes each time an unlock may have changed the bytes.
    uint64_t Version() const { return m_Version; }

private:
    GlRenderer* m_Renderer;
    std::vector<uint8_t> m_Bytes;
    unsigned m_GlBuffer = 0;
    bool m_Dynamic;
    bool m_Locked = false;
    UINT m_LockOffset = 0;
    UINT m_LockSize = 0;
    DWORD m_LockFlags = 0;
    uint64_t m_Version = 0;
};

class D3DVertexBuffer final : public IDirect3DVertexBuffer8 {
public:
    static HRESULT Create(D3DDevice& device, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                          IDirect3DVertexBuffer8** buffer);

    // IUnknown
    ULONG AddRef() override;
    ULONG Release() override;

    // IDirect3DResource8
    HRESULT GetDevice(IDirect3DDevice8** device) override;
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_VERTEXBUFFER; }

    // IDirect3DVertexBuffer8
    HRESULT Lock(UINT offset, UINT size, BYTE** data, DWORD flags) override;
    HRESULT Unlock() override;
    HRESULT GetDesc(D3DVERTEXBUFFER_DESC* desc) override;

    const BufferData& Data() const { return m_Data; }

private:
    D3DVertexBuffer(D3DDevice& device, UINT length, DWORD usage, DWORD fvf, D3DPOOL pool);
    ~D3DVertexBuffer() override = default;

    DeviceChild m_Child; // first: it goes last, after the GL buffer
    BufferData m_Data;
    DWORD m_Usage;
    DWORD m_Fvf;
};

class D3DIndexBuffer final : public IDirect3DIndexBuffer8 {
public:
    static HRESULT Create(D3DDevice& device, UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                          IDirect3DIndexBuffer8** buffer);

    // IUnknown
    ULONG AddRef() override;
    ULONG Release() override;

    // IDirect3DResource8
    HRESULT GetDevice(IDirect3DDevice8** device) override;
    D3DRESOURCETYPE GetType() override { return D3DRTYPE_INDEXBUFFER; }

    // IDirect3DIndexBuffer8
    HRESULT Lock(UINT offset, UINT size, BYTE** data, DWORD flags) override;
    HRESULT Unlock() override;
    HRESULT GetDesc(D3DINDEXBUFFER_DESC* desc) override;

    const BufferData& Data() const { return m_Data; }
    D3DFORMAT Format() const { return m_Format; }
    UINT IndexSize() const;
    UINT IndexCount() const { return m_Data.Length() / IndexSize(); }
    // The largest index among `count` indices from `start` (which the caller
    // has checked lie in the buffer); remembered until the next unlock. The
    // table is fixed, so that a draw never allocates: a mesh draws a few
    // ranges of its buffer, and one pushed out is scanned again.
    uint32_t MaxIndex(UINT start, UINT count) const;

private:
    D3DIndexBuffer(D3DDevice& device, UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool);
    ~D3DIndexBuffer() override = default;

    DeviceChild m_Child;
    BufferData m_Data;
    DWORD m_Usage;
    D3DFORMAT m_Format;
    struct MaxIndexEntry {
        uint64_t range = NO_RANGE;
        uint32_t largest = 0;
    };
    static constexpr uint64_t NO_RANGE = ~uint64_t(0);
    static constexpr size_t MAX_INDEX_SLOTS = 16;
    mutable std::array<MaxIndexEntry, MAX_INDEX_SLOTS> m_MaxIndexCache;
    mutable uint64_t m_CacheVersion = 0;
};

struct IndexRange {
    uint32_t lowest;
    uint32_t highest;
};

// The smallest and largest of `count` (at least one) 16- or 32-bit indices.
IndexRange ScanIndexRange(const uint8_t* indices, UINT count, UINT indexSize);
