#include "Display/Font2D.h"

#include <algorithm>
#include <cstring>

#include "Core/FatalError.h"
#include "Display/Display.h"
#include "Display/FontRasteriser.h"

namespace {

const uint32_t LARGE_FONT_TEXTURE = 1024;
const uint32_t MEDIUM_FONT_TEXTURE = 512;
const uint32_t SMALL_FONT_TEXTURE = 256;
const int32_t LARGE_FONT_ABOVE = 40;
const int32_t MEDIUM_FONT_FROM = 16;

const int POINTS_PER_INCH = 72;
// From this size on, the glyph of 'i' spills one texel into its neighbour's
// cell, so it is taken one texel narrower.
const int32_t NARROW_I_FROM = 22;
// Lines are spaced by the height of the space's cell times this.
const float LINE_SPACING = 1.8f;
// Line heights are in texels of a 480-line virtual screen.
const float VIRTUAL_SCREEN_HEIGHT = 480.0f;

const DWORD VERTEX_BUFFER_USAGE = D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY;
const UINT VERTEX_BUFFER_BYTES = CFont2D::MAX_VERTICES * sizeof(FONT2DVERTEX);
const uint32_t TRIANGLES_PER_GLYPH = 2;
const uint32_t VERTICES_PER_TRIANGLE = 3;

// A4R4G4B4 texels: white, with the coverage's top four bits as alpha.
const uint16_t TEXEL_WHITE = 0x0FFF;
const int TEXEL_ALPHA_SHIFT = 12;
const int COVERAGE_NIBBLE_SHIFT = 4;
const uint32_t COVERAGE_NIBBLE_MASK = 0xF;

const size_t NO_SPACE = static_cast<size_t>(-1);

// The last space at or before `i` on the current line; index 0 is never a
// break, since breaking there would leave an empty first line.
size_t FindBreakSpace(const char* text, size_t i, size_t lineStart)
{
    const size_t lowest = std::max<size_t>(lineStart, 1);
    for (size_t j = i + 1; j > lowest; --j) {
        if (text[j - 1] == ' ')
            return j - 1;
    }
    return NO_SPACE;
}

float ScaledWidth(const CFont2D& font, char c)
{
    return font.GetCharWidth(c) * font.GetScale();
}

} // namespace

CFontDesc::CFontDesc(const char* faceName, bool bold, bool italic, bool antialias, int32_t size, float scale)
    : m_FaceName(faceName != nullptr ? faceName : ""), m_bBold(bold), m_bItalic(italic), m_bAntialias(antialias),
      m_Size(size), m_Scale(scale)
{
}

CFont2D::CFont2D(CFontRasteriser* rasteriser) : m_pRasteriser(rasteriser)
{
    Clear();
}

CFont2D::~CFont2D()
{
    Invalidate();
}

void CFont2D::Clear()
{
    m_LineHeight = 0;
    m_fScale = 1.0f;
    m_pTexture = nullptr;
    m_pVB = nullptr;
    m_TexWidth = 0;
    m_TexHeight = 0;
    m_fTextureFactor = 1.0f;
    std::fill(std::begin(m_Glyphs), std::end(m_Glyphs), CGlyphRect());
    m_bInitialised = false;
    m_bReady = false;
    m_Desc = CFontDesc();
}

bool CFont2D::Init(const CFontDesc& desc)
{
    if (m_bInitialised)
        return true;
    IDirect3DDevice8* device = g_Display.GetD3DDevice();
    m_fTextureFactor = 1.0f;
    m_LineHeight = static_cast<uint32_t>(std::max<int32_t>(desc.m_Size, 0));
    m_fScale = desc.m_Scale;
    ChooseTextureSize(device, desc.m_Size);
    if (device == nullptr || FAILED(device->CreateTexture(m_TexWidth, m_TexHeight, 1, 0, D3DFMT_A4R4G4B4,
                                                          D3DPOOL_MANAGED, &m_pTexture)))
        FatalError("CFont2D::Init. Unable to create texture for font <%s>", desc.m_FaceName.c_str());

    CGdiFontRasteriser gdi;
    CFontRasteriser& rasteriser = m_pRasteriser != nullptr ? *m_pRasteriser : gdi;
    if (!RasteriseGlyphs(rasteriser, desc)) {
        ReleaseDeviceObjects();
        return false;
    }

    if (!m_bReady && FAILED(device->CreateVertexBuffer(VERTEX_BUFFER_BYTES, VERTEX_BUFFER_USAGE, 0,
                                                       D3DPOOL_DEFAULT, &m_pVB)))
        FatalError("CFont2D::Restore. Unable to create vertex buffer");
    m_Desc = desc;
    m_bReady = true;
    m_bInitialised = true;
    return true;
}

