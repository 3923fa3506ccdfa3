#include <climits>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/gdi/FontFace.h"
#include "platform/gdi/FontResolver.h"

namespace {

constexpr int kPointsPerInch = 72;
constexpr int kDotsPerInch = 96;
constexpr PixelRect kEverything = {INT_MIN, INT_MIN, INT_MAX, INT_MAX};

// A character height in pixels for a point size, as the bitmap fonts ask.
int HeightForPoints(int points)
{
    return -((points * kDotsPerInch + kPointsPerInch / 2) / kPointsPerInch);
}

FontRequest Request(const char* faceName, int height, bool bold = false, bool italic = false,
                    bool antialias = true)
{
    FontRequest request;
    request.faceName = faceName;
    request.height = height;
    request.bold = bold;
    request.italic = italic;
    request.antialias = antialias;
    return request;
}

std::unique_ptr<FontFace> MustCreate(const FontRequest& request)
{
    std::unique_ptr<FontFace> face = FontFace::Create(request);
    EXPECT_NE(nullptr, face) << request.faceName;
    return face;
}

// Opens the installed upright, regular face with what `request` asks, so
// that bold and italic must be synthesised whatever faces are installed.
std::unique_ptr<FontFace> OpenRegularFaceAs(const FontRequest& request)
{
    ResolvedFont regular;
    EXPECT_TRUE(FontResolver::Resolve(request.faceName.c_str(), false, false, regular));
    EXPECT_FALSE(regular.bold);
    EXPECT_FALSE(regular.italic);
    std::unique_ptr<FontFace> face = FontFace::Open(regular, request);
    EXPECT_NE(nullptr, face);
    return face;
}

TextCoverage Ink(const FontFace& face, const std::string& text, const PixelRect& visible = kEverything)
{
    return face.Rasterise(text.data(), text.size(), visible);
}

int Width(const FontFace& face, const std::string& text)
{
    return face.Width(text.data(), text.size());
}

int InkedPixels(const TextCoverage& coverage)
{
    int inked = 0;
    for (uint8_t level : coverage.levels)
        inked += level != 0 ? 1 : 0;
    return inked;
}

// The mean column of the ink in rows [firstRow, endRow).
double InkCentre(const TextCoverage& coverage, int firstRow, int endRow)
{
    double sum = 0.0;
    double weight = 0.0;
    for (int y = firstRow; y < endRow; ++y) {
        for (int x = 0; x < coverage.width; ++x) {
            sum += static_cast<double>(x) * coverage.At(x, y);
            weight += coverage.At(x, y);
        }
    }
    return weight > 0.0 ? sum / weight : 0.0;
}

// How far the ink's top leans right of its bottom, in pixels.
double Lean(const TextCoverage& coverage)
{
    int top = coverage.height;
    int bottom = 0;
    for (int y = 0; y < coverage.height; ++y) {
        for (int x = 0; x < coverage.width; ++x) {
            if (coverage.At(x, y) != 0) {
                top = std::min(top, y);
                bottom = std::max(bottom, y + 1);
            }
        }
    }
    const int quarter = (bottom - top) / 4;
    return InkCentre(coverage, top, top + quarter) - InkCentre(coverage, bottom - quarter, bottom);
}

TEST(GdiFontFace, FaceNamesResolveThroughFontconfig)
{
    ResolvedFont verdana;
    ASSERT_TRUE(FontResolver::Resolve("Verdana", false, false, verdana));
    EXPECT_NE(std::string::npos, verdana.file.find("DejaVuSans")) << verdana.file;

    // A face nobody has installed still gets the nearest one, which draws.
    std::unique_ptr<FontFace> unknown = MustCreate(Request("Kelm No Such Face", HeightForPoints(13)));
    ASSERT_NE(nullptr, unknown);
    EXPECT_GT(InkedPixels(Ink(*unknown, "Loading...")), 0);
    // Bytes above 127 are Latin-1 characters.
    EXPECT_GT(InkedPixels(Ink(*unknown, "\xE9")), 0);
    EXPECT_NE(nullptr, FontFace::Create(Request("", HeightForPoints(8))));
}

TEST(GdiFontFace, ExtentsGrowWithPointSize)
{
    int previousWidth = 0;
    int previousHeight = 0;
    for (int points : {8, 13, 20, 41}) {
        std::unique_ptr<FontFace> face = MustCreate(Request("Verdana", HeightForPoints(points)));
        ASSERT_NE(nullptr, face);
        const int width = Width(*face, "M");
        EXPECT_GT(width, previousWidth) << points;
        EXPECT_GT(face->CellHeight(), previousHeight) << points;
        // The cell holds the em and a little more, never a lot more.
        EXPECT_GE(face->CellHeight(), -HeightForPoints(points)) << points;
        EXPECT_LE(face->CellHeight(), -HeightForPoints(points) * 3 / 2) << points;
        // A run is as wide as its characters together.
        EXPECT_EQ(3 * width + Width(*face, " "), Width(*face, "M MM")) << points;
        previousWidth = width;
        previousHeight = face->CellHeight();
    }
}

TEST(GdiFontFace, HeightsFollowCreateFont)
{
    // Positive heights ask for the cell, negative ones for the em.
    std::unique_ptr<FontFace> cell = MustCreate(Request("Verdana", 20));
    std::unique_ptr<FontFace> em = MustCreate(Request("Verdana", -20));
    std::unique_ptr<FontFace> standard = MustCreate(Request("Verdana", 0));
    ASSERT_TRUE(cell && em && standard);
    EXPECT_NEAR(20, cell->CellHeight(), 1);
    EXPECT_GT(em->CellHeight(), cell->CellHeight());
    EXPECT_NEAR(16, standard->CellHeight(), 1);
    EXPECT_EQ(nullptr, FontFace::Create(Request("Verdana", INT_MIN)));
    EXPECT_EQ(nullptr, FontFace::Create(Request("Verdana", INT_MAX)));
}

TEST(GdiFontFace, BoldIsWiderWhetherInstalledOrSynthesised)
{
    const FontRequest regularRequest = Request("Verdana", HeightForPoints(13));
    const FontRequest boldRequest = Request("Verdana", HeightForPoints(13), true);
    std::unique_ptr<FontFace> regular = MustCreate(regularRequest);
    std::unique_ptr<FontFace> bold = MustCreate(boldRequest);
    std::unique_ptr<FontFace> synthetic = OpenRegularFaceAs(boldRequest);
    ASSERT_TRUE(regular && bold && synthetic);
    EXPECT_TRUE(synthetic->SynthesisesBold());
    EXPECT_FALSE(regular->SynthesisesBold());

    const std::string text = "Hello, world";
    for (const FontFace* face : {bold.get(), synthetic.get()}) {
        EXPECT_GT(Width(*face, text), Width(*regular, text));
        EXPECT_GT(InkedPixels(Ink(*face, text)), InkedPixels(Ink(*regular, text)) * 11 / 10);
        EXPECT_EQ(regular->CellHeight(), face->CellHeight());
    }
}

TEST(GdiFontFace, ItalicLeansWhetherInstalledOrSynthesised)
{
    const int height = HeightForPoints(30);
    std::unique_ptr<FontFace> upright = MustCreate(Request("Verdana", height));
    std::unique_ptr<FontFace> italic = MustCreate(Request("Verdana", height, false, true));
    std::unique_ptr<FontFace> synthetic = OpenRegularFaceAs(Request("Verdana", height, false, true));
    ASSERT_TRUE(upright && italic && synthetic);
    EXPECT_TRUE(synthetic->SynthesisesItalic());

    // A vertical stroke, with room after it for the lean.
    const std::string stroke = "l ";
    EXPECT_NEAR(0.0, Lean(Ink(*upright, stroke)), 0.5);
    EXPECT_GT(Lean(Ink(*italic, stroke)), 3.0);
    EXPECT_GT(Lean(Ink(*synthetic, stroke)), 3.0);
    // Slanting moves ink but not the advances.
    EXPECT_EQ(Width(*upright, stroke), Width(*synthetic, stroke));
}

TEST(GdiFontFace, AntialiasedInkHasGreyLevelsMonochromeHasNone)
{
    const int height = HeightForPoints(13);
    std::unique_ptr<FontFace> smooth = MustCreate(Request("Verdana", height, false, false, true));
    std::unique_ptr<FontFace> sharp = MustCreate(Request("Verdana", height, false, false, false));
    ASSERT_TRUE(smooth && sharp);

    int greys = 0;
    for (uint8_t level : Ink(*smooth, "Loading...").levels)
        greys += level != 0 && level != 255 ? 1 : 0;
    EXPECT_GT(greys, 20);

    const TextCoverage monochrome = Ink(*sharp, "Loading...");
    EXPECT_GT(InkedPixels(monochrome), 20);
    for (uint8_t level : monochrome.levels)
        ASSERT_TRUE(level == 0 || level == 255) << static_cast<int>(level);
}

TEST(GdiFontFace, RasterisingKeepsToTheCellAndTheVisiblePart)
{
    // Italic 'f' and 'j' reach past their advances on both sides.
    std::unique_ptr<FontFace> face = MustCreate(Request("Verdana", HeightForPoints(20), false, true));
    ASSERT_NE(nullptr, face);
    const std::string text = "jaff";
    const TextCoverage whole = Ink(*face, text);
    EXPECT_EQ(0, whole.left);
    EXPECT_EQ(0, whole.top);
    EXPECT_EQ(Width(*face, text), whole.width);
    EXPECT_EQ(face->CellHeight(), whole.height);

    // A part is the same ink as the whole there.
    const PixelRect part = {5, 4, 18, 11};
    const TextCoverage piece = Ink(*face, text, part);
    ASSERT_EQ(5, piece.left);
    ASSERT_EQ(4, piece.top);
    ASSERT_EQ(13, piece.width);
    ASSERT_EQ(7, piece.height);
    for (int y = 0; y < piece.height; ++y) {
        for (int x = 0; x < piece.width; ++x)
            ASSERT_EQ(whole.At(part.left + x, part.top + y), piece.At(x, y)) << x << "," << y;
    }

    const TextCoverage outside = Ink(*face, text, {-10, -10, 0, 0});
    EXPECT_EQ(0, outside.width);
    EXPECT_TRUE(outside.levels.empty());
    EXPECT_EQ(0, Width(*face, ""));
    EXPECT_TRUE(Ink(*face, "").levels.empty());
}

} // namespace
