#include "script/formulate.h"

#include "archive/archive.h"

namespace tav::script {

TOL_Formulate::TOL_Formulate(const TOL_Formulate& other)
    : source_(other.source_), items_(other.items_) {}

TOL_Formulate& TOL_Formulate::operator=(const TOL_Formulate& other) {
  if (this != &other) {
    source_ = other.source_;
    items_ = other.items_;
  }
  return *this;
}

void TOL_Formulate::Clear() {
  items_.clear();
  source_.clear();
}

void TOL_Formulate::Serialize(archive::Archive& ar) {
  if (ar.IsStoring()) {
    ar.WriteString(source_);
  } else {
    // A stored expression that no longer compiles loads as an empty one.
    Compile(ar.ReadString());
  }
}

}  // namespace tav::script
