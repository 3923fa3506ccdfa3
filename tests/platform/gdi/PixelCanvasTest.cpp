#include <climits>
#include <vector>

#include <gtest/gtest.h>

#include "platform/gdi/PixelCanvas.h"

namespace {

constexpr uint32_t kGuard = 0xDEADBEEF;
constexpr uint32_t kPaper = 0x00FFFFFF;
constexpr uint32_t kInk = 0x00000000;
constexpr int kWidth = 8;
constexpr int kHeight = 6;

TextCoverage Solid(int width, int height)
{
    TextCoverage coverage;
    coverage.width = width;
    coverage.height = height;
    coverage.levels.assign(static_cast<size_t>(width) * height, 255);
    return coverage;
}

// An 8 x 6 bitmap of paper with guard words on both sides of it.
class GdiPixelCanvas : public ::testing::Test {
protected:
    GdiPixelCanvas() : m_Memory(3 * kWidth * kHeight, kGuard)
    {
        std::fill(Pixels(), Pixels() + kWidth * kHeight, kPaper);
    }

    uint32_t* Pixels() { return m_Memory.data() + kWidth * kHeight; }
    uint32_t At(int x, int y) { return Pixels()[y * kWidth + x]; }

    void ExpectGuardsIntact()
    {
        for (int i = 0; i < kWidth * kHeight; ++i) {
            ASSERT_EQ(kGuard, m_Memory[i]) << i;
            ASSERT_EQ(kGuard, m_Memory[2 * kWidth * kHeight + i]) << i;
        }
    }

    // Which pixels are ink, row by row, as '#' and '.'.
    std::vector<std::string> Picture()
    {
        std::vector<std::string> rows;
        for (int y = 0; y < kHeight; ++y) {
            std::string row;
            for (int x = 0; x < kWidth; ++x)
                row += At(x, y) == kInk ? '#' : '.';
            rows.push_back(row);
        }
        return rows;
    }

    std::vector<uint32_t> m_Memory;
};

TEST_F(GdiPixelCanvas, BlendMixesTheColourByCoverage)
{
    PixelCanvas canvas(Pixels(), kWidth, kHeight);
    TextCoverage coverage;
    coverage.left = 1; // within the cell at (2, 3)
    coverage.width = 3;
    coverage.height = 1;
    coverage.levels = {0, 128, 255};
    canvas.Blend(coverage, 2, 3, 0x00FF0000);

    EXPECT_EQ(kPaper, At(3, 3)); // no ink, untouched
    EXPECT_EQ(0x00FF7F7Fu, At(4, 3));
    EXPECT_EQ(0x00FF0000u, At(5, 3));
    EXPECT_EQ(kPaper, At(6, 3));
}

TEST_F(GdiPixelCanvas, NothingIsWrittenOutsideTheBitmap)
{
    PixelCanvas canvas(Pixels(), kWidth, kHeight);
    canvas.Fill({-5, -5, 3, 2}, kInk);
    canvas.Blend(Solid(20, 2), 6, 4, kInk);          // off the right edge and the bottom
    canvas.Blend(Solid(3, 30), -2, -10, kInk);        // off the left edge, the top and the bottom
    canvas.Blend(Solid(4, 4), INT_MAX - 1, INT_MAX - 1, kInk); // far away
    canvas.Fill({INT_MIN, 5, INT_MIN + 2, 6}, kInk);

    const std::vector<std::string> expected = {
        "###.....",
        "###.....",
        "#.......",
        "#.......",
        "#.....##",
        "#.....##",
    };
    EXPECT_EQ(expected, Picture());
    ExpectGuardsIntact();
}

} // namespace
