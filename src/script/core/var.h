// TOL_Var: the root of every value a script touches.
//
// Every value carries its own type, converts itself to the other scalar types, looks up named
// members and is a counted reference shared between variables, arrays, call frames and the
// engine. The operation set below is the whole interface the evaluator, the statements and the
// engine's own classes are written against; each class overrides what it needs and the defaults
// answer "nothing" (0, false, "", -1 or none).
//
// Pointers passed in and returned by plain `TOL_Var*` are borrowed; `Ref` results carry a count.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "archive/object.h"
#include "script/base/atom.h"
#include "script/base/pool.h"
#include "script/base/ref.h"
#include "script/core/registry.h"

namespace tav::script {

enum TypeCode : int {
  kTypeNone = 0,
  kTypeBool = 1,
  kTypeInt = 2,
  kTypeDouble = 3,
  kTypeInt64 = 4,
  kTypeString = 5,
  kTypeArray = 6,
  kTypeFunction = 7,
  kTypeObject = 8,
};

class TOL_Var;
class TOL_VarObject;
class TOL_VarObArray;
using VarRef = Ref<TOL_Var>;

void NoteUnreferenced(TOL_Var* var);  // registry.cpp

class TOL_Var : public TOL_SmallObject, public archive::Object {
 public:
  TOL_Var();
  TOL_Var(const TOL_Var&) = delete;
  TOL_Var& operator=(const TOL_Var&) = delete;
  virtual ~TOL_Var();

  // Counting. Lowering to zero or below never frees; it marks the value for the next pass.
  void AddRef() { ++refs_; }
  void Release() {
    if (g_tearingDown) return;
    if (--refs_ <= 0) NoteUnreferenced(this);
  }
  int32_t RefCount() const { return refs_; }
  bool IsBorrowed() const { return borrowed_; }

  // The serialisable root.
  static const archive::ClassInfo kClassInfo;
  const archive::ClassInfo& GetRuntimeClass() const override { return kClassInfo; }
  void Serialize(archive::Archive& ar) override;
  void ArchiveAddRef() override { AddRef(); }
  void ArchiveRelease() override { Release(); }

  // The operation table, in its fixed order.
  virtual int GetType() const { return kTypeNone; }
  virtual bool IsValue() const;
  // A value that a call hands to its callee as it is instead of a copy, although assignment
  // copies it: a random generator, so that the callee draws from the caller's sequence.
  virtual bool IsSharedArgument() const { return false; }
  virtual bool GetBool() const { return false; }
  virtual int32_t GetLong() const { return 0; }
  virtual double GetDouble() const { return 0.0; }
  virtual int64_t GetInt64() const { return 0; }
  virtual std::string GetString() const { return {}; }
  virtual TOL_Var* GetTarget() { return this; }
  virtual void Assign(TOL_Var* source);
  virtual VarRef Call(TOL_VarObArray* frame);
  virtual TOL_VarObject* GetBase() { return nullptr; }
  virtual void SetBase(TOL_VarObject* base);
  virtual VarRef Clone(TOL_Var* target);
  virtual int CopyElements(TOL_Var* other);
  virtual void SetSize(int count, int grow);
  virtual void SetAt(int index, TOL_Var* value);
  virtual TOL_Var* GetAt(int index);
  virtual int IndexOf(TOL_Var* value);
  virtual int GetCount() { return 0; }
  virtual int Add(TOL_Var* value);
  virtual void InsertAt(int index, TOL_Var* value);
  virtual int TakeElement(TOL_Var* other, TOL_Var* element);
  virtual int TakeAt(TOL_Var* other, int index);
  virtual bool RemoveElement(TOL_Var* value);
  virtual bool RemoveAt(int index);
  virtual void RemoveAll() {}
  virtual bool ReservedQueryA(int) { return false; }
  virtual bool ReservedQueryB(int) { return false; }
  virtual void DeleteAll() {}
  virtual int AppendArray(TOL_Var* other);
  virtual TOL_Var* FindContainer(TOL_Var* element, int depth);
  virtual TOL_Var* FindMemberDeep(Atom name, int depth);
  virtual TOL_Var* FindMember(Atom name);
  virtual void SetMember(TOL_Var* value, Atom name);
  virtual VarRef RemoveMember(Atom name);
  virtual void RemoveAllMembers() {}

