#include "medialib/stream_buffer.h"

#include <algorithm>
#include <cstring>

#include "medialib/heap.h"

namespace tav::medialib {

ESL_IMPLEMENT_CLASS(EStreamBuffer, ESLObject)

// A chunk and its bytes are one heap block.
struct EStreamBuffer::Chunk {
  Chunk* next;
  unsigned char* data;
  size_t offset;    // first unread byte
  size_t bytes;     // unread bytes
  size_t capacity;
};

namespace {
constexpr size_t kChunkUnit = 4096;
constexpr size_t kChunkHeader = (sizeof(void*) * 5 + 15) / 16 * 16;
}  // namespace

EStreamBuffer::~EStreamBuffer() {
  while (head_ != nullptr) DropHead();
}

EStreamBuffer::Chunk* EStreamBuffer::NewChunk(size_t capacity) {
  if (capacity > kEslHeapMaxBlock - kChunkHeader - kChunkUnit) return nullptr;
  capacity = (std::max<size_t>(capacity, 1) + kChunkUnit - 1) / kChunkUnit * kChunkUnit;
  void* memory = eslHeapAllocate(nullptr, kChunkHeader + capacity, 0);
  if (memory == nullptr) return nullptr;
  auto* chunk = static_cast<Chunk*>(memory);
  *chunk = {nullptr, static_cast<unsigned char*>(memory) + kChunkHeader, 0, 0, capacity};
  return chunk;
}

void EStreamBuffer::DropHead() {
  Chunk* chunk = head_;
  head_ = chunk->next;
  if (head_ == nullptr) tail_ = nullptr;
  eslHeapFree(nullptr, chunk, 0);
}

void* EStreamBuffer::PutBuffer(size_t bytes) {
  if (tail_ != nullptr && tail_->capacity - tail_->bytes >= bytes) {
    if (tail_->capacity - tail_->offset - tail_->bytes < bytes) {
      memmove(tail_->data, tail_->data + tail_->offset, tail_->bytes);
      tail_->offset = 0;
    }
    return tail_->data + tail_->offset + tail_->bytes;
  }
  Chunk* chunk = NewChunk(bytes);
  if (chunk == nullptr) return nullptr;
  (tail_ != nullptr ? tail_->next : head_) = chunk;
  tail_ = chunk;
  return chunk->data;
}

void EStreamBuffer::Commit(size_t bytes) {
  if (tail_ == nullptr) return;
  bytes = std::min(bytes, tail_->capacity - tail_->offset - tail_->bytes);
  tail_->bytes += bytes;
  total_ += bytes;
}

size_t EStreamBuffer::Write(const void* data, size_t bytes) {
  void* room = PutBuffer(bytes);
  if (room == nullptr) return 0;
  if (bytes > 0) memcpy(room, data, bytes);
  Commit(bytes);
  return bytes;
}

const void* EStreamBuffer::GetBuffer(size_t bytes, size_t* length) {
  *length = 0;
  while (head_ != nullptr && head_->bytes == 0 && head_ != tail_) DropHead();
  if (head_ == nullptr || total_ == 0) return nullptr;
  if (bytes == 0) bytes = head_->bytes;
  bytes = std::min(bytes, total_);
  if (head_->bytes < bytes) {
    Chunk* gathered = NewChunk(bytes);
    if (gathered == nullptr) return nullptr;
    size_t before = total_;
    Read(gathered->data, bytes);
    total_ = before;
    gathered->bytes = bytes;
    gathered->next = head_;
    if (head_ == nullptr) tail_ = gathered;
    head_ = gathered;
  }
  *length = std::min(bytes, head_->bytes);
  return head_->data + head_->offset;
}

void EStreamBuffer::Consume(size_t bytes) {
  if (head_ == nullptr) return;
  bytes = std::min(bytes, head_->bytes);
  head_->offset += bytes;
  head_->bytes -= bytes;
  total_ -= bytes;
  if (head_->bytes == 0 && head_ != tail_) DropHead();
}

size_t EStreamBuffer::Read(void* buffer, size_t bytes) {
  size_t done = 0;
  while (done < bytes && head_ != nullptr) {
    size_t take = std::min(bytes - done, head_->bytes);
    memcpy(static_cast<unsigned char*>(buffer) + done, head_->data + head_->offset, take);
    head_->offset += take;
    head_->bytes -= take;
    total_ -= take;
    done += take;
    if (head_->bytes == 0) {
      if (head_ == tail_) {
        head_->offset = 0;
        break;
      }
      DropHead();
    }
  }
  return done;
}

}  // namespace tav::medialib
