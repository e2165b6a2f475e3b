// Object references (class records, new objects, back-references) and the two collection
// forms built on them.

#include <cstdio>
#include <unordered_map>

#include "archive/archive.h"

namespace tav::archive {
namespace {

constexpr uint16_t kNewClassTag = 0xFFFF;
constexpr uint16_t kBigTag = 0x7FFF;        // a DWORD tag follows
constexpr uint32_t kClassBit = 0x80000000;
constexpr uint32_t kMaxIndex = 0x7FFFFFFE;  // the largest index a DWORD tag can carry
constexpr uint16_t kMaxClassNameLength = 63;

// A class name from the file as it may appear in a message: printable ASCII, the rest escaped.
std::string Printable(std::string_view name) {
  std::string out;
  for (char c : name) {
    unsigned char u = static_cast<unsigned char>(c);
    if (u >= 0x20 && u < 0x7F && c != '\'') {
      out.push_back(c);
    } else {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", u);
      out += escaped;
    }
  }
  return out;
}

// A reference handed out by ReadObject, given back unless it is passed on.
class HeldReference {
 public:
  explicit HeldReference(Object* object) : object_(object) {}
  ~HeldReference() {
    if (object_ != nullptr) object_->ArchiveRelease();
  }
  HeldReference(const HeldReference&) = delete;
  HeldReference& operator=(const HeldReference&) = delete;
  Object* Get() const { return object_; }
  Object* Release() { return std::exchange(object_, nullptr); }

 private:
  Object* object_;
};

// Gives back the references of a partly read collection when reading it fails.
template <class Collection, class GetObject>
void ReleaseAll(Collection& items, GetObject get) {
  for (auto& item : items) {
    if (Object* object = get(item)) object->ArchiveRelease();
  }
  items.clear();
}

class DepthGuard {
 public:
  explicit DepthGuard(unsigned& depth) : depth_(depth) { ++depth_; }
  ~DepthGuard() { --depth_; }
  DepthGuard(const DepthGuard&) = delete;
  DepthGuard& operator=(const DepthGuard&) = delete;

