#pragma once
// Bitmap fonts: one face at one size rasterised once into a texture, with
// the rectangle of each printable character in it. Text is laid out once into
// textured screen-space triangles (BuildText) and drawn from a dynamic vertex
// buffer (DrawText). Glyph sizes are fractions of the texture; on screen they
// are scaled by the screen size times the font's scale.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/d3d8/D3D8.h"

class CFontRasteriser;

// The font description of every text call.
struct CFontDesc {
    CFontDesc() = default;
    CFontDesc(const char* faceName, bool bold, bool italic, bool antialias, int32_t size, float scale);

    std::string m_FaceName;
    bool m_bBold = false;
    bool m_bItalic = false;
    bool m_bAntialias = false;
    int32_t m_Size = 0; // in points
    float m_Scale = 1.0f;
};

// "Verdana" 13 and 8 points, antialiased, at half scale.
extern CFontDesc g_FontVerdana13;
extern CFontDesc g_FontVerdana8;

struct FONT2DVERTEX {
    float x, y, z, rhw;
    D3DCOLOR diffuse;
    float u, v;
};
const DWORD D3DFVF_FONT2DVERTEX = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;

// A string laid out in one font: two triangles per visible glyph, in units
// of the font texture, pen starting at (0, 0).
struct CTextQuads {
    std::vector<FONT2DVERTEX> m_Vertices;
    uint32_t m_NumTriangles = 0;
};

// A character's rectangle in the font texture, as fractions of its size.
struct CGlyphRect {
    float m_Left = 0.0f;
    float m_Top = 0.0f;
    float m_Right = 0.0f;
    float m_Bottom = 0.0f;
};

class CFont2D {
public:
    enum {
        FIRST_CHAR = 32, // space
        LAST_CHAR = 126,
        NUM_GLYPHS = LAST_CHAR - FIRST_CHAR + 1,
        MAX_VERTICES = 720,
        TRIANGLES_PER_DRAW = 120,
        VERTICES_PER_GLYPH = 6,
    };

    // A null rasteriser builds through the Win32 GDI; a given one is only
    // observed and must outlive the font.
    explicit CFont2D(CFontRasteriser* rasteriser = nullptr);
    ~CFont2D();
    CFont2D(const CFont2D&) = delete;
    CFont2D& operator=(const CFont2D&) = delete;

    void Clear();
    // Builds the texture, the glyph table and the vertex buffer on
    // g_Display's device. Does nothing when already initialised. False when
    // the face cannot be rasterised; a texture or vertex buffer that cannot
    // be made is fatal.
    bool Init(const CFontDesc& desc);
    // Before a device reset: releases the texture and the vertex buffer.
    void Invalidate();
    // After a device reset: builds the font again from its description.
    void Restore();
    // Same face, size, scale, bold and italic; antialiasing does not count.
    bool Matches(const CFontDesc& desc) const;

    // Null when the font is not initialised and ready, or `text` is null.
    std::unique_ptr<CTextQuads> BuildText(const char* text) const;
    // The same into `quads`, whose room is reused; false (and `quads`
    // untouched) where the other gives null.
    bool BuildText(const char* text, CTextQuads& quads) const;
    // Draws the first `limit` visible glyphs (any negative limit: all) at
    // (x, y), fractions of the screen. With `setStates` the colour, vertex
    // format and texture are set first; otherwise the caller has set them.
    void DrawText(const CTextQuads& quads, D3DCOLOR colour, float x, float y, int32_t limit, bool setStates);

    // Fractions of the screen width, resp. height, as DrawText places text;
    // 0 for a null text or a font that is not ready.
    float GetTextWidth(const char* text) const;
    float GetTextHeight(const char* text) const;
    // A character's unscaled width, right - left; 0 when it has no glyph.
    float GetCharWidth(char c) const;

    bool IsInitialised() const { return m_bInitialised; }
    bool IsReady() const { return m_bReady; }
    float GetScale() const { return m_fScale; }
    uint32_t GetLineHeight() const { return m_LineHeight; }
    uint32_t GetTextureSize() const { return m_TexWidth; }
    float GetTextureFactor() const { return m_fTextureFactor; }
    IDirect3DTexture8* GetTexture() const { return m_pTexture; }
    const CFontDesc& GetDesc() const { return m_Desc; }
    // False for characters without a glyph.
    bool GetGlyph(char c, CGlyphRect& glyph) const;

private:
    void ChooseTextureSize(IDirect3DDevice8* device, int32_t pointSize);
    bool RasteriseGlyphs(CFontRasteriser& rasteriser, const CFontDesc& desc);
    void LayOutGlyphs(CFontRasteriser& rasteriser, int32_t pointSize);
    void FillTexture(const uint32_t* pixels);
    void ReleaseDeviceObjects();
    const CGlyphRect* FindGlyph(char c) const;

    uint32_t m_LineHeight = 0;
    float m_fScale = 1.0f;
    IDirect3DTexture8* m_pTexture = nullptr;
    IDirect3DVertexBuffer8* m_pVB = nullptr;
    uint32_t m_TexWidth = 0;
    uint32_t m_TexHeight = 0;
    float m_fTextureFactor = 1.0f;
    CGlyphRect m_Glyphs[NUM_GLYPHS];
    bool m_bInitialised = false;
    bool m_bReady = false;
    CFontDesc m_Desc;
    CFontRasteriser* m_pRasteriser = nullptr;
};

// Breaks `text` in place with newlines so that no line grows wider than
// `maxWidth`, the first line (and each line after a newline) starting at
// `startWidth`. A line breaks at its last space before the overflowing
// character, else just before it.
void WordWrapString(std::string& text, const CFont2D* font, float startWidth, float maxWidth);
// The same breaking, appending each line to `lines`. A line that follows a
// newline in the text begins with that newline.
void SplitTextIntoLines(const char* text, const CFont2D* font, float startWidth, float maxWidth,
                        std::vector<std::string>& lines);
