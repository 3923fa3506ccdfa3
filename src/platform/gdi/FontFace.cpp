#include "platform/gdi/FontFace.h"

#include <algorithm>
#include <climits>

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

namespace {

constexpr int kSubpixels = 64;          // FreeType's 26.6 fixed point
constexpr int kDefaultCellHeight = 16;  // a font asked for with height 0
constexpr int kMaxPixelHeight = 2048;   // beyond this a request is taken as garbage
// Synthetic bold thickens strokes by a 24th of the em, at least one pixel.
constexpr int kEmboldenDivisor = 24;
// Synthetic italic leans about 12 degrees: tan 12 deg in 16.16 fixed point.
constexpr FT_Fixed kItalicShear = 0x366A;
constexpr FT_Fixed kFixedOne = 0x10000;
constexpr uint8_t kFullCoverage = 255;
constexpr int kBitsPerByte = 8;

int CeilPixels(FT_Pos value)
{
    return static_cast<int>((value + kSubpixels - 1) / kSubpixels);
}

int RoundPixels(FT_Pos value)
{
    return static_cast<int>((value + kSubpixels / 2) / kSubpixels);
}

int FloorPixels(FT_Pos value)
{
    return static_cast<int>(value >= 0 ? value / kSubpixels : -((-value + kSubpixels - 1) / kSubpixels));
}

// One FreeType instance for every face; each face holds a share so the
// library is released only after the last face, whatever the exit order.
std::shared_ptr<FT_LibraryRec_> Library()
{
    static const std::shared_ptr<FT_LibraryRec_> library = [] {
        FT_Library raw = nullptr;
        if (FT_Init_FreeType(&raw) != 0)
            return std::shared_ptr<FT_LibraryRec_>();
        return std::shared_ptr<FT_LibraryRec_>(raw, [](FT_Library done) { FT_Done_FreeType(done); });
    }();
    return library;
}

// A row of a rendered glyph, counted from the top whichever way it is stored.
const uint8_t* BitmapRow(const FT_Bitmap& bitmap, unsigned row)
{
    const int pitch = bitmap.pitch;
    if (pitch >= 0)
        return bitmap.buffer + static_cast<size_t>(row) * pitch;
    return bitmap.buffer + static_cast<size_t>(bitmap.rows - 1 - row) * static_cast<size_t>(-pitch);
}

uint8_t BitmapLevel(const FT_Bitmap& bitmap, const uint8_t* row, unsigned column)
{
    if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) {
        const unsigned bit = kBitsPerByte - 1 - column % kBitsPerByte;
        return ((row[column / kBitsPerByte] >> bit) & 1) != 0 ? kFullCoverage : 0;
    }
    return row[column];
}

} // namespace

std::unique_ptr<FontFace> FontFace::Create(const FontRequest& request)
{
    ResolvedFont font;
    if (!FontResolver::Resolve(request.faceName.c_str(), request.bold, request.italic, font))
        return nullptr;
    return Open(font, request);
}

std::unique_ptr<FontFace> FontFace::Open(const ResolvedFont& font, const FontRequest& request)
{
    std::shared_ptr<FT_LibraryRec_> library = Library();
    if (!library)
        return nullptr;
    FT_Face face = nullptr;
    if (FT_New_Face(library.get(), font.file.c_str(), font.index, &face) != 0)
        return nullptr;
    std::unique_ptr<FontFace> opened(new FontFace(std::move(library), face, request, font));
    // Only outlines can be sized freely, emboldened and sheared.
    if (!FT_IS_SCALABLE(face) || !opened->SetSize(request.height))
        return nullptr;
    return opened;
}

FontFace::FontFace(std::shared_ptr<FT_LibraryRec_> library, FT_FaceRec_* face, const FontRequest& request,
                   const ResolvedFont& font)
    : m_Library(std::move(library)),
      m_Face(face),
      m_Antialias(request.antialias),
      m_SyntheticBold(request.bold && !font.bold),
      m_SyntheticItalic(request.italic && !font.italic)
{
}

FontFace::~FontFace()
{
    FT_Done_Face(m_Face);
}

bool FontFace::SetSize(int height)
{
    if (height < -kMaxPixelHeight || height > kMaxPixelHeight)
        return false;
    FT_Size_RequestRec size = {};
    if (height < 0) {
        size.type = FT_SIZE_REQUEST_TYPE_NOMINAL;
        size.height = static_cast<FT_Long>(-height) * kSubpixels;
    } else {
        // A cell is ascent plus descent; FreeType's "real dimension" is that.
        size.type = FT_SIZE_REQUEST_TYPE_REAL_DIM;
        size.height = static_cast<FT_Long>(height == 0 ? kDefaultCellHeight : height) * kSubpixels;
    }
    if (FT_Request_Size(m_Face, &size) != 0)
        return false;

    const FT_Size_Metrics& metrics = m_Face->size->metrics;
    m_Ascent = std::max(CeilPixels(metrics.ascender), 0);
    m_Descent = std::max(CeilPixels(-metrics.descender), 0);
    const int emboldenPixels = std::max(1, (metrics.y_ppem + kEmboldenDivisor / 2) / kEmboldenDivisor);
    m_EmboldenStrength = m_SyntheticBold ? static_cast<long>(emboldenPixels) * kSubpixels : 0;
    return true;
}