  // Conveniences for engine code that names members by text (upper-cased here).
  TOL_Var* FindMember(std::string_view name);
  void SetMember(TOL_Var* value, std::string_view name) { SetMember(value, Atom::Intern(name)); }

  bool IsCallable() const { return GetType() == kTypeFunction; }

  // Which of the classes the evaluator computes with directly this value is exactly (not a
  // class derived from one), found out once: a value never changes its class.
  enum class Exact : uint8_t { kUnknown, kBool, kInt, kDouble, kInt64, kArray, kObject, kRef, kFunc, kForm, kOther };
  Exact ExactClass() const {
    if (exact_ == Exact::kUnknown) [[unlikely]] exact_ = FindExactClass();
    return exact_;
  }

 private:
  Exact FindExactClass() const;

  friend class Registry;
  friend class FramePool;
  int32_t refs_ = 1;
  bool pending_ = false;      // waiting in the registry's list of unreferenced values
  bool borrowed_ = false;     // a call frame's part on loan (see frame_pool.h): not in the list
  mutable Exact exact_ = Exact::kUnknown;
  uint64_t order_ = 0;        // creation order: the registry walks from the newest to the oldest
  TOL_Var* prevLive_ = nullptr;
  TOL_Var* nextLive_ = nullptr;
};

inline void Registry::Link(TOL_Var* var) {
  auto& c = registry_detail::g_counters;
  if (c.adoptOrder) [[unlikely]] {
    if (c.adoptOrder == registry_detail::kBorrowOrder) {
      // Kept out of the list and the count: the frame pool accounts for it (MakeBorrowed).
      var->borrowed_ = true;
      c.adoptOrder = 0;
      return;
    }
    // An unmade value becomes this one: it keeps its place in the creation order, and it was
    // counted when it was reserved. Only the pass order depends on creation orders; the list
    // is just the set of values, so where a value stands in it does not matter.
    var->order_ = c.adoptOrder;
    c.adoptOrder = 0;
  } else {
    var->order_ = c.nextOrder++;
    ++c.tracked;
  }
  var->nextLive_ = c.newest;  // next = older
  if (c.newest) c.newest->prevLive_ = var;
  c.newest = var;
  if (!c.oldest) c.oldest = var;
}

inline void Registry::Unlink(TOL_Var* var) {
  auto& c = registry_detail::g_counters;
  if (var->prevLive_) var->prevLive_->nextLive_ = var->nextLive_;
  else c.newest = var->nextLive_;
  if (var->nextLive_) var->nextLive_->prevLive_ = var->prevLive_;
  else c.oldest = var->prevLive_;
  --c.tracked;
}

inline TOL_Var::TOL_Var() { Registry::Link(this); }

inline TOL_Var::~TOL_Var() {
  if (!g_tearingDown && !borrowed_) Registry::Unlink(this);
}

inline void Registry::Promote(TOL_Var* var) {
  if (!var->borrowed_) return;
  auto& c = registry_detail::g_counters;
  c.adoptOrder = var->order_;
  Link(var);
  var->borrowed_ = false;
}

// Declares the runtime class record of a value class; TOL_IMPLEMENT_CLASS defines it.
#define TOL_DECLARE_CLASS(cls)                                                      \
 public:                                                                            \
  static const ::tav::archive::ClassInfo kClassInfo;                                \
  const ::tav::archive::ClassInfo& GetRuntimeClass() const override { return kClassInfo; }

#define TOL_IMPLEMENT_CLASS(cls)                                                    \
  const ::tav::archive::ClassInfo cls::kClassInfo{                                  \
      #cls, 1, []() -> ::tav::archive::Object* { return new cls(); }};

}  // namespace tav::script
