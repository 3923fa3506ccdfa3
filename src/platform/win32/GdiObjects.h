#pragma once
// The objects behind GDI handles (bitmaps, brushes, fonts, device contexts).
// Internal to the Win32 stand-in: a handle handed to the game points at one
// of these.

#include <memory>

#include "platform/d3dx8/BmpImage.h"
#include "platform/gdi/FontFace.h"
#include "platform/win32/Windows.h"

enum class GdiKind { Bitmap, Brush, Font };

struct GdiObject {
    explicit GdiObject(GdiKind objectKind, bool isStock) : kind(objectKind), stock(isStock) {}
    virtual ~GdiObject() = default;

    const GdiKind kind;
    const bool stock; // stock objects belong to the system and are never deleted
};

// Loaded bitmaps and DIB sections alike; a DIB section's bits are the
// image's pixels, rows from the top.
struct HBITMAP__ : GdiObject {
    explicit HBITMAP__(bool isStock = false) : GdiObject(GdiKind::Bitmap, isStock) {}
    BmpImage image;
};

struct HBRUSH__ : GdiObject {
    HBRUSH__(COLORREF brushColor, bool isStock) : GdiObject(GdiKind::Brush, isStock), color(brushColor) {}
    const COLORREF color;
};

// A font is its face, opened when the font is created; null only for the
// stock font when no face at all can be found.
struct HFONT__ : GdiObject {
    HFONT__(std::unique_ptr<FontFace> fontFace, bool isStock)
        : GdiObject(GdiKind::Font, isStock), face(std::move(fontFace)) {}
    const std::unique_ptr<FontFace> face;
};

// A device context: either a window's (draws on the window with OpenGL) or a
// memory one (holds a selected bitmap as a blit source and a target for text).
struct HDC__ {
    HWND window = nullptr; // null for a memory context
    HBITMAP bitmap = nullptr;
    HBRUSH brush = nullptr;
    HFONT font = nullptr; // null: the stock system font
    int backgroundMode = OPAQUE;
    COLORREF textColor = RGB(0, 0, 0);
    COLORREF backgroundColor = RGB(255, 255, 255);
};
