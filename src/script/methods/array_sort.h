// The orders in which Sort and Shuffle rearrange an array.
//
// Both answer a permutation of the positions 0 ... n-1 (new position i holds old position
// order[i]). Whatever the comparison or the generator answers, the result is a permutation:
// an element can be moved but never lost or doubled.
#pragma once

#include <functional>
#include <vector>

namespace tav::script {

struct RandomSource;

// Merge sort by `compare` (negative: a before b, 0: equal, positive: after). A comparison that
// contradicts itself only yields some order; it cannot make the sort run off the end, loop or
// drop a position. n log n comparisons at most.
std::vector<int> SortOrder(int n, const std::function<int(int a, int b)>& compare);

// Draws the new order one position at a time: k = NextInt(m) over the m positions left, the
// k-th of them comes next. The remaining positions are kept in a counting tree, so the whole
// draw takes n log n steps instead of n^2 removals from a list.
std::vector<int> ShuffleOrder(int n, RandomSource& random);

}  // namespace tav::script
