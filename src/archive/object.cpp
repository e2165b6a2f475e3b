#include "archive/object.h"

#include <map>
#include <mutex>
#include <stdexcept>
#include <string>

namespace tav::archive {
namespace {

// Function-local statics: classes may register from static initialisers of other files.
struct Registry {
  std::mutex mutex;
  std::map<std::string, const ClassInfo*, std::less<>> classes;
};

Registry& GetRegistry() {
  static Registry registry;
  return registry;
}

}  // namespace

void RegisterClass(const ClassInfo& info) {
  if (info.name == nullptr || info.create == nullptr) {
    throw std::logic_error("RegisterClass: a class record needs a name and a factory");
  }
  Registry& registry = GetRegistry();
  std::lock_guard lock(registry.mutex);
  auto [it, inserted] = registry.classes.emplace(info.name, &info);
  if (!inserted && it->second != &info) {
    throw std::logic_error(std::string("RegisterClass: two classes named ") + info.name);
  }
}

const ClassInfo* FindClass(std::string_view name) {
  Registry& registry = GetRegistry();
  std::lock_guard lock(registry.mutex);
  auto it = registry.classes.find(name);
  return it == registry.classes.end() ? nullptr : it->second;
}

}  // namespace tav::archive
