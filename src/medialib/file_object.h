#pragma once

// `ESLFileObject`: the media library's file abstraction, so that decoders read a disk file and a
// block of memory alike. Every operation takes the object's own lock, so one file object can be
// shared by a reader thread and its owner.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>

#include "medialib/esl_object.h"

namespace tav::medialib {

class ESLFileObject : public ESLObject {
  ESL_DECLARE_CLASS(ESLFileObject)

 public:
  // Open flags.
  static constexpr uint32_t kCreate = 1;  // create (replace) instead of opening an existing file
  static constexpr uint32_t kRead = 2;
  static constexpr uint32_t kWrite = 4;
  static constexpr uint32_t kShareRead = 16;
  static constexpr uint32_t kShareWrite = 32;

  enum SeekOrigin { kFromBegin = 0, kFromCurrent = 1, kFromEnd = 2 };

  // A new file object of the same kind on the same data; null when that cannot be had.
  virtual std::unique_ptr<ESLFileObject> Duplicate() = 0;
  // Bytes read or written (0 on failure).
  virtual size_t Read(void* buffer, size_t bytes) = 0;
  virtual size_t Write(const void* data, size_t bytes) = 0;
  virtual uint64_t GetLength() = 0;
  // The new position. A seek that cannot be done leaves the position and answers it.
  virtual uint64_t Seek(int64_t offset, int origin) = 0;
  virtual uint64_t GetPosition() = 0;
  // Cuts (or extends) the file at the current position.
  virtual bool SetEndOfFile() = 0;

  uint32_t GetAttributes() const { return flags_; }

 protected:
  std::recursive_mutex lock_;
  uint32_t flags_ = 0;
};

}  // namespace tav::medialib
