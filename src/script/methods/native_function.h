// Native functions: callables implemented in C++.
//
// Two shapes. A receiver method works on THIS alone and answers none without a receiver. A
// method with arguments reads THIS and ARGS from the frame and answers a new value (or none,
// which the caller sees as INT 0). Natives are single process-wide instances, held by method
// tables or the global object and never collected.
#pragma once

#include <functional>
#include <string_view>

#include "script/core/frame.h"
#include "script/core/var_function.h"

namespace tav::script {

// The method with arguments: `self` is the receiver's target (null when there is none),
// `args` the argument array (null when the frame has none).
using NativeBody = std::function<VarRef(TOL_Var* self, TOL_VarObArray* args, TOL_VarObArray* frame)>;
// The receiver method: called only with a receiver.
using ReceiverBody = std::function<VarRef(TOL_Var* self)>;

class TOL_NativeFunction : public TOL_VarFunction {
 public:
  TOL_NativeFunction(std::string_view name, NativeBody body) : name_(name), body_(std::move(body)) {}
  VarRef Call(TOL_VarObArray* frame) override;
  const std::string& Name() const { return name_; }

 private:
  std::string name_;
  NativeBody body_;
};

class TOL_ReceiverMethod : public TOL_VarFunction {
 public:
  TOL_ReceiverMethod(std::string_view name, ReceiverBody body) : name_(name), body_(std::move(body)) {}
  VarRef Call(TOL_VarObArray* frame) override;
  const std::string& Name() const { return name_; }

 private:
  std::string name_;
  ReceiverBody body_;
};

inline VarRef NewNative(std::string_view name, NativeBody body) {
  return Make<TOL_NativeFunction>(name, std::move(body));
}
inline VarRef NewReceiverMethod(std::string_view name, ReceiverBody body) {
  return Make<TOL_ReceiverMethod>(name, std::move(body));
}

}  // namespace tav::script
