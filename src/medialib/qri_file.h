#pragma once

// The reader of the library's chunked container (a QRI file): the 64-byte file header, nested
// chunks with reads clipped to the open chunk, the "Header  " sub-chunks with their presence
// flags, and the "Stream  " chunk that holds the data packets. Works on any ESLFileObject; the
// file is not owned and must stay open while the reader uses it.
//
// Every length read from the file is clipped to the chunk (and file) around it before anything
// is read or allocated for it, so a damaged file can only fail, never ask for absurd memory.

#include <cstdint>
#include <string>
#include <vector>

#include "medialib/esl_object.h"
#include "medialib/esl_string.h"
#include "medialib/file_object.h"
#include "medialib/mio_format.h"

namespace tav::medialib {

class QRIFile : public ESLObject {
  ESL_DECLARE_CLASS(QRIFile)

 public:
  struct Chunk {
    char id[8];
    uint64_t start;   // first byte of the contents
    uint64_t length;  // contents bytes (clipped to the enclosing chunk)
  };

  // Reads the file header and the "Header  " chunk and leaves the reader inside "Stream  ".
  // Answers null or a message naming what was wrong.
  const char* Open(ESLFileObject* file);
  void Close();
  bool IsOpen() const { return file_ != nullptr; }

  // Finds the next chunk (with this id, or any when id is null) inside the current one, from the
  // current position, and enters it. False when there is none (the position is then the end of
  // the current chunk) or the chunk header is malformed.
  bool DescendChunk(const char* id = nullptr);
  // Leaves the current chunk: the position becomes its end.
  void AscendChunk();
  const Chunk* CurrentChunk() const { return stack_.empty() ? nullptr : &stack_.back(); }
  size_t ChunkDepth() const { return stack_.size(); }
  // Reads inside the current chunk; never past its end.
  size_t Read(void* buffer, size_t bytes);
  uint64_t Position();
  // Moves inside the current chunk (clamped to it).
  void SeekTo(uint64_t position);

  uint32_t PresenceFlags() const { return presence_; }
  uint32_t FileVersion() const { return fileVersion_; }
  const MIOInfoHeader& SoundInfo() const { return soundInfo_; }
  bool HasByteCoderMark() const { return byteCoderMark_; }
  const EWideString& Description() const { return description_; }
  const EWideString& Copyright() const { return copyright_; }
  const std::vector<uint64_t>& Sequence() const { return sequence_; }
  // Position of the "Stream  " chunk's contents.
  uint64_t StreamStart() const { return streamStart_; }

 protected:
  ESLFileObject* File() const { return file_; }

 private:
  const char* ReadHeaderChunks();
  bool ReadText(EWideString& text);

  ESLFileObject* file_ = nullptr;
  uint64_t fileLength_ = 0;
  std::vector<Chunk> stack_;
  uint32_t presence_ = 0;
  uint32_t fileVersion_ = 0;
  MIOInfoHeader soundInfo_;
  bool byteCoderMark_ = false;
  EWideString description_;
  EWideString copyright_;
  std::vector<uint64_t> sequence_;
  uint64_t streamStart_ = 0;
};

// Little-endian words out of a byte buffer.
inline uint32_t LoadLE32(const uint8_t* p) {
  return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}
inline uint64_t LoadLE64(const uint8_t* p) { return LoadLE32(p) | uint64_t{LoadLE32(p + 4)} << 32; }

}  // namespace tav::medialib
