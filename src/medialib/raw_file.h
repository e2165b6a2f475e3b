#pragma once

// `ERawFile`: a file on disk behind the library's file interface. Paths are the game's own
// ("config\music\a.mio", Shift-JIS): when a game-path resolver is installed they go through it
// (exact, case-blind, then as UTF-8, as for every file the engine opens); without one (tools,
// tests) the path is used as it is.

#include <string>
#include <string_view>

#include "medialib/file_object.h"

namespace tav::platform {
class GamePathResolver;
}

namespace tav::medialib {

class ERawFile : public ESLFileObject {
  ESL_DECLARE_CLASS(ERawFile)

 public:
  ERawFile() = default;
  ERawFile(const ERawFile&) = delete;
  ERawFile& operator=(const ERawFile&) = delete;
  ~ERawFile() override;

  // The resolver every later Open goes through; null: paths are used as they are.
  static void SetGamePathResolver(platform::GamePathResolver* resolver);

  // Why a file could not be opened for reading, for diagnostics: "not found", "a folder, not a
  // file" or "unreadable (REASON)"; empty when it can be read.
  static std::string WhyNotReadable(std::string_view path);

  // 0 on success, 1 on failure (the object is then closed and its flags 0). Closes first.
  int Open(std::string_view path, uint32_t flags);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }
  // The absolute path of the open file.
  const std::string& GetFilePath() const { return fullPath_; }

  std::unique_ptr<ESLFileObject> Duplicate() override;
  size_t Read(void* buffer, size_t bytes) override;
  size_t Write(const void* data, size_t bytes) override;
  uint64_t GetLength() override;
  uint64_t Seek(int64_t offset, int origin) override;
  uint64_t GetPosition() override;
  bool SetEndOfFile() override;

 private:
  int OpenReal(const std::string& realPath, uint32_t flags);

  int fd_ = -1;
  std::string fullPath_;
};

}  // namespace tav::medialib
