#include "sound/sound_manager.h"

#include "medialib/raw_file.h"
#include "os/diagnostics.h"
#include "sound/mixing_server.h"

namespace tav::sound {
namespace {

// Why none of the registered sources took a file: the author needs to know whether to fix the
// name, the file's permissions, its extension or its contents.
std::string WhyNoSource(const std::string& path) {
  const std::string extension = PathExtension(path);
  bool known = false;
  for (const char* wanted : {"wav", "mio", "ogg"}) known = known || SameExtension(extension, wanted);
  if (!known) {
    return "cannot play this file: its extension " +
           (extension.empty() ? std::string("is missing") : "\"" + extension + "\" is unknown") +
           " (wav, mio and ogg are played)";
  }
  const std::string unreadable = medialib::ERawFile::WhyNotReadable(path);
  if (!unreadable.empty()) return "cannot play this file: " + unreadable;
  return "cannot play this file: its contents are not a " + extension + " sound this engine can decode";
}

}  // namespace

class SoundManagerImp {
 public:
  struct ChannelInfo {
    std::shared_ptr<ISoundBuffer> buffer;
    int leftVolume = 100;
    int rightVolume = 100;
  };

  SoundManagerImp() : mixer_(std::make_shared<EWaveMixingServer>()) {
    // No output device leaves a manager whose sounds never start; nobody is told.
    mixer_->Open(1000, 33, 44100, 2, 16);
    template_ = std::make_shared<ChannelInfo>();
    template_->buffer = std::make_shared<NullSoundBuffer>();
  }

  ~SoundManagerImp() {
    factories_.clear();
    channels_.clear();  // each last reference destroys its sound, which stops it
    template_.reset();
    mixer_.reset();
  }

  void Register(StreamFactory factory) { factories_.push_back(factory); }

  intptr_t Play(int channel, const std::string& path, bool loop, int mode) {
    if (channel < 0) return -1;
    const size_t slot = static_cast<size_t>(channel);
    if (channels_.size() < slot + 1) channels_.resize(slot + 1, template_);
    auto record = std::make_shared<ChannelInfo>(*template_);
    channels_[slot] = record;  // drops (and so stops) the old sound first
    bool opened = false;
    for (StreamFactory factory : factories_) {
      if (std::unique_ptr<ISoundBuffer> buffer = factory(mixer_.get(), path, mode)) {
        record->buffer = std::move(buffer);
        opened = true;
        break;
      }
    }
    if (!opened) {
      platform::Diagnose(platform::Severity::Info, path, WhyNoSource(path));
    }
    record->buffer->SetVolume(record->leftVolume, record->rightVolume);
    return record->buffer->Play(loop);
  }

  std::shared_ptr<ChannelInfo> Channel(int channel) const {
    if (channel >= 0 && static_cast<size_t>(channel) < channels_.size()) return channels_[static_cast<size_t>(channel)];
    return template_;
  }

  size_t ChannelCount() const { return channels_.size(); }
  EWaveMixingServer* Mixer() const { return mixer_.get(); }

 private:
  std::shared_ptr<EWaveMixingServer> mixer_;
  std::shared_ptr<ChannelInfo> template_;
  std::vector<std::shared_ptr<ChannelInfo>> channels_;
  std::vector<StreamFactory> factories_;
};

SoundManager::SoundManager() : imp_(std::make_unique<SoundManagerImp>()) {}
SoundManager::~SoundManager() = default;

void SoundManager::RegisterStreamFactory(StreamFactory factory) { imp_->Register(factory); }

intptr_t SoundManager::Play(int channel, const std::string& path, bool loop, int mode) {
  return imp_->Play(channel, path, loop, mode);
}

intptr_t SoundManager::Stop(int channel) { return imp_->Channel(channel)->buffer->Stop(); }

bool SoundManager::IsPlaying(int channel) { return imp_->Channel(channel)->buffer->IsPlaying(); }

size_t SoundManager::ChannelCount() const { return imp_->ChannelCount(); }
EWaveMixingServer* SoundManager::Mixer() const { return imp_->Mixer(); }

std::unique_ptr<SoundManager> CreateSoundManager() {
  auto manager = std::make_unique<SoundManager>();
  manager->RegisterStreamFactory(CreateWaveSoundBuffer);
  manager->RegisterStreamFactory(CreateMIOSoundBuffer);
  manager->RegisterStreamFactory(CreateVorbisSoundBuffer);
  return manager;
}

}  // namespace tav::sound
