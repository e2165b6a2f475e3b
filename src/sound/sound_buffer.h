#pragma once

// What a sound manager channel holds: one playable sound behind `ISoundBuffer`, made by a
// stream factory from a file. Results are 0 for success; anything else is a failure (-1, or the
// address of a failure message).

#include <memory>
#include <string>

namespace tav::sound {

class EWaveMixingServer;

class ISoundBuffer {
 public:
  virtual ~ISoundBuffer() = default;
  virtual intptr_t Open(const std::string& path, int mode) = 0;
  virtual intptr_t Play(bool loop) = 0;
  virtual intptr_t Stop() = 0;
  virtual intptr_t Pause() = 0;
  virtual intptr_t Resume() = 0;
  // Percent; a right of -1 is the left.
  virtual intptr_t SetVolume(int left, int right) = 0;
  virtual bool IsPlaying() = 0;
};

// The empty channel: nothing to open, play or stop.
class NullSoundBuffer final : public ISoundBuffer {
 public:
  intptr_t Open(const std::string&, int) override { return -1; }
  intptr_t Play(bool) override { return -1; }
  intptr_t Stop() override { return -1; }
  intptr_t Pause() override { return -1; }
  intptr_t Resume() override { return -1; }
  intptr_t SetVolume(int, int) override { return 0; }
  bool IsPlaying() override { return false; }
};

// Makes an opened sound for a path it accepts (by extension), or null.
using StreamFactory = std::unique_ptr<ISoundBuffer> (*)(EWaveMixingServer* mixer, const std::string& path, int mode);

// The built-in factories: WAV, MIO and Ogg Vorbis files.
std::unique_ptr<ISoundBuffer> CreateWaveSoundBuffer(EWaveMixingServer* mixer, const std::string& path, int mode);
std::unique_ptr<ISoundBuffer> CreateMIOSoundBuffer(EWaveMixingServer* mixer, const std::string& path, int mode);
std::unique_ptr<ISoundBuffer> CreateVorbisSoundBuffer(EWaveMixingServer* mixer, const std::string& path, int mode);

// The extension of a Shift-JIS path: the text after the last dot that no slash or backslash
// follows (lead bytes skip their trail byte, which may be 0x5C); empty without one.
std::string PathExtension(const std::string& path);
// Whether two extensions are equal with ASCII letters folded to upper case.
bool SameExtension(const std::string& a, const char* b);

}  // namespace tav::sound
