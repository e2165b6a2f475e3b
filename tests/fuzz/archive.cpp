// Arbitrary bytes read as one object reference, with test classes that hold a kind-checked
// child, an untyped child, an object array and a name map. Besides never crashing, hanging or
// leaking, whatever loads must store again, and storing what that loads must give the same
// bytes.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "../archive/test_classes.h"
#include "archive/archive.h"

namespace {

using tav::archive::Archive;
using tav::archive::ArchiveError;
using tav::archive::Object;
using tav::archive::testing::TestObject;

// Stores `object`; false when the writer refuses it (too deep after a map lost a duplicate).
bool Store(Object* object, std::vector<uint8_t>& bytes) {
  try {
    Archive out = Archive::ForWriting();
    out.WriteObject(object);
    bytes = out.Bytes();
    return true;
  } catch (const ArchiveError&) {
    return false;
  }
}

Object* LoadStored(const std::vector<uint8_t>& bytes) {
  Archive in = Archive::ForReading(bytes);
  Object* object = in.ReadObject();
  if (!in.AtEnd()) __builtin_trap();
  return object;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const bool registered = (tav::archive::testing::RegisterTestClasses(), true);
  (void)registered;

  Object* loaded = nullptr;
  try {
    Archive in = Archive::ForReading(std::vector<uint8_t>(data, data + size));
    loaded = in.ReadObject();
  } catch (const ArchiveError&) {
    loaded = nullptr;
  }

  std::vector<uint8_t> first;
  if (loaded != nullptr && Store(loaded, first)) {
    Object* reloaded = nullptr;
    try {
      reloaded = LoadStored(first);
    } catch (const ArchiveError&) {
      __builtin_trap();  // the writer produced something the reader refuses
    }
    std::vector<uint8_t> second;
    if (!Store(reloaded, second) || second != first) __builtin_trap();
    if (reloaded != nullptr) reloaded->ArchiveRelease();
  }
  if (loaded != nullptr) loaded->ArchiveRelease();

  TestObject::CollectCycles();
  if (TestObject::LiveCount() != 0) __builtin_trap();  // a reference was lost
  return 0;
}
