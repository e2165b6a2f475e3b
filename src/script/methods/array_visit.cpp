#include "script/methods/array_visit.h"

#include <unordered_set>
#include <vector>

#include "script/core/frame.h"
#include "script/core/var_ref.h"

namespace tav::script {

TOL_VarObArray* ArrayOf(TOL_Var* value) {
  return value ? dynamic_cast<TOL_VarObArray*>(value->GetTarget()) : nullptr;
}

CallbackFrame::CallbackFrame(TOL_VarObArray* callerFrame) {
  TOL_Var* globals = callerFrame ? callerFrame->GetAt(kGlobalSlot) : nullptr;
  frame_ = NewFrame(nullptr, nullptr, nullptr);
  if (globals) frame_->SetAt(kGlobalSlot, globals);
}

VarRef CallbackFrame::CallWithThis(TOL_Var* callable, TOL_Var* element) {
  if (!callable || !callable->IsCallable() || !element) return nullptr;
  frame_->SetAt(kThisSlot, element);
  frame_->SetMember(element, Names::This());
  return callable->Call(frame_.get());
}

VarRef CallbackFrame::CallWithArgs(TOL_Var* callable, TOL_Var* first, TOL_Var* second) {
  if (!callable || !callable->IsCallable() || !first || !second) return nullptr;
  // The same argument array serves every comparison; a callback that reshaped it gets it back
  // with exactly two elements.
  if (!args_) args_ = NewArray();
  if (args_->GetCount() != 2) args_->SetSize(2, -1);
  args_->SetAt(0, first);
  args_->SetAt(1, second);
  if (frame_->GetAt(kArgsSlot) != args_.get()) frame_->SetAt(kArgsSlot, args_.get());
  if (frame_->FindOwnMember(Names::Args()) != args_.get()) frame_->SetMember(args_.get(), Names::Args());
  return callable->Call(frame_.get());
}

bool VisitElements(TOL_VarObArray* root, CallbackFrame& frame, TOL_Var* descend,
                   const std::function<bool(TOL_Var* element)>& visit) {
  if (!root) return false;
  struct Level {
    Ref<TOL_VarObArray> array;
    int next;
  };
  std::vector<Level> stack;
  std::unordered_set<TOL_VarObArray*> open;
  stack.push_back({Ref<TOL_VarObArray>(root), 0});
  open.insert(root);
  while (!stack.empty()) {
    TOL_VarObArray* array = stack.back().array.get();
    int index = stack.back().next++;
    if (index >= array->GetCount()) {
      open.erase(array);
      stack.pop_back();
      continue;
    }
    VarRef element(array->GetAt(index));  // stays alive even if a callback removes it
    if (visit(element.get())) return true;
    if (!descend || !CallbackFrame::IsTrue(frame.CallWithThis(descend, element.get()))) continue;
    TOL_VarObArray* inner = ArrayOf(element.get());
    if (inner && open.insert(inner).second) stack.push_back({Ref<TOL_VarObArray>(inner), 0});
  }
  return false;
}

}  // namespace tav::script
