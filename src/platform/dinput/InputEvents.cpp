#include "platform/dinput/InputEvents.h"

#include <algorithm>
#include <strings.h>
#include <vector>

#include "platform/win32/CursorWarp.h"

namespace {

struct FocusEvent {
    bool seen = false;
    Uint32 windowId = 0;
    bool gained = false;
};

int g_StartCount = 0;
bool g_JoysticksStarted = false;
FocusEvent g_LastFocusEvent;

// Devices are released by the destructors of static objects too (a fatal
// error exits with the input manager still holding its devices), in an order
// no file can choose: the list is never destroyed, so it outlives them all.
std::vector<InputEvents::Listener*>& Listeners()
{
    static std::vector<InputEvents::Listener*>* const listeners = new std::vector<InputEvents::Listener*>();
    return *listeners;
}

bool DriverHasFocus()
{
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver == nullptr)
        return false;
    return strcasecmp(driver, "offscreen") != 0 && strcasecmp(driver, "dummy") != 0;
}

void TrackFocus(const SDL_WindowEvent& event)
{
    if (event.event != SDL_WINDOWEVENT_FOCUS_GAINED && event.event != SDL_WINDOWEVENT_FOCUS_LOST)
        return;
    g_LastFocusEvent.seen = true;
    g_LastFocusEvent.windowId = event.windowID;
    g_LastFocusEvent.gained = event.event == SDL_WINDOWEVENT_FOCUS_GAINED;
}

bool IsWarpEcho(const SDL_Event& event)
{
    if (event.type != SDL_MOUSEMOTION)
        return false;
    return CursorWarp::ConsumeEcho(event.motion.x, event.motion.y, event.motion.timestamp);
}

int SDLCALL WatchEvent(void* /*userData*/, SDL_Event* event)
{
    if (event == nullptr)
        return 0;
    if (event->type == SDL_WINDOWEVENT)
        TrackFocus(event->window);
    if (IsWarpEcho(*event))
        return 0;
    // A listener may not add or remove listeners from here, so a copy is not needed.
    for (InputEvents::Listener* listener : Listeners())
        listener->OnEvent(*event);
    return 0;
}

} // namespace

namespace InputEvents {

void Start()
{
    if (g_StartCount++ > 0)
        return;
    g_LastFocusEvent = FocusEvent();
    g_JoysticksStarted = SDL_InitSubSystem(SDL_INIT_JOYSTICK) == 0;
    SDL_AddEventWatch(WatchEvent, nullptr);
}

void Stop()
{
    if (g_StartCount == 0 || --g_StartCount > 0)
        return;
    SDL_DelEventWatch(WatchEvent, nullptr);
    // SDL may have been shut down at exit already, joysticks and all.
    if (g_JoysticksStarted && SDL_WasInit(SDL_INIT_JOYSTICK) != 0)
        SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    g_JoysticksStarted = false;
}

void AddListener(Listener* listener)
{
    std::vector<Listener*>& listeners = Listeners();
    if (listener != nullptr && std::find(listeners.begin(), listeners.end(), listener) == listeners.end())
        listeners.push_back(listener);
}

void RemoveListener(Listener* listener)
{
    std::vector<Listener*>& listeners = Listeners();
    listeners.erase(std::remove(listeners.begin(), listeners.end(), listener), listeners.end());
}

bool HasFocus(Uint32 windowId)
{
    if (g_LastFocusEvent.seen) {
        if (g_LastFocusEvent.windowId == windowId)
            return g_LastFocusEvent.gained;
        // Another window took the focus, so this one has lost it.
        if (g_LastFocusEvent.gained)
            return false;
    }
    SDL_Window* window = SDL_GetWindowFromID(windowId);
    if (window == nullptr)
        return false;
    if ((SDL_GetWindowFlags(window) & SDL_WINDOW_INPUT_FOCUS) != 0)
        return true;
    return !DriverHasFocus();
}

} // namespace InputEvents
