#include "support/SdlEvents.h"

void PushKey(SDL_Scancode scancode, bool down)
{
    SDL_Event event = {};
    event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    event.key.keysym.scancode = scancode;
    SDL_PushEvent(&event);
}

void PushMotion(int xrel, int yrel)
{
    SDL_Event event = {};
    event.type = SDL_MOUSEMOTION;
    event.motion.xrel = xrel;
    event.motion.yrel = yrel;
    event.motion.timestamp = SDL_GetTicks();
    SDL_PushEvent(&event);
}

void PushButton(Uint8 button, bool down)
{
    SDL_Event event = {};
    event.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    event.button.button = button;
    event.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    SDL_PushEvent(&event);
}

void PushWheel(int notches, bool flipped)
{
    SDL_Event event = {};
    event.type = SDL_MOUSEWHEEL;
    event.wheel.y = notches;
    event.wheel.direction = flipped ? SDL_MOUSEWHEEL_FLIPPED : SDL_MOUSEWHEEL_NORMAL;
    SDL_PushEvent(&event);
}

void PushWindowEvent(Uint32 windowId, SDL_WindowEventID id)
{
    SDL_Event event = {};
    event.type = SDL_WINDOWEVENT;
    event.window.windowID = windowId;
    event.window.event = id;
    SDL_PushEvent(&event);
}

void PushJoystickAxis(SDL_JoystickID joystick, Uint8 axis, Sint16 value)
{
    SDL_Event event = {};
    event.type = SDL_JOYAXISMOTION;
    event.jaxis.which = joystick;
    event.jaxis.axis = axis;
    event.jaxis.value = value;
    SDL_PushEvent(&event);
}

void PushJoystickButton(SDL_JoystickID joystick, Uint8 button, bool down)
{
    SDL_Event event = {};
    event.type = down ? SDL_JOYBUTTONDOWN : SDL_JOYBUTTONUP;
    event.jbutton.which = joystick;
    event.jbutton.button = button;
    event.jbutton.state = down ? SDL_PRESSED : SDL_RELEASED;
    SDL_PushEvent(&event);
}

void PushJoystickHat(SDL_JoystickID joystick, Uint8 value)
{
    SDL_Event event = {};
    event.type = SDL_JOYHATMOTION;
    event.jhat.which = joystick;
    event.jhat.value = value;
    SDL_PushEvent(&event);
}

std::vector<SDL_Scancode> LineKeys(const char* text)
{
    std::vector<SDL_Scancode> keys;
    for (const char* c = text; *c != '\0'; ++c) {
        if (*c == ' ')
            keys.push_back(SDL_SCANCODE_SPACE);
        else if (*c >= 'a' && *c <= 'z')
            keys.push_back(static_cast<SDL_Scancode>(SDL_SCANCODE_A + (*c - 'a')));
        else if (*c == '0')
            keys.push_back(SDL_SCANCODE_0);
        else if (*c >= '1' && *c <= '9')
            keys.push_back(static_cast<SDL_Scancode>(SDL_SCANCODE_1 + (*c - '1')));
        else if (*c == '-')
            keys.push_back(SDL_SCANCODE_MINUS);
        else if (*c == '.')
            keys.push_back(SDL_SCANCODE_PERIOD);
    }
    keys.push_back(SDL_SCANCODE_RETURN);
    return keys;
}
