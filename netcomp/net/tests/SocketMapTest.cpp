// The socket map of the TCP server: table sizes, the insert results, and keys
// that share one probe chain.
#include <gtest/gtest.h>

#include "netcomp/net/tcpports/SocketMap.h"

namespace {

TEST(SocketMap, SizeIsTheFirstPrimeRowAboveTheMaximum)
{
    SocketMap map;
    const int cases[][2] = {{0, 103}, {50, 103}, {102, 103}, {103, 1021}, {1000, 1021}, {100108, 100109}};
    for (const auto& c : cases) {
        ASSERT_EQ(map.Build(c[0]), 0) << c[0];
        EXPECT_EQ(map.Size(), c[1]) << c[0];
    }
    EXPECT_EQ(map.Build(100109), 200);
}

TEST(SocketMap, InsertFindRemoveAndAFullTable)
{
    SocketMap map;
    ASSERT_EQ(map.Build(50), 0);
    EXPECT_EQ(map.Find(7), 0);
    EXPECT_EQ(map.Insert(7, 1), SocketMap::kInserted);
    EXPECT_EQ(map.Insert(7, 2), SocketMap::kPresent);
    EXPECT_EQ(map.Find(7), 1);
    EXPECT_TRUE(map.Remove(7));
    EXPECT_FALSE(map.Remove(7));
    EXPECT_EQ(map.Find(7), 0);

    // Socket handles are multiples of 4 under Windows: they must still fill every slot.
    for (int i = 0; i < 103; ++i)
        ASSERT_EQ(map.Insert(uint64_t(i) * 4 + 100, i + 1), SocketMap::kInserted) << i;
    EXPECT_EQ(map.Insert(9999, 200), SocketMap::kFull);
    for (int i = 0; i < 103; ++i)
        ASSERT_EQ(map.Find(uint64_t(i) * 4 + 100), i + 1) << i;
    ASSERT_TRUE(map.Remove(140));
    EXPECT_EQ(map.Insert(9999, 200), SocketMap::kInserted);
    EXPECT_EQ(map.Find(9999), 200);
}

TEST(SocketMap, AKeyBehindADeletedSlotIsNotStoredTwice)
{
    SocketMap map;
    ASSERT_EQ(map.Build(50), 0);
    // Same start (mod 103) and same step (mod 101): one probe chain.
    const uint64_t first = 5;
    const uint64_t second = 5 + 103 * 101;
    ASSERT_EQ(map.Insert(first, 1), SocketMap::kInserted);
    ASSERT_EQ(map.Insert(second, 2), SocketMap::kInserted);
    ASSERT_TRUE(map.Remove(first));
    EXPECT_EQ(map.Insert(second, 3), SocketMap::kPresent);
    EXPECT_EQ(map.Find(second), 2);
    ASSERT_TRUE(map.Remove(second));
    EXPECT_EQ(map.Find(second), 0);
    // The deleted slots are reused.
    EXPECT_EQ(map.Insert(second, 4), SocketMap::kInserted);
    EXPECT_EQ(map.Find(second), 4);
}

} // namespace
