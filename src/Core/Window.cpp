#include "Core/Window.h"

#include <cstring>

HINSTANCE g_hInstance = nullptr;
HWND g_hWnd = nullptr;
CWindowGeometry g_WindowGeometry;

const char* const SPLASH_IMAGE = "Assets\\Images\\corvane_splash.bmp";

namespace {

// The splash image is drawn at its own size whatever the client area is.
const int SPLASH_WIDTH = 640;
const int SPLASH_HEIGHT = 480;
const char* const LOADING_TEXT = "Loading...";

} // namespace

bool UpdateClientRect()
{
    RECT& window = g_WindowGeometry.m_WindowRect;
    if (!GetWindowRect(g_hWnd, &window))
        return false;
    const RECT& margins = g_WindowGeometry.m_Margins;
    RECT& client = g_WindowGeometry.m_ClientRect;
    client.left = window.left - margins.left;
    client.top = window.top - margins.top;
    client.right = window.right - margins.right;
    client.bottom = window.bottom - margins.bottom;
    return true;
}

bool SetClientSize(int width, int height)
{
    RECT& client = g_WindowGeometry.m_ClientRect;
    client.right = client.left + width;
    client.bottom = client.top + height;

    const RECT& margins = g_WindowGeometry.m_Margins;
    RECT& window = g_WindowGeometry.m_WindowRect;
    window.left = client.left + margins.left;
    window.top = client.top + margins.top;
    window.right = client.right + margins.right;
    window.bottom = client.bottom + margins.bottom;
    return SetWindowPos(g_hWnd, nullptr, window.left, window.top, RectWidth(window), RectHeight(window), SWP_NOMOVE) !=
           FALSE;
}

void CenterWindow(HWND hWnd)
{
    RECT window;
    if (!GetWindowRect(hWnd, &window))
        return;
    const int width = RectWidth(window);
    const int height = RectHeight(window);
    const int x = (GetSystemMetrics(SM_CXFULLSCREEN) - width) / 2;
    const int y = (GetSystemMetrics(SM_CYFULLSCREEN) - height) / 2;
    MoveWindow(hWnd, x, y, width, height, TRUE);
}

// Drawn with GDI alone: the display device does not exist yet. A missing
// image leaves the client area black.
void ShowSplashScreen()
{
    HBITMAP image = static_cast<HBITMAP>(
        LoadImageA(nullptr, SPLASH_IMAGE, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE));
    HDC memoryDC = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = image ? SelectObject(memoryDC, image) : nullptr;

    PAINTSTRUCT paint;
    HDC windowDC = BeginPaint(g_hWnd, &paint);
    HBRUSH black = CreateSolidBrush(RGB(0, 0, 0));
    RECT client = {0, 0, RectWidth(g_WindowGeometry.m_ClientRect), RectHeight(g_WindowGeometry.m_ClientRect)};
    FillRect(windowDC, &client, black);
    SetBkMode(windowDC, TRANSPARENT);
    if (image)
        BitBlt(windowDC, 0, 0, SPLASH_WIDTH, SPLASH_HEIGHT, memoryDC, 0, 0, SRCCOPY);
    SetTextColor(windowDC, RGB(0, 0, 0));
    TextOutA(windowDC, 0, 0, LOADING_TEXT, static_cast<int>(strlen(LOADING_TEXT)));

    DeleteObject(black);
    EndPaint(g_hWnd, &paint);
    if (image)
        SelectObject(memoryDC, previous);
    DeleteDC(memoryDC);
    if (image)
        DeleteObject(image);
}
