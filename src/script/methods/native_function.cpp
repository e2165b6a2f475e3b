#include "script/methods/native_function.h"

namespace tav::script {

VarRef TOL_NativeFunction::Call(TOL_VarObArray* frame) {
  // Keep what the body works on alive even if the body drops the frame's hold on it.
  VarRef self(FrameThis(frame));
  Ref<TOL_VarObArray> args(FrameArgs(frame));
  return body_(self.get(), args.get(), frame);
}

VarRef TOL_ReceiverMethod::Call(TOL_VarObArray* frame) {
  VarRef self(FrameThis(frame));
  if (!self) return nullptr;
  return body_(self.get());
}

}  // namespace tav::script
