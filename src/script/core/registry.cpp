#include "script/core/registry.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "script/core/frame_pool.h"
#include "script/core/var.h"

namespace tav::script {
namespace {

// A value waiting for a pass, with its creation order beside it so that ordering the list never
// has to touch the values themselves.
struct Pending {
  uint64_t order;
  TOL_Var* var;
  bool operator<(const Pending& other) const { return order < other.order; }
};

struct State {
  int growStep = 10000;
  std::vector<Pending> pending;  // counts fell to zero; not yet visited by a pass
  std::vector<Pending> spare;    // the previous pass's list, kept for its capacity
  // During a pass: values dropped by destructors that are older than the one being destroyed
  // (a max-heap), and the order of the one being destroyed.
  std::vector<Pending>* passHeap = nullptr;
  uint64_t passCursor = 0;
  std::function<uint32_t()> ticks;
  uint32_t lastPass = 0;
  bool passRan = false;
  std::vector<Pending> sortScratch;
};

// Orders the marked list by creation order. The orders of values alive at one time lie close
// together, so a radix sort over the span they cover takes a couple of linear passes where a
// comparison sort of millions of entries would dominate the whole pass.
void SortByOrder(std::vector<Pending>& list, std::vector<Pending>& scratch) {
  if (list.size() < 64) {
    std::sort(list.begin(), list.end());
    return;
  }
  auto [low, high] = std::minmax_element(list.begin(), list.end());
  const uint64_t base = low->order;
  const uint64_t span = high->order - base;
  scratch.resize(list.size());  // kept from pass to pass: filled before it is read
  constexpr int kDigitBits = 8;
  constexpr size_t kBuckets = size_t{1} << kDigitBits;
  size_t counts[kBuckets];
  for (int shift = 0; shift < 64 && (span >> shift) != 0; shift += kDigitBits) {
    std::fill(std::begin(counts), std::end(counts), 0);
    for (const Pending& p : list) ++counts[((p.order - base) >> shift) & (kBuckets - 1)];
    size_t total = 0;
    for (size_t& c : counts) total += std::exchange(c, total);
    for (const Pending& p : list) scratch[counts[((p.order - base) >> shift) & (kBuckets - 1)]++] = p;
    list.swap(scratch);
  }
}

State& S() {
  static State* state = new State;  // outlives static destructors that may still drop values
  return *state;
}

}  // namespace


void NoteUnreferenced(TOL_Var* var) { Registry::Note(var); }

void Registry::Note(TOL_Var* var) {
  if (var->pending_) return;
  if (var->borrowed_) [[unlikely]] {
    Promote(var);
    FramePool::Forget(var);
  }
  State& s = S();
  var->pending_ = true;
  Pending entry{var->order_, var};
  if (s.passHeap && var->order_ < s.passCursor) {
    s.passHeap->push_back(entry);
    std::push_heap(s.passHeap->begin(), s.passHeap->end());
  } else {
    s.pending.push_back(entry);
    ++registry_detail::g_counters.pendingCount;
  }
}

// The pass visits the marked values from the newest to the oldest. They were marked mostly in
// the order they were made, so the list is usually sorted already; values dropped during the
// pass that are older than the current one join a small heap that is merged in.
int Registry::CollectGarbage() {
  State& s = S();
  auto& c = registry_detail::g_counters;
  if (s.passHeap) return c.tracked;  // a destructor asked for a pass: the running one covers it
  // Unmade values have nothing to destroy and hold nothing: they only leave the count.
  c.tracked -= static_cast<int>(std::exchange(c.unmadeDropped, 0) + std::exchange(c.unmadeCascade, 0));
  const size_t later = std::exchange(c.unmadeLater, 0);
  s.passRan = true;
  if (s.ticks) s.lastPass = s.ticks();
  c.nextClockReading = kFewPending;
  std::vector<Pending> marked;
  marked.swap(s.spare);
  marked.swap(s.pending);  // pending takes the spare's (empty) capacity
  c.pendingCount = 0;
  if (!std::is_sorted(marked.begin(), marked.end())) SortByOrder(marked, s.sortScratch);
  std::vector<Pending> dropped;
  s.passHeap = &dropped;
  while (!marked.empty() || !dropped.empty()) {
    Pending next;
    if (dropped.empty() || (!marked.empty() && dropped.front() < marked.back())) {
      next = marked.back();
      marked.pop_back();
    } else {
      std::pop_heap(dropped.begin(), dropped.end());
      next = dropped.back();
      dropped.pop_back();
    }
    TOL_Var* var = next.var;
    var->pending_ = false;
    if (var->refs_ > 0) continue;  // counted again since it fell to zero
    s.passCursor = next.order;
    delete var;
  }
  s.passHeap = nullptr;
  s.spare.swap(marked);
  c.unmadeDropped += later;
  return c.tracked;
}

int Registry::CollectGarbageWhenDue(uint32_t intervalMs) {
  State& s = S();
  auto& c = registry_detail::g_counters;
  const size_t waiting = c.pendingCount + c.unmadeDropped;
  if (s.passRan && s.ticks && s.ticks() - s.lastPass < intervalMs && waiting < kPendingLimit) {
    c.nextClockReading = waiting + kFewPending;
    return c.tracked;
  }
  return CollectGarbage();
}

int Registry::CollectGarbageAll() {
  auto& c = registry_detail::g_counters;
  int before = c.tracked + 1;
  while (c.tracked < before) {
    before = c.tracked;
    CollectGarbage();
  }
  return c.tracked;
}

int Registry::TrackedCount() { return registry_detail::g_counters.tracked; }
void Registry::SetGrowStep(int step) { S().growStep = step > 0 ? step : 10000; }
void Registry::SetTickSource(std::function<uint32_t()> ticks) { S().ticks = std::move(ticks); }

void Registry::DestroyEverything() {
  State& s = S();
  g_tearingDown = true;
  s.pending.clear();
  registry_detail::g_counters.pendingCount = 0;
  while (registry_detail::g_counters.newest) {
    TOL_Var* var = registry_detail::g_counters.newest;
    Unlink(var);
    var->prevLive_ = var->nextLive_ = nullptr;
    delete var;
  }
  // Counting stays off: holders destroyed after this (static tables at exit) must not touch
  // the values that are gone.
}

}  // namespace tav::script
