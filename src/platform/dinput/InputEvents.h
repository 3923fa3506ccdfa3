#pragma once
// The one SDL event watch behind every DirectInput device. SDL calls it for
// each event as the event is queued (by the message pump or by a test's
// SDL_PushEvent), so devices keep their own state without ever taking
// events from SDL's queue, which belongs to the window's message pump.

#include <SDL2/SDL.h>

namespace InputEvents {

// A device that follows the events while it exists.
class Listener {
public:
    virtual void OnEvent(const SDL_Event& event) = 0;

protected:
    ~Listener() = default;
};

// The first Start installs the watch and brings up SDL's joysticks (their
// absence is no error); the last Stop removes both. Calls pair up.
void Start();
void Stop();

void AddListener(Listener* listener);
void RemoveListener(Listener* listener);

// Whether the window (an SDL window id) has the keyboard focus. The focus
// events seen decide; before any, SDL's window flags do, and a video driver
// without focus (offscreen, dummy) gives every window the focus, since
// nothing else could ever take it.
bool HasFocus(Uint32 windowId);

} // namespace InputEvents
