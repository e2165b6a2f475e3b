#pragma once

// The --audio-out recording: a WAV file that receives exactly the bytes an output plays. Its
// header is rewritten after every append, so the file is complete whichever way the process ends
// (normal exit, an exit code, a signal that kills it, a crash report); data goes straight to the
// file descriptor, so nothing waits in a user-space buffer.

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

#include "platform/audio_output.h"

namespace tav::platform {

class AudioRecording {
 public:
  // False (with a diagnostic) when the file cannot be created.
  bool Open(const std::string& path);
  // Appends played bytes. The first format seen is the file's; data of another format is left
  // out (with one diagnostic), as a WAV file holds one format.
  void Append(const AudioFormat& format, const uint8_t* data, size_t bytes);
  void Close();

 private:
  void WriteHeader();

  std::mutex mutex_;
  int fd_ = -1;
  std::string path_;
  bool haveFormat_ = false;
  bool warnedFormat_ = false;
  AudioFormat format_;
  uint64_t dataBytes_ = 0;
};

// The process's recording, for the backends.
AudioRecording& Recording();

}  // namespace tav::platform