// Square; a device that cannot hold the wanted size gets its largest, and
// the glyphs are rasterised smaller by the same factor.
void CFont2D::ChooseTextureSize(IDirect3DDevice8* device, int32_t pointSize)
{
    uint32_t size = SMALL_FONT_TEXTURE;
    if (pointSize > LARGE_FONT_ABOVE)
        size = LARGE_FONT_TEXTURE;
    else if (pointSize >= MEDIUM_FONT_FROM)
        size = MEDIUM_FONT_TEXTURE;

    D3DCAPS8 caps = {};
    if (device != nullptr && SUCCEEDED(device->GetDeviceCaps(&caps)) && caps.MaxTextureWidth > 0 &&
        caps.MaxTextureWidth < size) {
        m_fTextureFactor = static_cast<float>(caps.MaxTextureWidth) / static_cast<float>(size);
        size = caps.MaxTextureWidth;
    }
    m_TexWidth = size;
    m_TexHeight = size;
}

bool CFont2D::RasteriseGlyphs(CFontRasteriser& rasteriser, const CFontDesc& desc)
{
    if (!rasteriser.BeginCanvas(static_cast<int>(m_TexWidth)))
        return false;
    const int pixelsPerInch = static_cast<int>(static_cast<float>(rasteriser.GetPixelsPerInch()) * m_fTextureFactor);
    CFontRequest request;
    request.m_Height = -MulDiv(desc.m_Size, pixelsPerInch, POINTS_PER_INCH);
    request.m_Weight = desc.m_bBold ? FW_BOLD : FW_NORMAL;
    request.m_bItalic = desc.m_bItalic;
    request.m_Quality = desc.m_bAntialias ? ANTIALIASED_QUALITY : NONANTIALIASED_QUALITY;
    request.m_pFaceName = desc.m_FaceName.c_str();
    if (!rasteriser.SelectFont(request)) {
        rasteriser.EndCanvas();
        return false;
    }
    LayOutGlyphs(rasteriser, desc.m_Size);
    FillTexture(rasteriser.GetPixels());
    rasteriser.EndCanvas();
    return true;
}

// Left to right in rows, one texel apart, each row as high as the cell of
// the character that opened it.
void CFont2D::LayOutGlyphs(CFontRasteriser& rasteriser, int32_t pointSize)
{
    const float width = static_cast<float>(m_TexWidth);
    const float height = static_cast<float>(m_TexHeight);
    long x = 0;
    long y = 0;
    for (int code = FIRST_CHAR; code <= LAST_CHAR; ++code) {
        const char c = static_cast<char>(code);
        SIZE cell = rasteriser.MeasureChar(c);
        cell.cx = std::max<LONG>(cell.cx, 0);
        cell.cy = std::max<LONG>(cell.cy, 0);
        if (x + cell.cx + 1 > static_cast<long>(m_TexWidth)) {
            x = 0;
            y += cell.cy + 1;
        }
        rasteriser.DrawChar(static_cast<int>(x), static_cast<int>(y), c);

        CGlyphRect& glyph = m_Glyphs[code - FIRST_CHAR];
        const long right = (c == 'i' && pointSize >= NARROW_I_FROM) ? x + cell.cx - 1 : x + cell.cx;
        glyph.m_Left = static_cast<float>(x) / width;
        glyph.m_Top = static_cast<float>(y) / height;
        glyph.m_Bottom = static_cast<float>(y + cell.cy) / height;
        glyph.m_Right = static_cast<float>(right) / width;
        x += cell.cx + 1;
    }
    const CGlyphRect& space = m_Glyphs[0];
    m_LineHeight = static_cast<uint32_t>((space.m_Bottom - space.m_Top) * height * LINE_SPACING);
}

void CFont2D::FillTexture(const uint32_t* pixels)
{
    D3DLOCKED_RECT locked = {};
    if (pixels == nullptr || FAILED(m_pTexture->LockRect(0, &locked, nullptr, 0)))
        return;
    for (uint32_t y = 0; y < m_TexHeight; ++y) {
        uint16_t* row = reinterpret_cast<uint16_t*>(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch);
        const uint32_t* source = pixels + static_cast<size_t>(y) * m_TexWidth;
        for (uint32_t x = 0; x < m_TexWidth; ++x) {
            const uint32_t alpha = (source[x] >> COVERAGE_NIBBLE_SHIFT) & COVERAGE_NIBBLE_MASK;
            row[x] = static_cast<uint16_t>((alpha << TEXEL_ALPHA_SHIFT) | TEXEL_WHITE);
        }
    }
    m_pTexture->UnlockRect(0);
}

void CFont2D::ReleaseDeviceObjects()
{
    if (m_pVB != nullptr)
        m_pVB->Release();
    if (m_pTexture != nullptr)
        m_pTexture->Release();
    m_pVB = nullptr;
    m_pTexture = nullptr;
}

