#include "xls/XLSItemIndex.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <vector>

namespace {

// Positions of a storage order kept beside the index, as a container keeps them.
class IndexModel {
 public:
  void Store(std::uint32_t key) {
    index_.Set(key, static_cast<std::uint32_t>(order_.size()));
    order_.push_back(key);
  }
  void RemoveAt(std::size_t position) {
    index_.Remove(order_[position], static_cast<std::uint32_t>(position));
    order_.erase(order_.begin() + static_cast<std::ptrdiff_t>(position));
  }
  // Every stored key at its position, and keys never stored not found.
  void Check(const std::vector<std::uint32_t>& absent) const {
    for (std::size_t i = 0; i < order_.size(); ++i) ASSERT_EQ(index_.Find(order_[i]), i) << order_[i];
    for (std::uint32_t key : absent) ASSERT_EQ(index_.Find(key), TItemIndex::kNone) << key;
  }
  TItemIndex index_;
  std::vector<std::uint32_t> order_;
};

TEST(ItemIndex, KeysInOrderThenOutOfOrderThenRemovedAreAlwaysFound) {
  IndexModel model;
  model.Check({0, 5});
  for (std::uint32_t key = 10; key < 5000; key += 3) model.Store(key);  // ascending
  model.Check({0, 11, 5001});
  model.RemoveAt(7);  // removed while ordered: later positions move down
  model.Check({31});
  EXPECT_EQ(model.index_.Insert(13, 99), 1u);  // present: its position, nothing stored
  EXPECT_EQ(model.index_.Insert(14, static_cast<std::uint32_t>(model.order_.size())), TItemIndex::kNone);
  model.order_.push_back(14);  // out of order: from here on hashed
  model.Check({0, 15, 31});
  std::mt19937 random(7);
  for (int i = 0; i < 3000; ++i) {
    const std::uint32_t key = random() % 100000 + 100000;
    if (model.index_.Find(key) == TItemIndex::kNone) model.Store(key);
  }
  model.RemoveAt(0);
  model.RemoveAt(model.order_.size() / 2);
  model.Check({0, 11, 31, 5001});
}

TEST(ItemIndex, InsertKeepsTheFirstPositionOfAKeyInBothModes) {
  TItemIndex index;
  EXPECT_EQ(index.Insert(5, 0), TItemIndex::kNone);
  EXPECT_EQ(index.Insert(5, 1), 0u);  // ordered
  EXPECT_EQ(index.Insert(2, 1), TItemIndex::kNone);
  EXPECT_EQ(index.Insert(5, 2), 0u);  // hashed
  EXPECT_EQ(index.Insert(2, 2), 1u);
  index.Set(2, 7);  // Set replaces
  EXPECT_EQ(index.Find(2), 7u);
}

}  // namespace
