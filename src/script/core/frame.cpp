#include "script/core/frame.h"

#include "script/core/var_ref.h"

namespace tav::script {

Atom Names::Args() {
  static const Atom atom = Atom::Intern("ARGS");
  return atom;
}

Atom Names::This() {
  static const Atom atom = Atom::Intern("THIS");
  return atom;
}

namespace {

// The WITH and reserved slots of a frame a call builds stay empty for the whole call: scripts
// cannot reach a frame itself, and name lookups only ask these slots for members, which an
// empty reference never has. So every such frame shares one empty reference that nothing can
// re-target, instead of making two new ones per call.
class FixedEmptySlot : public TOL_VarRef {
 public:
  void Assign(TOL_Var*) override {}
};

}  // namespace

TOL_Var* SharedEmptySlot() {
  static const VarRef slot = Make<FixedEmptySlot>();
  return slot.get();
}

// Every call builds one, so the slots are filled in one go rather than made empty and replaced.
Ref<TOL_VarObArray> NewFrame(TOL_Var* args, TOL_Var* self, TOL_Var* globals) {
  auto frame = NewArray();
  frame->PushElement(VarRef(args));
  frame->PushElement(VarRef(self));
  frame->PushElement(VarRef(SharedEmptySlot()));
  frame->PushElement(VarRef(globals));
  frame->PushElement(VarRef(SharedEmptySlot()));
  if (args) frame->AppendFrameMember(args, Names::Args());
  if (self) frame->AppendFrameMember(self, Names::This());
  return frame;
}

TOL_VarObArray* FrameArgs(TOL_VarObArray* frame) {
  if (!frame) return nullptr;
  TOL_Var* slot = frame->GetAt(kArgsSlot);
  return slot ? dynamic_cast<TOL_VarObArray*>(slot->GetTarget()) : nullptr;
}

TOL_Var* FrameThis(TOL_VarObArray* frame) {
  if (!frame) return nullptr;
  TOL_Var* slot = frame->GetAt(kThisSlot);
  return slot ? slot->GetTarget() : nullptr;
}

TOL_Var* FrameGlobals(TOL_VarObArray* frame) {
  if (!frame) return nullptr;
  TOL_Var* slot = frame->GetAt(kGlobalSlot);
  return slot ? slot->GetTarget() : nullptr;
}

TOL_Var* Arg(TOL_VarObArray* args, int index) {
  if (!args) return nullptr;
  TOL_Var* value = args->GetAt(index);
  return value ? value->GetTarget() : nullptr;
}

}  // namespace tav::script
