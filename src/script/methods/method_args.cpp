#include "script/methods/method_args.h"

#include "script/core/method_table.h"
#include "script/core/scalars.h"
#include "script/core/var_ref.h"

namespace tav::script {

int32_t MethodArgs::Long(int index, int32_t fallback) const {
  TOL_Var* value = Element(index);
  return value ? value->GetLong() : fallback;
}

int64_t MethodArgs::Int64(int index, int64_t fallback) const {
  TOL_Var* value = Element(index);
  return value ? value->GetInt64() : fallback;
}

std::string MethodArgs::Text(int index, std::string_view fallback) const {
  TOL_Var* value = Element(index);
  return value ? value->GetString() : std::string(fallback);
}

char MethodArgs::FirstByte(int index, char fallback) const {
  TOL_Var* value = Element(index);
  if (!value) return fallback;
  std::string text = value->GetString();
  return text.empty() ? fallback : text[0];
}

void DefineMethod(int table, std::string_view name, int required, MethodBody body) {
  auto run = [required, body = std::move(body)](TOL_Var* self, TOL_VarObArray* args,
                                                TOL_VarObArray* frame) -> VarRef {
    if (!self || ArgCount(args) < required) return nullptr;
    return body(self, MethodArgs(args), frame);
  };
  MethodTable::Get(table).Define(name, NewNative(name, std::move(run)));
}

void DefineReceiverMethod(int table, std::string_view name, ReceiverBody body) {
  MethodTable::Get(table).Define(name, NewReceiverMethod(name, std::move(body)));
}

void DefineConversionMethods(int table) {
  DefineReceiverMethod(table, "INT", [](TOL_Var* self) { return NewInt(self->GetLong()); });
  DefineReceiverMethod(table, "LONG", [](TOL_Var* self) { return NewInt64(self->GetInt64()); });
  DefineReceiverMethod(table, "BOOL", [](TOL_Var* self) { return NewBool(self->GetBool()); });
  DefineReceiverMethod(table, "DOUBLE", [](TOL_Var* self) { return NewDouble(self->GetDouble()); });
  DefineReceiverMethod(table, "STRING", [](TOL_Var* self) { return NewString(self->GetString()); });
  DefineReceiverMethod(table, "REF", [](TOL_Var* self) { return NewRef(self->GetTarget()); });
  // The identity is the value's address; scripts only compare it, so its low 32 bits do.
  DefineReceiverMethod(table, "ADDR", [](TOL_Var* self) {
    auto address = reinterpret_cast<uintptr_t>(self->GetTarget());
    return NewInt(static_cast<int32_t>(static_cast<uint32_t>(address)));
  });
}

void SetReceiverText(TOL_Var* self, std::string text) {
  if (auto* string = dynamic_cast<TOL_VarString*>(self)) {
    string->SetValue(std::move(text));
    return;
  }
  self->Assign(NewString(std::move(text)).get());
}

}  // namespace tav::script
