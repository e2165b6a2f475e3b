// The scalar values: BOOL, INT, DOUBLE, INT64 (declared LONG) and STRING.
//
// A scalar converts itself to every other scalar type; `Assign` stores the source converted to
// the scalar's own type, so a typed variable keeps its type whatever is assigned to it. Scalars
// have no members of their own: `FindMember` answers only their type's built-in methods.
#pragma once

#include "script/core/var.h"

namespace tav::script {

class TOL_VarBool : public TOL_Var {
  TOL_DECLARE_CLASS(TOL_VarBool)
 public:
  explicit TOL_VarBool(bool value = false) : value_(value) {}
  int GetType() const override { return kTypeBool; }
  bool GetBool() const override { return value_; }
  int32_t GetLong() const override { return value_ ? 1 : 0; }
  double GetDouble() const override { return value_ ? 1.0 : 0.0; }
  int64_t GetInt64() const override { return value_ ? 1 : 0; }
  std::string GetString() const override { return value_ ? "1" : "0"; }
  void Assign(TOL_Var* source) override;
  VarRef Clone(TOL_Var* target) override;
  TOL_Var* FindMember(Atom name) override;
  using TOL_Var::FindMember;
  void Serialize(archive::Archive& ar) override;

  bool Value() const { return value_; }
  void SetValue(bool v) { value_ = v; }

 private:
  bool value_;
};

class TOL_VarInt : public TOL_Var {
  TOL_DECLARE_CLASS(TOL_VarInt)
 public:
  explicit TOL_VarInt(int32_t value = 0) : value_(value) {}
  int GetType() const override { return kTypeInt; }
  bool GetBool() const override { return value_ != 0; }
  int32_t GetLong() const override { return value_; }
  double GetDouble() const override { return value_; }
  int64_t GetInt64() const override { return value_; }
  std::string GetString() const override;
  void Assign(TOL_Var* source) override;
  VarRef Clone(TOL_Var* target) override;
  TOL_Var* FindMember(Atom name) override;
  using TOL_Var::FindMember;
  void Serialize(archive::Archive& ar) override;

  int32_t Value() const { return value_; }
  void SetValue(int32_t v) { value_ = v; }

 private:
  int32_t value_;
};

class TOL_VarDouble : public TOL_Var {
  TOL_DECLARE_CLASS(TOL_VarDouble)
 public:
  explicit TOL_VarDouble(double value = 0.0) : value_(value) {}
  int GetType() const override { return kTypeDouble; }
  bool GetBool() const override { return value_ != 0.0; }
  int32_t GetLong() const override;
  double GetDouble() const override { return value_; }
  int64_t GetInt64() const override;
  std::string GetString() const override;
  void Assign(TOL_Var* source) override;
  VarRef Clone(TOL_Var* target) override;
  TOL_Var* FindMember(Atom name) override;
  using TOL_Var::FindMember;
  void Serialize(archive::Archive& ar) override;

  double Value() const { return value_; }
  void SetValue(double v) { value_ = v; }

 private:
  double value_;
};

class TOL_VarInt64 : public TOL_Var {
  TOL_DECLARE_CLASS(TOL_VarInt64)
 public:
  explicit TOL_VarInt64(int64_t value = 0) : value_(value) {}
  int GetType() const override { return kTypeInt64; }
  bool GetBool() const override { return value_ != 0; }
  int32_t GetLong() const override { return static_cast<int32_t>(static_cast<uint32_t>(value_)); }
  double GetDouble() const override { return static_cast<double>(value_); }
  int64_t GetInt64() const override { return value_; }
  std::string GetString() const override;
  void Assign(TOL_Var* source) override;
  VarRef Clone(TOL_Var* target) override;
  TOL_Var* FindMember(Atom name) override;
  using TOL_Var::FindMember;
  void Serialize(archive::Archive& ar) override;

  int64_t Value() const { return value_; }
  void SetValue(int64_t v) { value_ = v; }

 private:
  int64_t value_;
};

class TOL_VarString : public TOL_Var {
  TOL_DECLARE_CLASS(TOL_VarString)
 public:
  TOL_VarString() = default;
  explicit TOL_VarString(std::string value) : value_(std::move(value)) {}
  int GetType() const override { return kTypeString; }
  bool GetBool() const override;
  int32_t GetLong() const override;
  double GetDouble() const override;
  int64_t GetInt64() const override;
  std::string GetString() const override { return value_; }
  void Assign(TOL_Var* source) override;
  VarRef Clone(TOL_Var* target) override;
  TOL_Var* FindMember(Atom name) override;
  using TOL_Var::FindMember;
  void Serialize(archive::Archive& ar) override;

  // The text itself, for code that reads or edits it in place (no copy).
  const std::string& Value() const { return value_; }
  std::string& MutableValue() { return value_; }
  void SetValue(std::string v) { value_ = std::move(v); }

 private:
  std::string value_;
};

// Creation helpers: a new value with its creator's count.
inline VarRef NewBool(bool v) { return Make<TOL_VarBool>(v); }
inline VarRef NewInt(int32_t v) { return Make<TOL_VarInt>(v); }
inline VarRef NewDouble(double v) { return Make<TOL_VarDouble>(v); }
inline VarRef NewInt64(int64_t v) { return Make<TOL_VarInt64>(v); }
inline VarRef NewString(std::string v) { return Make<TOL_VarString>(std::move(v)); }

}  // namespace tav::script
