#pragma once

// The object archive: little-endian primitives, length-prefixed strings and class-tagged object
// references, byte-compatible with the view, place and value files games already ship.

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "archive/object.h"

namespace tav::archive {

// Every reading error (truncation, unknown class, bad index ...) says what is wrong and at which
// byte offset; writing errors say what could not be written.
class ArchiveError : public std::runtime_error {
 public:
  using runtime_error::runtime_error;
};

// Reads a whole file (a real path, already resolved); on failure `error` says why.
bool LoadFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error);

class Archive {
 public:
  // Deeper nesting of object payloads than this is refused, so that hostile input cannot
  // exhaust the stack.
  static constexpr unsigned kDefaultMaxDepth = 1000;

  static Archive ForWriting();
  static Archive ForReading(std::vector<uint8_t> bytes);

  Archive(Archive&& other) noexcept;
  Archive& operator=(Archive&& other) noexcept;
  Archive(const Archive&) = delete;
  Archive& operator=(const Archive&) = delete;
  // A loading archive releases the reference its load table holds on every object it created.
  ~Archive();

  bool IsStoring() const { return storing_; }
  bool IsLoading() const { return !storing_; }

  void WriteByte(uint8_t value);
  void WriteWord(uint16_t value);
  void WriteLong(int32_t value);
  void WriteDword(uint32_t value);
  void WriteInt64(int64_t value);
  void WriteDouble(double value);
  void WriteBytes(const void* data, size_t size);
  void WriteString(std::string_view text);  // Shift-JIS bytes, shortest length prefix
  void WriteCount(uint32_t count);

  uint8_t ReadByte();
  uint16_t ReadWord();
  int32_t ReadLong();
  uint32_t ReadDword();
  int64_t ReadInt64();
  double ReadDouble();
  void ReadBytes(void* data, size_t size);
  std::string ReadString();  // also the non-minimal and UTF-16 forms (converted to Shift-JIS)
  uint32_t ReadCount();
  // Throws unless at least n bytes remain: readers check a count before allocating for it.
  void RequireRemaining(uint64_t n);

  void WriteObject(Object* object);  // null allowed
  // Null, or an object with one new reference for the caller.
  Object* ReadObject();
  // The same, but an object that is not a T is an error (checked before its payload is read).
  template <class T>
  T* ReadObjectAs() {
    return dynamic_cast<T*>(ReadObjectChecked(&IsA<T>));
  }

  // Object array: count, then each element as an object reference. The caller owns one
  // reference of each element read.
  void WriteObjectArray(const std::vector<Object*>& objects);
  std::vector<Object*> ReadObjectArray();

  // Name -> object map: count, then name and object reference per entry, written in the order
  // given. On reading, a name that occurs again keeps its first position and takes the later
  // value (the earlier object is still read and indexed, its reference released). Every value,
  // the replaced ones too, must be a T: a file cannot hide a wrong kind behind a repeated name.
  void WriteStringMap(const std::vector<std::pair<std::string, Object*>>& entries);
  std::vector<std::pair<std::string, Object*>> ReadStringMap() { return ReadStringMapChecked(nullptr); }
  template <class T>
  std::vector<std::pair<std::string, Object*>> ReadStringMapOf() {
    return ReadStringMapChecked(&IsA<T>);
  }

  const std::vector<uint8_t>& Bytes() const { return bytes_; }
  size_t Position() const { return storing_ ? bytes_.size() : position_; }
  bool AtEnd() const { return storing_ || position_ == bytes_.size(); }

 private:
  // One slot of the load table; a class record has no object.
  struct LoadEntry {
    const ClassInfo* classInfo;
    Object* object;
  };

  Archive(bool storing, std::vector<uint8_t> bytes);

  template <class T>
  static bool IsA(Object* object) {
    return dynamic_cast<T*>(object) != nullptr;
  }

  [[noreturn]] static void Fail(size_t offset, const std::string& what);
  void RequireStoring() const;
  void RequireLoading() const;
  const uint8_t* Take(size_t n);
  void CheckCount(uint64_t count, uint64_t minBytesEach, size_t offset, const char* what);
  uint32_t ReadStringLength(bool& utf16);
  void ReleaseLoadTable();

  Object* ReadObjectChecked(bool (*accepts)(Object*));
  std::vector<std::pair<std::string, Object*>> ReadStringMapChecked(bool (*accepts)(Object*));
  const ClassInfo* ReadClassRecord(size_t tagOffset);
  void AddLoadEntry(const ClassInfo* classInfo, Object* object, size_t offset);
  uint32_t TakeWriteIndex();

  bool storing_;
  std::vector<uint8_t> bytes_;
  size_t position_ = 0;
  unsigned depth_ = 0;
  unsigned maxDepth_ = kDefaultMaxDepth;

  // Writing: the index each object and class record was given.
  uint32_t nextWriteIndex_ = 1;
  std::unordered_map<const Object*, uint32_t> writtenObjects_;
  std::unordered_map<const ClassInfo*, uint32_t> writtenClasses_;

  // Reading: index -> class record or object; slot 0 stands for null.
  std::vector<LoadEntry> loaded_;
};

}  // namespace tav::archive
