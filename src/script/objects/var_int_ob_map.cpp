#include "script/objects/var_int_ob_map.h"

#include <algorithm>

#include "script/core/method_table.h"

namespace tav::script {

TOL_IMPLEMENT_CLASS(TOL_VarIntObMap)

namespace {

constexpr uint32_t kBuckets = 17;
uint32_t Bucket(int32_t key) { return (static_cast<uint32_t>(key) >> 4) % kBuckets; }

}  // namespace

VarRef TOL_VarIntObMap::Clone(TOL_Var* target) {
  VarRef result;
  TOL_VarIntObMap* into = nullptr;
  if (target) {
    result = VarRef(target);
    into = dynamic_cast<TOL_VarIntObMap*>(target->GetTarget());
  } else {
    auto clone = NewIntObMap();
    clone->SetBase(this);
    into = clone.get();
    result = std::move(clone);
  }
  CloneMembersInto(result.get());
  if (into && into != this) {
    CloneDepth depth;
    // In insertion order, so the copy meets its entries in the same hash order as this map.
    std::vector<std::pair<int32_t, const Entry*>> byAge;
    byAge.reserve(entries_.size());
    for (const auto& [key, entry] : entries_) byAge.emplace_back(key, &entry);
    std::sort(byAge.begin(), byAge.end(),
              [](const auto& a, const auto& b) { return a.second->added < b.second->added; });
    std::vector<std::pair<int32_t, VarRef>> copies;
    copies.reserve(byAge.size());
    for (const auto& [key, entry] : byAge) copies.emplace_back(key, CopyForClone(entry->value.get()));
    into->entries_.clear();
    for (auto& [key, copy] : copies) into->SetAt(key, copy.get());
  }
  return result;
}

void TOL_VarIntObMap::SetAt(int key, TOL_Var* value) {
  if (!value) return;
  auto it = entries_.find(key);
  if (it != entries_.end()) {
    it->second.value = VarRef(value);
    return;
  }
  entries_.emplace(key, Entry{VarRef(value), nextStamp_++});
}

TOL_Var* TOL_VarIntObMap::GetAt(int key) {
  auto it = entries_.find(key);
  return it == entries_.end() ? nullptr : it->second.value.get();
}

std::vector<std::pair<int32_t, TOL_Var*>> TOL_VarIntObMap::EntriesInHashOrder() const {
  std::vector<std::pair<int32_t, const Entry*>> ordered;
  ordered.reserve(entries_.size());
  for (const auto& [key, entry] : entries_) ordered.emplace_back(key, &entry);
  std::sort(ordered.begin(), ordered.end(), [](const auto& a, const auto& b) {
    uint32_t ba = Bucket(a.first), bb = Bucket(b.first);
    return ba != bb ? ba < bb : a.second->added > b.second->added;
  });
  std::vector<std::pair<int32_t, TOL_Var*>> out;
  out.reserve(ordered.size());
  for (const auto& [key, entry] : ordered) out.emplace_back(key, entry->value.get());
  return out;
}

int TOL_VarIntObMap::IndexOf(TOL_Var* value) {
  for (const auto& [key, stored] : EntriesInHashOrder()) {
    if (stored == value) return key;
  }
  return -1;
}

bool TOL_VarIntObMap::RemoveElement(TOL_Var* value) {
  for (const auto& [key, stored] : EntriesInHashOrder()) {
    if (stored == value) return RemoveAt(key);
  }
  return false;
}

bool TOL_VarIntObMap::RemoveAt(int key) {
  auto it = entries_.find(key);
  if (it == entries_.end()) return false;
  VarRef value = std::move(it->second.value);  // released after the entry is gone
  entries_.erase(it);
  return true;
}

int TOL_VarIntObMap::RemoveEntriesReferring(TOL_Var* target) {
  std::vector<VarRef> removed;  // released only when the map is consistent again
  for (auto it = entries_.begin(); it != entries_.end();) {
    TOL_Var* stored = it->second.value.get();
    if (stored == target || stored->GetTarget() == target) {
      removed.push_back(std::move(it->second.value));
      it = entries_.erase(it);
    } else {
      ++it;
    }
  }
  return static_cast<int>(removed.size());
}

TOL_Var* TOL_VarIntObMap::FindMember(Atom name) {
  if (TOL_Var* method = MethodTable::Get(kMapMethods).Find(name)) return method;
  return TOL_VarObject::FindMember(name);
}

}  // namespace tav::script
