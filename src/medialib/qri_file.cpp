#include "medialib/qri_file.h"

#include <algorithm>
#include <cstring>

namespace tav::medialib {

ESL_IMPLEMENT_CLASS(QRIFile, ESLObject)

namespace {

constexpr uint8_t kMagic[8] = {'Q', 'o', 'r', 'i', 'n', 0x1A, 0, 0};
constexpr size_t kFileHeaderBytes = 64;
constexpr size_t kChunkHeaderBytes = 16;
constexpr size_t kFileHdrBytes = 20;
constexpr size_t kImageInfoBytes = 68;
constexpr uint64_t kToTheEnd = ~uint64_t{0};
// Texts are descriptions and notices; anything longer is not read beyond this.
constexpr uint64_t kMaxTextBytes = 1u << 20;

bool IdIs(const char id[8], const char* name) { return memcmp(id, name, 8) == 0; }

}  // namespace

const char* QRIFile::Open(ESLFileObject* file) {
  Close();
  if (file == nullptr) return mio_messages::kBadFileHeader;
  file_ = file;
  fileLength_ = file->GetLength();
  file->Seek(0, ESLFileObject::kFromBegin);
  uint8_t header[kFileHeaderBytes];
  if (file->Read(header, kFileHeaderBytes) != kFileHeaderBytes ||
      memcmp(header, kMagic, sizeof(kMagic)) != 0 || LoadLE32(header + 12) != 0) {
    Close();
    return mio_messages::kBadFileHeader;
  }
  // The whole file after its header acts as the outermost chunk.
  stack_.push_back({{'Q', 'R', 'I', ' ', 'f', 'i', 'l', 'e'}, kFileHeaderBytes,
                    fileLength_ - kFileHeaderBytes});
  if (const char* error = ReadHeaderChunks()) {
    Close();
    return error;
  }
  if (!DescendChunk("Stream  ")) {
    Close();
    return mio_messages::kNoStream;
  }
  streamStart_ = stack_.back().start;
  return nullptr;
}

void QRIFile::Close() {
  file_ = nullptr;
  fileLength_ = 0;
  stack_.clear();
  presence_ = 0;
  fileVersion_ = 0;
  soundInfo_ = {};
  byteCoderMark_ = false;
  description_.Clear();
  copyright_.Clear();
  sequence_.clear();
  streamStart_ = 0;
}

const char* QRIFile::ReadHeaderChunks() {
  if (!DescendChunk("Header  ")) return mio_messages::kBadFileHeader;
  while (DescendChunk()) {
    const Chunk& chunk = stack_.back();
    uint8_t buffer[kImageInfoBytes];
    if (IdIs(chunk.id, "FileHdr ")) {
      if (Read(buffer, kFileHdrBytes) != kFileHdrBytes) return mio_messages::kBadFileHeader;
      fileVersion_ = LoadLE32(buffer);
      if (fileVersion_ > kQRIMaxVersion) return mio_messages::kBadVersion;
      presence_ |= kQRIHasFileHeader;
    } else if (IdIs(chunk.id, "PrevwInf") || IdIs(chunk.id, "ImageInf")) {
      if (Read(buffer, kImageInfoBytes) != kImageInfoBytes) return mio_messages::kBadFileHeader;
      presence_ |= IdIs(chunk.id, "PrevwInf") ? kQRIHasPreviewInfo : kQRIHasImageInfo;
    } else if (IdIs(chunk.id, "SoundInf")) {
      if (Read(buffer, kMIOInfoHeaderBytes) != kMIOInfoHeaderBytes) {
        return mio_messages::kBadFileHeader;
      }
      uint32_t w[10];
      for (int i = 0; i < 10; ++i) w[i] = LoadLE32(buffer + 4 * i);
      soundInfo_ = {w[0], w[1], static_cast<int32_t>(w[2]), w[3], w[4],
                    w[5], w[6], w[7], w[8], w[9]};
      presence_ |= kQRIHasSoundInfo;
    } else if (IdIs(chunk.id, "Sequence")) {
      uint64_t count = std::min(chunk.length, kMaxTextBytes) / 8;
      sequence_.clear();
      for (uint64_t i = 0; i < count; ++i) {
        if (Read(buffer, 8) != 8) break;
        sequence_.push_back(LoadLE64(buffer));
      }
      presence_ |= kQRIHasSequence;
    } else if (IdIs(chunk.id, "cpyright")) {
      if (ReadText(copyright_)) presence_ |= kQRIHasCopyright;
    } else if (IdIs(chunk.id, "descript")) {
      if (ReadText(description_)) presence_ |= kQRIHasDescription;
    } else if (IdIs(chunk.id, kByteCoderChunkId)) {
      byteCoderMark_ = Read(buffer, 12) == 12 && memcmp(buffer, kByteCoderName, 8) == 0 &&
                       LoadLE32(buffer + 8) == kByteCoderVersion;
    }
    AscendChunk();
  }
  AscendChunk();
  if ((presence_ & kQRIHasFileHeader) == 0) return mio_messages::kBadFileHeader;
  if ((presence_ & (kQRIHasImageInfo | kQRIHasSoundInfo)) == 0) return mio_messages::kNoImageInfo;
  return nullptr;
}

// A text chunk: FF FE and UTF-16, otherwise Shift-JIS.
bool QRIFile::ReadText(EWideString& text) {
  size_t length = static_cast<size_t>(std::min(stack_.back().length, kMaxTextBytes));
  std::string bytes(length, '\0');
  bytes.resize(Read(bytes.data(), length));
  if (bytes.size() >= 2 && static_cast<uint8_t>(bytes[0]) == 0xFF &&
      static_cast<uint8_t>(bytes[1]) == 0xFE) {
    std::u16string wide((bytes.size() - 2) / 2, u'\0');
    for (size_t i = 0; i < wide.size(); ++i) {
      wide[i] = static_cast<char16_t>(static_cast<uint8_t>(bytes[2 + 2 * i]) |
                                      static_cast<uint8_t>(bytes[3 + 2 * i]) << 8);
    }
    return text.Assign(wide);
  }
  text = EWideString::FromSjis(bytes);
  return true;
}

bool QRIFile::DescendChunk(const char* id) {
  if (file_ == nullptr || stack_.empty()) return false;
  const Chunk parent = stack_.back();
  uint64_t end = parent.start + parent.length;
  for (;;) {
    uint64_t position = file_->GetPosition();
    if (position < parent.start || position > end || end - position < kChunkHeaderBytes) {
      SeekTo(end);
      return false;
    }
    uint8_t header[kChunkHeaderBytes];
    if (file_->Read(header, kChunkHeaderBytes) != kChunkHeaderBytes) return false;
    uint64_t length = LoadLE64(header + 8);
    uint64_t start = position + kChunkHeaderBytes;
    if (length == kToTheEnd) {
      length = end - start;
    } else if ((length >> 32) != 0) {
      SeekTo(end);
      return false;  // a length no chunk of this format can have
    }
    length = std::min(length, end - start);
    Chunk chunk;
    memcpy(chunk.id, header, 8);
    chunk.start = start;
    chunk.length = length;
    if (id == nullptr || IdIs(chunk.id, id)) {
      stack_.push_back(chunk);
      return true;
    }
    file_->Seek(static_cast<int64_t>(start + length), ESLFileObject::kFromBegin);
  }
}

void QRIFile::AscendChunk() {
  if (stack_.size() <= 1) return;  // the outermost "chunk" is the file itself
  Chunk chunk = stack_.back();
  stack_.pop_back();
  file_->Seek(static_cast<int64_t>(chunk.start + chunk.length), ESLFileObject::kFromBegin);
}

size_t QRIFile::Read(void* buffer, size_t bytes) {
  if (file_ == nullptr || stack_.empty()) return 0;
  const Chunk& chunk = stack_.back();
  uint64_t position = file_->GetPosition();
  uint64_t end = chunk.start + chunk.length;
  if (position < chunk.start || position >= end) return 0;
  return file_->Read(buffer, static_cast<size_t>(std::min<uint64_t>(bytes, end - position)));
}

uint64_t QRIFile::Position() { return file_ != nullptr ? file_->GetPosition() : 0; }

void QRIFile::SeekTo(uint64_t position) {
  if (file_ == nullptr || stack_.empty()) return;
  const Chunk& chunk = stack_.back();
  position = std::clamp(position, chunk.start, chunk.start + chunk.length);
  file_->Seek(static_cast<int64_t>(position), ESLFileObject::kFromBegin);
}

}  // namespace tav::medialib
