// The adapters between the sound manager's channels and the sounds they own, and the three
// factories that choose them by extension.
#include <cstring>

#include "medialib/raw_file.h"
#include "encoding/sjis.h"
#include "sound/mio_stream.h"
#include "sound/mixing_server.h"
#include "sound/sound_buffer.h"
#include "sound/sound_messages.h"
#include "sound/vorbis_stream.h"

namespace tav::sound {
namespace {

constexpr uint32_t kReadShared = medialib::ESLFileObject::kRead | medialib::ESLFileObject::kShareRead;

intptr_t Result(const char* message) { return reinterpret_cast<intptr_t>(message); }

// Forwards to the owned sound. The sound is shared so that the mixer thread may still be
// finishing with it while the channel lets go.
template <class Sound>
class StreamSoundBuffer : public ISoundBuffer {
 public:
  explicit StreamSoundBuffer(EWaveMixingServer* mixer) : sound_(std::make_shared<Sound>()) {
    sound_->SetDevice(mixer);
  }
  intptr_t Play(bool loop) override { return Result(sound_->Play(0, loop, nullptr, 33, 0)); }
  intptr_t Stop() override { return Result(sound_->Stop()); }
  intptr_t Pause() override {
    sound_->Pause();
    return 0;
  }
  intptr_t Resume() override {
    sound_->Resume();
    return 0;
  }
  intptr_t SetVolume(int left, int right) override {
    if (right == -1) right = left;
    left = std::clamp(left, 0, 100);
    right = std::clamp(right, 0, 100);
    sound_->SetVolume(static_cast<float>(left) * 0.01f, static_cast<float>(right) * 0.01f);
    return 0;
  }
  bool IsPlaying() override { return sound_->IsPlaying(); }

 protected:
  std::shared_ptr<Sound> sound_;
};

class WaveSoundBuffer final : public StreamSoundBuffer<EWaveSound> {
 public:
  using StreamSoundBuffer::StreamSoundBuffer;
  intptr_t Open(const std::string& path, int) override {
    medialib::ERawFile file;
    if (file.Open(path, kReadShared) != 0) return Result(messages::kCannotOpenFile);
    return Result(sound_->LoadWave(file));
  }
};

// The stream sources keep their file until Open has taken a copy into memory (modes 1 and 2).
template <class Stream>
class DecodingSoundBuffer final : public StreamSoundBuffer<Stream> {
 public:
  using StreamSoundBuffer<Stream>::StreamSoundBuffer;
  ~DecodingSoundBuffer() override { this->sound_.reset(); }
  intptr_t Open(const std::string& path, int mode) override {
    if (file_.Open(path, kReadShared) != 0) return Result(messages::kCannotOpenFile);
    const char* result = this->sound_->Open(file_, mode);
    if (result == nullptr && mode != EStreamingSound::kFromFile) file_.Close();
    return Result(result);
  }

 private:
  medialib::ERawFile file_;
};

template <class Buffer>
std::unique_ptr<ISoundBuffer> Create(EWaveMixingServer* mixer, const std::string& path, int mode,
                                     const char* extension) {
  if (!SameExtension(PathExtension(path), extension)) return nullptr;
  auto buffer = std::make_unique<Buffer>(mixer);
  if (buffer->Open(path, mode) != 0) return nullptr;
  return buffer;
}

}  // namespace

std::string PathExtension(const std::string& path) {
  size_t start = std::string::npos;
  for (size_t i = 0; i < path.size(); ++i) {
    const auto byte = static_cast<unsigned char>(path[i]);
    if (platform::IsSjisLeadByte(byte)) {
      ++i;
    } else if (byte == '.') {
      start = i + 1;
    } else if (byte == '/' || byte == '\\') {
      start = std::string::npos;
    }
  }
  return start == std::string::npos ? std::string() : path.substr(std::min(start, path.size()));
}

bool SameExtension(const std::string& a, const char* b) {
  const size_t length = std::strlen(b);
  if (a.size() != length) return false;
  for (size_t i = 0; i < length; ++i) {
    auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
    if (upper(a[i]) != upper(b[i])) return false;
  }
  return true;
}

std::unique_ptr<ISoundBuffer> CreateWaveSoundBuffer(EWaveMixingServer* mixer, const std::string& path, int mode) {
  return Create<WaveSoundBuffer>(mixer, path, mode, "wav");
}

std::unique_ptr<ISoundBuffer> CreateMIOSoundBuffer(EWaveMixingServer* mixer, const std::string& path, int mode) {
  return Create<DecodingSoundBuffer<MIOSoundStream>>(mixer, path, mode, "mio");
}

std::unique_ptr<ISoundBuffer> CreateVorbisSoundBuffer(EWaveMixingServer* mixer, const std::string& path, int mode) {
  return Create<DecodingSoundBuffer<VorbisSoundStream>>(mixer, path, mode, "ogg");
}

}  // namespace tav::sound
