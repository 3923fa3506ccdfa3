#include <cstring>
#include <string>
#include <vector>

#include <SDL2/SDL.h>
#include <gtest/gtest.h>

#include "platform/dinput/DInput.h"
#include "platform/dinput/JoystickDevice.h"
#include "platform/win32/Win32Platform.h"
#include "support/SdlEvents.h"

namespace {

const DWORD CAPTION_STYLE = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
const BYTE DOWN = 0x80;

LRESULT CALLBACK TestWndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(hWnd, message, wParam, lParam);
}

// DirectInput over the game's one window, the way the input manager sets it up.
class GlDirectInputTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        static const bool registered = [] {
            WNDCLASSA windowClass = {};
            windowClass.lpfnWndProc = TestWndProc;
            windowClass.lpszClassName = "KelmDirectInputTest";
            return RegisterClassA(&windowClass) != 0;
        }();
        ASSERT_TRUE(registered);
        m_hWnd = CreateWindowExA(0, "KelmDirectInputTest", "Project Kelm", CAPTION_STYLE, CW_USEDEFAULT,
                                 CW_USEDEFAULT, 646, 505, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, m_hWnd);
        ShowWindow(m_hWnd, SW_SHOWNORMAL);
        m_WindowId = SDL_GetWindowID(Win32Platform::GetSDLWindow(m_hWnd));
        LPVOID directInput = nullptr;
        ASSERT_EQ(DI_OK, DirectInput8Create(nullptr, DIRECTINPUT_VERSION, IID_IDirectInput8A, &directInput, nullptr));
        m_pDirectInput = static_cast<IDirectInput8A*>(directInput);
    }

    void TearDown() override
    {
        for (IDirectInputDevice8A* device : m_Devices)
            device->Release();
        if (m_pDirectInput != nullptr)
            m_pDirectInput->Release();
        DestroyWindow(m_hWnd);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
    }

    IDirectInputDevice8A* CreateAcquired(REFGUID instance, const DIDATAFORMAT& format, DWORD level)
    {
        IDirectInputDevice8A* device = nullptr;
        EXPECT_EQ(DI_OK, m_pDirectInput->CreateDevice(instance, &device, nullptr));
        if (device == nullptr)
            return nullptr;
        m_Devices.push_back(device);
        EXPECT_EQ(DI_OK, device->SetDataFormat(&format));
        EXPECT_EQ(DI_OK, device->SetCooperativeLevel(m_hWnd, level));
        EXPECT_EQ(DI_OK, device->Acquire());
        return device;
    }

    HWND m_hWnd = nullptr;
    Uint32 m_WindowId = 0;
    IDirectInput8A* m_pDirectInput = nullptr;
    std::vector<IDirectInputDevice8A*> m_Devices;
};

TEST_F(GlDirectInputTest, KeyboardCodesFollowThePhysicalKey)
{
    IDirectInputDevice8A* keyboard =
        CreateAcquired(GUID_SysKeyboard, c_dfDIKeyboard, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND);
    ASSERT_NE(nullptr, keyboard);

    const struct {
        SDL_Scancode scancode;
        BYTE code;
    } keys[] = {
        {SDL_SCANCODE_ESCAPE, DIK_ESCAPE}, {SDL_SCANCODE_A, DIK_A},         {SDL_SCANCODE_KP_ENTER, DIK_NUMPADENTER},
        {SDL_SCANCODE_RCTRL, DIK_RCONTROL}, {SDL_SCANCODE_INSERT, DIK_INSERT}, {SDL_SCANCODE_KP_7, DIK_NUMPAD7},
        {SDL_SCANCODE_LEFT, DIK_LEFT},     {SDL_SCANCODE_RALT, DIK_RMENU},
    };
    for (const auto& key : keys) {
        BYTE state[256];
        PushKey(key.scancode, true);
        ASSERT_EQ(DI_OK, keyboard->GetDeviceState(sizeof(state), state));
        EXPECT_EQ(DOWN, state[key.code]) << SDL_GetScancodeName(key.scancode);
        int down = 0;
        for (BYTE byte : state)
            down += byte != 0 ? 1 : 0;
        EXPECT_EQ(1, down) << SDL_GetScancodeName(key.scancode);

        PushKey(key.scancode, false);
        ASSERT_EQ(DI_OK, keyboard->GetDeviceState(sizeof(state), state));
        EXPECT_EQ(0, state[key.code]);
    }
    BYTE tooSmall[16];
    EXPECT_EQ(DIERR_INVALIDPARAM, keyboard->GetDeviceState(sizeof(tooSmall), tooSmall));
}

