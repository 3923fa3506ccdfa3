// Message boxes: always on stderr, and on screen when there is one.

#include <cstdio>
#include <cstdlib>
#include <strings.h>

#include "platform/win32/Win32Platform.h"
#include "platform/win32/Win32Window.h"

namespace {

bool IsHeadlessDriver(const char* driver)
{
    return driver != nullptr && (strcasecmp(driver, "offscreen") == 0 || strcasecmp(driver, "dummy") == 0);
}

bool HasEnvironment(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0';
}

SDL_Window* VisibleParent()
{
    HWND__* window = Win32Window::Current();
    if (window == nullptr || (SDL_GetWindowFlags(window->sdlWindow) & SDL_WINDOW_SHOWN) == 0)
        return nullptr;
    return window->sdlWindow;
}

} // namespace

bool Win32Platform::HasDisplay()
{
    const char* driver = SDL_WasInit(SDL_INIT_VIDEO) != 0 ? SDL_GetCurrentVideoDriver()
                                                          : std::getenv("SDL_VIDEODRIVER");
    if (IsHeadlessDriver(driver))
        return false;
    return HasEnvironment("DISPLAY") || HasEnvironment("WAYLAND_DISPLAY");
}

int MessageBoxA(HWND /*hWnd*/, LPCSTR text, LPCSTR caption, UINT type)
{
    // Win32 captions an uncaptioned box "Error".
    const char* title = caption != nullptr ? caption : "Error";
    const char* message = text != nullptr ? text : "";
    std::fprintf(stderr, "%s: %s\n", title, message);
    std::fflush(stderr);
    if (!Win32Platform::HasDisplay())
        return IDOK;
    const Uint32 flags = (type & MB_ICONHAND) != 0 ? SDL_MESSAGEBOX_ERROR : SDL_MESSAGEBOX_INFORMATION;
    SDL_ShowSimpleMessageBox(flags, title, message, VisibleParent());
    return IDOK;
}
