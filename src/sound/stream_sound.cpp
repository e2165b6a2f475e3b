#include "sound/stream_sound.h"

#include "medialib/heap.h"

#include "sound/sound_messages.h"
#include "sound/wave_out_device.h"

namespace tav::sound {

ESL_IMPLEMENT_CLASS(EStreamingSound, EWaveSound)

namespace {
constexpr uint32_t kBlocksBackWait = 1000;
}  // namespace

EStreamingSound::~EStreamingSound() = default;

medialib::ESLFileObject* EStreamingSound::PrepareSource(medialib::ESLFileObject& file, int mode) {
  if (mode == kFromFile) return &file;
  const uint64_t length = file.GetLength();
  auto copy = std::make_unique<medialib::EMemoryFile>();
  if (length > medialib::kEslHeapMaxBlock || !copy->Create(static_cast<size_t>(length))) return nullptr;
  file.Seek(0, medialib::ESLFileObject::kFromBegin);
  if (file.Read(const_cast<unsigned char*>(copy->GetBuffer()), static_cast<size_t>(length)) != length) return nullptr;
  copy->Seek(0, medialib::ESLFileObject::kFromBegin);
  memoryCopy_ = std::move(copy);
  return memoryCopy_.get();
}

void EStreamingSound::ReleaseStream() {
  Stop();
  std::lock_guard lock(lock_);
  CloseDecoder();
  memoryCopy_.reset();
  inFlight_.clear();
  allReturned_.Set();
  whole_ = false;
  loopPoint_ = 0;
}

void EStreamingSound::Release() {
  ReleaseStream();
  EWaveSound::Release();
}

size_t EStreamingSound::BlocksInFlight() {
  std::lock_guard lock(lock_);
  return inFlight_.size();
}

const uint8_t* EStreamingSound::Keep(std::unique_ptr<medialib::EStreamBuffer> block, size_t* length) {
  const auto* data = static_cast<const uint8_t*>(block->GetBuffer(0, length));
  if (data == nullptr || *length == 0) return nullptr;
  inFlight_.emplace(data, std::move(block));
  allReturned_.Reset();
  return data;
}

const char* EStreamingSound::Play(int64_t startPoint, bool loop, ManualEvent* endEvent, uint32_t lookAhead,
                                  uint64_t startPosition) {
  if (whole_) return EWaveSound::Play(startPoint, loop, endEvent, lookAhead, startPosition);
  if (device_ == nullptr) return Fail(messages::kDeviceNotOpen);
  if (playing_) device_->Reset(this);
  SetVolume(leftGain, rightGain);
  const uint8_t* data;
  size_t length = 0;
  {
    std::lock_guard lock(lock_);
    loop_ = loop;
    endEvent_ = endEvent;
    if (startPoint != -1) loopPoint_ = startPoint;
    auto block = std::make_unique<medialib::EStreamBuffer>();
    ReadFirstBlock(*block, startPosition);
    data = Keep(std::move(block), &length);
    if (data == nullptr) return Fail(messages::kNoData);
  }
  WaveBuffer* handle = device_->AllocBuffer(this, data, length);
  const char* result = handle ? nullptr : messages::kDeviceNotOpen;
  playing_ = true;
  if (handle) result = WriteToDevice(handle, lookAhead);
  if (result != nullptr) {
    playing_ = false;
    if (handle) device_->FreeBuffer(handle);
    std::lock_guard lock(lock_);
    inFlight_.erase(data);
    if (inFlight_.empty()) allReturned_.Set();
  }
  return result;
}

WaveBuffer* EStreamingSound::RequestNextData(EWaveOutDevice* device) {
  std::lock_guard lock(lock_);
  if (whole_) return EWaveSound::RequestNextData(device);
  if (!playing_) return nullptr;
  auto block = std::make_unique<medialib::EStreamBuffer>();
  ReadNextBlock(*block, loop_, loopPoint_);
  size_t length = 0;
  const uint8_t* data = Keep(std::move(block), &length);
  if (data == nullptr) return nullptr;
  WaveBuffer* handle = device->AllocBuffer(this, data, length);
  if (handle == nullptr) {
    inFlight_.erase(data);
    if (inFlight_.empty()) allReturned_.Set();
  }
  return handle;
}

void EStreamingSound::OnBlockDone(WaveBuffer* handle, const uint8_t* data, size_t length) {
  std::lock_guard lock(lock_);
  auto it = inFlight_.find(data);
  if (it == inFlight_.end()) {
    EWaveSound::OnBlockDone(handle, data, length);
    return;
  }
  device_->FreeBuffer(handle);
  inFlight_.erase(it);
  if (!inFlight_.empty()) return;
  allReturned_.Set();
  if (!loop_) {
    if (playing_ && endEvent_ != nullptr) endEvent_->Set();
    playing_ = false;
  }
}

const char* EStreamingSound::Stop() {
  if (!playing_) return nullptr;
  {
    std::lock_guard lock(lock_);
    playing_ = false;
  }
  const char* result = device_ ? device_->Reset(this) : nullptr;
  if (device_) device_->RunPendingWork();
  allReturned_.WaitFor(kBlocksBackWait);
  return result;
}

}  // namespace tav::sound
