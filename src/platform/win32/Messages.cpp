// The message queue. SDL's events are drained into it on every PeekMessageA,
// and only the window events the game's window procedure knows become
// messages; keyboard and mouse events are read by DirectInput through its own
// event watch and never enter the queue (Alt+Enter excepted, which the window
// procedure turns into a display mode switch).

#include <algorithm>
#include <deque>

#include "platform/win32/MessageQueue.h"
#include "platform/win32/Win32Platform.h"
#include "platform/win32/Win32Window.h"

namespace {

std::deque<MSG> g_Queue;
void (*g_DefaultProcObserver)(UINT message, WPARAM wParam) = nullptr;

void PostDestroy(HWND__* window)
{
    if (window == nullptr || window->destroyQueued)
        return;
    // A close request and the SDL_QUIT that follows it make one WM_DESTROY.
    window->destroyQueued = true;
    MessageQueue::Post(window, WM_DESTROY, 0, 0);
}

void TranslateWindowEvent(const SDL_WindowEvent& event)
{
    HWND__* window = Win32Window::FindBySDLWindowId(event.windowID);
    if (window == nullptr)
        return;
    switch (event.event) {
    case SDL_WINDOWEVENT_FOCUS_GAINED:
        MessageQueue::Post(window, WM_ACTIVATEAPP, TRUE, 0);
        break;
    case SDL_WINDOWEVENT_FOCUS_LOST:
        MessageQueue::Post(window, WM_ACTIVATEAPP, FALSE, 0);
        break;
    case SDL_WINDOWEVENT_MOVED:
        // The SDL window is the client area, so its position is WM_MOVE's.
        MessageQueue::Post(window, WM_MOVE, 0, MAKELONG(event.data1, event.data2));
        break;
    case SDL_WINDOWEVENT_CLOSE:
        PostDestroy(window);
        break;
    case SDL_WINDOWEVENT_EXPOSED:
        MessageQueue::PostPaint(window);
        break;
    default:
        break;
    }
}

bool IsAltEnterRelease(const SDL_KeyboardEvent& event)
{
    const SDL_Scancode key = event.keysym.scancode;
    const bool enter = key == SDL_SCANCODE_RETURN || key == SDL_SCANCODE_KP_ENTER;
    return event.type == SDL_KEYUP && enter && (event.keysym.mod & KMOD_ALT) != 0;
}

void TranslateEvent(const SDL_Event& event)
{
    switch (event.type) {
    case SDL_WINDOWEVENT:
        TranslateWindowEvent(event.window);
        break;
    case SDL_QUIT:
        // Also what SIGINT and SIGTERM become.
        PostDestroy(Win32Window::Current());
        break;
    case SDL_KEYUP:
        if (IsAltEnterRelease(event.key) && Win32Window::Current() != nullptr)
            MessageQueue::Post(Win32Window::Current(), WM_SYSKEYUP, VK_RETURN, 0);
        break;
    default:
        break;
    }
}

void PumpSDLEvents()
{
    if (SDL_WasInit(SDL_INIT_EVENTS) == 0)
        return;
    SDL_Event event;
    while (SDL_PollEvent(&event) != 0)
        TranslateEvent(event);
}

} // namespace

namespace MessageQueue {

void Post(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    MSG msg = {};
    msg.hwnd = hWnd;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = timeGetTime();
    if (Win32Window::Current() != nullptr)
        GetCursorPos(&msg.pt);
    g_Queue.push_back(msg);
}

void PostPaint(HWND hWnd)
{
    const bool waiting = std::any_of(g_Queue.begin(), g_Queue.end(), [hWnd](const MSG& msg) {
        return msg.hwnd == hWnd && msg.message == WM_PAINT;
    });
    if (!waiting)
        Post(hWnd, WM_PAINT, 0, 0);
}

void Discard(HWND hWnd)
{
    g_Queue.erase(std::remove_if(g_Queue.begin(), g_Queue.end(),
                                 [hWnd](const MSG& msg) { return msg.hwnd == hWnd; }),
                  g_Queue.end());
}

} // namespace MessageQueue

BOOL PeekMessageA(MSG* msg, HWND /*hWnd*/, UINT /*filterMin*/, UINT /*filterMax*/, UINT removeMsg)
{
    if (msg == nullptr)
        return FALSE;
    PumpSDLEvents();
    if (g_Queue.empty())
        return FALSE;
    *msg = g_Queue.front();
    if ((removeMsg & PM_REMOVE) != 0)
        g_Queue.pop_front();
    return TRUE;
}

BOOL TranslateMessage(const MSG* /*msg*/)
{
    // Character messages are not made: text input is read through DirectInput.
    return FALSE;
}

LRESULT DispatchMessageA(const MSG* msg)
{
    if (msg == nullptr)
        return 0;
    HWND__* window = Win32Window::Find(msg->hwnd);
    if (window == nullptr || window->windowProc == nullptr)
        return 0;
    const LRESULT result = window->windowProc(msg->hwnd, msg->message, msg->wParam, msg->lParam);

    // The window procedure may have destroyed the window meanwhile.
    window = Win32Window::Find(msg->hwnd);
    if (msg->message == WM_DESTROY && window != nullptr)
        SDL_HideWindow(window->sdlWindow);
    return result;
}

void Win32Platform::SetDefaultProcObserver(void (*observer)(UINT message, WPARAM wParam))
{
    g_DefaultProcObserver = observer;
}

LRESULT DefWindowProcA(HWND hWnd, UINT message, WPARAM wParam, LPARAM /*lParam*/)
{
    if (g_DefaultProcObserver != nullptr)
        g_DefaultProcObserver(message, wParam);
    if (message == WM_CLOSE)
        DestroyWindow(hWnd);
    return 0;
}

BOOL PostMessageA(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    // A null window posts to the thread, as WM_QUIT is.
    if (hWnd != nullptr && Win32Window::Find(hWnd) == nullptr)
        return FALSE;
    MessageQueue::Post(hWnd, message, wParam, lParam);
    return TRUE;
}

void PostQuitMessage(int exitCode)
{
    MessageQueue::Post(nullptr, WM_QUIT, static_cast<WPARAM>(exitCode), 0);
}
