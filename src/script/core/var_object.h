// TOL_VarObject: named members and a base object to fall back on.
//
// The base object is the object this one was cloned from (an instance's type, a screen's
// stored view); a lookup that fails here continues there. The base is counted, so it lives
// at least as long as the objects that fall back on it.
#pragma once

#include "script/core/member_map.h"
#include "script/core/var.h"

namespace tav::script {

class TOL_VarObject : public TOL_Var {
  TOL_DECLARE_CLASS(TOL_VarObject)
 public:
  TOL_VarObject() = default;

  int GetType() const override { return kTypeObject; }
  TOL_VarObject* GetBase() override { return base_.get(); }
  void SetBase(TOL_VarObject* base) override;
  VarRef Clone(TOL_Var* target) override;
  TOL_Var* FindMember(Atom name) override;
  using TOL_Var::FindMember;
  void SetMember(TOL_Var* value, Atom name) override;
  using TOL_Var::SetMember;
  VarRef RemoveMember(Atom name) override;
  void RemoveAllMembers() override { members_.Clear(); }
  void Serialize(archive::Archive& ar) override;

  const MemberMap& Members() const { return members_; }
  // Only this object's own members, without the base.
  TOL_Var* FindOwnMember(Atom name) const { return members_.Find(name); }
  TOL_Var* FindOwnMember(Atom name, uint32_t& hint) const { return members_.Find(name, hint); }

 protected:
  // SetMember for a name this object is known not to hold yet (a frame being built).
  void AppendMember(TOL_Var* value, Atom name) { members_.Append(name, value); }
  // Copies this object's members into `target` the way Clone does.
  void CloneMembersInto(TOL_Var* target);
  // A copy of one member or element value: references and scalars are cloned, callables are
  // shared, arrays and objects are copied deeply (as far as a nesting limit; beyond it shared).
  static VarRef CopyForClone(TOL_Var* value);
  // Deep copies nest at most this far (a structure that contains itself would never end);
  // beyond it, values are shared.
  static bool CloneDepthAllows();
  // A deep copy of an array or object, made once per copy operation (later requests share it).
  static VarRef DeepCopy(TOL_Var* value);
  struct CloneDepth {
    CloneDepth();
    ~CloneDepth();
  };

 private:
  friend class FramePool;
  MemberMap members_;
  Ref<TOL_VarObject> base_;
};

// The process-wide key -> object table that stored objects name their base object by.
namespace base_keys {
void Set(uint32_t key, TOL_VarObject* object);
void Remove(uint32_t key);
void Clear();
TOL_VarObject* Lookup(uint32_t key);
uint32_t FirstKeyOrNone();  // 0x80000000 when the table is empty
}  // namespace base_keys

}  // namespace tav::script
