#include "script/core/var_array.h"

#include "archive/archive.h"
#include "script/core/method_table.h"
#include "script/core/var_ref.h"

namespace tav::script {

TOL_IMPLEMENT_CLASS(TOL_VarObArray)

VarRef TOL_VarObArray::NewEmptySlot() { return NewRef(); }

TOL_VarObArray* TOL_VarObArray::AsArray(TOL_Var* value) {
  return value ? dynamic_cast<TOL_VarObArray*>(value->GetTarget()) : nullptr;
}

VarRef TOL_VarObArray::CopyElementForClone(TOL_Var* element) {
  switch (element->GetType()) {
    case kTypeFunction:
      return VarRef(element);
    case kTypeArray:
    case kTypeObject: {
      return NewRef(DeepCopy(element->GetTarget()).get());
    }
    default:
      return element->Clone(nullptr);
  }
}

// A copy is based on the source; its elements are copies: callables shared, arrays and
// objects copied deeply and each held through a new reference, everything else cloned.
VarRef TOL_VarObArray::Clone(TOL_Var* target) {
  Ref<TOL_Var> result;
  TOL_VarObArray* into = nullptr;
  if (target) {
    result = VarRef(target);
    into = AsArray(target);
  } else {
    auto clone = NewArray();
    clone->SetBase(this);
    into = clone.get();
    result = std::move(clone);
  }
  CloneMembersInto(result.get());
  if (into && into != this) {
    ElementList copies;
    copies.reserve(elements_.size());
    for (const VarRef& element : elements_) copies.push_back(CopyElementForClone(element.get()));
    into->elements_ = std::move(copies);
  }
  return result;
}

// Each element of `other` is copied deeply by writing it to a memory archive and reading it
// back, so the copies share nothing with their sources.
int TOL_VarObArray::CopyElements(TOL_Var* other) {
  TOL_VarObArray* source = AsArray(other);
  if (!source || source == this) return 0;
  ElementList copies;
  copies.reserve(source->elements_.size());
  try {
    for (const VarRef& element : source->elements_) {
      archive::Archive out = archive::Archive::ForWriting();
      out.WriteObject(element.get());
      archive::Archive in = archive::Archive::ForReading(out.Bytes());
      VarRef copy = VarRef::Adopt(in.ReadObjectAs<TOL_Var>());
      copies.push_back(copy ? std::move(copy) : NewRef());
    }
  } catch (const archive::ArchiveError&) {
    return 0;  // a value that cannot be stored: nothing is replaced
  }
  elements_ = std::move(copies);
  return GetCount();
}

void TOL_VarObArray::SetSize(int count, int) {
  if (count < 0 || count > kMaxElements) return;
  size_t n = static_cast<size_t>(count);
  if (n <= elements_.size()) {
    elements_.resize(n);
    return;
  }
  elements_.reserve(n);
  while (elements_.size() < n) elements_.push_back(NewRef());
}

void TOL_VarObArray::SetAt(int index, TOL_Var* value) {
  if (index < 0 || index >= GetCount() || !value) return;
  elements_[index] = VarRef(value);
}

int TOL_VarObArray::IndexOf(TOL_Var* value) {
  for (size_t i = 0; i < elements_.size(); ++i) {
    if (elements_[i]->GetTarget() == value) return static_cast<int>(i);
  }
  return -1;
}

int TOL_VarObArray::Add(TOL_Var* value) {
  if (!value || GetCount() >= kMaxElements) return -1;
  elements_.push_back(VarRef(value));
  return GetCount() - 1;
}

void TOL_VarObArray::InsertAt(int index, TOL_Var* value) {
  if (index < 0 || index > GetCount() || !value || GetCount() >= kMaxElements) return;
  elements_.insert(elements_.begin() + index, VarRef(value));
}

int TOL_VarObArray::TakeElement(TOL_Var* other, TOL_Var* element) {
  TOL_VarObArray* from = AsArray(other);
  if (!from) return -1;
  return TakeAt(from, from->IndexOf(element));
}

int TOL_VarObArray::TakeAt(TOL_Var* other, int index) {
  TOL_VarObArray* from = AsArray(other);
  if (!from || index < 0 || index >= from->GetCount()) return -1;
  VarRef element = from->elements_[index];
  from->elements_.erase(from->elements_.begin() + index);
  return Add(element.get());
}

bool TOL_VarObArray::RemoveElement(TOL_Var* value) { return RemoveAt(IndexOf(value)); }

bool TOL_VarObArray::RemoveAt(int index) {
  if (index < 0 || index >= GetCount()) return false;
  elements_.erase(elements_.begin() + index);
  return true;
}

// Destroying elements outright would leave dangling every other holder of them; they are
// released instead, and those no one else holds go at the next collection pass.
void TOL_VarObArray::DeleteAll() { elements_.clear(); }

int TOL_VarObArray::AppendArray(TOL_Var* other) {
  TOL_VarObArray* from = AsArray(other);
  if (!from) return -1;
  int start = GetCount();
  size_t n = from->elements_.size();  // appending an array to itself copies it once
  if (start + n > static_cast<size_t>(kMaxElements)) return -1;
  elements_.reserve(start + n);
  for (size_t i = 0; i < n; ++i) elements_.push_back(from->elements_[i]);
  return start;
}

TOL_Var* TOL_VarObArray::FindContainer(TOL_Var* element, int depth) {
  if (depth <= 0) return nullptr;
  for (const VarRef& e : elements_) {
    if (e.get() == element) return this;
  }
  return nullptr;
}

TOL_Var* TOL_VarObArray::FindMemberDeep(Atom name, int depth) {
  if (TOL_Var* found = FindMember(name)) return found;
  if (depth <= 0) return nullptr;
  for (size_t i = 0; i < elements_.size(); ++i) {
    VarRef element = elements_[i];  // a lookup must not lose the element under it
    if (TOL_Var* found = element->FindMemberDeep(name, depth - 1)) return found;
  }
  return nullptr;
}

TOL_Var* TOL_VarObArray::FindMember(Atom name) {
  if (TOL_Var* method = MethodTable::Get(kArrayMethods).Find(name)) return method;
  return TOL_VarObject::FindMember(name);
}

void TOL_VarObArray::AdoptElements(ElementList elements) {
  for (VarRef& element : elements) {
    if (!element) element = NewRef();
  }
  elements_ = std::move(elements);
}

void TOL_VarObArray::Reorder(const std::vector<int>& order) {
  ElementList reordered;
  reordered.reserve(order.size());
  for (int i : order) reordered.push_back(elements_[i]);
  elements_ = std::move(reordered);
}

void TOL_VarObArray::Serialize(archive::Archive& ar) {
  TOL_VarObject::Serialize(ar);
  if (ar.IsStoring()) {
    ar.WriteWord(1);
    std::vector<archive::Object*> objects;
    objects.reserve(elements_.size());
    for (const VarRef& e : elements_) objects.push_back(e.get());
    ar.WriteObjectArray(objects);
    return;
  }
  ar.ReadWord();
  ElementList loaded;
  std::vector<archive::Object*> objects = ar.ReadObjectArray();
  loaded.reserve(objects.size());
  bool foreign = false;
  for (archive::Object* object : objects) {
    auto* var = dynamic_cast<TOL_Var*>(object);
    if (object && !var) {
      object->ArchiveRelease();
      foreign = true;
      continue;
    }
    loaded.push_back(var ? VarRef::Adopt(var) : NewRef());
  }
  if (foreign) throw archive::ArchiveError("an array element is not a script value");
  elements_ = std::move(loaded);
}

}  // namespace tav::script
