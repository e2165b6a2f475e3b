#include "script/core/var_object.h"

#include <unordered_map>
#include <vector>

#include "archive/archive.h"
#include "script/core/var_ref.h"

namespace tav::script {

TOL_IMPLEMENT_CLASS(TOL_VarObject)

namespace {

constexpr int kCloneDepthLimit = 64;
int g_cloneDepth = 0;
// Within one copy operation every source is copied once: a structure that holds the same object
// in many places (or holds itself) is copied in time proportional to its size, not to the number
// of paths through it, and the copy keeps the sharing of its source.
std::unordered_map<TOL_Var*, VarRef> g_copies;

}  // namespace

TOL_VarObject::CloneDepth::CloneDepth() { ++g_cloneDepth; }
TOL_VarObject::CloneDepth::~CloneDepth() {
  if (--g_cloneDepth == 0) g_copies.clear();
}
bool TOL_VarObject::CloneDepthAllows() { return g_cloneDepth < kCloneDepthLimit; }

VarRef TOL_VarObject::DeepCopy(TOL_Var* value) {
  if (!CloneDepthAllows()) return VarRef(value);
  CloneDepth depth;
  if (auto it = g_copies.find(value); it != g_copies.end()) return it->second;
  VarRef copy = value->Clone(nullptr);
  g_copies.emplace(value, copy);
  return copy;
}

void TOL_VarObject::SetBase(TOL_VarObject* base) {
  // A base chain that leads back here would make every failing lookup loop forever.
  for (TOL_VarObject* b = base; b; b = b->GetBase()) {
    if (b == this) return;
  }
  base_ = Ref<TOL_VarObject>(base);
}

TOL_Var* TOL_VarObject::FindMember(Atom name) {
  if (TOL_Var* own = members_.Find(name)) return own;
  return base_ ? base_->FindMember(name) : nullptr;
}

void TOL_VarObject::SetMember(TOL_Var* value, Atom name) {
  if (value && !name.IsNull()) members_.Set(name, value);
}

VarRef TOL_VarObject::RemoveMember(Atom name) { return members_.Remove(name); }

VarRef TOL_VarObject::CopyForClone(TOL_Var* value) {
  if (dynamic_cast<TOL_VarRef*>(value)) return value->Clone(nullptr);
  switch (value->GetType()) {
    case kTypeFunction:
      return VarRef(value);
    case kTypeArray:
    case kTypeObject:
      return DeepCopy(value);
    default:
      return value->Clone(nullptr);
  }
}

void TOL_VarObject::CloneMembersInto(TOL_Var* target) {
  CloneDepth depth;
  // Copy the list first: cloning a member may not change this object, but the target may be
  // this object itself.
  std::vector<MemberMap::Entry> entries = members_.Entries();
  for (const auto& entry : entries) {
    VarRef copy = CopyForClone(entry.value.get());
    target->SetMember(copy.get(), entry.name);
  }
}

VarRef TOL_VarObject::Clone(TOL_Var* target) {
  if (target) {
    CloneMembersInto(target);
    return VarRef(target);
  }
  auto clone = Make<TOL_VarObject>();
  clone->SetBase(this);
  CloneMembersInto(clone.get());
  return clone;
}

void TOL_VarObject::Serialize(archive::Archive& ar) {
  TOL_Var::Serialize(ar);
  if (ar.IsStoring()) {
    ar.WriteWord(1);
    ar.WriteDword(base_keys::FirstKeyOrNone());
    std::vector<std::pair<std::string, archive::Object*>> entries;
    entries.reserve(members_.Size());
    for (const auto& entry : members_.Entries()) entries.emplace_back(entry.name.Text(), entry.value.get());
    ar.WriteStringMap(entries);
    return;
  }
  ar.ReadWord();
  SetBase(base_keys::Lookup(ar.ReadDword()));
  // Take every reference at once so that nothing leaks if a conversion below throws.
  std::vector<std::pair<std::string, VarRef>> loaded;
  for (auto& [name, object] : ar.ReadStringMapOf<TOL_Var>()) {
    auto* var = dynamic_cast<TOL_Var*>(object);
    VarRef value = VarRef::Adopt(var);
    if (object && !var) {
      object->ArchiveRelease();
      throw archive::ArchiveError("member \"" + name + "\" is not a script value");
    }
    loaded.emplace_back(std::move(name), std::move(value));
  }
  for (auto& [name, value] : loaded) {
    SetMember(value ? value.get() : NewRef().get(), Atom::Intern(name));
  }
}

namespace base_keys {
namespace {
std::vector<std::pair<uint32_t, Ref<TOL_VarObject>>>& Table() {
  static std::vector<std::pair<uint32_t, Ref<TOL_VarObject>>> table;
  return table;
}
}  // namespace

void Set(uint32_t key, TOL_VarObject* object) {
  for (auto& entry : Table()) {
    if (entry.first == key) {
      entry.second = Ref<TOL_VarObject>(object);
      return;
    }
  }
  Table().emplace_back(key, Ref<TOL_VarObject>(object));
}

void Remove(uint32_t key) {
  auto& table = Table();
  for (auto it = table.begin(); it != table.end(); ++it) {
    if (it->first == key) {
      table.erase(it);
      return;
    }
  }
}

void Clear() { Table().clear(); }

TOL_VarObject* Lookup(uint32_t key) {
  for (auto& entry : Table()) {
    if (entry.first == key) return entry.second.get();
  }
  return nullptr;
}

uint32_t FirstKeyOrNone() { return Table().empty() ? 0x80000000u : Table().front().first; }

}  // namespace base_keys
}  // namespace tav::script
