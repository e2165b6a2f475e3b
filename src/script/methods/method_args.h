// How built-in methods read their call frame.
//
// A built-in method runs only when it has a receiver and at least the arguments it requires;
// otherwise the call answers none and the caller sees INT 0. Optional arguments that are
// missing take the method's default. Receiver-only methods ignore ARGS altogether.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "script/methods/native_function.h"

namespace tav::script {

// Read-only view of one call's argument array.
class MethodArgs {
 public:
  explicit MethodArgs(TOL_VarObArray* args) : args_(args) {}

  int Count() const { return ArgCount(args_); }
  bool Has(int index) const { return index >= 0 && index < Count(); }
  // The ARGS element itself: a copy of a scalar or reference argument, the shared array,
  // object or callable otherwise. Null when missing.
  TOL_Var* Element(int index) const { return args_ ? args_->GetAt(index) : nullptr; }
  // What the element refers to (the element itself unless it is a reference). Null when missing
  // or when the argument is an empty reference.
  TOL_Var* Value(int index) const { return Arg(args_, index); }

  // Conversions of a present argument; `fallback` when it is missing.
  int32_t Long(int index, int32_t fallback = 0) const;
  int64_t Int64(int index, int64_t fallback = 0) const;
  std::string Text(int index, std::string_view fallback = {}) const;
  // The first byte of the argument's text, or `fallback` when the argument is missing or its
  // text is empty.
  char FirstByte(int index, char fallback) const;

 private:
  TOL_VarObArray* args_;
};

// The body of a method with arguments; `frame` is the call's own frame (callbacks take the
// globals from it).
using MethodBody = std::function<VarRef(TOL_Var* self, const MethodArgs& args, TOL_VarObArray* frame)>;

// Defines `name` in the method table `table` as a method that runs only with a receiver and at
// least `required` arguments.
void DefineMethod(int table, std::string_view name, int required, MethodBody body);
// Defines `name` as a receiver method: runs only with a receiver, ignores ARGS.
void DefineReceiverMethod(int table, std::string_view name, ReceiverBody body);

// The conversion methods every scalar table holds: INT, LONG, BOOL, DOUBLE, STRING, REF, ADDR.
void DefineConversionMethods(int table);

// In-place edits of a receiver's text: a STRING is changed directly; any other receiver is given
// the text through its Assign, so a typed variable converts it as an assignment would.
void SetReceiverText(TOL_Var* self, std::string text);

}  // namespace tav::script
