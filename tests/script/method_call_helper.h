// Calling built-in methods from tests the way a compiled call does: the method is found by the
// receiver's FindMember, the arguments are copied when they are values and shared otherwise,
// and the callee gets a fresh frame with THIS and the globals.
#pragma once

#include <functional>
#include <initializer_list>
#include <string_view>

#include "script/methods/builtin_methods.h"
#include "script/core/frame.h"
#include "script/core/method_table.h"
#include "script/methods/native_function.h"
#include "script/core/scalars.h"
#include "script/core/var_array.h"
#include "script/core/var_ref.h"

namespace tav::script::testing {

inline Ref<TOL_VarObArray> MakeArgs(std::initializer_list<VarRef> args) {
  auto array = NewArray();
  for (const VarRef& arg : args) {
    VarRef passed = arg->IsValue() ? arg->Clone(nullptr) : arg;
    array->Add(passed.get());
  }
  return array;
}

// Calls `function` with THIS = `self` (may be null) and the given arguments.
inline VarRef CallWith(TOL_Var* function, TOL_Var* self, std::initializer_list<VarRef> args,
                       TOL_Var* globals = nullptr) {
  auto argArray = MakeArgs(args);
  auto frame = NewFrame(argArray.get(), self, globals);
  return function->Call(frame.get());
}

// self.NAME(args...); null when the receiver has no such member.
inline VarRef CallMethod(TOL_Var* self, std::string_view name, std::initializer_list<VarRef> args = {},
                         TOL_Var* globals = nullptr) {
  TOL_Var* method = self->FindMember(Atom::Intern(name));
  if (!method) return nullptr;
  return CallWith(method, self, args, globals);
}

// A callable standing in for a script FUNC: `body` gets the frame it was called with.
inline VarRef MakeCallable(std::function<VarRef(TOL_VarObArray* frame)> body) {
  return NewNative("callback", [body = std::move(body)](TOL_Var*, TOL_VarObArray*, TOL_VarObArray* frame) {
    return body(frame);
  });
}

}  // namespace tav::script::testing
