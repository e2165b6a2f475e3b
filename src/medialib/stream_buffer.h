#pragma once

// `EStreamBuffer`: a first-in first-out queue of bytes made of chained chunks on the library
// heap. Decoders write into it (PutBuffer and Commit let them decode straight into its memory),
// the mixer reads from it. It has no lock: its users hold theirs.

#include <cstddef>

#include "medialib/esl_object.h"

namespace tav::medialib {

class EStreamBuffer : public ESLObject {
  ESL_DECLARE_CLASS(EStreamBuffer)

 public:
  EStreamBuffer() = default;
  EStreamBuffer(const EStreamBuffer&) = delete;
  EStreamBuffer& operator=(const EStreamBuffer&) = delete;
  ~EStreamBuffer() override;

  // Room for `bytes` writable bytes at the end (not yet part of the queue); null when the heap
  // refuses.
  void* PutBuffer(size_t bytes);
  // The last PutBuffer's first `bytes` bytes join the queue (clamped to the room it gave).
  void Commit(size_t bytes);
  // PutBuffer, copy, Commit; answers the bytes written.
  size_t Write(const void* data, size_t bytes);

  // The readable bytes at the head, at most `bytes` (0: whatever the head chunk holds). When the
  // head chunk holds fewer than asked, that many (or all there are) are first gathered into one
  // chunk, so the answer is contiguous. Null (and length 0) when the queue is empty.
  const void* GetBuffer(size_t bytes, size_t* length);
  // Drops up to `bytes` bytes from the head chunk.
  void Consume(size_t bytes);
  // Copies up to `bytes` bytes out of the queue; answers how many.
  size_t Read(void* buffer, size_t bytes);

  size_t GetLength() const { return total_; }

 private:
  struct Chunk;
  Chunk* NewChunk(size_t capacity);
  void DropHead();

  Chunk* head_ = nullptr;
  Chunk* tail_ = nullptr;
  size_t total_ = 0;
};

}  // namespace tav::medialib
