#include "platform/audio_recording.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "os/diagnostics.h"
#include "platform/master_volume.h"

namespace tav::platform {
namespace {

constexpr size_t kHeaderBytes = 44;
// RIFF sizes are 32-bit; the recording stops growing just before they would wrap.
constexpr uint64_t kMaxDataBytes = 0xFFFFFFFFull - kHeaderBytes;

void Put16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
  Put16(p, v & 0xFFFF);
  Put16(p + 2, v >> 16);
}

bool WriteAll(int fd, const uint8_t* data, size_t bytes, off_t at) {
  while (bytes > 0) {
    const ssize_t n = pwrite(fd, data, bytes, at);
    if (n <= 0) return false;
    data += n;
    bytes -= static_cast<size_t>(n);
    at += n;
  }
  return true;
}

}  // namespace

AudioRecording& Recording() {
  static AudioRecording recording;
  return recording;
}

bool AudioRecording::Open(const std::string& path) {
  Close();
  std::lock_guard lock(mutex_);
  fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd_ < 0) {
    Diagnose(Severity::Error, "", "cannot create the audio recording " + path + ": " + std::strerror(errno));
    return false;
  }
  path_ = path;
  haveFormat_ = false;
  dataBytes_ = 0;
  WriteHeader();  // a run that plays nothing still leaves a valid, empty WAV file
  return true;
}

void AudioRecording::WriteHeader() {
  const AudioFormat format = haveFormat_ ? format_ : AudioFormat{};
  uint8_t h[kHeaderBytes];
  std::memcpy(h, "RIFF", 4);
  Put32(h + 4, static_cast<uint32_t>(36 + dataBytes_));
  std::memcpy(h + 8, "WAVEfmt ", 8);
  Put32(h + 16, 16);
  Put16(h + 20, 1);
  Put16(h + 22, format.channels);
  Put32(h + 24, format.rate);
  Put32(h + 28, format.rate * format.BytesPerFrame());
  Put16(h + 32, format.BytesPerFrame());
  Put16(h + 34, format.bits);
  std::memcpy(h + 36, "data", 4);
  Put32(h + 40, static_cast<uint32_t>(dataBytes_));
  WriteAll(fd_, h, kHeaderBytes, 0);
}

void AudioRecording::Append(const AudioFormat& format, const uint8_t* data, size_t bytes) {
  std::lock_guard lock(mutex_);
  if (fd_ < 0 || bytes == 0) return;
  if (!haveFormat_) {
    haveFormat_ = true;
    format_ = format;
  } else if (format.rate != format_.rate || format.channels != format_.channels || format.bits != format_.bits) {
    if (!warnedFormat_) {
      warnedFormat_ = true;
      Diagnose(Severity::Warning, "", "the audio recording keeps its first format; later output of another format is not recorded");
    }
    return;
  }
  if (dataBytes_ + bytes > kMaxDataBytes) bytes = static_cast<size_t>(kMaxDataBytes - dataBytes_);
  if (bytes == 0) return;
  // The recording hears what the player hears: the master volume applies to it too.
  std::vector<uint8_t> scaled;
  if (!MasterVolumeIsFull()) {
    scaled.assign(data, data + bytes);
    ApplyMasterVolume(format, scaled.data(), bytes);
    data = scaled.data();
  }
  if (!WriteAll(fd_, data, bytes, static_cast<off_t>(kHeaderBytes + dataBytes_))) {
    Diagnose(Severity::Error, "", "cannot write the audio recording " + path_);
    ::close(fd_);
    fd_ = -1;
    return;
  }
  dataBytes_ += bytes;
  WriteHeader();
}

void AudioRecording::Close() {
  std::lock_guard lock(mutex_);
  if (fd_ < 0) return;
  WriteHeader();
  ::close(fd_);
  fd_ = -1;
}

}  // namespace tav::platform
