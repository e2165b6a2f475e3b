// TOL_VarRef: the OBJECT variable and the empty element slot.
//
// A reference forwards every operation to its target and reports the target's type; an empty
// reference answers like a plain value of type 0. It never targets another reference: whatever
// it is pointed at, it keeps that value's final target, so chains and cycles of references
// cannot form.
#pragma once

#include "script/core/var.h"

namespace tav::script {

class TOL_VarRef : public TOL_Var {
  TOL_DECLARE_CLASS(TOL_VarRef)
 public:
  TOL_VarRef() = default;
  explicit TOL_VarRef(TOL_Var* target) { SetTarget(target); }

  TOL_Var* Target() const { return target_.get(); }
  void SetTarget(TOL_Var* target);

  int GetType() const override { return target_ ? target_->GetType() : kTypeNone; }
  bool IsValue() const override { return true; }
  bool GetBool() const override { return target_ && target_->GetBool(); }
  int32_t GetLong() const override { return target_ ? target_->GetLong() : 0; }
  double GetDouble() const override { return target_ ? target_->GetDouble() : 0.0; }
  int64_t GetInt64() const override { return target_ ? target_->GetInt64() : 0; }
  std::string GetString() const override { return target_ ? target_->GetString() : std::string(); }
  TOL_Var* GetTarget() override { return target_ ? target_->GetTarget() : nullptr; }
  void Assign(TOL_Var* source) override { SetTarget(source); }
  VarRef Call(TOL_VarObArray* frame) override;
  TOL_VarObject* GetBase() override { return target_ ? target_->GetBase() : nullptr; }
  void SetBase(TOL_VarObject* base) override;
  VarRef Clone(TOL_Var* target) override;
  int CopyElements(TOL_Var* other) override;
  void SetSize(int count, int grow) override;
  void SetAt(int index, TOL_Var* value) override;
  TOL_Var* GetAt(int index) override;
  int IndexOf(TOL_Var* value) override;
  int GetCount() override { return target_ ? target_->GetCount() : 0; }
  int Add(TOL_Var* value) override;
  void InsertAt(int index, TOL_Var* value) override;
  int TakeElement(TOL_Var* other, TOL_Var* element) override;
  int TakeAt(TOL_Var* other, int index) override;
  bool RemoveElement(TOL_Var* value) override;
  bool RemoveAt(int index) override;
  void RemoveAll() override;
  bool ReservedQueryA(int n) override { return target_ && target_->ReservedQueryA(n); }
  bool ReservedQueryB(int n) override { return target_ && target_->ReservedQueryB(n); }
  void DeleteAll() override;
  int AppendArray(TOL_Var* other) override;
  TOL_Var* FindContainer(TOL_Var* element, int depth) override;
  TOL_Var* FindMemberDeep(Atom name, int depth) override;
  TOL_Var* FindMember(Atom name) override;
  using TOL_Var::FindMember;
  void SetMember(TOL_Var* value, Atom name) override;
  using TOL_Var::SetMember;
  VarRef RemoveMember(Atom name) override;
  void RemoveAllMembers() override;
  void Serialize(archive::Archive& ar) override;

 private:
  VarRef target_;
};

inline VarRef NewRef(TOL_Var* target = nullptr) { return Make<TOL_VarRef>(target); }

}  // namespace tav::script
