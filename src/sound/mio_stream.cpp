#include "sound/mio_stream.h"

#include <cstring>

#include "medialib/heap.h"
#include "medialib/mio_description.h"
#include "sound/sound_messages.h"
#include "sound/wave_out_device.h"

namespace tav::sound {

ESL_IMPLEMENT_CLASS(MIOSoundStream, EStreamingSound)

MIOSoundStream::~MIOSoundStream() { Release(); }

void MIOSoundStream::CloseDecoder() {
  if (playerOpen_) player_.Close();
  playerOpen_ = false;
}

const char* MIOSoundStream::Open(medialib::ESLFileObject& file, int mode) {
  Release();
  std::lock_guard lock(lock_);
  medialib::ESLFileObject* source = PrepareSource(file, mode);
  const int queueMode = mode == kFromFile ? medialib::MIODynamicPlayer::kWithThread
                                          : medialib::MIODynamicPlayer::kWithoutThread;
  if (source == nullptr || player_.Open(source, queueMode) != nullptr) {
    memoryCopy_.reset();
    return Fail(messages::kCannotOpenMio);
  }
  playerOpen_ = true;
  loopPoint_ = 0;
  const auto tags = medialib::ParseDescription(player_.Description().View());
  if (auto rewind = medialib::FindDescriptionTag(tags, u"rewind-point")) {
    loopPoint_ = medialib::ParseRewindPoint(*rewind);
  }
  const uint32_t channels = player_.GetChannelCount(), bits = player_.GetBitsPerSample();
  format_ = WaveFormat::Pcm(player_.GetFrequency(), static_cast<uint16_t>(channels), static_cast<uint16_t>(bits));
  if (mode == kWhole) return DecodeWhole();
  return nullptr;
}

const char* MIOSoundStream::DecodeWhole() {
  const uint64_t bytes = uint64_t{player_.GetTotalSampleCount()} * format_->blockAlign;
  const char* result = nullptr;
  auto* buffer = bytes == 0 || bytes > medialib::kEslHeapMaxBlock
                     ? nullptr
                     : static_cast<uint8_t*>(medialib::eslHeapAllocate(nullptr, static_cast<size_t>(bytes), 0));
  if (buffer == nullptr) {
    result = Fail(messages::kNoData);
  } else {
    data_ = {buffer, [](uint8_t* p) { medialib::eslHeapFree(nullptr, p, 0); }};
    size_t filled = 0, length = 0, offset = 0;
    void* packet = player_.SeekAndGetBlock(0, &length, &offset);
    while (packet != nullptr) {
      const size_t n = std::min<size_t>(length - offset, static_cast<size_t>(bytes - filled));
      std::memcpy(buffer + filled, static_cast<uint8_t*>(packet) + offset, n);
      filled += n;
      player_.ReleaseBlock(packet);
      if (filled == bytes || player_.IsAtStreamStart()) break;
      offset = 0;
      packet = player_.GetNextBlock(&length);
    }
    dataLength_ = filled;
    whole_ = true;
  }
  CloseDecoder();
  memoryCopy_.reset();
  return result;
}

void MIOSoundStream::CopyFrom(medialib::EStreamBuffer& block, uint64_t sample) {
  if (!playerOpen_ || sample > UINT32_MAX) return;
  size_t length = 0, offset = 0;
  void* packet = player_.SeekAndGetBlock(static_cast<uint32_t>(sample), &length, &offset);
  if (packet == nullptr) return;
  if (offset < length) block.Write(static_cast<uint8_t*>(packet) + offset, length - offset);
  player_.ReleaseBlock(packet);
}

void MIOSoundStream::ReadFirstBlock(medialib::EStreamBuffer& block, uint64_t startPosition) {
  CopyFrom(block, startPosition);
}

void MIOSoundStream::ReadNextBlock(medialib::EStreamBuffer& block, bool loop, int64_t loopPoint) {
  if (!playerOpen_) return;
  if (player_.IsAtStreamStart()) {
    if (loop) CopyFrom(block, static_cast<uint64_t>(std::max<int64_t>(0, loopPoint)));
    return;
  }
  size_t length = 0;
  void* packet = player_.GetNextBlock(&length);
  if (packet == nullptr) return;
  block.Write(packet, length);
  player_.ReleaseBlock(packet);
}

}  // namespace tav::sound
