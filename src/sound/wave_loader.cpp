// LoadWave: the RIFF/WAVE reader. Chunks before "fmt " and between "fmt " and "data" are skipped
// by exactly their stated size; nothing after "data" is read. Sizes are checked against what the
// file holds before anything is allocated, so a lying header is a failed read, not a huge buffer.
#include <cstring>
#include <vector>

#include "medialib/heap.h"
#include "sound/sound_messages.h"
#include "sound/wave_out_device.h"
#include "sound/wave_sound.h"

namespace tav::sound {
namespace {

uint32_t Get32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t{p[3]} << 24; }

// Reads chunk headers until `id`; its size, or nothing when a header is cut short.
std::optional<uint32_t> FindChunk(medialib::ESLFileObject& file, const char* id) {
  for (;;) {
    uint8_t header[8];
    if (file.Read(header, 8) != 8) return std::nullopt;
    const uint32_t size = Get32(header + 4);
    if (std::memcmp(header, id, 4) == 0) return size;
    const uint64_t before = file.GetPosition();
    if (file.Seek(size, medialib::ESLFileObject::kFromCurrent) != before + size) return std::nullopt;
  }
}

bool FileHolds(medialib::ESLFileObject& file, uint64_t bytes) {
  const uint64_t length = file.GetLength(), at = file.GetPosition();
  return at <= length && length - at >= bytes;
}

}  // namespace

const char* EWaveSound::LoadWave(medialib::ESLFileObject& file) {
  Release();
  std::lock_guard lock(lock_);
  uint8_t riff[12];
  if (file.Read(riff, 12) != 12) return Fail(messages::kCannotReadHeader);
  if (std::memcmp(riff, "RIFF", 4) != 0 || std::memcmp(riff + 8, "WAVE", 4) != 0) {
    return Fail(messages::kInvalidHeader);
  }
  const std::optional<uint32_t> formatSize = FindChunk(file, "fmt ");
  if (!formatSize) return Fail(messages::kInvalidHeader);
  if (!FileHolds(file, *formatSize)) return Fail(messages::kCannotReadFormat);
  std::vector<uint8_t> formatBytes(*formatSize);
  if (file.Read(formatBytes.data(), formatBytes.size()) != formatBytes.size()) return Fail(messages::kCannotReadFormat);
  // A record under 16 bytes has no rate or sample size to play it by.
  const std::optional<WaveFormat> format = WaveFormat::Parse(formatBytes.data(), formatBytes.size());
  if (!format) return Fail(messages::kCannotReadFormat);

  const std::optional<uint32_t> dataSize = FindChunk(file, "data");
  if (!dataSize) return Fail(messages::kInvalidDataHeader);
  if (!FileHolds(file, *dataSize)) return Fail(messages::kCannotReadData);
  auto* data = static_cast<uint8_t*>(medialib::eslHeapAllocate(nullptr, *dataSize, 0));
  if (data == nullptr) return Fail(messages::kCannotReadData);
  data_ = {data, [](uint8_t* p) { medialib::eslHeapFree(nullptr, p, 0); }};
  if (file.Read(data, *dataSize) != *dataSize) {
    ReleaseData();
    return Fail(messages::kCannotReadData);
  }
  dataLength_ = *dataSize;
  format_ = *format;
  return nullptr;
}

}  // namespace tav::sound
