#pragma once
// One face at one pixel size, as a GDI font is, rendered by FreeType. Bold and
// italic are synthesised (the outline emboldened, sheared) when the installed
// face has neither. Text runs on whole-pixel advances without kerning, as
// GDI's text output does, so a run's width is the sum of its characters'.
//
// Characters are single bytes read as Latin-1.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/gdi/FontResolver.h"
#include "platform/gdi/PixelRect.h"

struct FT_FaceRec_;
struct FT_LibraryRec_;

// What a font asks for, with CreateFont's meanings.
struct FontRequest {
    std::string faceName;
    int height = 0; // < 0: character (em) height in pixels; > 0: cell height; 0: the default size
    bool bold = false;
    bool italic = false;
    bool antialias = true; // false: every pixel is fully inked or not at all
};

// The ink of a run of text over part of its cell: one coverage byte per
// pixel, 0 (none) to 255 (full), rows from the top. `left` and `top` place
// it in the run's cell, whose top-left is (0, 0).
struct TextCoverage {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    std::vector<uint8_t> levels;

    uint8_t At(int x, int y) const { return levels[static_cast<size_t>(y) * width + x]; }
};

class FontFace {
public:
    // The face that best matches the request, or null when no font can be
    // found or opened.
    static std::unique_ptr<FontFace> Create(const FontRequest& request);
    // Opens a resolved file at the request's size; what the file's face lacks
    // of the request's bold and italic is synthesised.
    static std::unique_ptr<FontFace> Open(const ResolvedFont& font, const FontRequest& request);

    ~FontFace();
    FontFace(const FontFace&) = delete;
    FontFace& operator=(const FontFace&) = delete;

    int Ascent() const { return m_Ascent; }
    int CellHeight() const { return m_Ascent + m_Descent; }
    bool SynthesisesBold() const { return m_SyntheticBold; }
    bool SynthesisesItalic() const { return m_SyntheticItalic; }

    // The width of a run's cell: the sum of its advances.
    int Width(const char* text, size_t count) const;

    // The run's ink inside `visible` (cell coordinates), which is first
    // clipped to the cell: nothing is drawn outside the cell.
    TextCoverage Rasterise(const char* text, size_t count, const PixelRect& visible) const;

private:
    FontFace(std::shared_ptr<FT_LibraryRec_> library, FT_FaceRec_* face, const FontRequest& request,
             const ResolvedFont& font);

    bool SetSize(int height);
    bool LoadGlyph(unsigned char character) const;
    int LoadedAdvance() const;
    void DrawLoadedGlyph(long long penX, TextCoverage& coverage) const;

    std::shared_ptr<FT_LibraryRec_> m_Library; // outlives the face
    FT_FaceRec_* m_Face = nullptr;
    bool m_Antialias = true;
    bool m_SyntheticBold = false;
    bool m_SyntheticItalic = false;
    long m_EmboldenStrength = 0; // 26.6 pixels added to every glyph's width and advance
    int m_Ascent = 0;
    int m_Descent = 0;
};
