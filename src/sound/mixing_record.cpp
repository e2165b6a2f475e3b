#include "sound/mixing_record.h"

#include "sound/adpcm.h"
#include "sound/mixing_server.h"
#include "sound/sound_messages.h"
#include "sound/wave_sound.h"

namespace tav::sound {
namespace {
// A sound that keeps handing over blocks without a whole frame in them is treated as ended.
constexpr int kMaxEmptyBlocks = 16;
}  // namespace

std::unique_ptr<MixingRecord> MixingRecord::Create(EWaveMixingServer& mixer, EWaveStreamBuffer* sound,
                                                   const platform::AudioFormat& output, size_t bufferSamples,
                                                   const char** error) {
  const std::optional<WaveFormat>& format = sound->Format();
  if (!format) {
    *error = messages::kInvalidStreamBuffer;
    return nullptr;
  }
  auto record = std::make_unique<MixingRecord>();
  record->mixer = &mixer;
  record->sound = sound;
  if (format->IsPcm()) {
    record->format = WaveFormat::Pcm(format->rate, format->channels, format->bits);
    record->format.blockAlign = format->blockAlign;
  } else if (IsDecodableAdpcm(*format)) {
    record->adpcm = true;
    record->sourceFormat = *format;
    record->format = WaveFormat::Pcm(format->rate, format->channels, 16);
  } else {
    *error = messages::kCannotOpenAcm;
    return nullptr;
  }
  if (!record->converter.Setup(record->format, output)) {
    *error = messages::kInvalidStreamBuffer;
    return nullptr;
  }
  record->outFrameBytes_ = output.BytesPerFrame();
  for (auto& scratch : record->scratch) scratch.assign(bufferSamples * record->outFrameBytes_, 0);
  *error = nullptr;
  return record;
}

void MixingRecord::StartBlock() {
  consumed = 0;
  decoded.clear();
  if (adpcm && current != nullptr) DecodeAdpcm(sourceFormat, current->data, current->length, decoded);
}

void MixingRecord::FetchNext() {
  if (WaveBuffer* next = sound->RequestNextData(mixer)) {
    next->sound = sound;
    queue.push_back(next);
  } else {
    noMoreData = true;
  }
}

size_t MixingRecord::Produce(uint8_t* out, size_t count) {
  size_t n = fifo.Read(out, count * outFrameBytes_) / outFrameBytes_;
  if (n < count) n += ConvertFromBlocks(out + n * outFrameBytes_, count - n);
  return n;
}

size_t MixingRecord::ConvertFromBlocks(uint8_t* out, size_t count) {
  size_t done = 0;
  int emptyBlocks = 0;
  size_t usedInBlock = 0;
  while (done < count && current != nullptr) {
    const uint8_t* source = adpcm ? reinterpret_cast<const uint8_t*>(decoded.data()) : current->data;
    const size_t sourceBytes = adpcm ? decoded.size() * 2 : current->length;
    const size_t frameBytes = format.FrameBytes();
    const size_t framesLeft = (sourceBytes - std::min(consumed, sourceBytes)) / frameBytes;
    // Knowing whether another block follows tells the converter when the stream ends.
    if (queue.empty() && !noMoreData) FetchNext();
    const bool endOfStream = queue.empty() && noMoreData;
    size_t used = 0;
    const size_t asked = count - done;
    const size_t made = converter.Convert(source + consumed, framesLeft, out + done * outFrameBytes_, asked,
                                          endOfStream, &used);
    consumed += used * frameBytes;
    usedInBlock += used;
    done += made;
    produced += made;
    const bool allGiven = used == framesLeft;
    if (!allGiven || (endOfStream && made == asked)) continue;  // output is full, or still flushing
    // The block is used up: it is heard once the output has played up to here.
    current->endPosition = produced;
    waiting.push_back(current);
    emptyBlocks = usedInBlock == 0 ? emptyBlocks + 1 : 0;
    usedInBlock = 0;
    if (emptyBlocks >= kMaxEmptyBlocks) {
      noMoreData = true;
      for (WaveBuffer* h : queue) waiting.push_back(h);
      queue.clear();
    }
    current = nullptr;
    if (!queue.empty()) {
      current = queue.front();
      queue.pop_front();
    }
    StartBlock();
  }
  return done;
}

}  // namespace tav::sound