bool FontFace::LoadGlyph(unsigned char character) const
{
    // Glyph 0, for a character the face lacks, draws the face's box, as GDI
    // draws its default character.
    const FT_UInt glyph = FT_Get_Char_Index(m_Face, character);
    const FT_Int32 flags = FT_LOAD_NO_BITMAP | (m_Antialias ? FT_LOAD_TARGET_NORMAL : FT_LOAD_TARGET_MONO);
    if (FT_Load_Glyph(m_Face, glyph, flags) != 0)
        return false;
    FT_GlyphSlot slot = m_Face->glyph;
    if (slot->format != FT_GLYPH_FORMAT_OUTLINE)
        return true;
    if (m_SyntheticBold) {
        // Thicken sideways only and keep the left edge where it was, as
        // bold simulated by overstriking does.
        FT_Outline_EmboldenXY(&slot->outline, m_EmboldenStrength, 0);
        FT_Outline_Translate(&slot->outline, m_EmboldenStrength / 2, 0);
    }
    if (m_SyntheticItalic) {
        FT_Matrix shear = {kFixedOne, kItalicShear, 0, kFixedOne}; // leans right above the baseline
        FT_Outline_Transform(&slot->outline, &shear);
    }
    return true;
}

int FontFace::LoadedAdvance() const
{
    return std::max(RoundPixels(m_Face->glyph->advance.x + m_EmboldenStrength), 0);
}

int FontFace::Width(const char* text, size_t count) const
{
    if (text == nullptr)
        return 0;
    long long width = 0;
    for (size_t i = 0; i < count && width < INT_MAX; ++i) {
        if (LoadGlyph(static_cast<unsigned char>(text[i])))
            width += LoadedAdvance();
    }
    return static_cast<int>(std::min<long long>(width, INT_MAX));
}

TextCoverage FontFace::Rasterise(const char* text, size_t count, const PixelRect& visible) const
{
    TextCoverage coverage;
    const PixelRect area = Intersect(visible, {0, 0, Width(text, count), CellHeight()});
    if (area.IsEmpty())
        return coverage;
    coverage.left = area.left;
    coverage.top = area.top;
    coverage.width = area.right - area.left;
    coverage.height = area.bottom - area.top;
    coverage.levels.assign(static_cast<size_t>(coverage.width) * coverage.height, 0);

    long long penX = 0;
    for (size_t i = 0; i < count && penX < area.right; ++i) {
        if (!LoadGlyph(static_cast<unsigned char>(text[i])))
            continue;
        FT_BBox box = {};
        FT_Outline_Get_CBox(&m_Face->glyph->outline, &box);
        const long long inkLeft = penX + FloorPixels(box.xMin);
        const long long inkRight = penX + CeilPixels(box.xMax);
        if (inkRight > area.left && inkLeft < area.right)
            DrawLoadedGlyph(penX, coverage);
        penX += LoadedAdvance();
    }
    return coverage;
}

void FontFace::DrawLoadedGlyph(long long penX, TextCoverage& coverage) const
{
    FT_GlyphSlot slot = m_Face->glyph;
    if (FT_Render_Glyph(slot, m_Antialias ? FT_RENDER_MODE_NORMAL : FT_RENDER_MODE_MONO) != 0)
        return;
    const FT_Bitmap& bitmap = slot->bitmap;
    if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY && bitmap.pixel_mode != FT_PIXEL_MODE_MONO)
        return;
    // Glyph pixels in the coverage's own coordinates; only glyphs near the
    // coverage are drawn, so this is small.
    const int originX = static_cast<int>(penX - coverage.left + slot->bitmap_left);
    const int originY = m_Ascent - slot->bitmap_top - coverage.top;
    for (unsigned row = 0; row < bitmap.rows; ++row) {
        const int y = originY + static_cast<int>(row);
        if (y < 0 || y >= coverage.height)
            continue;
        const uint8_t* source = BitmapRow(bitmap, row);
        uint8_t* target = coverage.levels.data() + static_cast<size_t>(y) * coverage.width;
        const int firstColumn = std::max(0, -originX);
        const int endColumn = std::min(static_cast<int>(bitmap.width), coverage.width - originX);
        for (int column = firstColumn; column < endColumn; ++column) {
            // Where neighbouring glyphs overlap, the stronger ink wins.
            uint8_t& level = target[originX + column];
            level = std::max(level, BitmapLevel(bitmap, source, static_cast<unsigned>(column)));
        }
    }
}
