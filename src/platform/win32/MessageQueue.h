#pragma once
// The posted-message queue shared by the Win32 stand-in's files.

#include "platform/win32/Windows.h"

namespace MessageQueue {

void Post(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

// Queues WM_PAINT unless one already waits for the window: like Win32, many
// invalidations make one paint.
void PostPaint(HWND hWnd);

// Drops every queued message of a window that is going away.
void Discard(HWND hWnd);

} // namespace MessageQueue
