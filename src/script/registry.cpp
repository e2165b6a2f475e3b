#include "script/registry.h"

#include <algorithm>
#include <vector>

#include "script/var.h"

namespace tav::script {
namespace {

struct State {
  TOL_Var* newest = nullptr;     // the registry is a list from the newest back to the oldest
  TOL_Var* oldest = nullptr;
  uint64_t nextOrder = 1;
  int tracked = 0;
  int growStep = 10000;
  std::vector<TOL_Var*> pending;  // counts fell to zero; not yet visited by a pass
  // During a pass: the heap of values still to visit, and the order of the one being destroyed.
  std::vector<TOL_Var*>* passHeap = nullptr;
  uint64_t passCursor = 0;
  std::function<uint32_t()> ticks;
  uint32_t lastPass = 0;
  bool passRan = false;
};

State& S() {
  static State* state = new State;  // outlives static destructors that may still drop values
  return *state;
}

}  // namespace

// Heap order: the newest value (the highest creation order) comes out first.
bool Registry::OlderFirst(const TOL_Var* a, const TOL_Var* b) { return a->order_ < b->order_; }

void NoteUnreferenced(TOL_Var* var) { Registry::Note(var); }

void Registry::Link(TOL_Var* var) {
  State& s = S();
  var->order_ = s.nextOrder++;
  var->nextLive_ = s.newest;  // next = older
  if (s.newest) s.newest->prevLive_ = var;
  s.newest = var;
  if (!s.oldest) s.oldest = var;
  ++s.tracked;
}

void Registry::Unlink(TOL_Var* var) {
  State& s = S();
  if (var->prevLive_) var->prevLive_->nextLive_ = var->nextLive_;
  else s.newest = var->nextLive_;
  if (var->nextLive_) var->nextLive_->prevLive_ = var->prevLive_;
  else s.oldest = var->prevLive_;
  --s.tracked;
}

void Registry::Note(TOL_Var* var) {
  if (var->pending_) return;
  State& s = S();
  var->pending_ = true;
  if (s.passHeap && var->order_ < s.passCursor) {
    s.passHeap->push_back(var);
    std::push_heap(s.passHeap->begin(), s.passHeap->end(), OlderFirst);
  } else {
    s.pending.push_back(var);
  }
}

int Registry::CollectGarbage() {
  State& s = S();
  if (s.passHeap) return s.tracked;  // a destructor asked for a pass: the running one covers it
  s.passRan = true;
  if (s.ticks) s.lastPass = s.ticks();
  std::vector<TOL_Var*> heap;
  heap.swap(s.pending);
  std::make_heap(heap.begin(), heap.end(), OlderFirst);
  s.passHeap = &heap;
  while (!heap.empty()) {
    std::pop_heap(heap.begin(), heap.end(), OlderFirst);
    TOL_Var* var = heap.back();
    heap.pop_back();
    var->pending_ = false;
    if (var->refs_ > 0) continue;  // counted again since it fell to zero
    s.passCursor = var->order_;
    delete var;
  }
  s.passHeap = nullptr;
  return s.tracked;
}

int Registry::CollectGarbage(uint32_t intervalMs) {
  State& s = S();
  if (s.passRan && s.ticks && s.ticks() - s.lastPass < intervalMs) return s.tracked;
  return CollectGarbage();
}

int Registry::CollectGarbageAll() {
  State& s = S();
  int before = s.tracked + 1;
  while (s.tracked < before) {
    before = s.tracked;
    CollectGarbage();
  }
  return s.tracked;
}

int Registry::TrackedCount() { return S().tracked; }
void Registry::SetGrowStep(int step) { S().growStep = step > 0 ? step : 10000; }
int Registry::GrowStep() { return S().growStep; }
void Registry::SetTickSource(std::function<uint32_t()> ticks) { S().ticks = std::move(ticks); }

void Registry::DestroyEverything() {
  State& s = S();
  g_tearingDown = true;
  s.pending.clear();
  while (s.newest) {
    TOL_Var* var = s.newest;
    Unlink(var);
    var->prevLive_ = var->nextLive_ = nullptr;
    delete var;
  }
  // Counting stays off: holders destroyed after this (static tables at exit) must not touch
  // the values that are gone.
}

}  // namespace tav::script
