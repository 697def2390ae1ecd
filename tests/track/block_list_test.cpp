#include "track/block_list.h"

#include <gtest/gtest.h>

namespace track {
namespace {

TEST(BlockList, ReleasesEverythingWithSizeZeroAndAgainDoesNothing) {
  BlockList blocks;
  EXPECT_NE(blocks.allocBlock(10), nullptr);
  EXPECT_NE(blocks.allocBlock(20), nullptr);
  EXPECT_EQ(blocks.count(), 2);
  EXPECT_EQ(blocks.bytesHeld(), 30u);
  EXPECT_EQ(blocks.allocBlock(0), nullptr);
  EXPECT_EQ(blocks.count(), 0);
  EXPECT_EQ(blocks.bytesHeld(), 0u);
  blocks.allocBlock(0);
  EXPECT_EQ(blocks.count(), 0);
}

TEST(BlockList, RefusesBeyondCapacityAndBudget) {
  BlockList blocks;
  for (int i = 0; i < BlockList::kCapacity; ++i) ASSERT_NE(blocks.allocBlock(1), nullptr);
  EXPECT_EQ(blocks.allocBlock(1), nullptr);

  BlockList small(100);
  EXPECT_NE(small.allocBlock(60), nullptr);
  EXPECT_EQ(small.allocBlock(41), nullptr);
  EXPECT_NE(small.allocBlock(40), nullptr);
}

}  // namespace
}  // namespace track
