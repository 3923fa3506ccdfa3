#pragma once
// What every resource made by a device shares: its reference count, its pool
// and the device, which it keeps alive until it goes.

#include "platform/d3d8/D3D8.h"

class D3DDevice;

class DeviceChild {
public:
    // `resource` is the address the device knows the resource by.
    DeviceChild(D3DDevice& device, const void* resource, D3DPOOL pool);
    ~DeviceChild();

    DeviceChild(const DeviceChild&) = delete;
    DeviceChild& operator=(const DeviceChild&) = delete;

    ULONG AddReference() { return ++m_References; }
    ULONG ReleaseReference() { return --m_References; }

    D3DDevice& Device() const { return m_Device; }
    D3DPOOL Pool() const { return m_Pool; }
    HRESULT GetDevice(IDirect3DDevice8** device) const;

private:
    D3DDevice& m_Device;
    const void* m_Resource;
    D3DPOOL m_Pool;
    ULONG m_References = 1;
};