TEST_F(GlDirectInputTest, MouseGathersMovementUntilReadWithWheelNotchesOf120)
{
    IDirectInputDevice8A* mouse = CreateAcquired(GUID_SysMouse, c_dfDIMouse2, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND);
    ASSERT_NE(nullptr, mouse);

    PushMotion(3, -2);
    PushMotion(4, -5);
    PushWheel(1, false);
    PushWheel(2, true);
    PushButton(SDL_BUTTON_LEFT, true);

    DIMOUSESTATE2 state = {};
    ASSERT_EQ(DI_OK, mouse->GetDeviceState(sizeof(state), &state));
    EXPECT_EQ(7, state.lX);
    EXPECT_EQ(-7, state.lY);
    EXPECT_EQ(-120, state.lZ) << "one notch up, two flipped notches down";
    EXPECT_EQ(DOWN, state.rgbButtons[0]);

    PushButton(SDL_BUTTON_X1, true);
    ASSERT_EQ(DI_OK, mouse->GetDeviceState(sizeof(state), &state));
    EXPECT_EQ(0, state.lX) << "movement is taken by the read";
    EXPECT_EQ(0, state.lY);
    EXPECT_EQ(0, state.lZ);
    const BYTE buttons[8] = {DOWN, 0, 0, DOWN, 0, 0, 0, 0};
    EXPECT_EQ(0, std::memcmp(buttons, state.rgbButtons, sizeof(buttons))) << "buttons stay down until let go";

    PushButton(SDL_BUTTON_LEFT, false);
    ASSERT_EQ(DI_OK, mouse->GetDeviceState(sizeof(state), &state));
    EXPECT_EQ(0, state.rgbButtons[0]);
    EXPECT_EQ(DOWN, state.rgbButtons[3]);
}

// Taps and clicks that start and end between two frames' reads, faster
// than the frames come.
TEST_F(GlDirectInputTest, PressesLetGoBeforeTheReadShowOneAReadInTheirOrder)
{
    IDirectInputDevice8A* keyboard =
        CreateAcquired(GUID_SysKeyboard, c_dfDIKeyboard, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND);
    IDirectInputDevice8A* mouse = CreateAcquired(GUID_SysMouse, c_dfDIMouse2, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND);
    ASSERT_NE(nullptr, keyboard);
    ASSERT_NE(nullptr, mouse);
    // What each read shows down: F, A, A again, S (held), the right button, then the left.
    auto read = [&] {
        BYTE keys[256];
        DIMOUSESTATE2 state = {};
        EXPECT_EQ(DI_OK, keyboard->GetDeviceState(sizeof(keys), keys));
        EXPECT_EQ(DI_OK, mouse->GetDeviceState(sizeof(state), &state));
        const struct {
            BYTE code;
            char name;
        } watched[] = {{DIK_A, 'A'}, {DIK_F, 'F'}, {DIK_S, 'S'}};
        std::string down;
        for (const auto& key : watched)
            down += keys[key.code] == DOWN ? std::string(1, key.name) : "";
        for (int button = 0; button < 8; ++button)
            down += state.rgbButtons[button] == DOWN ? "M" + std::to_string(button) : "";
        return down;
    };

    for (SDL_Scancode key : {SDL_SCANCODE_F, SDL_SCANCODE_A, SDL_SCANCODE_A}) {
        PushKey(key, true);
        PushKey(key, false);
    }
    PushKey(SDL_SCANCODE_S, true);
    PushButton(SDL_BUTTON_RIGHT, true);
    PushButton(SDL_BUTTON_RIGHT, false);
    PushButton(SDL_BUTTON_LEFT, true);
    PushButton(SDL_BUTTON_LEFT, false);
    std::vector<std::string> reads;
    for (int frame = 0; frame < 6; ++frame)
        reads.push_back(read());
    EXPECT_EQ((std::vector<std::string>{"FM1", "AM0", "", "A", "S", "S"}), reads);
}

