#include "script/objects/apply_model.h"

#include <vector>

#include "script/core/var_array.h"
#include "script/core/var_function.h"

namespace tav::script {
namespace {

bool IsExpressionCallable(TOL_Var* value) {
  auto* function = value ? dynamic_cast<TOL_VarFunction*>(value->GetTarget()) : nullptr;
  return function && function->IsExpressionCallable();
}

// Steps 1 and 3 for one (model value, target value) pair.
void ApplyValue(TOL_Var* model, TOL_Var* target, TOL_VarObArray* frame) {
  if (model->GetType() == kTypeFunction) {
    if (VarRef answer = model->Call(frame)) target->Assign(answer.get());
  } else if (target->IsValue()) {
    target->Assign(model);
  } else {
    target->Assign(model->Clone(nullptr).get());  // objects ignore it; engine classes may not
  }
}

void ApplyMember(TOL_VarObject* owner, Atom name, TOL_Var* model, TOL_Var* target,
                 TOL_VarObArray* frame) {
  if (target->GetType() == kTypeFunction) {
    if (IsExpressionCallable(target) && IsExpressionCallable(model)) {
      VarRef keep(model);
      owner->RemoveMember(name);
      owner->SetMember(model, name);
    }
    return;
  }
  if (model->GetType() == kTypeFunction) {
    ApplyValue(model, target, frame);
    return;
  }
  if (model->GetType() == kTypeArray) {
    if (target->GetType() != kTypeArray) target->Assign(NewArray().get());
    int count = model->GetCount();
    target->SetSize(count, -1);
    for (int i = 0; i < count; ++i) {
      TOL_Var* m = model->GetAt(i);
      TOL_Var* t = target->GetAt(i);
      if (m && t) ApplyValue(m, t, frame);
    }
    return;
  }
  ApplyValue(model, target, frame);
}

constexpr int kBaseDepthLimit = 256;

void Apply(TOL_Var* model, TOL_Var* target, TOL_VarObArray* frame, int depth) {
  if (!model || !target || depth > kBaseDepthLimit) return;
  if (TOL_VarObject* base = model->GetBase(); base) {
    Apply(base, target, frame, depth + 1);
  }
  auto* modelObject = dynamic_cast<TOL_VarObject*>(model->GetTarget());
  auto* owner = dynamic_cast<TOL_VarObject*>(target->GetTarget());
  if (!modelObject || !owner) return;
  // Calls made here may change the model; walk a snapshot and keep its values alive.
  std::vector<MemberMap::Entry> members = modelObject->Members().Entries();
  for (const auto& member : members) {
    VarRef t(target->FindMember(member.name));
    if (t) ApplyMember(owner, member.name, member.value.get(), t.get(), frame);
  }
}

}  // namespace

void ApplyModel(TOL_Var* model, TOL_Var* target, TOL_VarObArray* frame) {
  Apply(model, target, frame, 0);
}

}  // namespace tav::script
