#include "platform/d3dx8/D3DX8Buffer.h"

#include <cstdint>
#include <new>
#include <vector>

#include "platform/d3d8/D3D8Types.h"

namespace {

class D3DXBuffer : public RefCounted<ID3DXBuffer> {
public:
    explicit D3DXBuffer(DWORD size) : m_Bytes(size, 0) {}

    // Never null, even for an empty buffer, so callers may always read it.
    LPVOID GetBufferPointer() override { return m_Bytes.empty() ? &m_Empty : m_Bytes.data(); }
    DWORD GetBufferSize() override { return static_cast<DWORD>(m_Bytes.size()); }

private:
    std::vector<uint8_t> m_Bytes;
    uint8_t m_Empty = 0;
};

} // namespace

HRESULT D3DXCreateBuffer(DWORD numBytes, LPD3DXBUFFER* buffer)
{
    if (!buffer)
        return D3DERR_INVALIDCALL;
    *buffer = nullptr;
    try {
        *buffer = new D3DXBuffer(numBytes);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return D3D_OK;
}
