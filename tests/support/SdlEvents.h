#pragma once
// Input as the player makes it: SDL events pushed into the queue that the
// DirectInput stand-in reads.

#include <vector>

#include <SDL2/SDL.h>

void PushKey(SDL_Scancode scancode, bool down);
void PushMotion(int xrel, int yrel);
void PushButton(Uint8 button, bool down);
// `notches` up; `flipped` as a device with natural scrolling reports it.
void PushWheel(int notches, bool flipped);
void PushWindowEvent(Uint32 windowId, SDL_WindowEventID id);
// For the joystick with SDL's instance id `joystick`.
void PushJoystickAxis(SDL_JoystickID joystick, Uint8 axis, Sint16 value);
void PushJoystickButton(SDL_JoystickID joystick, Uint8 button, bool down);
void PushJoystickHat(SDL_JoystickID joystick, Uint8 value);
// The keys that type a console line (lower-case letters, digits, spaces,
// minus signs and points; anything else is left out), then Return.
std::vector<SDL_Scancode> LineKeys(const char* text);
