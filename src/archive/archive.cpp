// Archive construction, the load table's lifetime, primitives, strings and counts.
// Object references and collections are in object_refs.cpp.

#include "archive/archive.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <memory>
#include <new>

#include "encoding/sjis.h"
#include "encoding/utf16.h"

namespace tav::archive {

bool LoadFile(const std::string& path, std::vector<uint8_t>& bytes, std::string& error) {
  bytes.clear();
  std::error_code ec;
  if (!std::filesystem::is_regular_file(path, ec)) {
    error = path + (std::filesystem::exists(path, ec) ? ": not a regular file" : ": no such file");
    return false;
  }
  struct Closer {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };
  std::unique_ptr<std::FILE, Closer> file(std::fopen(path.c_str(), "rb"));
  if (!file) {
    error = path + ": cannot open: " + std::strerror(errno);
    return false;
  }
  try {
    uintmax_t size = std::filesystem::file_size(path, ec);
    if (!ec) bytes.reserve(static_cast<size_t>(size));
    uint8_t buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) {
      bytes.insert(bytes.end(), buffer, buffer + n);
    }
  } catch (const std::bad_alloc&) {
    bytes.clear();
    error = path + ": too large to read into memory";
    return false;
  }
  if (std::ferror(file.get())) {
    bytes.clear();
    error = path + ": read error";
    return false;
  }
  return true;
}

Archive::Archive(bool storing, std::vector<uint8_t> bytes)
    : storing_(storing), bytes_(std::move(bytes)) {
  if (!storing_) loaded_.push_back({nullptr, nullptr});
}

Archive Archive::ForWriting() { return Archive(true, {}); }

Archive Archive::ForReading(std::vector<uint8_t> bytes) { return Archive(false, std::move(bytes)); }

Archive::Archive(Archive&& other) noexcept
    : storing_(other.storing_),
      bytes_(std::move(other.bytes_)),
      position_(other.position_),
      depth_(other.depth_),
      maxDepth_(other.maxDepth_),
      nextWriteIndex_(other.nextWriteIndex_),
      writtenObjects_(std::move(other.writtenObjects_)),
      writtenClasses_(std::move(other.writtenClasses_)),
      loaded_(std::move(other.loaded_)) {
  other.loaded_.clear();
}

Archive& Archive::operator=(Archive&& other) noexcept {
  if (this != &other) {
    ReleaseLoadTable();
    storing_ = other.storing_;
    bytes_ = std::move(other.bytes_);
    position_ = other.position_;
    depth_ = other.depth_;
    maxDepth_ = other.maxDepth_;
    nextWriteIndex_ = other.nextWriteIndex_;
    writtenObjects_ = std::move(other.writtenObjects_);
    writtenClasses_ = std::move(other.writtenClasses_);
    loaded_ = std::move(other.loaded_);
    other.loaded_.clear();
  }
  return *this;
}

Archive::~Archive() { ReleaseLoadTable(); }

void Archive::ReleaseLoadTable() {
  // Newest first: an object is released before the objects it was built from.
  for (auto it = loaded_.rbegin(); it != loaded_.rend(); ++it) {
    if (it->object != nullptr) it->object->ArchiveRelease();
  }
  loaded_.clear();
}

void Archive::Fail(size_t offset, const std::string& what) {
  throw ArchiveError("archive: " + what + " at byte offset " + std::to_string(offset));
}

void Archive::RequireStoring() const {
  if (!storing_) throw ArchiveError("archive: cannot write to an archive opened for reading");
}

void Archive::RequireLoading() const {
  if (storing_) throw ArchiveError("archive: cannot read from an archive opened for writing");
}

const uint8_t* Archive::Take(size_t n) {
  RequireLoading();
  size_t remaining = bytes_.size() - position_;
  if (n > remaining) {
    Fail(position_, "truncated data: " + std::to_string(n) + " bytes needed, " +
                        std::to_string(remaining) + " left,");
  }
  const uint8_t* p = bytes_.data() + position_;
  position_ += n;
  return p;
}

void Archive::RequireRemaining(uint64_t n) {
  RequireLoading();
  uint64_t remaining = bytes_.size() - position_;
  if (n > remaining) {
    Fail(position_, "truncated data: " + std::to_string(n) + " bytes needed, " +
                        std::to_string(remaining) + " left,");
  }
}

void Archive::CheckCount(uint64_t count, uint64_t minBytesEach, size_t offset, const char* what) {
  uint64_t remaining = bytes_.size() - position_;
  if (count * minBytesEach > remaining) {
    Fail(offset, std::string("impossible ") + what + " " + std::to_string(count) +
                     " (only " + std::to_string(remaining) + " bytes left)");
  }
}

