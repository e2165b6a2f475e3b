// RGB and the functions that let scripts look at values: identities and runtime class names.
#include "engine/builtins/builtin_bodies.h"
#include "script/methods/method_args.h"
#include "script/core/scalars.h"
#include "script/core/var_ref.h"

namespace tav::engine::builtins {

using script::MethodArgs;
using script::TOL_Var;
using script::TOL_VarObArray;
using script::VarRef;

namespace {

// A value's identity is its address. Scripts only store and compare it (the INT type has 32
// bits), so its low 32 bits stand for it, as the "ADDR" method of values has it.
int32_t Identity(const TOL_Var* value) {
  auto address = reinterpret_cast<uintptr_t>(value);
  return static_cast<int32_t>(static_cast<uint32_t>(address));
}

// The target of an argument that is a reference with a target, else null.
TOL_Var* ReferenceTarget(const MethodArgs& a) {
  auto* reference = dynamic_cast<script::TOL_VarRef*>(a.Element(0));
  return reference ? reference->Target() : nullptr;
}

}  // namespace

VarRef RGB(TOL_Var*, TOL_VarObArray* args, TOL_VarObArray*) {
  MethodArgs a(args);
  if (a.Count() < 3) return script::NewInt(0);
  uint32_t red = static_cast<uint32_t>(a.Long(0)) & 0xFF;
  uint32_t green = static_cast<uint32_t>(a.Long(1)) & 0xFF;
  uint32_t blue = static_cast<uint32_t>(a.Long(2)) & 0xFF;
  return script::NewInt(static_cast<int32_t>(red | green << 8 | blue << 16));
}

// The argument value itself, as the caller's ARGS holds it (a copy for plain values).
VarRef GetAddr(TOL_Var*, TOL_VarObArray* args, TOL_VarObArray*) {
  MethodArgs a(args);
  return script::NewInt(a.Has(0) ? Identity(a.Element(0)) : 0);
}

VarRef GetClassName(TOL_Var*, TOL_VarObArray* args, TOL_VarObArray*) {
  MethodArgs a(args);
  TOL_Var* value = a.Element(0);
  return script::NewString(value ? value->GetRuntimeClass().name : "");
}

VarRef GetRefAddr(TOL_Var*, TOL_VarObArray* args, TOL_VarObArray*) {
  TOL_Var* target = ReferenceTarget(MethodArgs(args));
  return script::NewInt(target ? Identity(target) : 0);
}

VarRef GetRefClassName(TOL_Var*, TOL_VarObArray* args, TOL_VarObArray*) {
  TOL_Var* target = ReferenceTarget(MethodArgs(args));
  return script::NewString(target ? target->GetRuntimeClass().name : "");
}

}  // namespace tav::engine::builtins
