#include "os/loop_work.h"

#include <map>

namespace tav::platform {
namespace {

struct LoopWork {
  std::map<int, std::function<void()>> work;
  int nextId = 1;
};

LoopWork& State() {
  static LoopWork state;
  return state;
}

}  // namespace

int AddLoopWork(std::function<void()> work) {
  LoopWork& state = State();
  const int id = state.nextId++;
  state.work.emplace(id, std::move(work));
  return id;
}

void RemoveLoopWork(int id) { State().work.erase(id); }

void RunLoopWork() {
  LoopWork& state = State();
  // Work added meanwhile waits for the next round; work removed meanwhile is skipped.
  for (int id = 0;;) {
    auto it = state.work.upper_bound(id);
    if (it == state.work.end()) return;
    id = it->first;
    std::function<void()> work = it->second;  // a copy: the entry may go while it runs
    work();
  }
}

}  // namespace tav::platform
