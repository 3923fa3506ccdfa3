#include "Input/DeviceObject.h"

DeviceObject::~DeviceObject()
{
    DeviceObject::Release();
}

bool DeviceObject::Init(HWND /*hWnd*/, IDirectInput8A* /*directInput*/, const DIDEVICEINSTANCEA* /*instance*/)
{
    return false;
}

void DeviceObject::Release()
{
    if (m_pDevice == nullptr)
        return;
    m_pDevice->Unacquire();
    m_pDevice->Release();
    m_pDevice = nullptr;
}

HRESULT DeviceObject::Poll()
{
    if (m_pDevice == nullptr)
        return DIERR_NOTINITIALIZED;
    const HRESULT result = m_pDevice->Poll();
    if (SUCCEEDED(result))
        return result;
    m_pDevice->Acquire();
    return m_pDevice->Poll();
}

BYTE* DeviceObject::GetDefaultButtonBinding(int /*action*/)
{
    return nullptr;
}

LONG* DeviceObject::GetDefaultAxisBinding(int /*axis*/)
{
    return nullptr;
}

BYTE* DeviceObject::FindPressedButton(char* /*name*/)
{
    return nullptr;
}

LONG* DeviceObject::FindMovedAxis(char* /*name*/)
{
    return nullptr;
}

void DeviceObject::PollAndClear() {}

void DeviceObject::GetButtonBindingName(const BYTE* /*binding*/, char* /*name*/) const {}

void DeviceObject::GetAxisBindingName(const LONG* /*binding*/, char* /*name*/) const {}

BYTE* DeviceObject::NameToButtonBinding(const char* /*name*/)
{
    return nullptr;
}

LONG* DeviceObject::NameToAxisBinding(const char* /*name*/)
{
    return nullptr;
}

BYTE* DeviceObject::GetStateBuffer()
{
    return nullptr;
}

bool DeviceObject::CreateDevice(HWND hWnd, IDirectInput8A* directInput, REFGUID instance,
                                const DIDATAFORMAT& format, DWORD cooperativeLevel)
{
    if (directInput == nullptr)
        return false;
    Release();
    if (FAILED(directInput->CreateDevice(instance, &m_pDevice, nullptr)) || m_pDevice == nullptr) {
        m_pDevice = nullptr;
        return false;
    }
    if (FAILED(m_pDevice->SetDataFormat(&format)) ||
        FAILED(m_pDevice->SetCooperativeLevel(hWnd, cooperativeLevel))) {
        Release();
        return false;
    }
    return true;
}

HRESULT DeviceObject::ReadDeviceState(DWORD size, void* data)
{
    if (m_pDevice == nullptr)
        return DIERR_NOTINITIALIZED;
    return m_pDevice->GetDeviceState(size, data);
}
