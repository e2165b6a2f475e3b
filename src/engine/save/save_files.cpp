#include "engine/save/save_files.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tav::engine {
namespace {

namespace fs = std::filesystem;

constexpr uint64_t kMaxSaveFileBytes = 256u << 20;

std::string Why(int error) { return std::strerror(error); }

// Closes a descriptor on every path out.
class FileDescriptor {
 public:
  explicit FileDescriptor(int fd) : fd_(fd) {}
  ~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  int Get() const { return fd_; }
  // The result of close(), which for some file systems is where a write error shows.
  bool Close() {
    int fd = fd_;
    fd_ = -1;
    return ::close(fd) == 0;
  }

 private:
  int fd_;
};

// A file over the size limit would otherwise end the game with SIGXFSZ instead of failing the
// write with EFBIG; a game that set its own handler keeps it.
void IgnoreFileSizeSignal() {
  static const bool done = [] {
    struct sigaction current {};
    if (::sigaction(SIGXFSZ, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) {
      ::signal(SIGXFSZ, SIG_IGN);
    }
    return true;
  }();
  (void)done;
}

bool WriteAll(int fd, const uint8_t* data, size_t size, std::string& error) {
  while (size > 0) {
    ssize_t n = ::write(fd, data, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = Why(errno);
      return false;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

// Makes renames and removals in the folder survive a power cut.
void SyncFolder(const fs::path& folder) {
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// A complete, flushed copy of `from` at `to` (which must not exist).
bool CopyFlushed(const fs::path& from, const fs::path& to, std::string& error) {
  std::vector<uint8_t> bytes;
  bool missing = false;
  if (!ReadSaveFile(from, bytes, error, missing)) return false;
  FileDescriptor fd(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
  if (fd.Get() < 0) {
    error = Why(errno);
    return false;
  }
  if (!WriteAll(fd.Get(), bytes.data(), bytes.size(), error) || ::fsync(fd.Get()) != 0 || !fd.Close()) {
    if (error.empty()) error = Why(errno);
    ::unlink(to.c_str());
    return false;
  }
  return true;
}

// The current save becomes the backup: linked (or copied) to a temporary name first, then
// renamed over the old backup, so the old backup stays until the new one is complete.
bool KeepAsBackup(const SavePaths& paths, const std::string& stem, std::string& error) {
  const fs::path pending = paths.save.parent_path() / (stem + ".sav.bak.tmp");
  ::unlink(pending.c_str());
  if (::link(paths.save.c_str(), pending.c_str()) != 0 && !CopyFlushed(paths.save, pending, error)) return false;
  const bool renamed = ::rename(pending.c_str(), paths.backup.c_str()) == 0;
  if (!renamed) error = Why(errno);
  // Also after a rename that succeeded: when the backup already was this very file (a save
  // killed between making the backup and replacing the save), rename leaves both names.
  ::unlink(pending.c_str());
  return renamed;
}

// Temporary files that a killed or crashed save left behind. Only one game writes a folder's
// saves at a time, so any such file of this name is stale.
void RemoveStaleTemporaries(const fs::path& folder, const std::string& stem) {
  const std::string prefix = stem + ".sav.tmp";
  std::error_code ec;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder, ec)) {
    const std::string name = entry.path().filename().string();
    if (name.size() == prefix.size() + 6 && name.compare(0, prefix.size(), prefix) == 0) {
      fs::remove(entry.path(), ec);
    }
  }
}

}  // namespace

SavePaths SaveFilePaths(const fs::path& folder, const std::string& stem) {
  return SavePaths{folder / (stem + ".sav"), folder / (stem + ".sav.bak")};
}

bool WriteSaveFile(const fs::path& folder, const std::string& stem, const std::vector<uint8_t>& bytes,
                   std::string& error, std::string& warning) {
  IgnoreFileSizeSignal();
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec) {
    error = "cannot create the save folder: " + ec.message();
    return false;
  }
  RemoveStaleTemporaries(folder, stem);
  const SavePaths paths = SaveFilePaths(folder, stem);

  std::string temporary = (folder / (stem + ".sav.tmpXXXXXX")).string();
  FileDescriptor fd(::mkostemp(temporary.data(), O_CLOEXEC));
  if (fd.Get() < 0) {
    error = "cannot create a file in the save folder: " + Why(errno);
    return false;
  }
  auto fail = [&](const std::string& what) {
    error = what;
    ::unlink(temporary.c_str());
    return false;
  };
  std::string why;
  if (!WriteAll(fd.Get(), bytes.data(), bytes.size(), why)) return fail("cannot write the save: " + why);
  if (::fsync(fd.Get()) != 0) return fail("cannot flush the save to the disk: " + Why(errno));
  if (!fd.Close()) return fail("cannot finish writing the save: " + Why(errno));

  if (fs::exists(paths.save, ec) && !KeepAsBackup(paths, stem, why)) {
    warning = "the previous save could not be kept as " + paths.backup.filename().string() + ": " + why;
  }
  if (::rename(temporary.c_str(), paths.save.c_str()) != 0) return fail("cannot replace the save: " + Why(errno));
  SyncFolder(folder);
  return true;
}

bool ReadSaveFile(const fs::path& path, std::vector<uint8_t>& bytes, std::string& error, bool& missing) {
  missing = false;
  FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (fd.Get() < 0) {
    missing = errno == ENOENT;
    error = missing ? "does not exist" : "cannot be opened: " + Why(errno);
    return false;
  }
  struct stat info {};
  if (::fstat(fd.Get(), &info) != 0 || !S_ISREG(info.st_mode)) {
    error = "is not a regular file";
    return false;
  }
  if (static_cast<uint64_t>(info.st_size) > kMaxSaveFileBytes) {
    error = "is larger than any save (" + std::to_string(info.st_size) + " bytes)";
    return false;
  }
  bytes.clear();
  bytes.reserve(static_cast<size_t>(info.st_size));
  uint8_t buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd.Get(), buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      error = "cannot be read: " + Why(errno);
      return false;
    }
    if (n == 0) break;
    if (bytes.size() + static_cast<size_t>(n) > kMaxSaveFileBytes) {
      error = "is larger than any save";
      return false;
    }
    bytes.insert(bytes.end(), buffer, buffer + n);
  }
  return true;
}

bool SaveFileExists(const fs::path& folder, const std::string& stem) {
  const SavePaths paths = SaveFilePaths(folder, stem);
  std::error_code ec;
  return fs::is_regular_file(paths.save, ec) || fs::is_regular_file(paths.backup, ec);
}

bool DeleteSaveFiles(const fs::path& folder, const std::string& stem, std::string& error) {
  const SavePaths paths = SaveFilePaths(folder, stem);
  bool removed = false;
  // The backup first: a failure then leaves the save itself in place.
  for (const fs::path& path : {paths.backup, paths.save}) {
    if (::unlink(path.c_str()) == 0) {
      removed = true;
    } else if (errno != ENOENT) {
      error = "cannot remove " + path.string() + ": " + Why(errno);
      return false;
    }
  }
  if (removed) SyncFolder(folder);
  return removed;
}

}  // namespace tav::engine
