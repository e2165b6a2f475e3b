#include "script/core/member_map.h"

#include "script/core/var.h"

namespace tav::script {

int MemberMap::IndexOf(Atom name) const {
  if (index_) {
    auto it = index_->find(name);
    return it == index_->end() ? -1 : it->second;
  }
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].name == name) return static_cast<int>(i);
  }
  return -1;
}

void MemberMap::Set(Atom name, TOL_Var* value) {
  int i = IndexOf(name);
  if (i >= 0) {
    entries_[i].value = Ref<TOL_Var>(value);
    return;
  }
  entries_.push_back({name, Ref<TOL_Var>(value)});
  if (index_) {
    index_->emplace(name, static_cast<int>(entries_.size() - 1));
  } else if (entries_.size() >= kIndexFrom) {
    RebuildIndex();
  }
}

void MemberMap::IndexLast() {
  if (index_) {
    index_->emplace(entries_.back().name, static_cast<int>(entries_.size() - 1));
  } else {
    RebuildIndex();
  }
}

Ref<TOL_Var> MemberMap::Remove(Atom name) {
  int i = IndexOf(name);
  if (i < 0) return nullptr;
  Ref<TOL_Var> value = std::move(entries_[i].value);
  entries_.erase(entries_.begin() + i);
  if (index_) RebuildIndex();
  return value;
}

void MemberMap::Clear() {
  entries_.clear();
  index_.reset();
}

void MemberMap::RebuildIndex() {
  if (entries_.size() < kIndexFrom) {
    index_.reset();
    return;
  }
  if (!index_) index_ = std::make_unique<std::unordered_map<Atom, int, AtomHash>>();
  index_->clear();
  for (size_t i = 0; i < entries_.size(); ++i) index_->emplace(entries_[i].name, static_cast<int>(i));
}

}  // namespace tav::script
