#include "Core/SpareListNodes.h"

#include <list>
#include <set>

#include <gtest/gtest.h>

namespace {

std::set<const int*> NodeAddresses(const std::list<int>& list)
{
    std::set<const int*> addresses;
    for (const int& value : list)
        addresses.insert(&value);
    return addresses;
}

} // namespace

TEST(SpareListNodesTest, RefillsInOrderOnTheNodesOfTheFillBefore)
{
    CSpareListNodes<int> spares;
    std::list<int> first;
    std::list<int> second;
    spares.PushBack(first, 1);
    spares.PushBack(second, 2);
    spares.PushBack(first, 3);
    const std::set<const int*> firstFrame = NodeAddresses(first);
    const std::set<const int*> secondFrame = NodeAddresses(second);

    spares.Recycle(first);
    spares.Recycle(second);
    EXPECT_TRUE(first.empty());
    EXPECT_TRUE(second.empty());

    // Sorted inserts as the queues make them, into one list this time.
    for (int value : {30, 10, 20}) {
        auto position = first.begin();
        while (position != first.end() && *position < value)
            ++position;
        spares.Insert(first, position, value);
    }
    EXPECT_EQ((std::list<int>{10, 20, 30}), first);
    std::set<const int*> reused = firstFrame;
    reused.insert(secondFrame.begin(), secondFrame.end());
    EXPECT_EQ(reused, NodeAddresses(first)) << "no node was made anew";

    // Past the spares, new nodes are made.
    spares.PushBack(first, 40);
    EXPECT_EQ((std::list<int>{10, 20, 30, 40}), first);
}
