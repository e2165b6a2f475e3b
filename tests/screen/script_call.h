// Calls a value's method the way a compiled script does: an argument array, a frame with the
// value as THIS, and the method found by its upper-case name.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>

#include "script/core/frame.h"
#include "script/core/var.h"

namespace tav::screen::testing {

inline script::VarRef CallMethod(script::TOL_Var* self, const char* name,
                                 std::initializer_list<script::VarRef> args = {}) {
  auto array = script::NewArray();
  for (const script::VarRef& arg : args) array->Add(arg.get());
  auto frame = script::NewFrame(array.get(), self, nullptr);
  script::TOL_Var* method = self->FindMember(script::Atom::Intern(name));
  EXPECT_NE(method, nullptr) << name;
  return method ? method->Call(frame.get()) : nullptr;
}

}  // namespace tav::screen::testing
