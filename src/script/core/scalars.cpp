#include "script/core/scalars.h"

#include "archive/archive.h"
#include "script/core/method_table.h"
#include "script/text/number_text.h"
#include "script/core/number_value.h"

namespace tav::script {

TOL_IMPLEMENT_CLASS(TOL_VarBool)
TOL_IMPLEMENT_CLASS(TOL_VarInt)
TOL_IMPLEMENT_CLASS(TOL_VarDouble)
TOL_IMPLEMENT_CLASS(TOL_VarInt64)
TOL_IMPLEMENT_CLASS(TOL_VarString)

namespace {

// Scalars clone by giving a target their value, or by copying themselves.
template <class T, class V>
VarRef CloneScalar(T* self, TOL_Var* target, V value) {
  if (target) {
    target->Assign(self);
    return VarRef(target);
  }
  return Make<T>(value);
}

}  // namespace

// BOOL
void TOL_VarBool::Assign(TOL_Var* source) { value_ = source && source->GetBool(); }
VarRef TOL_VarBool::Clone(TOL_Var* target) { return CloneScalar(this, target, value_); }
TOL_Var* TOL_VarBool::FindMember(Atom name) { return MethodTable::Get(kBoolMethods).Find(name); }
void TOL_VarBool::Serialize(archive::Archive& ar) {
  TOL_Var::Serialize(ar);
  if (ar.IsStoring()) ar.WriteByte(value_ ? 1 : 0);
  else value_ = ar.ReadByte() != 0;
}

// INT
std::string TOL_VarInt::GetString() const { return FormatInt(value_); }
void TOL_VarInt::Assign(TOL_Var* source) { value_ = source ? source->GetLong() : 0; }
VarRef TOL_VarInt::Clone(TOL_Var* target) { return CloneScalar(this, target, value_); }
TOL_Var* TOL_VarInt::FindMember(Atom name) { return MethodTable::Get(kIntMethods).Find(name); }
void TOL_VarInt::Serialize(archive::Archive& ar) {
  TOL_Var::Serialize(ar);
  if (ar.IsStoring()) ar.WriteLong(value_);
  else value_ = ar.ReadLong();
}

// DOUBLE
int32_t TOL_VarDouble::GetLong() const { return TruncateDouble<int32_t>(value_); }
int64_t TOL_VarDouble::GetInt64() const { return TruncateDouble<int64_t>(value_); }
std::string TOL_VarDouble::GetString() const { return FormatDouble(value_); }
void TOL_VarDouble::Assign(TOL_Var* source) { value_ = source ? source->GetDouble() : 0.0; }
VarRef TOL_VarDouble::Clone(TOL_Var* target) { return CloneScalar(this, target, value_); }
TOL_Var* TOL_VarDouble::FindMember(Atom name) {
  return MethodTable::Get(kDoubleMethods).Find(name);
}
void TOL_VarDouble::Serialize(archive::Archive& ar) {
  TOL_Var::Serialize(ar);
  if (ar.IsStoring()) ar.WriteDouble(value_);
  else value_ = ar.ReadDouble();
}

// INT64
std::string TOL_VarInt64::GetString() const { return FormatInt64(value_); }
void TOL_VarInt64::Assign(TOL_Var* source) { value_ = source ? source->GetInt64() : 0; }
VarRef TOL_VarInt64::Clone(TOL_Var* target) { return CloneScalar(this, target, value_); }
TOL_Var* TOL_VarInt64::FindMember(Atom name) {
  return MethodTable::Get(kInt64Methods).Find(name);
}
void TOL_VarInt64::Serialize(archive::Archive& ar) {
  TOL_Var::Serialize(ar);
  if (ar.IsStoring()) ar.WriteInt64(value_);
  else value_ = ar.ReadInt64();
}

// STRING: numbers are read from the text's prefix, so "12abc" is 12 and "0.5" is false.
bool TOL_VarString::GetBool() const { return IntegerPrefix(value_) != 0; }
int32_t TOL_VarString::GetLong() const { return IntegerPrefix(value_); }
double TOL_VarString::GetDouble() const { return FloatPrefix(value_); }
int64_t TOL_VarString::GetInt64() const { return Integer64Prefix(value_); }
void TOL_VarString::Assign(TOL_Var* source) {
  if (source == this) return;
  if (!source) {
    value_.clear();
  } else if (auto* text = dynamic_cast<TOL_VarString*>(source)) {
    value_ = text->value_;  // reuses this string's buffer
  } else {
    value_ = source->GetString();
  }
}
VarRef TOL_VarString::Clone(TOL_Var* target) { return CloneScalar(this, target, value_); }
TOL_Var* TOL_VarString::FindMember(Atom name) {
  return MethodTable::Get(kStringMethods).Find(name);
}
void TOL_VarString::Serialize(archive::Archive& ar) {
  TOL_Var::Serialize(ar);
  if (ar.IsStoring()) ar.WriteString(value_);
  else value_ = ar.ReadString();
}

}  // namespace tav::script
