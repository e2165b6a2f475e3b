#pragma once

// `VorbisSoundStream`: Ogg Vorbis decoded with libvorbisfile through the library's file objects,
// in blocks of at most 4096 bytes of 16-bit little-endian PCM.

#include <vorbis/vorbisfile.h>

#include "sound/stream_sound.h"

namespace tav::sound {

class VorbisSoundStream : public EStreamingSound {
  ESL_DECLARE_CLASS(VorbisSoundStream)

 public:
  static constexpr size_t kBlockBytes = 4096;

  VorbisSoundStream() = default;
  ~VorbisSoundStream() override;

  // Null on success, else the message.
  const char* Open(medialib::ESLFileObject& file, int mode);

  // The callbacks libvorbisfile reads through; the data source is an ESLFileObject.
  static const ov_callbacks kCallbacks;

 protected:
  void ReadFirstBlock(medialib::EStreamBuffer& block, uint64_t startPosition) override;
  void ReadNextBlock(medialib::EStreamBuffer& block, bool loop, int64_t loopPoint) override;
  void CloseDecoder() override;

 private:
  // Up to `bytes` bytes of PCM; 0 at the end (or on an error that ends the stream).
  size_t ReadPcm(uint8_t* out, size_t bytes);
  void ReadBlock(medialib::EStreamBuffer& block);
  const char* DecodeWhole();

  OggVorbis_File file_{};
  bool decoderOpen_ = false;
};

}  // namespace tav::sound
