#include "script/methods/array_sort.h"

#include <algorithm>

#include "script/methods/random_source.h"

namespace tav::script {

std::vector<int> SortOrder(int n, const std::function<int(int a, int b)>& compare) {
  std::vector<int> order(static_cast<size_t>(std::max(n, 0)));
  for (int i = 0; i < n; ++i) order[i] = i;
  std::vector<int> merged(order.size());
  // Bottom-up: runs of `width` are merged pairwise into runs of twice the width. Each merge
  // takes every position of both runs exactly once, whatever `compare` says.
  for (size_t width = 1; width < order.size(); width *= 2) {
    for (size_t start = 0; start < order.size(); start += 2 * width) {
      size_t middle = std::min(start + width, order.size());
      size_t end = std::min(start + 2 * width, order.size());
      size_t left = start, right = middle, out = start;
      while (left < middle && right < end) {
        merged[out++] = compare(order[left], order[right]) <= 0 ? order[left++] : order[right++];
      }
      while (left < middle) merged[out++] = order[left++];
      while (right < end) merged[out++] = order[right++];
    }
    order.swap(merged);
  }
  return order;
}

namespace {

// Positions still to be drawn, as a Fenwick tree of 0/1 counts, so that "the k-th remaining
// position" is found by descending the tree.
class RemainingPositions {
 public:
  explicit RemainingPositions(int n) : tree_(static_cast<size_t>(n) + 1, 0) {
    for (int i = 1; i <= n; ++i) tree_[i] = i & -i;  // every position present
    top_ = 1;
    while (top_ * 2 <= n) top_ *= 2;
  }

  // Removes and answers the k-th (0-based) remaining position; k must be below the count left.
  int Take(int k) {
    int index = 0;
    for (int step = top_; step > 0; step /= 2) {
      int next = index + step;
      if (next < static_cast<int>(tree_.size()) && tree_[next] <= k) {
        index = next;
        k -= tree_[next];
      }
    }
    for (int i = index + 1; i < static_cast<int>(tree_.size()); i += i & -i) --tree_[i];
    return index;  // tree slot index + 1, which is position `index` counted from 0
  }

 private:
  std::vector<int> tree_;
  int top_;
};

}  // namespace

std::vector<int> ShuffleOrder(int n, RandomSource& random) {
  std::vector<int> order;
  if (n <= 0) return order;
  order.reserve(static_cast<size_t>(n));
  RemainingPositions remaining(n);
  for (int left = n; left > 0; --left) {
    int k = random.NextInt(left);
    if (k < 0 || k >= left) k = static_cast<int>(static_cast<unsigned>(k) % static_cast<unsigned>(left));
    order.push_back(remaining.Take(k));
  }
  return order;
}

}  // namespace tav::script
