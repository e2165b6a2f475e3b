#include "sound/vorbis_stream.h"

#include "medialib/heap.h"
#include "sound/sound_messages.h"
#include "sound/wave_out_device.h"

namespace tav::sound {

ESL_IMPLEMENT_CLASS(VorbisSoundStream, EStreamingSound)

namespace {

// A run of holes this long is damage, not a gap: the stream ends there.
constexpr int kMaxHoles = 64;

size_t ReadCallback(void* buffer, size_t size, size_t count, void* source) {
  if (size == 0) return 0;
  return static_cast<medialib::ESLFileObject*>(source)->Read(buffer, size * count) / size;
}

int SeekCallback(void* source, ogg_int64_t offset, int origin) {
  static_cast<medialib::ESLFileObject*>(source)->Seek(offset, origin);
  return 0;
}

int CloseCallback(void*) { return 0; }

long TellCallback(void* source) {
  return static_cast<long>(static_cast<medialib::ESLFileObject*>(source)->GetPosition());
}

}  // namespace

const ov_callbacks VorbisSoundStream::kCallbacks = {ReadCallback, SeekCallback, CloseCallback, TellCallback};

VorbisSoundStream::~VorbisSoundStream() { Release(); }

void VorbisSoundStream::CloseDecoder() {
  if (decoderOpen_) ov_clear(&file_);
  decoderOpen_ = false;
}

const char* VorbisSoundStream::Open(medialib::ESLFileObject& file, int mode) {
  Release();
  std::lock_guard lock(lock_);
  medialib::ESLFileObject* source = PrepareSource(file, mode);
  if (source == nullptr || ov_open_callbacks(source, &file_, nullptr, 0, kCallbacks) != 0) {
    memoryCopy_.reset();
    return Fail(messages::kCannotOpenVorbis);
  }
  decoderOpen_ = true;
  const vorbis_info* info = ov_info(&file_, -1);
  if (info == nullptr || info->channels <= 0 || info->channels > 0xFFFF || info->rate <= 0) {
    CloseDecoder();
    memoryCopy_.reset();
    return Fail(messages::kCannotOpenVorbis);
  }
  const WaveFormat format =
      WaveFormat::Pcm(static_cast<uint32_t>(info->rate), static_cast<uint16_t>(info->channels), 16);
  format_ = format;
  loopPoint_ = 0;
  if (mode == kWhole) return DecodeWhole();
  return nullptr;
}

const char* VorbisSoundStream::DecodeWhole() {
  const ogg_int64_t total = ov_pcm_total(&file_, -1);
  const uint64_t bytes = total > 0 ? uint64_t(total) * format_->blockAlign : 0;
  const char* result = nullptr;
  if (bytes == 0 || bytes > medialib::kEslHeapMaxBlock) {
    result = Fail(messages::kNoData);
  } else {
    auto* buffer = static_cast<uint8_t*>(medialib::eslHeapAllocate(nullptr, static_cast<size_t>(bytes), 0));
    if (buffer == nullptr) {
      result = Fail(messages::kNoData);
    } else {
      data_ = {buffer, [](uint8_t* p) { medialib::eslHeapFree(nullptr, p, 0); }};
      size_t filled = 0;
      while (filled < bytes) {
        const size_t n = ReadPcm(buffer + filled, static_cast<size_t>(bytes - filled));
        if (n == 0) break;
        filled += n;
      }
      dataLength_ = filled;
      whole_ = true;
    }
  }
  CloseDecoder();
  memoryCopy_.reset();
  return result;
}

size_t VorbisSoundStream::ReadPcm(uint8_t* out, size_t bytes) {
  if (!decoderOpen_) return 0;
  const int request = static_cast<int>(std::min<size_t>(bytes, 1 << 20));
  for (int holes = 0; holes < kMaxHoles; ++holes) {
    int bitstream = 0;
    const long n = ov_read(&file_, reinterpret_cast<char*>(out), request, 0, 2, 1, &bitstream);
    if (n == OV_HOLE) continue;  // a gap in the data: skip it
    if (n <= 0) return 0;        // the end, or damage that ends the stream
    // A chained stream that changes its layout cannot go on in this one's format.
    const vorbis_info* info = ov_info(&file_, bitstream);
    if (info == nullptr || info->channels != format_->channels || uint32_t(info->rate) != format_->rate) return 0;
    return static_cast<size_t>(n);
  }
  return 0;
}

void VorbisSoundStream::ReadBlock(medialib::EStreamBuffer& block) {
  void* room = block.PutBuffer(kBlockBytes);
  if (room == nullptr) return;
  block.Commit(ReadPcm(static_cast<uint8_t*>(room), kBlockBytes));
}

void VorbisSoundStream::ReadFirstBlock(medialib::EStreamBuffer& block, uint64_t) { ReadBlock(block); }

void VorbisSoundStream::ReadNextBlock(medialib::EStreamBuffer& block, bool loop, int64_t loopPoint) {
  ReadBlock(block);
  if (block.GetLength() == 0 && loop && decoderOpen_ && ov_pcm_seek(&file_, loopPoint) == 0) ReadBlock(block);
}

}  // namespace tav::sound
