// Interned member names.
//
// Script names are case-insensitive, so every name is upper-cased once, when it is compiled or
// first used, and interned: two names are equal exactly when their atoms are the same pointer.
// Member lookups therefore never hash or compare text at run time.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tav::script {

struct AtomData {
  std::string text;        // upper-case (ASCII letters only; Shift-JIS trail bytes untouched)
  uint32_t methodTables;   // one bit per method table that defines this name (see method_table.h)
};

class Atom {
 public:
  constexpr Atom() = default;
  // Interns the upper-cased form of `name`.
  static Atom Intern(std::string_view name);
  // The atom of `name` if it was ever interned, else the null atom: lets a lookup by text fail
  // without growing the table.
  static Atom Find(std::string_view name);

  bool IsNull() const { return data_ == nullptr; }
  const std::string& Text() const;
  AtomData* Data() const { return data_; }

  friend bool operator==(Atom a, Atom b) { return a.data_ == b.data_; }
  friend bool operator!=(Atom a, Atom b) { return a.data_ != b.data_; }

 private:
  explicit Atom(AtomData* d) : data_(d) {}
  AtomData* data_ = nullptr;
};

// Upper-cases ASCII letters, leaving the second byte of each Shift-JIS character alone.
std::string UpperCaseSjis(std::string_view text);

struct AtomHash {
  size_t operator()(Atom a) const { return std::hash<const void*>()(a.Data()); }
};

}  // namespace tav::script