TEST_F(GlDirectInputTest, WithoutFocusReadsFailAndLeaveTheBufferUntilReacquired)
{
    IDirectInputDevice8A* keyboard =
        CreateAcquired(GUID_SysKeyboard, c_dfDIKeyboard, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND);
    ASSERT_NE(nullptr, keyboard);
    PushKey(SDL_SCANCODE_W, true);

    PushWindowEvent(m_WindowId, SDL_WINDOWEVENT_FOCUS_LOST);
    BYTE state[256];
    std::memset(state, 0x5A, sizeof(state));
    EXPECT_TRUE(FAILED(keyboard->GetDeviceState(sizeof(state), state)));
    EXPECT_TRUE(FAILED(keyboard->Poll()));
    EXPECT_TRUE(FAILED(keyboard->Acquire()));
    for (BYTE byte : state)
        ASSERT_EQ(0x5A, byte) << "a failed read leaves the buffer as it was";

    PushWindowEvent(m_WindowId, SDL_WINDOWEVENT_FOCUS_GAINED);
    EXPECT_EQ(DI_OK, keyboard->Acquire());
    EXPECT_EQ(DI_NOEFFECT, keyboard->Poll());
    ASSERT_EQ(DI_OK, keyboard->GetDeviceState(sizeof(state), state));
    EXPECT_EQ(0, state[DIK_W]) << "a key held when the focus went counts as let go";
}

TEST_F(GlDirectInputTest, MovingTheSystemCursorIsNoMouseMovement)
{
    IDirectInputDevice8A* mouse = CreateAcquired(GUID_SysMouse, c_dfDIMouse2, DISCL_NONEXCLUSIVE | DISCL_FOREGROUND);
    ASSERT_NE(nullptr, mouse);

    const POINT targets[] = {{100, 80}, {400, 300}, {5, 470}};
    for (POINT target : targets) {
        ClientToScreen(m_hWnd, &target);
        EXPECT_TRUE(SetCursorPos(target.x, target.y));
        POINT now = {0, 0};
        ASSERT_TRUE(GetCursorPos(&now));
        EXPECT_EQ(target.x, now.x);
        EXPECT_EQ(target.y, now.y);
    }
    PushMotion(5, 6);
    DIMOUSESTATE2 state = {};
    ASSERT_EQ(DI_OK, mouse->GetDeviceState(sizeof(state), &state));
    EXPECT_EQ(5, state.lX) << "only the player's own movement counts";
    EXPECT_EQ(6, state.lY);
}

// Collects the game controllers EnumDevices reports.
BOOL CALLBACK CollectInstance(const DIDEVICEINSTANCEA* instance, LPVOID ref)
{
    static_cast<std::vector<DIDEVICEINSTANCEA>*>(ref)->push_back(*instance);
    return DIENUM_CONTINUE;
}

BOOL CALLBACK SetRange(const DIDEVICEOBJECTINSTANCEA* object, LPVOID ref)
{
    IDirectInputDevice8A* device = static_cast<IDirectInputDevice8A*>(ref);
    DIPROPRANGE range = {};
    range.diph.dwSize = sizeof(range);
    range.diph.dwHeaderSize = sizeof(range.diph);
    range.diph.dwHow = DIPH_BYID;
    range.diph.dwObj = object->dwType;
    range.lMin = -1000;
    range.lMax = 1000;
    EXPECT_EQ(DI_OK, device->SetProperty(DIPROP_RANGE, &range.diph));
    return DIENUM_CONTINUE;
}