 private:
  unsigned& depth_;
};

}  // namespace

// ---- writing ----------------------------------------------------------------------------

uint32_t Archive::TakeWriteIndex() {
  if (nextWriteIndex_ > kMaxIndex) {
    throw ArchiveError("archive: more than " + std::to_string(kMaxIndex) +
                       " objects and classes cannot be stored in one archive");
  }
  return nextWriteIndex_++;
}

void Archive::WriteObject(Object* object) {
  RequireStoring();
  if (object == nullptr) {
    WriteWord(0);
    return;
  }
  if (auto it = writtenObjects_.find(object); it != writtenObjects_.end()) {
    uint32_t index = it->second;
    if (index < kBigTag) {
      WriteWord(static_cast<uint16_t>(index));
    } else {
      WriteWord(kBigTag);
      WriteDword(index);
    }
    return;
  }
  // Nesting this deep could not be read back, and deeper still would exhaust the stack.
  if (depth_ >= maxDepth_) {
    throw ArchiveError("archive: objects nested more than " + std::to_string(maxDepth_) +
                       " deep cannot be stored");
  }

  const ClassInfo& classInfo = object->GetRuntimeClass();
  if (auto it = writtenClasses_.find(&classInfo); it != writtenClasses_.end()) {
    uint32_t index = it->second;
    if (index < kBigTag) {
      WriteWord(static_cast<uint16_t>(0x8000 | index));
    } else {
      WriteWord(kBigTag);
      WriteDword(kClassBit | index);
    }
  } else {
    std::string_view name = classInfo.name;
    if (name.size() > kMaxClassNameLength) {
      throw ArchiveError("archive: class name '" + std::string(name) + "' is too long to store");
    }
    WriteWord(kNewClassTag);
    WriteWord(classInfo.schema);
    WriteWord(static_cast<uint16_t>(name.size()));
    WriteBytes(name.data(), name.size());
    writtenClasses_.emplace(&classInfo, TakeWriteIndex());
  }
  // The index is taken before the payload so that the payload can refer back to the object.
  writtenObjects_.emplace(object, TakeWriteIndex());
  DepthGuard guard(depth_);
  object->Serialize(*this);
}

void Archive::WriteObjectArray(const std::vector<Object*>& objects) {
  if (objects.size() > UINT32_MAX) throw ArchiveError("archive: array too large to store");
  WriteCount(static_cast<uint32_t>(objects.size()));
  for (Object* object : objects) WriteObject(object);
}

void Archive::WriteStringMap(const std::vector<std::pair<std::string, Object*>>& entries) {
  if (entries.size() > UINT32_MAX) throw ArchiveError("archive: map too large to store");
  WriteCount(static_cast<uint32_t>(entries.size()));
  for (const auto& [name, object] : entries) {
    WriteString(name);
    WriteObject(object);
  }
}

// ---- reading ----------------------------------------------------------------------------

void Archive::AddLoadEntry(const ClassInfo* classInfo, Object* object, size_t offset) {
  if (loaded_.size() > kMaxIndex) {
    if (object != nullptr) object->ArchiveRelease();
    Fail(offset, "too many objects and classes");
  }
  loaded_.push_back({classInfo, object});
}

const ClassInfo* Archive::ReadClassRecord(size_t tagOffset) {
  uint16_t schema = ReadWord();
  size_t nameOffset = position_;
  uint16_t length = ReadWord();
  if (length > kMaxClassNameLength) {
    Fail(nameOffset, "class name of " + std::to_string(length) + " bytes (at most " +
                         std::to_string(kMaxClassNameLength) + " allowed)");
  }
  const uint8_t* p = Take(length);
  std::string_view name(reinterpret_cast<const char*>(p), length);
  const ClassInfo* classInfo = FindClass(name);
  if (classInfo == nullptr) Fail(tagOffset, "unknown class '" + Printable(name) + "'");
  if (schema != classInfo->schema) {
    Fail(tagOffset, "class '" + Printable(name) + "' with schema " + std::to_string(schema) +
                        " (expected " + std::to_string(classInfo->schema) + ")");
  }
  AddLoadEntry(classInfo, nullptr, tagOffset);
  return classInfo;
}

Object* Archive::ReadObject() { return ReadObjectChecked(nullptr); }

Object* Archive::ReadObjectChecked(bool (*accepts)(Object*)) {
  RequireLoading();
  size_t tagOffset = position_;
  uint16_t word = ReadWord();
  uint32_t tag = word == kBigTag ? ReadDword()
                                 : ((static_cast<uint32_t>(word & 0x8000) << 16) | (word & 0x7FFF));

  if ((tag & kClassBit) == 0) {
    if (tag == 0) return nullptr;
    if (tag >= loaded_.size()) {
      Fail(tagOffset, "object index " + std::to_string(tag) + " not yet assigned");
    }
    Object* object = loaded_[tag].object;
    if (object == nullptr) {
      Fail(tagOffset, "index " + std::to_string(tag) + " names a class where an object is expected");
    }
    if (accepts != nullptr && !accepts(object)) {
      Fail(tagOffset, std::string("object of class '") + object->GetRuntimeClass().name +
                          "' is not the kind this field expects");
    }
    object->ArchiveAddRef();
    return object;
  }

  const ClassInfo* classInfo = nullptr;
  if (word == kNewClassTag) {
    classInfo = ReadClassRecord(tagOffset);
  } else {
    uint32_t index = tag & ~kClassBit;
    if (index == 0) Fail(tagOffset, "class index 0");
    if (index >= loaded_.size()) {
      Fail(tagOffset, "class index " + std::to_string(index) + " not yet assigned");
    }
    if (loaded_[index].object != nullptr) {
      Fail(tagOffset, "index " + std::to_string(index) + " names an object where a class is expected");
    }
    classInfo = loaded_[index].classInfo;
  }

  if (depth_ >= maxDepth_) {
    Fail(tagOffset, "objects nested more than " + std::to_string(maxDepth_) + " deep");
  }
  // Room first, so that entering the new object cannot fail and lose its creation reference.
  if (loaded_.size() == loaded_.capacity()) loaded_.reserve(loaded_.size() * 2 + 16);
  Object* object = classInfo->create();
  if (object == nullptr) {
    Fail(tagOffset, std::string("class '") + classInfo->name + "' could not create an object");
  }
  // The load table keeps the creation reference until the archive is destroyed.
  AddLoadEntry(classInfo, object, tagOffset);
  if (accepts != nullptr && !accepts(object)) {
    Fail(tagOffset, std::string("object of class '") + classInfo->name +
                        "' is not the kind this field expects");
  }
  {
    DepthGuard guard(depth_);
    object->Serialize(*this);
  }
  object->ArchiveAddRef();
  return object;
}

std::vector<Object*> Archive::ReadObjectArray() {
  RequireLoading();
  size_t offset = position_;
  uint32_t count = ReadCount();
  CheckCount(count, 2, offset, "array element count");  // every reference takes at least a WORD
  std::vector<Object*> objects;
  objects.reserve(count);
  try {
    for (uint32_t i = 0; i < count; ++i) objects.push_back(ReadObject());
  } catch (...) {
    ReleaseAll(objects, [](Object* object) { return object; });
    throw;
  }
  return objects;
}

std::vector<std::pair<std::string, Object*>> Archive::ReadStringMapChecked(bool (*accepts)(Object*)) {
  RequireLoading();
  size_t offset = position_;
  uint32_t count = ReadCount();
  CheckCount(count, 3, offset, "map entry count");  // a name's length byte and a WORD reference
  std::vector<std::pair<std::string, Object*>> entries;
  entries.reserve(count);
  std::unordered_map<std::string, size_t> positions;
  try {
    for (uint32_t i = 0; i < count; ++i) {
      std::string name = ReadString();
      HeldReference value(ReadObjectChecked(accepts));
      auto [it, inserted] = positions.emplace(name, entries.size());
      if (inserted) {
        entries.emplace_back(std::move(name), value.Release());
      } else {
        Object* earlier = std::exchange(entries[it->second].second, value.Release());
        if (earlier != nullptr) earlier->ArchiveRelease();
      }
    }
  } catch (...) {
    ReleaseAll(entries, [](const auto& entry) { return entry.second; });
    throw;
  }
  return entries;
}

}  // namespace tav::archive
