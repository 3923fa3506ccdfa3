#pragma once

#include "Core/Window.h"

extern const char* const WINDOW_CLASS_NAME;
extern const char* const WINDOW_TITLE;

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow);
LRESULT CALLBACK WndProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

bool RegisterWindowClass();
bool CreateMainWindow();
