#pragma once

// The serialisable object root and the runtime class registry: archives name each class by its
// runtime class name and create objects from that name when loading.

#include <cstdint>
#include <string_view>

namespace tav::archive {

class Archive;
class Object;

struct ClassInfo {
  const char* name;      // runtime class name, e.g. "TOL_VarInt"
  uint16_t schema;       // always 1 here
  Object* (*create)();   // new object holding one reference that the caller owns
};

class Object {
 public:
  virtual const ClassInfo& GetRuntimeClass() const = 0;
  // The payload only: the class record in front of it is the archive's job.
  virtual void Serialize(Archive& ar) = 0;
  // Objects are reference counted by their own machinery; the archive only takes and gives
  // back references through these.
  virtual void ArchiveAddRef() = 0;
  virtual void ArchiveRelease() = 0;

 protected:
  ~Object() = default;
};

// Registering the same record again does nothing; registering a different record under a name
// already taken is a programming error (std::logic_error).
void RegisterClass(const ClassInfo& info);

// Exact, case-sensitive; null when no class has that name.
const ClassInfo* FindClass(std::string_view name);

}  // namespace tav::archive
