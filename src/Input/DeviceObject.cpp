#include "Input/DeviceObject.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

const size_t MAX_BUTTON_DIGITS = 4;

} // namespace

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
    const HRESULT acquired = m_pDevice->Acquire();
    if (acquired == DIERR_UNPLUGGED)
        return acquired;
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

int DeviceObject::FindName(const char* name, const char* const* names, int count)
{
    if (name == nullptr)
        return -1;
    for (int i = 0; i < count; ++i) {
        if (std::strcmp(name, names[i]) == 0)
            return i;
    }
    return -1;
}

int DeviceObject::ParseNumberedButton(const char* name, char prefix, int count)
{
    if (name == nullptr || name[0] != prefix)
        return -1;
    const char* digits = name + 1;
    const size_t length = std::strlen(digits);
    if (length == 0 || length > MAX_BUTTON_DIGITS)
        return -1;
    for (size_t i = 0; i < length; ++i) {
        if (digits[i] < '0' || digits[i] > '9')
            return -1;
    }
    const int button = std::atoi(digits);
    return button < count ? button : -1;
}

void DeviceObject::WriteName(char* out, const char* text)
{
    std::snprintf(out, NAME_SIZE, "%s", text);
}