void CFont2D::Invalidate()
{
    if (!m_bInitialised || !m_bReady)
        return;
    ReleaseDeviceObjects();
    m_bInitialised = false;
    m_bReady = false;
}

void CFont2D::Restore()
{
    if (m_bInitialised || m_bReady)
        return;
    Init(m_Desc);
}

bool CFont2D::Matches(const CFontDesc& desc) const
{
    return desc.m_bBold == m_Desc.m_bBold && desc.m_bItalic == m_Desc.m_bItalic &&
           desc.m_FaceName == m_Desc.m_FaceName && desc.m_Size == m_Desc.m_Size && desc.m_Scale == m_Desc.m_Scale;
}

const CGlyphRect* CFont2D::FindGlyph(char c) const
{
    const unsigned char code = static_cast<unsigned char>(c);
    if (code < FIRST_CHAR || code > LAST_CHAR)
        return nullptr;
    return &m_Glyphs[code - FIRST_CHAR];
}

bool CFont2D::GetGlyph(char c, CGlyphRect& glyph) const
{
    const CGlyphRect* found = FindGlyph(c);
    if (found == nullptr)
        return false;
    glyph = *found;
    return true;
}

float CFont2D::GetCharWidth(char c) const
{
    const CGlyphRect* glyph = FindGlyph(c);
    return glyph != nullptr ? glyph->m_Right - glyph->m_Left : 0.0f;
}

std::unique_ptr<CTextQuads> CFont2D::BuildText(const char* text) const
{
    auto quads = std::make_unique<CTextQuads>();
    if (!BuildText(text, *quads))
        return nullptr;
    return quads;
}

bool CFont2D::BuildText(const char* text, CTextQuads& quads) const
{
    if (text == nullptr || !m_bInitialised || !m_bReady)
        return false;
    quads.m_Vertices.clear();
    quads.m_NumTriangles = 0;
    quads.m_Vertices.reserve(std::strlen(text) * VERTICES_PER_GLYPH);
    const float lineStep = static_cast<float>(m_LineHeight) / VIRTUAL_SCREEN_HEIGHT;
    float px = 0.0f;
    float py = 0.0f;
    for (const char* c = text; *c != '\0'; ++c) {
        if (*c == '\n') {
            px = 0.0f;
            py += lineStep;
            continue;
        }
        const CGlyphRect* glyph = FindGlyph(*c);
        if (glyph == nullptr)
            continue;
        const float w = glyph->m_Right - glyph->m_Left;
        const float h = glyph->m_Bottom - glyph->m_Top;
        if (*c != ' ') {
            const FONT2DVERTEX corners[VERTICES_PER_GLYPH] = {
                {px, py + h, 1.0f, 1.0f, 0xFFFFFFFF, glyph->m_Left, glyph->m_Bottom},
                {px, py, 1.0f, 1.0f, 0xFFFFFFFF, glyph->m_Left, glyph->m_Top},
                {px + w, py + h, 1.0f, 1.0f, 0xFFFFFFFF, glyph->m_Right, glyph->m_Bottom},
                {px + w, py, 1.0f, 1.0f, 0xFFFFFFFF, glyph->m_Right, glyph->m_Top},
                {px + w, py + h, 1.0f, 1.0f, 0xFFFFFFFF, glyph->m_Right, glyph->m_Bottom},
                {px, py, 1.0f, 1.0f, 0xFFFFFFFF, glyph->m_Left, glyph->m_Top},
            };
            quads.m_Vertices.insert(quads.m_Vertices.end(), std::begin(corners), std::end(corners));
            quads.m_NumTriangles += TRIANGLES_PER_GLYPH;
        }
        px += w;
    }
    return true;
}