TEST_F(GlDirectInputTest, JoystickScalesAxesAndReportsButtonsAndHats)
{
    const int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 6, 16, 1);
    ASSERT_GE(index, 0) << SDL_GetError();
    const SDL_JoystickID instanceId = SDL_JoystickGetDeviceInstanceID(index);

    std::vector<DIDEVICEINSTANCEA> instances;
    ASSERT_EQ(DI_OK, m_pDirectInput->EnumDevices(DI8DEVCLASS_GAMECTRL, CollectInstance, &instances,
                                                 DIEDFL_ATTACHEDONLY));
    ASSERT_EQ(static_cast<size_t>(SDL_NumJoysticks()), instances.size());
    const DIDEVICEINSTANCEA& instance = instances[index];
    EXPECT_STREQ(SDL_JoystickNameForIndex(index), instance.tszProductName);

    IDirectInputDevice8A* joystick = nullptr;
    ASSERT_EQ(DI_OK, m_pDirectInput->CreateDevice(instance.guidInstance, &joystick, nullptr));
    m_Devices.push_back(joystick);
    ASSERT_EQ(DI_OK, joystick->SetDataFormat(&c_dfDIJoystick2));
    ASSERT_EQ(DI_OK, joystick->SetCooperativeLevel(m_hWnd, DISCL_EXCLUSIVE | DISCL_FOREGROUND));
    ASSERT_EQ(DI_OK, joystick->EnumObjects(SetRange, joystick, DIDFT_AXIS));
    ASSERT_EQ(DI_OK, joystick->Acquire());
    EXPECT_EQ(DI_OK, joystick->Poll());

    PushJoystickAxis(instanceId, 0, 32767);
    PushJoystickAxis(instanceId, 1, -32768);
    PushJoystickAxis(instanceId, 3, 16384);
    PushJoystickButton(instanceId, 3, true);
    PushJoystickHat(instanceId, SDL_HAT_RIGHTUP);

    DIJOYSTATE2 state = {};
    ASSERT_EQ(DI_OK, joystick->GetDeviceState(sizeof(state), &state));
    EXPECT_EQ(1000, state.lX);
    EXPECT_EQ(-1000, state.lY);
    EXPECT_EQ(0, state.lZ) << "SDL's centre is the range's centre";
    EXPECT_EQ(500, state.lRx);
    EXPECT_EQ(0, state.rglSlider[0]) << "an axis the controller lacks reads 0";
    EXPECT_EQ(DOWN, state.rgbButtons[3]);
    EXPECT_EQ(4500u, state.rgdwPOV[0]);
    EXPECT_EQ(0xFFFFFFFFu, state.rgdwPOV[1]) << "a hat the controller lacks is centred";

    SDL_JoystickDetachVirtual(index);
    EXPECT_EQ(DIERR_INPUTLOST, joystick->GetDeviceState(sizeof(state), &state)) << "unplugged";
    EXPECT_EQ(DIERR_UNPLUGGED, joystick->Acquire());
}

TEST(DirectInputJoystickTest, HatsAreHundredthsOfADegreeClockwiseFromUp)
{
    const struct {
        Uint8 hat;
        DWORD angle;
    } hats[] = {
        {SDL_HAT_CENTERED, 0xFFFFFFFF}, {SDL_HAT_UP, 0},         {SDL_HAT_RIGHTUP, 4500},
        {SDL_HAT_RIGHT, 9000},         {SDL_HAT_RIGHTDOWN, 13500}, {SDL_HAT_DOWN, 18000},
        {SDL_HAT_LEFTDOWN, 22500},     {SDL_HAT_LEFT, 27000},    {SDL_HAT_LEFTUP, 31500},
    };
    for (const auto& entry : hats)
        EXPECT_EQ(entry.angle, JoystickDevice::PovFromHat(entry.hat)) << int(entry.hat);
}

TEST(DirectInputJoystickTest, AxesScaleOntoTheSetRange)
{
    const struct {
        Sint16 value;
        LONG min;
        LONG max;
        LONG expected;
    } cases[] = {
        {-32768, -1000, 1000, -1000}, {32767, -1000, 1000, 1000}, {0, -1000, 1000, 0}, {-1, -1000, 1000, 0},
        {-32768, 0, 65535, 0},        {32767, 0, 65535, 65535},   {0, 0, 65535, 32768},
    };
    for (const auto& entry : cases)
        EXPECT_EQ(entry.expected, JoystickDevice::ScaleAxis(entry.value, entry.min, entry.max))
            << entry.value << " in " << entry.min << ".." << entry.max;
}

} // namespace
