#include "platform/d3d8/DeviceChild.h"

#include "platform/d3d8/D3DDevice.h"

DeviceChild::DeviceChild(D3DDevice& device, const void* resource, D3DPOOL pool)
    : m_Device(device), m_Resource(resource), m_Pool(pool)
{
    m_Device.AddRef();
    m_Device.AddResource(m_Pool);
}

DeviceChild::~DeviceChild()
{
    m_Device.RemoveResource(m_Resource, m_Pool);
    m_Device.Release();
}

HRESULT DeviceChild::GetDevice(IDirect3DDevice8** device) const
{
    if (device == nullptr)
        return D3DERR_INVALIDCALL;
    m_Device.AddRef();
    *device = &m_Device;
    return D3D_OK;
}