void CFont2D::DrawText(const CTextQuads& quads, D3DCOLOR colour, float x, float y, int32_t limit, bool setStates)
{
    if (!m_bInitialised || !m_bReady)
        FatalError("CFont2D::DrawText. Object not intialized or ready");
    IDirect3DDevice8* device = g_Display.GetD3DDevice();
    if (device == nullptr)
        return;
    const CDisplayMode& mode = g_Display.GetCurrentMode();
    const float screenWidth = static_cast<float>(mode.Width);
    const float screenHeight = static_cast<float>(mode.Height);
    const float sx = screenWidth * m_fScale;
    const float sy = screenHeight * m_fScale;
    if (setStates) {
        device->SetRenderState(D3DRS_TEXTUREFACTOR, colour);
        device->SetVertexShader(D3DFVF_FONT2DVERTEX);
        device->SetTexture(0, m_pTexture);
    }
    device->SetStreamSource(0, m_pVB, sizeof(FONT2DVERTEX));

    uint32_t triangles = std::min<size_t>(quads.m_NumTriangles, quads.m_Vertices.size() / VERTICES_PER_TRIANGLE);
    if (limit >= 0 && static_cast<uint64_t>(limit) * TRIANGLES_PER_GLYPH < triangles)
        triangles = static_cast<uint32_t>(limit) * TRIANGLES_PER_GLYPH;
    if (triangles == 0)
        return;

    BYTE* data = nullptr;
    if (FAILED(m_pVB->Lock(0, 0, &data, D3DLOCK_DISCARD)))
        return;
    uint32_t inBatch = 0;
    for (uint32_t t = 0; t < triangles; ++t) {
        FONT2DVERTEX* out = reinterpret_cast<FONT2DVERTEX*>(data) + inBatch * VERTICES_PER_TRIANGLE;
        const FONT2DVERTEX* in = &quads.m_Vertices[t * VERTICES_PER_TRIANGLE];
        for (uint32_t k = 0; k < VERTICES_PER_TRIANGLE; ++k) {
            out[k] = in[k];
            out[k].diffuse = colour;
            out[k].x = in[k].x * sx + screenWidth * x;
            out[k].y = in[k].y * sy + screenHeight * y;
        }
        if (++inBatch < TRIANGLES_PER_DRAW)
            continue;
        m_pVB->Unlock();
        device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, inBatch);
        inBatch = 0;
        if (t + 1 < triangles && FAILED(m_pVB->Lock(0, 0, &data, D3DLOCK_DISCARD)))
            return;
    }
    if (inBatch == 0)
        return;
    m_pVB->Unlock();
    device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, inBatch);
}

float CFont2D::GetTextWidth(const char* text) const
{
    if (text == nullptr || !m_bInitialised || !m_bReady)
        return 0.0f;
    float width = 0.0f;
    for (const char* c = text; *c != '\0'; ++c)
        width += GetCharWidth(*c) * m_fScale;
    return width;
}

float CFont2D::GetTextHeight(const char* text) const
{
    if (text == nullptr || !m_bInitialised || !m_bReady)
        return 0.0f;
    float height = 0.0f;
    for (const char* c = text; *c != '\0'; ++c) {
        const CGlyphRect* glyph = FindGlyph(*c);
        if (glyph != nullptr)
            height = std::max(height, (glyph->m_Bottom - glyph->m_Top) * m_fScale);
    }
    return height;
}

void WordWrapString(std::string& text, const CFont2D* font, float startWidth, float maxWidth)
{
    if (font == nullptr)
        return;
    const float lineStartWidth = startWidth * font->GetScale();
    float width = lineStartWidth;
    size_t lineStart = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\n') {
            width = lineStartWidth;
            lineStart = i + 1;
            continue;
        }
        width += ScaledWidth(*font, text[i]);
        if (width <= maxWidth)
            continue;
        const size_t space = FindBreakSpace(text.c_str(), i, lineStart);
        if (space != NO_SPACE) {
            // The rest of the line is counted again on the new one.
            text[space] = '\n';
            width = lineStartWidth;
            lineStart = space + 1;
            i = space;
            continue;
        }
        text.insert(i, 1, '\n');
        lineStart = i + 1;
        ++i;
        width = lineStartWidth + ScaledWidth(*font, text[i]);
    }
}

void SplitTextIntoLines(const char* text, const CFont2D* font, float startWidth, float maxWidth,
                        std::vector<std::string>& lines)
{
    if (text == nullptr || font == nullptr)
        return;
    // Not even one character would fit on a line.
    if (startWidth >= maxWidth || font->GetCharWidth('M') > maxWidth)
        return;
    const float lineStartWidth = startWidth * font->GetScale();
    const size_t length = std::strlen(text);
    float width = lineStartWidth;
    size_t lineStart = 0;
    for (size_t i = 0; i < length; ++i) {
        if (text[i] == '\n') {
            width = lineStartWidth;
            lines.emplace_back(text + lineStart, i - lineStart);
            lineStart = i;
            continue;
        }
        width += ScaledWidth(*font, text[i]);
        if (width <= maxWidth)
            continue;
        const size_t space = FindBreakSpace(text, i, lineStart);
        if (space != NO_SPACE) {
            if (space > lineStart)
                lines.emplace_back(text + lineStart, space - lineStart);
            lineStart = space + 1;
            width = lineStartWidth;
            for (size_t k = lineStart; k <= i; ++k)
                width += ScaledWidth(*font, text[k]);
            continue;
        }
        lines.emplace_back(text + lineStart, i - lineStart);
        lineStart = i;
        width = lineStartWidth + ScaledWidth(*font, text[i]);
    }
    if (length > 0)
        lines.emplace_back(text + lineStart);
}
