#pragma once

#include "platform/win32/Windows.h"

// The window's geometry in screen coordinates. The margins are what the
// window's decorations add around the client area: left and top negative,
// right and bottom positive.
struct CWindowGeometry {
    RECT m_Margins = {0, 0, 0, 0};
    RECT m_ClientRect = {0, 0, 0, 0};
    RECT m_WindowRect = {0, 0, 0, 0};
};

extern HINSTANCE g_hInstance;
extern HWND g_hWnd;
extern CWindowGeometry g_WindowGeometry;

extern const char* const WINDOW_CLASS_NAME;
extern const char* const WINDOW_TITLE;
extern const char* const SPLASH_IMAGE;

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow);
LRESULT CALLBACK WndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

bool RegisterWindowClass();
bool CreateMainWindow();
bool UpdateClientRect();
bool SetClientSize(int width, int height);
void CenterWindow(HWND hWnd);
void ShowSplashScreen();
