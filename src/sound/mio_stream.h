#pragma once

// `MIOSoundStream`: an MIO file played through the library's MIO player, one decoded packet per
// block. A looping stream starts again at its loop point: the "rewind-point" of the file's
// description, unless Play names a start point.

#include "medialib/mio_player.h"
#include "sound/stream_sound.h"

namespace tav::sound {

class MIOSoundStream : public EStreamingSound {
  ESL_DECLARE_CLASS(MIOSoundStream)

 public:
  MIOSoundStream() = default;
  ~MIOSoundStream() override;

  // Null on success, else the message.
  const char* Open(medialib::ESLFileObject& file, int mode);

 protected:
  void ReadFirstBlock(medialib::EStreamBuffer& block, uint64_t startPosition) override;
  void ReadNextBlock(medialib::EStreamBuffer& block, bool loop, int64_t loopPoint) override;
  void CloseDecoder() override;

 private:
  void CopyFrom(medialib::EStreamBuffer& block, uint64_t sample);
  const char* DecodeWhole();

  medialib::MIODynamicPlayer player_;
  bool playerOpen_ = false;
};

}  // namespace tav::sound
