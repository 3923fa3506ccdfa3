#pragma once
// The Win32 calls the game makes: window class and window, the message queue
// and window procedure, GDI for the splash and for rasterising the bitmap
// fonts, the message box, the cursor and winmm's millisecond clock. One SDL
// window stands behind the one HWND.

#include "platform/win32/Win32Types.h"

struct HWND__;
struct HINSTANCE__;
struct HDC__;
struct HBITMAP__;
struct HBRUSH__;
struct HFONT__;
struct HCURSOR__;
struct HICON__;
struct HMENU__;
typedef HWND__* HWND;
typedef HINSTANCE__* HINSTANCE;
typedef HINSTANCE HMODULE;
typedef HDC__* HDC;
typedef HBITMAP__* HBITMAP;
typedef HBRUSH__* HBRUSH;
typedef HFONT__* HFONT;
typedef HCURSOR__* HCURSOR;
typedef HICON__* HICON;
typedef HMENU__* HMENU;
typedef void* HGDIOBJ;
typedef void* HANDLE;
typedef WORD ATOM;
typedef UINT MMRESULT;

typedef LRESULT(CALLBACK* WNDPROC)(HWND, UINT, WPARAM, LPARAM);

struct WNDCLASSA {
    UINT style;
    WNDPROC lpfnWndProc;
    int cbClsExtra;
    int cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    LPCSTR lpszMenuName;
    LPCSTR lpszClassName;
};

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};

struct PAINTSTRUCT {
    HDC hdc;
    BOOL fErase;
    RECT rcPaint;
};

struct SIZE {
    LONG cx;
    LONG cy;
};

struct BITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight; // negative: rows from the top
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
};

struct RGBQUAD {
    BYTE rgbBlue;
    BYTE rgbGreen;
    BYTE rgbRed;
    BYTE rgbReserved;
};

struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
};

struct SYSTEMTIME {
    WORD wYear;
    WORD wMonth;
    WORD wDayOfWeek;
    WORD wDay;
    WORD wHour;
    WORD wMinute;
    WORD wSecond;
    WORD wMilliseconds;
};

// Window messages.
#define WM_NULL 0x0000
#define WM_DESTROY 0x0002
#define WM_MOVE 0x0003
#define WM_PAINT 0x000F
#define WM_CLOSE 0x0010
#define WM_QUIT 0x0012
#define WM_ACTIVATEAPP 0x001C
#define WM_DISPLAYCHANGE 0x007E
#define WM_KEYDOWN 0x0100
#define WM_KEYUP 0x0101
#define WM_CHAR 0x0102
#define WM_SYSKEYDOWN 0x0104
#define WM_SYSKEYUP 0x0105
#define WM_SYSCHAR 0x0106
#define WM_SYSCOMMAND 0x0112
#define WM_MOUSEMOVE 0x0200
#define WM_ENTERMENULOOP 0x0211
#define WM_EXITMENULOOP 0x0212
#define WM_ENTERSIZEMOVE 0x0231
#define WM_EXITSIZEMOVE 0x0232

// WM_SYSCOMMAND codes.
#define SC_SIZE 0xF000
#define SC_MOVE 0xF010
#define SC_MAXIMIZE 0xF030
#define SC_KEYMENU 0xF100
#define SC_SCREENSAVE 0xF140
#define SC_MONITORPOWER 0xF170

// Virtual keys.
#define VK_RETURN 0x0D
#define VK_PAUSE 0x13
#define VK_ESCAPE 0x1B

// Window styles and placement.
#define WS_CAPTION 0x00C00000L
#define WS_SYSMENU 0x00080000L
#define WS_MINIMIZEBOX 0x00020000L
#define CW_USEDEFAULT ((int)0x80000000)
#define SWP_NOSIZE 0x0001
#define SWP_NOMOVE 0x0002
#define SWP_NOZORDER 0x0004
#define SW_HIDE 0
#define SW_SHOWNORMAL 1
#define SW_SHOW 5
#define SM_CXSCREEN 0
#define SM_CYSCREEN 1
#define SM_CXFULLSCREEN 16
#define SM_CYFULLSCREEN 17
#define PM_NOREMOVE 0x0000
#define PM_REMOVE 0x0001

// Resources, GDI.
#define MAKEINTRESOURCEA(i) ((LPCSTR)(uintptr_t)((WORD)(i)))
#define IDC_ARROW MAKEINTRESOURCEA(32512)
#define IMAGE_BITMAP 0
#define LR_LOADFROMFILE 0x0010
#define SRCCOPY 0x00CC0020
#define TRANSPARENT 1
#define OPAQUE 2
#define BLACK_BRUSH 4
#define RGB(r, g, b) ((COLORREF)(((BYTE)(r)) | (((WORD)((BYTE)(g))) << 8) | (((DWORD)((BYTE)(b))) << 16)))
#define CLR_INVALID 0xFFFFFFFF
#define GDI_ERROR 0xFFFFFFFFL
#define BI_RGB 0
#define DIB_RGB_COLORS 0
#define MM_TEXT 1
#define LOGPIXELSX 88
#define LOGPIXELSY 90
#define TA_LEFT 0
#define TA_TOP 0
#define ETO_OPAQUE 0x0002
#define ETO_CLIPPED 0x0004

