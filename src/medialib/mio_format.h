#pragma once

// The MIO sound format inside the library's chunked container: the records the container holds,
// the codec numbers, and the messages the reader, the decoder and the player answer with.

#include <cstddef>
#include <cstdint>

namespace tav::medialib {

// The 40 bytes of the "SoundInf" chunk, all little-endian 32-bit words.
struct MIOInfoHeader {
  uint32_t version = 0;
  uint32_t transformation = 0;  // codec
  int32_t architecture = 0;     // entropy coder
  uint32_t channelCount = 0;
  uint32_t samplesPerSec = 0;
  uint32_t blocksetCount = 0;
  uint32_t subbandDegree = 0;
  uint32_t allSampleCount = 0;  // per channel
  uint32_t lappedDegree = 0;
  uint32_t bitsPerSample = 0;
};
inline constexpr size_t kMIOInfoHeaderBytes = 40;

// The 8-byte header of a sound packet ("SoundStm" contents).
struct MIODataHeader {
  uint8_t version = 0;
  uint8_t flags = 0;            // bit 0: key packet
  uint8_t reserved1 = 0;
  uint8_t reserved2 = 0;
  uint32_t sampleCount = 0;     // per channel
};
inline constexpr size_t kMIODataHeaderBytes = 8;
inline constexpr uint8_t kMIOKeyPacket = 0x01;

inline constexpr uint32_t kMIOTransformLossless = 0x03020000;
inline constexpr uint32_t kMIOTransformLot = 5;
inline constexpr uint32_t kMIOTransformLotStereo = 0x105;
inline constexpr int32_t kMIOArchitectureByteCoder = -4;
inline constexpr uint32_t kQRIFileTypeId = 0x03000100;
inline constexpr uint32_t kQRIMaxVersion = 0x00020100;

// The largest packet this reader accepts, per channel. Packet sizes come from the file, so they
// are checked before anything is allocated for them.
inline constexpr uint32_t kMIOMaxPacketSamples = 1u << 20;

// The mark that says a lossless stream was coded by our order-1 byte coder (docs/mio.md): a
// "ByteCodr" sub-chunk of "Header  " holding these 8 bytes and a 32-bit version.
inline constexpr char kByteCoderChunkId[] = "ByteCodr";
inline constexpr char kByteCoderName[] = "TAV-O1RC";
inline constexpr uint32_t kByteCoderVersion = 1;

// Presence flags of the header sub-chunks.
inline constexpr uint32_t kQRIHasFileHeader = 0x01;
inline constexpr uint32_t kQRIHasPreviewInfo = 0x02;
inline constexpr uint32_t kQRIHasImageInfo = 0x04;
inline constexpr uint32_t kQRIHasSoundInfo = 0x08;
inline constexpr uint32_t kQRIHasCopyright = 0x10;
inline constexpr uint32_t kQRIHasDescription = 0x20;
inline constexpr uint32_t kQRIHasPalette = 0x40;
inline constexpr uint32_t kQRIHasSequence = 0x80;

namespace mio_messages {
// The container reader.
inline constexpr const char* kBadFileHeader = "QRI ファイルヘッダを読み込めませんでした。";
inline constexpr const char* kBadVersion = "QRI ファイルバージョンが不正です。";
inline constexpr const char* kNoImageInfo = "画像情報ヘッダが見つかりませんでした。";
inline constexpr const char* kNoStream = "QRI ファイルにストリームがありません。";
// The player.
inline constexpr const char* kCannotOpen = "QRI ファイルを開けませんでした。";
inline constexpr const char* kNoSoundInfo = "ファイルに音声情報が含まれていません。";
inline constexpr const char* kDecoderInit = "MIO デコーダの初期化に失敗しました。";
inline constexpr const char* kNoPacket = "MIO ストリームからパケットを読み込めませんでした。";
}  // namespace mio_messages

}  // namespace tav::medialib
