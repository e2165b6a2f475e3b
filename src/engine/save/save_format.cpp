#include "engine/save/save_format.h"

#include <array>
#include <cstring>
#include <exception>
#include <new>

#include "archive/archive.h"

namespace tav::engine {
namespace {

constexpr char kMagic[8] = {'T', 'A', 'V', 'S', 'A', 'V', 'E', 0x1A};

std::array<uint32_t, 256> MakeCrcTable() {
  std::array<uint32_t, 256> table{};
  for (uint32_t n = 0; n < 256; ++n) {
    uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}

}  // namespace

uint32_t Crc32(const uint8_t* data, size_t size) {
  static const std::array<uint32_t, 256> table = MakeCrcTable();
  uint32_t crc = 0xFFFFFFFFu;
  for (size_t i = 0; i < size; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return crc ^ 0xFFFFFFFFu;
}

std::vector<uint8_t> WrapSavePayload(const std::vector<uint8_t>& payload, const std::string& gameName,
                                     uint16_t version) {
  archive::Archive header = archive::Archive::ForWriting();
  header.WriteBytes(kMagic, sizeof kMagic);
  header.WriteWord(version);
  header.WriteString(TAV_VERSION);
  header.WriteString(gameName);
  header.WriteDword(static_cast<uint32_t>(payload.size()));
  header.WriteDword(Crc32(payload.data(), payload.size()));
  std::vector<uint8_t> bytes = header.Bytes();
  bytes.insert(bytes.end(), payload.begin(), payload.end());
  return bytes;
}

bool EncodeSave(script::TOL_Var* value, const SaveContext& context, std::vector<uint8_t>& bytes,
                std::string& error) {
  try {
    archive::Archive payload = archive::Archive::ForWriting();
    WriteSaveGraph(payload, value, context);
    if (payload.Bytes().size() > 0xFFFFFFFFu) {
      error = "the value is too large to save";
      return false;
    }
    bytes = WrapSavePayload(payload.Bytes(), context.gameName);
    return true;
  } catch (const archive::ArchiveError& e) {
    error = e.what();
  } catch (const std::bad_alloc&) {
    error = "out of memory while storing the value";
  }
  return false;
}

script::VarRef DecodeSave(std::vector<uint8_t> bytes, const SaveContext& context, std::string& error,
                          std::vector<std::string>& warnings) {
  try {
    if (bytes.size() < sizeof kMagic || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0) {
      error = "not a saved game (no TAVSAVE signature)";
      return nullptr;
    }
    archive::Archive ar = archive::Archive::ForReading(std::move(bytes));
    char magic[sizeof kMagic];
    ar.ReadBytes(magic, sizeof magic);
    const uint16_t version = ar.ReadWord();
    const std::string engine = ar.ReadString();
    if (version == 0 || version > kSaveFormatVersion) {
      error = "save format " + std::to_string(version) + " (written by TAV " + engine +
              ") is newer than this TAV reads (" + std::to_string(kSaveFormatVersion) + ")";
      return nullptr;
    }
    const std::string game = ar.ReadString();
    if (game != context.gameName) {
      error = "saved by the game \"" + game + "\", not by \"" + context.gameName + "\"";
      return nullptr;
    }
    const uint32_t length = ar.ReadDword();
    const uint32_t crc = ar.ReadDword();
    const size_t start = ar.Position();
    const size_t remaining = ar.Bytes().size() - start;
    if (remaining != length) {
      error = remaining < length ? "truncated: " + std::to_string(remaining) + " of " + std::to_string(length) +
                                       " payload bytes are present"
                                 : std::to_string(remaining - length) + " stray bytes after the payload";
      return nullptr;
    }
    if (Crc32(ar.Bytes().data() + start, length) != crc) {
      error = "the checksum does not match: the file is damaged";
      return nullptr;
    }
    script::VarRef value = ReadSaveGraph(ar, context, warnings);
    if (!ar.AtEnd()) {
      error = "unread bytes after the value at byte " + std::to_string(ar.Position());
      return nullptr;
    }
    if (!value) error = "the save holds no value";
    return value;
  } catch (const archive::ArchiveError& e) {
    error = e.what();
  } catch (const std::bad_alloc&) {
    error = "out of memory while reading";
  }
  return nullptr;
}

}  // namespace tav::engine
