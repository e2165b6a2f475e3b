#pragma once

// `EMemoryFile`: a block of memory behind the library's file interface. Sound files are read
// whole into one of these so that playback never waits for the disk. The block is either owned
// (made by Create, on the library heap, growing as it is written) or someone else's memory,
// wrapped read-only by Open.

#include "medialib/file_object.h"

namespace tav::medialib {

class EMemoryFile : public ESLFileObject {
  ESL_DECLARE_CLASS(EMemoryFile)

 public:
  static constexpr uint32_t kOwned = 1;  // in the flags: the buffer belongs to this object

  EMemoryFile() = default;
  EMemoryFile(const EMemoryFile&) = delete;
  EMemoryFile& operator=(const EMemoryFile&) = delete;
  ~EMemoryFile() override { Delete(); }

  // An owned, zero-filled buffer of `size` bytes, readable and writable; false when the heap
  // cannot provide it (the object is then empty).
  bool Create(size_t size);
  // Wraps memory owned by someone else, read-only; it must outlive this object.
  void Open(const void* data, size_t size);
  // Releases the buffer when owned; the object is empty afterwards.
  void Delete();

  const unsigned char* GetBuffer() const { return data_; }

  std::unique_ptr<ESLFileObject> Duplicate() override;
  size_t Read(void* buffer, size_t bytes) override;
  // Grows the buffer as needed; 0 for a read-only file or when the heap refuses.
  size_t Write(const void* data, size_t bytes) override;
  uint64_t GetLength() override;
  // Negative positions become 0. Beyond the end, a writable file grows (with zero bytes);
  // a read-only one stops at its end.
  uint64_t Seek(int64_t offset, int origin) override;
  uint64_t GetPosition() override;
  bool SetEndOfFile() override;

 private:
  bool Reserve(size_t needed, size_t wanted);

  unsigned char* data_ = nullptr;
  size_t length_ = 0;
  size_t position_ = 0;
  size_t capacity_ = 0;
};

}  // namespace tav::medialib
