#include "medialib/memory_file.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "medialib/heap.h"

namespace tav::medialib {

ESL_IMPLEMENT_CLASS(EMemoryFile, ESLFileObject)

namespace {
constexpr size_t kGrowUnit = 4096;
}  // namespace

bool EMemoryFile::Create(size_t size) {
  std::lock_guard lock(lock_);
  Delete();
  auto* data = static_cast<unsigned char*>(eslHeapAllocate(nullptr, size, kEslHeapZeroFill));
  if (data == nullptr) return false;
  data_ = data;
  length_ = capacity_ = size;
  position_ = 0;
  flags_ = kOwned | kRead | kWrite;
  return true;
}

void EMemoryFile::Open(const void* data, size_t size) {
  std::lock_guard lock(lock_);
  Delete();
  data_ = static_cast<unsigned char*>(const_cast<void*>(data));
  length_ = capacity_ = size;
  position_ = 0;
  flags_ = kRead;
}

void EMemoryFile::Delete() {
  std::lock_guard lock(lock_);
  if ((flags_ & kOwned) != 0) eslHeapFree(nullptr, data_, 0);
  data_ = nullptr;
  length_ = position_ = capacity_ = 0;
  flags_ = 0;
}

std::unique_ptr<ESLFileObject> EMemoryFile::Duplicate() {
  std::lock_guard lock(lock_);
  auto copy = std::make_unique<EMemoryFile>();
  if (!copy->Create(length_)) return nullptr;
  if (length_ > 0) memcpy(copy->data_, data_, length_);
  return copy;
}

size_t EMemoryFile::Read(void* buffer, size_t bytes) {
  std::lock_guard lock(lock_);
  size_t count = std::min(bytes, length_ - std::min(position_, length_));
  if (count > 0) memcpy(buffer, data_ + position_, count);
  position_ += count;
  return count;
}

// Makes room for `needed` bytes, asking for `wanted` (rounded up to 4096) when it must grow.
bool EMemoryFile::Reserve(size_t needed, size_t wanted) {
  if (needed <= capacity_) return true;
  if ((flags_ & kOwned) == 0 || wanted > kEslHeapMaxBlock) return false;
  size_t capacity = (wanted + kGrowUnit - 1) / kGrowUnit * kGrowUnit;
  auto* grown =
      static_cast<unsigned char*>(eslHeapReallocate(nullptr, data_, capacity, kEslHeapZeroFill));
  if (grown == nullptr) return false;
  data_ = grown;
  capacity_ = capacity;
  return true;
}

size_t EMemoryFile::Write(const void* data, size_t bytes) {
  std::lock_guard lock(lock_);
  if ((flags_ & kWrite) == 0 || bytes == 0) return 0;
  if (bytes > kEslHeapMaxBlock || position_ > kEslHeapMaxBlock) return 0;
  size_t end = position_ + bytes;
  if (!Reserve(end, position_ + 2 * bytes)) return 0;
  memcpy(data_ + position_, data, bytes);
  position_ = end;
  length_ = std::max(length_, end);
  return bytes;
}

uint64_t EMemoryFile::GetLength() {
  std::lock_guard lock(lock_);
  return length_;
}

uint64_t EMemoryFile::Seek(int64_t offset, int origin) {
  std::lock_guard lock(lock_);
  int64_t base = origin == kFromCurrent ? static_cast<int64_t>(position_)
                 : origin == kFromEnd   ? static_cast<int64_t>(length_)
                                        : 0;
  int64_t target = offset > std::numeric_limits<int64_t>::max() - base ? std::numeric_limits<int64_t>::max()
                                                                       : base + offset;
  target = std::max<int64_t>(target, 0);
  auto wanted = static_cast<uint64_t>(target);
  if (wanted > length_) {
    // Only a writable file grows, and only as far as the heap can hold it.
    if ((flags_ & kWrite) != 0 && wanted <= kEslHeapMaxBlock && Reserve(wanted, wanted)) {
      memset(data_ + length_, 0, wanted - length_);
      length_ = wanted;
    } else {
      wanted = length_;
    }
  }
  position_ = wanted;
  return position_;
}

uint64_t EMemoryFile::GetPosition() {
  std::lock_guard lock(lock_);
  return position_;
}

bool EMemoryFile::SetEndOfFile() {
  std::lock_guard lock(lock_);
  if ((flags_ & kWrite) == 0) return false;
  length_ = position_;
  return true;
}

}  // namespace tav::medialib
