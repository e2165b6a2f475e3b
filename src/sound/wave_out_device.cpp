#include "sound/wave_out_device.h"

#include <algorithm>
#include <cstdio>

#include "medialib/library_init.h"
#include "os/diagnostics.h"
#include "sound/sound_messages.h"
#include "sound/wave_sound.h"

namespace tav::sound {

ESL_IMPLEMENT_CLASS(EWaveOutDevice, medialib::ESLObject)

void TraceFailure(const char* message) {
  platform::Diagnose(platform::Severity::Info, "sound", message);
}

const char* Fail(const char* message) {
  TraceFailure(message);
  return message;
}

EWaveOutDevice::EWaveOutDevice() : EWaveOutDevice(NoThread{}) { StartThread(); }

EWaveOutDevice::EWaveOutDevice(NoThread)
    : queue_(platform::AudioUsesVirtualClock(), platform::VirtualClockNow(), *this) {}

EWaveOutDevice::~EWaveOutDevice() {
  if (IsOpen()) Close();
  StopThread();
}

void EWaveOutDevice::HandleMessage(const DeviceMessage& message) {
  if (message.kind == DeviceMessage::Kind::BufferDone) {
    OnBufferDone(message.buffer);
  } else if (message.kind == DeviceMessage::Kind::Timer) {
    OnTimer();
  }
}

bool EWaveOutDevice::IsOpen() {
  std::lock_guard lock(lock_);
  return format_.has_value();
}

const char* EWaveOutDevice::OpenOutput(const WaveFormat& format) {
  format_ = format;
  output_ = platform::OpenAudioOutput(format.AsAudioFormat(), [this](platform::AudioBlock* block) {
    queue_.Post({DeviceMessage::Kind::BufferDone, static_cast<WaveBuffer*>(block->user)});
  });
  if (!output_) {
    format_.reset();
    return Fail(messages::kCannotOpenDevice);
  }
  savedVolume_ = output_->GetVolume();
  if (!currentVolume_) {
    currentVolume_ = savedVolume_;
  } else {
    output_->SetVolume(*currentVolume_);
  }
  return nullptr;
}

const char* EWaveOutDevice::Open(const WaveFormat& format) {
  if (IsOpen()) Close();
  std::lock_guard lock(lock_);
  if (!format.IsPlayablePcm() || !format.IsPcm()) return Fail(messages::kCannotOpenDevice);
  return OpenOutput(format);
}

const char* EWaveOutDevice::Close() {
  std::lock_guard lock(lock_);
  if (!format_) return Fail(messages::kDeviceNotOpen);
  output_->Reset();
  output_->SetVolume(savedVolume_);
  while (!buffers_.empty()) {
    char text[96];
    std::snprintf(text, sizeof text, "警告： 解放されていない音声出力バッファがあります。(%08XH)",
                  static_cast<unsigned>(reinterpret_cast<uintptr_t>(buffers_.back().get())));
    TraceFailure(text);
    FreeBuffer(buffers_.back().get());
  }
  output_.reset();
  format_.reset();
  return nullptr;
}

bool EWaveOutDevice::HoldsBuffer(const WaveBuffer* handle) const {
  return std::any_of(buffers_.begin(), buffers_.end(), [handle](const auto& b) { return b.get() == handle; });
}

size_t EWaveOutDevice::AllocatedBuffers() {
  std::lock_guard lock(lock_);
  return buffers_.size();
}

WaveBuffer* EWaveOutDevice::AllocBuffer(EWaveStreamBuffer* sound, const uint8_t* data, size_t length) {
  std::lock_guard lock(lock_);
  if (!format_) {
    TraceFailure(messages::kDeviceNotOpen);
    return nullptr;
  }
  auto buffer = std::make_unique<WaveBuffer>();
  buffer->data = data;
  buffer->length = length;
  buffer->sound = sound;
  buffer->block = {data, length, buffer.get()};
  buffers_.push_back(std::move(buffer));
  return buffers_.back().get();
}

const char* EWaveOutDevice::FreeBuffer(WaveBuffer* handle) {
  std::lock_guard lock(lock_);
  if (!format_) return Fail(messages::kDeviceNotOpen);
  auto it = std::find_if(buffers_.begin(), buffers_.end(), [handle](const auto& b) { return b.get() == handle; });
  if (it == buffers_.end()) return Fail(messages::kInvalidDeviceHandle);
  buffers_.erase(it);
  return nullptr;
}

const char* EWaveOutDevice::Write(EWaveStreamBuffer* sound, WaveBuffer* handle) {
  std::lock_guard lock(lock_);
  if (!format_) return Fail(messages::kDeviceNotOpen);
  if (!HoldsBuffer(handle)) return Fail(messages::kInvalidDeviceHandle);
  handle->sound = sound;
  output_->Write(&handle->block);
  if (WaveBuffer* next = sound->RequestNextData(this)) {
    next->sound = sound;
    output_->Write(&next->block);
  }
  return nullptr;
}

void EWaveOutDevice::OnBufferDone(WaveBuffer* handle) {
  std::lock_guard lock(lock_);
  if (!HoldsBuffer(handle) || handle->sound == nullptr) return;
  EWaveStreamBuffer* sound = handle->sound;
  if (format_) {
    if (WaveBuffer* next = sound->RequestNextData(this)) {
      next->sound = sound;
      output_->Write(&next->block);
    }
  }
  sound->OnBlockDone(handle, handle->data, handle->length);
  // A plain sound leaves its handles to the device; stream sources free theirs themselves.
  if (HoldsBuffer(handle)) FreeBuffer(handle);
}

const char* EWaveOutDevice::Reset(EWaveStreamBuffer*) {
  std::lock_guard lock(lock_);
  if (!format_) return Fail(messages::kDeviceNotOpen);
  output_->Reset();
  return nullptr;
}

void EWaveOutDevice::PauseSound(EWaveStreamBuffer*) { Pause(); }
void EWaveOutDevice::RestartSound(EWaveStreamBuffer*) { Restart(); }

void EWaveOutDevice::Pause() {
  std::lock_guard lock(lock_);
  if (format_) output_->Pause();
}

void EWaveOutDevice::Restart() {
  std::lock_guard lock(lock_);
  if (format_) output_->Restart();
}

uint64_t EWaveOutDevice::GetPosition(EWaveStreamBuffer*) {
  std::lock_guard lock(lock_);
  return format_ ? output_->Position() : 0;
}

void EWaveOutDevice::GetVolume(uint32_t& left, uint32_t& right) {
  std::lock_guard lock(lock_);
  const uint32_t v = currentVolume_.value_or(0xFFFFFFFF);
  left = v & 0xFFFF;
  right = v >> 16;
}

void EWaveOutDevice::SetVolume(uint32_t left, uint32_t right) {
  std::lock_guard lock(lock_);
  currentVolume_ = std::min<uint32_t>(left, 0xFFFF) | std::min<uint32_t>(right, 0xFFFF) << 16;
  if (format_) output_->SetVolume(*currentVolume_);
}

void EWaveOutDevice::GetSoundVolume(EWaveStreamBuffer* sound, float& left, float& right) {
  left = sound->leftGain;
  right = sound->rightGain;
}

void EWaveOutDevice::SetSoundVolume(EWaveStreamBuffer* sound, float left, float right) {
  std::lock_guard lock(lock_);
  sound->leftGain = left;
  sound->rightGain = right;
  const uint32_t current = currentVolume_.value_or(0xFFFFFFFF);
  auto scale = [](uint32_t v, float gain) {
    const double scaled = std::abs(static_cast<double>(v) * gain);
    return static_cast<uint32_t>(std::min(scaled, 65535.0));
  };
  const uint32_t volume = scale(current & 0xFFFF, left) | scale(current >> 16, right) << 16;
  if (format_) output_->SetVolume(volume);
}

std::optional<uint32_t> EWaveOutDevice::NextOutputEvent() {
  std::lock_guard lock(lock_);
  return output_ ? output_->NextDoneTime() : std::nullopt;
}

void EWaveOutDevice::AdvanceOutput(uint32_t now) {
  std::lock_guard lock(lock_);
  if (output_) output_->AdvanceTo(now);
}

}  // namespace tav::sound

namespace tav::sound {

void EWaveOutDevice::SkipTime(uint32_t ms) {
  std::lock_guard lock(lock_);
  if (output_) output_->SkipTime(ms);
}

}  // namespace tav::sound
