#include "sound/wave_sound.h"

#include <cstring>

#include "medialib/heap.h"
#include "sound/adpcm.h"
#include "sound/mixing_server.h"
#include "sound/sound_messages.h"
#include "sound/wave_out_device.h"

namespace tav::sound {

ESL_IMPLEMENT_CLASS(EWaveStreamBuffer, medialib::ESLObject)
ESL_IMPLEMENT_CLASS(EWaveSound, EWaveStreamBuffer)

void EWaveStreamBuffer::OnBlockDone(WaveBuffer*, const uint8_t*, size_t) {}
WaveBuffer* EWaveStreamBuffer::RequestNextData(EWaveOutDevice*) { return nullptr; }

void EWaveStreamBuffer::SetFormat(const WaveFormat* format) {
  if (format) {
    format_ = *format;
  } else {
    format_.reset();
  }
}

uint64_t EWaveStreamBuffer::SampleToByteOffset(uint64_t count) const {
  if (!format_) return 0;
  if (format_->IsPcm()) return uint64_t{format_->bits} * format_->channels * count / 8;
  if (IsDecodableAdpcm(*format_)) return count / AdpcmSamplesPerBlock(*format_) * format_->blockAlign;
  return 0;
}

EWaveSound::~EWaveSound() { EWaveSound::Release(); }

void EWaveSound::ReleaseData() {
  data_.reset();
  dataLength_ = 0;
  loopData_ = nullptr;
  loopLength_ = 0;
}

void EWaveSound::Release() {
  Stop();
  std::lock_guard lock(lock_);
  format_.reset();
  ReleaseData();
}

bool EWaveSound::SetData(const uint8_t* data, size_t length) {
  std::lock_guard lock(lock_);
  ReleaseData();
  auto* copy = static_cast<uint8_t*>(medialib::eslHeapAllocate(nullptr, length, 0));
  if (copy == nullptr) return false;
  if (length > 0) std::memcpy(copy, data, length);
  data_ = {copy, [](uint8_t* p) { medialib::eslHeapFree(nullptr, p, 0); }};
  dataLength_ = length;
  return true;
}

const char* EWaveSound::WriteToDevice(WaveBuffer* handle, uint32_t lookAhead) {
  if (auto* mixer = device_->As<EWaveMixingServer>()) return mixer->Write(this, handle, lookAhead);
  return device_->Write(this, handle);
}

const char* EWaveSound::Play(int64_t startPoint, bool loop, ManualEvent* endEvent, uint32_t lookAhead, uint64_t) {
  if (device_ == nullptr) return Fail(messages::kDeviceNotOpen);
  if (playing_) device_->Reset(this);
  SetVolume(leftGain, rightGain);
  const uint8_t* data;
  size_t length;
  {
    std::lock_guard lock(lock_);
    endEvent_ = endEvent;
    loop_ = loop;
    uint64_t offset = SampleToByteOffset(startPoint < 0 ? 0 : static_cast<uint64_t>(startPoint));
    if (offset >= dataLength_) offset = 0;
    loopData_ = data_.get() + offset;
    loopLength_ = dataLength_ - offset;
    data = loopData_;
    length = loopLength_;
  }
  if (data == nullptr || length == 0) return Fail(messages::kNoData);
  WaveBuffer* handle = device_->AllocBuffer(this, data, length);
  if (handle == nullptr) return Fail(messages::kDeviceNotOpen);
  playing_ = true;
  const char* result = WriteToDevice(handle, lookAhead);
  if (result != nullptr) {
    playing_ = false;
    device_->FreeBuffer(handle);
  }
  return result;
}

WaveBuffer* EWaveSound::RequestNextData(EWaveOutDevice* device) {
  std::lock_guard lock(lock_);
  if (!loop_ || !playing_ || loopLength_ == 0) return nullptr;
  return device->AllocBuffer(this, loopData_, loopLength_);
}

void EWaveSound::OnBlockDone(WaveBuffer*, const uint8_t*, size_t) {
  std::lock_guard lock(lock_);
  if (loop_ && playing_) return;
  // A looping sound that was stopped reports its blocks too; only a natural end signals.
  if (playing_ && endEvent_ != nullptr) endEvent_->Set();
  playing_ = false;
}

const char* EWaveSound::Stop() {
  if (!playing_) return nullptr;
  {
    std::lock_guard lock(lock_);
    playing_ = false;
  }
  return device_ ? device_->Reset(this) : nullptr;
}

void EWaveSound::Pause() {
  if (playing_ && device_) device_->PauseSound(this);
}

void EWaveSound::Resume() {
  if (playing_ && device_) device_->RestartSound(this);
}

void EWaveSound::GetVolume(float& left, float& right) const {
  left = leftGain;
  right = rightGain;
}

void EWaveSound::SetVolume(float left, float right) {
  if (device_) {
    device_->SetSoundVolume(this, left, right);
  } else {
    leftGain = left;
    rightGain = right;
  }
}

}  // namespace tav::sound
