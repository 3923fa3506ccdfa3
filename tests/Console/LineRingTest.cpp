#include <gtest/gtest.h>

#include "Console/LineRing.h"

namespace {

int ShownCount(const CLineRing& ring)
{
    int count = 0;
    for (int32_t i = ring.GetFirstShown(); i != ring.GetEndMarker(); i = CLineRing::Next(i))
        ++count;
    return count;
}

TEST(CLineRingTest, ShowsThirteenLinesUntilItFillsThenTheCurrentAndThirteenBefore)
{
    CLineRing ring;
    EXPECT_EQ(0, ring.GetCurrentIndex());
    EXPECT_EQ(13, ShownCount(ring));
    for (int i = 0; i < 12; ++i) {
        ring.Current() = "line";
        ring.Print();
    }
    EXPECT_EQ(12, ring.GetCurrentIndex());
    EXPECT_EQ(0, ring.GetFirstShown());
    EXPECT_EQ(13, ShownCount(ring));

    ring.Print();
    EXPECT_EQ(13, ring.GetCurrentIndex());
    EXPECT_EQ(0, ring.GetFirstShown());
    EXPECT_EQ(14, ShownCount(ring));

    for (int i = 0; i < 7; ++i)
        ring.Print();
    EXPECT_EQ(0, ring.GetCurrentIndex()) << "wrapped";
    EXPECT_EQ(7, ring.GetFirstShown());
    EXPECT_EQ(1, ring.GetEndMarker());
    EXPECT_EQ(14, ShownCount(ring));
}

TEST(CLineRingTest, PrintEmptiesTheNewLineAndPutsTheCursorAtItsStart)
{
    CLineRing ring;
    ring.Line(1) = "old";
    ring.Current() = "typed";
    ring.m_Column = 5;
    ring.Print();
    EXPECT_EQ("", ring.Current());
    EXPECT_EQ(0, ring.m_Column);
    EXPECT_EQ("typed", ring.Line(0));
}

} // namespace
