#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/d3dx8/ImageTransfer.h"

namespace {

ArgbImage Image(uint32_t width, uint32_t height, std::vector<uint32_t> pixels)
{
    ArgbImage image;
    image.width = width;
    image.height = height;
    image.pixels = std::move(pixels);
    return image;
}

// 3 x 2, each pixel a distinct opaque colour.
ArgbImage Numbered()
{
    return Image(3, 2, {0xFF000001, 0xFF000002, 0xFF000003, 0xFF000004, 0xFF000005, 0xFF000006});
}

TEST(ImageTransfer, ResolvesRectanglesWithinThePicture)
{
    struct Case {
        std::string name;
        bool null;
        RECT rect;
        bool valid;
    };
    const std::vector<Case> cases = {
        {"NullIsWhole", true, {}, true},
        {"Whole", false, {0, 0, 4, 3}, true},
        {"Inner", false, {1, 1, 3, 2}, true},
        {"Empty", false, {1, 1, 1, 2}, false},
        {"Inverted", false, {3, 0, 1, 2}, false},
        {"NegativeLeft", false, {-1, 0, 2, 2}, false},
        {"PastRight", false, {0, 0, 5, 3}, false},
        {"PastBottom", false, {0, 0, 4, 4}, false},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.name);
        RECT resolved = {9, 9, 9, 9};
        EXPECT_EQ(test.valid, ResolveRect(test.null ? nullptr : &test.rect, 4, 3, resolved));
        if (!test.valid)
            continue;
        const RECT expected = test.null ? RECT{0, 0, 4, 3} : test.rect;
        EXPECT_EQ(expected.left, resolved.left);
        EXPECT_EQ(expected.top, resolved.top);
        EXPECT_EQ(expected.right, resolved.right);
        EXPECT_EQ(expected.bottom, resolved.bottom);
    }
    RECT unused = {};
    EXPECT_FALSE(ResolveRect(nullptr, 0, 3, unused));
}

// Only an exact match is keyed: a magenta that is not opaque stays.
TEST(ImageTransfer, ColourKeyMakesExactMatchesTransparentBlack)
{
    ArgbImage image = Image(4, 1, {0xFFFF00FF, 0xFEFF00FF, 0xFFFF00FE, 0xFFFF00FF});
    ApplyColourKey(image, 0xFFFF00FF);
    EXPECT_EQ((std::vector<uint32_t>{0x00000000, 0xFEFF00FF, 0xFFFF00FE, 0x00000000}), image.pixels);
}

TEST(ImageTransfer, CropsAndFitsWithoutScaling)
{
    const ArgbImage cropped = CropImage(Numbered(), RECT{1, 0, 3, 2});
    EXPECT_EQ(2u, cropped.width);
    EXPECT_EQ(2u, cropped.height);
    EXPECT_EQ((std::vector<uint32_t>{0xFF000002, 0xFF000003, 0xFF000005, 0xFF000006}), cropped.pixels);

    // Larger: top-left corner, the rest transparent black.
    const ArgbImage padded = FitImage(Numbered(), 4, 3, false);
    EXPECT_EQ((std::vector<uint32_t>{0xFF000001, 0xFF000002, 0xFF000003, 0, 0xFF000004, 0xFF000005,
                                     0xFF000006, 0, 0, 0, 0, 0}),
              padded.pixels);
    // Smaller: cropped.
    const ArgbImage clipped = FitImage(Numbered(), 2, 1, false);
    EXPECT_EQ((std::vector<uint32_t>{0xFF000001, 0xFF000002}), clipped.pixels);
}

TEST(ImageTransfer, StretchesToNearestTexel)
{
    const ArgbImage doubled = FitImage(Image(2, 1, {1, 2}), 4, 2, true);
    EXPECT_EQ((std::vector<uint32_t>{1, 1, 2, 2, 1, 1, 2, 2}), doubled.pixels);
    const ArgbImage halved = FitImage(Image(4, 1, {1, 2, 3, 4}), 2, 1, true);
    EXPECT_EQ((std::vector<uint32_t>{2, 4}), halved.pixels);

    EXPECT_FALSE(FilterStretches(D3DX_FILTER_NONE));
    EXPECT_FALSE(FilterStretches(D3DX_FILTER_NONE | D3DX_FILTER_DITHER));
    EXPECT_TRUE(FilterStretches(D3DX_FILTER_POINT));
    EXPECT_TRUE(FilterStretches(D3DX_DEFAULT));
}

TEST(ImageTransfer, HalvesIntoRoundedBoxAverages)
{
    // 3 x 3 halves to 1 x 1 from the top-left 2 x 2 block; each channel rounds.
    const ArgbImage odd = HalveImage(Image(3, 3, {0xFF000000, 0xFF030201, 0, 0x01010101, 0x00FFFFFF, 0, 0, 0, 0}));
    EXPECT_EQ(1u, odd.width);
    EXPECT_EQ(1u, odd.height);
    EXPECT_EQ((std::vector<uint32_t>{0x80414140}), odd.pixels);

    // A one-pixel-high row keeps its height and pairs neighbours.
    const ArgbImage row = HalveImage(Image(4, 1, {0, 0x04040404, 0xFFFFFFFF, 0xFFFFFFFF}));
    EXPECT_EQ(2u, row.width);
    EXPECT_EQ(1u, row.height);
    EXPECT_EQ((std::vector<uint32_t>{0x02020202, 0xFFFFFFFF}), row.pixels);

    const ArgbImage single = HalveImage(Image(1, 1, {0x12345678}));
    EXPECT_EQ((std::vector<uint32_t>{0x12345678}), single.pixels);
}

} // namespace