// Fonts.
#define FW_NORMAL 400
#define FW_SEMIBOLD 600
#define FW_BOLD 700
#define DEFAULT_CHARSET 1
#define OUT_DEFAULT_PRECIS 0
#define CLIP_DEFAULT_PRECIS 0
#define NONANTIALIASED_QUALITY 3
#define ANTIALIASED_QUALITY 4
#define DEFAULT_PITCH 0
#define FF_MODERN 0x30

// Message box.
#define MB_OK 0x00000000L
#define MB_ICONHAND 0x00000010L
#define MB_SETFOREGROUND 0x00010000L
#define MB_TOPMOST 0x00040000L
#define IDOK 1

// winmm.
#define TIMERR_NOERROR 0
#define TIMERR_NOCANDO 97

// Process.
HMODULE GetModuleHandleA(LPCSTR moduleName);
void Sleep(DWORD milliseconds);
void GetLocalTime(SYSTEMTIME* time);

// Window class and window.
ATOM RegisterClassA(const WNDCLASSA* windowClass);
HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param);
BOOL DestroyWindow(HWND hWnd);
// True while the window exists, its WM_DESTROY included.
BOOL IsWindow(HWND hWnd);
BOOL AdjustWindowRect(RECT* rect, DWORD style, BOOL menu);
BOOL GetWindowRect(HWND hWnd, RECT* rect);
BOOL GetClientRect(HWND hWnd, RECT* rect);
BOOL ClientToScreen(HWND hWnd, POINT* point);
BOOL SetWindowPos(HWND hWnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
BOOL MoveWindow(HWND hWnd, int x, int y, int width, int height, BOOL repaint);
int GetSystemMetrics(int index);
BOOL ShowWindow(HWND hWnd, int cmdShow);
BOOL UpdateWindow(HWND hWnd);

// Messages.
BOOL PeekMessageA(MSG* msg, HWND hWnd, UINT filterMin, UINT filterMax, UINT removeMsg);
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessageA(const MSG* msg);
LRESULT DefWindowProcA(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
BOOL PostMessageA(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
void PostQuitMessage(int exitCode);

// Message box and cursor.
int MessageBoxA(HWND hWnd, LPCSTR text, LPCSTR caption, UINT type);
int ShowCursor(BOOL show);
HCURSOR LoadCursorA(HINSTANCE instance, LPCSTR cursorName);
BOOL GetCursorPos(POINT* point);
BOOL SetCursorPos(int x, int y);

// GDI: bitmaps, brushes and device contexts.
HDC BeginPaint(HWND hWnd, PAINTSTRUCT* paint);
BOOL EndPaint(HWND hWnd, const PAINTSTRUCT* paint);
HANDLE LoadImageA(HINSTANCE instance, LPCSTR name, UINT type, int cx, int cy, UINT load);
HDC CreateCompatibleDC(HDC hdc);
BOOL DeleteDC(HDC hdc);
HGDIOBJ SelectObject(HDC hdc, HGDIOBJ object);
BOOL DeleteObject(HGDIOBJ object);
HGDIOBJ GetStockObject(int object);
HBRUSH CreateSolidBrush(COLORREF color);
int FillRect(HDC hdc, const RECT* rect, HBRUSH brush);
int SetBkMode(HDC hdc, int mode);
COLORREF SetTextColor(HDC hdc, COLORREF color);
BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY, DWORD rop);
int MulDiv(int number, int numerator, int denominator);

// GDI text. Fonts come from the installed faces (a face name resolves to the
// nearest installed face); the device is 96 dots per inch. Text is drawn in
// its cell, as wide as GetTextExtentPoint32A reports and a cell high, with
// its top-left at the given point (TA_TOP | TA_LEFT is the only alignment);
// ink outside the cell is clipped. DIB sections are 32-bit and top-down. A
// colour with a non-zero high byte, such as 0xFFFFFFFF, draws black.
HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                         DWORD offset);
int SetMapMode(HDC hdc, int mode);
int GetDeviceCaps(HDC hdc, int index);
HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                  DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision,
                  DWORD quality, DWORD pitchAndFamily, LPCSTR faceName);
UINT SetTextAlign(HDC hdc, UINT align);
COLORREF SetBkColor(HDC hdc, COLORREF color);
BOOL GetTextExtentPoint32A(HDC hdc, LPCSTR text, int count, SIZE* size);
BOOL ExtTextOutA(HDC hdc, int x, int y, UINT options, const RECT* rect, LPCSTR text, UINT count,
                 const int* dx);
BOOL TextOutA(HDC hdc, int x, int y, LPCSTR text, int count);

// winmm.
DWORD timeGetTime();
MMRESULT timeBeginPeriod(UINT period);
MMRESULT timeEndPeriod(UINT period);

// Debugger output (kernel32), written to standard error.
void OutputDebugStringA(LPCSTR text);
