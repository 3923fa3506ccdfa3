#pragma once
// The objects behind GDI handles (bitmaps, brushes, device contexts). Internal
// to the Win32 stand-in: a handle handed to the game points at one of these.

#include "platform/d3dx8/BmpImage.h"
#include "platform/win32/Windows.h"

enum class GdiKind { Bitmap, Brush };

struct GdiObject {
    explicit GdiObject(GdiKind objectKind, bool isStock) : kind(objectKind), stock(isStock) {}
    virtual ~GdiObject() = default;

    const GdiKind kind;
    const bool stock; // stock objects belong to the system and are never deleted
};

struct HBITMAP__ : GdiObject {
    explicit HBITMAP__(bool isStock = false) : GdiObject(GdiKind::Bitmap, isStock) {}
    BmpImage image;
};

struct HBRUSH__ : GdiObject {
    HBRUSH__(COLORREF brushColor, bool isStock) : GdiObject(GdiKind::Brush, isStock), color(brushColor) {}
    const COLORREF color;
};

// A device context: either a window's (draws on the window with OpenGL) or a
// memory one (holds a selected bitmap as a blit source).
struct HDC__ {
    HWND window = nullptr; // null for a memory context
    HBITMAP bitmap = nullptr;
    HBRUSH brush = nullptr;
    int backgroundMode = OPAQUE;
    COLORREF textColor = RGB(0, 0, 0);
};
