#include "sound/mixing_server.h"

#include <algorithm>
#include <cstring>

#include "platform/audio_output.h"
#include "sound/mix_kernels.h"
#include "sound/sound_messages.h"
#include "sound/wave_sound.h"

namespace tav::sound {

ESL_IMPLEMENT_CLASS(EWaveMixingServer, EWaveOutDevice)

namespace {
constexpr uint32_t kTimerPeriod = 33;
constexpr uint32_t kGranule = 4096;

uint64_t RoundUp8(uint64_t v) { return (v + 7) & ~uint64_t{7}; }
}  // namespace

EWaveMixingServer::EWaveMixingServer() : EWaveOutDevice(NoThread{}) { StartThread(); }

EWaveMixingServer::~EWaveMixingServer() {
  if (IsOpen()) Close();
  StopThread();
}

void EWaveMixingServer::OnWorkStart() { queue_.SetTimer(kTimerPeriod); }
void EWaveMixingServer::OnWorkEnd() { queue_.SetTimer(0); }

const char* EWaveMixingServer::Open(uint32_t bufferMs, uint32_t, uint32_t rate, uint32_t channels, uint32_t bits) {
  if (channels != 1 && channels != 2) return Fail(messages::kInvalidChannels);
  if (bits != 8 && bits != 16) return Fail(messages::kInvalidBits);
  if (IsOpen()) Close();
  std::lock_guard lock(lock_);
  const WaveFormat format = WaveFormat::Pcm(rate, static_cast<uint16_t>(channels), static_cast<uint16_t>(bits));
  if (rate == 0 || !format.IsPlayablePcm()) return Fail(messages::kCannotOpenDevice);
  if (const char* error = OpenOutput(format)) return error;
  out_ = format.AsAudioFormat();
  samplesQueued_ = 0;
  bufferSamples_ = static_cast<size_t>((uint64_t{bufferMs} * rate / 1000 + kGranule - 1) / kGranule * kGranule);
  if (bufferSamples_ == 0) bufferSamples_ = kGranule;
  returned_[0] = returned_[1] = false;
  closing_ = false;
  devicePaused_ = false;
  allReturned_.Reset();
  output_->Pause();
  playing_ = 0;
  for (int i = 0; i < 2; ++i) {
    deviceBuffers_[i].assign(bufferSamples_ * out_.BytesPerFrame(), 0);
    FillSilence(out_, deviceBuffers_[i].data(), bufferSamples_);
    fill_[i] = 0;
    headers_[i] = std::make_unique<WaveBuffer>();
    headers_[i]->data = deviceBuffers_[i].data();
    headers_[i]->length = deviceBuffers_[i].size();
    headers_[i]->block = {deviceBuffers_[i].data(), deviceBuffers_[i].size(), headers_[i].get()};
    output_->Write(&headers_[i]->block);
  }
  output_->Restart();
  timeBase_ = Ticks();
  return nullptr;
}

const char* EWaveMixingServer::Close() {
  {
    std::lock_guard lock(lock_);
    if (!format_) return Fail(messages::kDeviceNotOpen);
    closing_ = true;
    // Both buffers come back through the thread, which marks them returned.
    output_->Reset();
    for (auto& record : records_) ReportAll(*record);
    records_.clear();
  }
  // The thread needs the lock to take the buffers back: wait outside it.
  RunPendingWork();
  allReturned_.WaitFor(UINT32_MAX);
  std::lock_guard lock(lock_);
  EWaveOutDevice::Close();
  allReturned_.Reset();
  for (int i = 0; i < 2; ++i) {
    headers_[i].reset();
    deviceBuffers_[i].clear();
    fill_[i] = 0;
  }
  return nullptr;
}

WaveBuffer* EWaveMixingServer::AllocBuffer(EWaveStreamBuffer* sound, const uint8_t* data, size_t length) {
  return EWaveOutDevice::AllocBuffer(sound, data, length);
}

const char* EWaveMixingServer::FreeBuffer(WaveBuffer* handle) {
  std::lock_guard lock(lock_);
  if (!format_) return Fail(messages::kDeviceNotOpen);
  auto it = std::find_if(buffers_.begin(), buffers_.end(), [handle](const auto& b) { return b.get() == handle; });
  if (handle == nullptr || it == buffers_.end()) return Fail(messages::kInvalidMixerHandle);
  buffers_.erase(it);
  return nullptr;
}

uint64_t EWaveMixingServer::EstimatePosition(uint32_t lookAhead) const {
  const uint32_t now = devicePaused_ ? pauseTick_ : Ticks();
  const int32_t elapsed = static_cast<int32_t>(now + lookAhead - timeBase_);
  if (elapsed <= 0) return 0;
  return RoundUp8(uint64_t(elapsed) * out_.rate / 1000);
}

int64_t EWaveMixingServer::BufferStart(int index) const {
  return static_cast<int64_t>(samplesQueued_ + (index == playing_ ? 0 : bufferSamples_));
}

size_t EWaveMixingServer::CorrectionStart(int index) const {
  const uint64_t p = EstimatePosition(kTimerPeriod);
  if (index == playing_) return static_cast<size_t>(std::min<uint64_t>(bufferSamples_, p));
  return static_cast<size_t>(p > bufferSamples_ ? std::min<uint64_t>(bufferSamples_, p - bufferSamples_) : 0);
}

MixingRecord* EWaveMixingServer::Find(const EWaveStreamBuffer* sound) {
  for (auto& record : records_) {
    if (record->sound == sound) return record.get();
  }
  return nullptr;
}

size_t EWaveMixingServer::SoundCount() {
  std::lock_guard lock(lock_);
  return records_.size();
}

std::vector<uint8_t> EWaveMixingServer::BufferContents(int index) {
  std::lock_guard lock(lock_);
  return deviceBuffers_[index];
}

void EWaveMixingServer::MixRecord(MixingRecord& record, int index, size_t from, size_t to) {
  const int64_t soundStart = record.startOffset - BufferStart(index);
  if (soundStart > static_cast<int64_t>(from)) from = static_cast<size_t>(std::min<int64_t>(soundStart, to));
  if (from >= to) return;
  const uint32_t frame = out_.BytesPerFrame();
  uint8_t* scratch = record.scratch[index].data();
  size_t& begin = record.scratchBegin[index];
  size_t& end = record.scratchEnd[index];
  if (begin == end) {
    begin = end = from;
  } else if (from > end) {
    std::memset(scratch + end * frame, out_.bits == 8 ? 0x80 : 0, (from - end) * frame);
  }
  const size_t made = record.Produce(scratch + from * frame, to - from);
  end = std::max(end, from + made);
  begin = std::min(begin, from);
  MixAdd(out_, deviceBuffers_[index].data() + from * frame, scratch + from * frame,
         QuantiseGain(record.sound->leftGain), QuantiseGain(record.sound->rightGain), made);
}

uint64_t EWaveMixingServer::SoundPosition(const MixingRecord& record) const {
  if (record.paused) return record.pausedIndex;
  const uint32_t now = devicePaused_ ? pauseTick_ : Ticks();
  const int64_t heard = static_cast<int64_t>(samplesQueued_) +
                        static_cast<int64_t>(uint64_t(static_cast<uint32_t>(now - timeBase_)) * out_.rate / 1000);
  return static_cast<uint64_t>(std::max<int64_t>(0, heard - record.startOffset));
}

void EWaveMixingServer::ReportHandle(EWaveStreamBuffer* sound, WaveBuffer* handle) {
  sound->OnBlockDone(handle, handle->data, handle->length);
  if (HoldsBuffer(handle)) buffers_.erase(std::find_if(buffers_.begin(), buffers_.end(),
                                                       [handle](const auto& b) { return b.get() == handle; }));
}

void EWaveMixingServer::ReportAll(MixingRecord& record) {
  std::vector<WaveBuffer*> handles(record.waiting.begin(), record.waiting.end());
  if (record.current) handles.push_back(record.current);
  handles.insert(handles.end(), record.queue.begin(), record.queue.end());
  record.waiting.clear();
  record.queue.clear();
  record.current = nullptr;
  for (WaveBuffer* handle : handles) ReportHandle(record.sound, handle);
}

void EWaveMixingServer::MixInto(int index, size_t count) {
  count = std::min(count, bufferSamples_ - fill_[index]);
  if (count == 0) return;
  const size_t from = fill_[index], to = from + count;
  const uint32_t frame = out_.BytesPerFrame();
  FillSilence(out_, deviceBuffers_[index].data() + from * frame, count);
  for (size_t r = records_.size(); r-- > 0;) {
    MixingRecord& record = *records_[r];
    if (!record.paused) MixRecord(record, index, from, to);
    const uint64_t position = SoundPosition(record);
    for (auto it = record.waiting.begin(); it != record.waiting.end();) {
      WaveBuffer* handle = *it;
      if (handle->done) {
        it = record.waiting.erase(it);
        ReportHandle(record.sound, handle);
      } else {
        if (position >= handle->endPosition) handle->done = true;
        ++it;
      }
    }
    if (record.Ended()) records_.erase(records_.begin() + static_cast<std::ptrdiff_t>(r));
  }
  fill_[index] = to;
}

const char* EWaveMixingServer::Write(EWaveStreamBuffer* sound, WaveBuffer* handle, uint32_t lookAhead) {
  std::lock_guard lock(lock_);
  if (!format_) return Fail(messages::kDeviceNotOpen);
  if (handle == nullptr || !HoldsBuffer(handle)) return Fail(messages::kNoMixerHandle);
  handle->sound = sound;
  handle->done = false;
  if (MixingRecord* record = Find(sound)) {
    if (record->current == nullptr) {
      record->current = handle;
      record->StartBlock();
    } else {
      record->queue.push_back(handle);
    }
    record->noMoreData = false;
    return nullptr;
  }
  const char* error = nullptr;
  std::unique_ptr<MixingRecord> created = MixingRecord::Create(*this, sound, out_, bufferSamples_, &error);
  if (!created) return Fail(error);
  MixingRecord& record = *created;
  records_.push_back(std::move(created));
  record.current = handle;
  record.StartBlock();
  // Prepare a buffer's worth of converted samples, then place the sound `lookAhead` ms ahead.
  std::vector<uint8_t> prepared(bufferSamples_ * out_.BytesPerFrame());
  const size_t made = record.Produce(prepared.data(), bufferSamples_);
  record.fifo.Write(prepared.data(), made * out_.BytesPerFrame());
  record.startOffset = static_cast<int64_t>(samplesQueued_ + EstimatePosition(lookAhead));
  const int other = 1 - playing_;
  MixRecord(record, playing_, 0, fill_[playing_]);
  MixRecord(record, other, 0, fill_[other]);
  return nullptr;
}

void EWaveMixingServer::SkipTime(uint32_t ms) {
  std::lock_guard lock(lock_);
  EWaveOutDevice::SkipTime(ms);
  timeBase_ += ms;
  pauseTick_ += ms;
}

void EWaveMixingServer::OnTimer() {
  std::lock_guard lock(lock_);
  if (!format_ || closing_ || devicePaused_) return;
  if (fill_[playing_] < bufferSamples_) MixInto(playing_, bufferSamples_ - fill_[playing_]);
  const int other = 1 - playing_;
  const size_t target = static_cast<size_t>(std::min<uint64_t>(bufferSamples_, EstimatePosition(kTimerPeriod)));
  if (target > fill_[other]) MixInto(other, target - fill_[other]);
}

void EWaveMixingServer::OnBufferDone(WaveBuffer* handle) {
  std::lock_guard lock(lock_);
  const int finished = handle == headers_[0].get() ? 0 : handle == headers_[1].get() ? 1 : -1;
  if (finished < 0) return;
  if (closing_) {
    returned_[finished] = true;
    if (returned_[0] && returned_[1]) allReturned_.Set();
    return;
  }
  playing_ = 1 - finished;
  fill_[finished] = 0;
  for (auto& record : records_) record->scratchBegin[finished] = record->scratchEnd[finished] = 0;
  if (fill_[playing_] < bufferSamples_) MixInto(playing_, bufferSamples_ - fill_[playing_]);
  output_->Write(&headers_[finished]->block);
  samplesQueued_ += bufferSamples_;
  timeBase_ = Ticks();
  const uint64_t p = EstimatePosition(kTimerPeriod);
  if (p > 0) MixInto(finished, static_cast<size_t>(std::min<uint64_t>(bufferSamples_, RoundUp8(p))));
}

void EWaveMixingServer::ChangeGain(MixingRecord& record, int index, size_t from, float oldLeft, float oldRight,
                                   float newLeft, float newRight) {
  from = std::max(from, record.scratchBegin[index]);
  const size_t to = std::min(fill_[index], record.scratchEnd[index]);
  if (from >= to) return;
  const int32_t ol = QuantiseGain(oldLeft), orr = QuantiseGain(oldRight);
  const int32_t nl = QuantiseGain(newLeft), nr = QuantiseGain(newRight);
  if (ol == nl && orr == nr) return;
  const uint32_t frame = out_.BytesPerFrame();
  uint8_t* dst = deviceBuffers_[index].data() + from * frame;
  const uint8_t* src = record.scratch[index].data() + from * frame;
  const size_t count = to - from;
  if (IsQuantisedGain(nl - ol) && IsQuantisedGain(nr - orr)) {
    MixAdd(out_, dst, src, nl - ol, nr - orr, count);
  } else {
    MixAdd(out_, dst, src, -ol, -orr, count);
    MixAdd(out_, dst, src, nl, nr, count);
  }
}

void EWaveMixingServer::SetSoundVolume(EWaveStreamBuffer* sound, float left, float right) {
  std::lock_guard lock(lock_);
  if (MixingRecord* record = Find(sound); record && format_ && !record->paused) {
    ChangeGain(*record, playing_, CorrectionStart(playing_), sound->leftGain, sound->rightGain, left, right);
    ChangeGain(*record, 1 - playing_, CorrectionStart(1 - playing_), sound->leftGain, sound->rightGain, left, right);
  }
  sound->leftGain = left;
  sound->rightGain = right;
}

const char* EWaveMixingServer::Reset(EWaveStreamBuffer* sound) {
  std::lock_guard lock(lock_);
  if (!format_) return Fail(messages::kDeviceNotOpen);
  auto it = std::find_if(records_.begin(), records_.end(), [sound](const auto& r) { return r->sound == sound; });
  if (it == records_.end()) return nullptr;
  std::unique_ptr<MixingRecord> record = std::move(*it);
  records_.erase(it);
  const float left = sound->leftGain, right = sound->rightGain;
  if (!record->paused) {
    ChangeGain(*record, playing_, CorrectionStart(playing_), left, right, 0.0f, 0.0f);
    ChangeGain(*record, 1 - playing_, CorrectionStart(1 - playing_), left, right, 0.0f, 0.0f);
  }
  ReportAll(*record);
  return nullptr;
}

void EWaveMixingServer::PauseSound(EWaveStreamBuffer* sound) {
  std::lock_guard lock(lock_);
  MixingRecord* record = Find(sound);
  if (!format_ || record == nullptr || record->paused) return;
  const uint32_t frame = out_.BytesPerFrame();
  const float left = sound->leftGain, right = sound->rightGain;
  // Take the sound out of the prepared audio and keep what was taken, in order, before the FIFO.
  medialib::EStreamBuffer taken;
  const int order[2] = {playing_, 1 - playing_};
  for (int k = 0; k < 2; ++k) {
    const int index = order[k];
    const size_t start = std::max(CorrectionStart(index), record->scratchBegin[index]);
    const size_t end = std::min(fill_[index], record->scratchEnd[index]);
    if (start >= end) continue;
    ChangeGain(*record, index, start, left, right, 0.0f, 0.0f);
    taken.Write(record->scratch[index].data() + start * frame, (end - start) * frame);
    record->scratchEnd[index] = start;
    if (record->scratchBegin[index] > start) record->scratchBegin[index] = start;
  }
  std::vector<uint8_t> rest(record->fifo.GetLength());
  record->fifo.Read(rest.data(), rest.size());
  std::vector<uint8_t> all(taken.GetLength());
  taken.Read(all.data(), all.size());
  record->fifo.Write(all.data(), all.size());
  record->fifo.Write(rest.data(), rest.size());
  record->pausedIndex = record->produced - record->fifo.GetLength() / frame;
  record->paused = true;
}

void EWaveMixingServer::RestartSound(EWaveStreamBuffer* sound) {
  std::lock_guard lock(lock_);
  MixingRecord* record = Find(sound);
  if (!format_ || record == nullptr || !record->paused) return;
  record->startOffset = static_cast<int64_t>(samplesQueued_ + EstimatePosition(kTimerPeriod)) -
                        static_cast<int64_t>(record->pausedIndex);
  record->paused = false;
  MixRecord(*record, playing_, CorrectionStart(playing_), fill_[playing_]);
  MixRecord(*record, 1 - playing_, CorrectionStart(1 - playing_), fill_[1 - playing_]);
}

void EWaveMixingServer::Pause() {
  std::lock_guard lock(lock_);
  if (!format_ || devicePaused_) return;
  output_->Pause();
  devicePaused_ = true;
  pauseTick_ = Ticks();
}

void EWaveMixingServer::Restart() {
  std::lock_guard lock(lock_);
  if (!format_ || !devicePaused_) return;
  output_->Restart();
  timeBase_ += Ticks() - pauseTick_;
  devicePaused_ = false;
}

uint64_t EWaveMixingServer::GetPosition(EWaveStreamBuffer* sound) {
  std::lock_guard lock(lock_);
  MixingRecord* record = Find(sound);
  if (!format_ || record == nullptr) return 0;
  return SoundPosition(*record) * record->format.rate / out_.rate;
}

}  // namespace tav::sound
