#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "script/base/small_vector.h"

namespace tav::script {
namespace {

using Texts = SmallVector<std::string, 3>;

std::vector<std::string> All(const Texts& v) { return v; }

// Inside the owner up to three, on the heap beyond: every operation keeps the order and the
// elements whichever storage they are in, and moves leave the source empty.
TEST(SmallVector, KeepsOrderInlineAndOnTheHeap) {
  Texts v;
  for (int i = 0; i < 5; ++i) v.push_back(std::to_string(i));
  EXPECT_EQ(All(v), (std::vector<std::string>{"0", "1", "2", "3", "4"}));
  v.insert(v.begin() + 1, "a");
  v.erase(v.begin() + 3);
  EXPECT_EQ(All(v), (std::vector<std::string>{"0", "a", "1", "3", "4"}));
  v.resize(2);
  EXPECT_EQ(All(v), (std::vector<std::string>{"0", "a"}));
  v.resize(4);
  EXPECT_EQ(All(v), (std::vector<std::string>{"0", "a", "", ""}));

  Texts small;
  small.push_back("x");
  Texts movedSmall(std::move(small));
  Texts movedLarge(std::move(v));
  EXPECT_TRUE(small.empty());
  EXPECT_TRUE(v.empty());
  EXPECT_EQ(All(movedSmall), (std::vector<std::string>{"x"}));
  EXPECT_EQ(movedLarge.size(), 4u);
  movedSmall = movedLarge;  // a copy: both keep their elements
  EXPECT_EQ(All(movedSmall), All(movedLarge));
  movedLarge = std::move(movedSmall);
  EXPECT_EQ(movedLarge.size(), 4u);
  movedLarge.clear();
  EXPECT_TRUE(movedLarge.empty());
}

TEST(SmallVector, DestroysEveryElementOnce) {
  auto counter = std::make_shared<int>(0);
  {
    SmallVector<std::shared_ptr<int>, 2> v;
    for (int i = 0; i < 6; ++i) v.push_back(counter);
    EXPECT_EQ(counter.use_count(), 7);
    v.erase(v.begin(), v.begin() + 2);
    EXPECT_EQ(counter.use_count(), 5);
    SmallVector<std::shared_ptr<int>, 2> other = v;
    EXPECT_EQ(counter.use_count(), 9);
  }
  EXPECT_EQ(counter.use_count(), 1);
}

}  // namespace
}  // namespace tav::script