// ---- primitives -------------------------------------------------------------------------

void Archive::WriteByte(uint8_t value) {
  RequireStoring();
  bytes_.push_back(value);
}

void Archive::WriteWord(uint16_t value) {
  uint8_t b[2] = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8)};
  WriteBytes(b, sizeof b);
}

void Archive::WriteDword(uint32_t value) {
  uint8_t b[4];
  for (int i = 0; i < 4; ++i) b[i] = static_cast<uint8_t>(value >> (8 * i));
  WriteBytes(b, sizeof b);
}

void Archive::WriteLong(int32_t value) { WriteDword(static_cast<uint32_t>(value)); }

void Archive::WriteInt64(int64_t value) {
  uint64_t bits = static_cast<uint64_t>(value);
  uint8_t b[8];
  for (int i = 0; i < 8; ++i) b[i] = static_cast<uint8_t>(bits >> (8 * i));
  WriteBytes(b, sizeof b);
}

void Archive::WriteDouble(double value) {
  static_assert(sizeof(double) == 8 && std::numeric_limits<double>::is_iec559);
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  WriteInt64(static_cast<int64_t>(bits));
}

void Archive::WriteBytes(const void* data, size_t size) {
  RequireStoring();
  const uint8_t* p = static_cast<const uint8_t*>(data);
  bytes_.insert(bytes_.end(), p, p + size);
}

uint8_t Archive::ReadByte() { return *Take(1); }

uint16_t Archive::ReadWord() {
  const uint8_t* p = Take(2);
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t Archive::ReadDword() {
  const uint8_t* p = Take(4);
  uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | p[i];
  return value;
}

int32_t Archive::ReadLong() { return static_cast<int32_t>(ReadDword()); }

int64_t Archive::ReadInt64() {
  const uint8_t* p = Take(8);
  uint64_t value = 0;
  for (int i = 7; i >= 0; --i) value = (value << 8) | p[i];
  return static_cast<int64_t>(value);
}

double Archive::ReadDouble() {
  uint64_t bits = static_cast<uint64_t>(ReadInt64());
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

void Archive::ReadBytes(void* data, size_t size) {
  const uint8_t* p = Take(size);
  if (size > 0) std::memcpy(data, p, size);
}

// ---- strings and counts -----------------------------------------------------------------

void Archive::WriteString(std::string_view text) {
  size_t n = text.size();
  if (n < 0xFF) {
    WriteByte(static_cast<uint8_t>(n));
  } else if (n < 0xFFFE) {
    WriteByte(0xFF);
    WriteWord(static_cast<uint16_t>(n));
  } else {
    if (n > std::numeric_limits<uint32_t>::max()) {
      throw ArchiveError("archive: a string of " + std::to_string(n) + " bytes is too long to store");
    }
    WriteByte(0xFF);
    WriteWord(0xFFFF);
    WriteDword(static_cast<uint32_t>(n));
  }
  WriteBytes(text.data(), n);
}

// BYTE, then WORD, then DWORD, each taken when the one before holds all ones; a WORD 0xFFFE
// marks a UTF-16 string whose own length prefix follows (there 0xFFFE is an ordinary length).
uint32_t Archive::ReadStringLength(bool& utf16) {
  utf16 = false;
  uint8_t b = ReadByte();
  if (b < 0xFF) return b;
  uint16_t w = ReadWord();
  if (w == 0xFFFE) {
    utf16 = true;
    b = ReadByte();
    if (b < 0xFF) return b;
    w = ReadWord();
  }
  if (w < 0xFFFF) return w;
  return ReadDword();
}

std::string Archive::ReadString() {
  size_t offset = position_;
  bool utf16 = false;
  uint32_t length = ReadStringLength(utf16);
  if (!utf16) {
    CheckCount(length, 1, offset, "string length");
    const uint8_t* p = Take(length);
    return std::string(reinterpret_cast<const char*>(p), length);
  }
  CheckCount(length, 2, offset, "UTF-16 string length");
  const uint8_t* p = Take(size_t{length} * 2);
  // A lone surrogate becomes '?', the conversion's usual stand-in for what it cannot map.
  return platform::Utf8ToSjis(platform::Utf16ToUtf8(platform::Utf16LeUnits(p, length), U'?'));
}

void Archive::WriteCount(uint32_t count) {
  if (count < 0xFFFF) {
    WriteWord(static_cast<uint16_t>(count));
  } else {
    WriteWord(0xFFFF);
    WriteDword(count);
  }
}

uint32_t Archive::ReadCount() {
  uint16_t w = ReadWord();
  return w != 0xFFFF ? w : ReadDword();
}

}  // namespace tav::archive
