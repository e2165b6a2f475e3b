#include "medialib/raw_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>

#include "platform/game_path.h"

namespace tav::medialib {

ESL_IMPLEMENT_CLASS(ESLFileObject, ESLObject)
ESL_IMPLEMENT_CLASS(ERawFile, ESLFileObject)

namespace {
std::atomic<platform::GamePathResolver*> g_resolver{nullptr};
}  // namespace

ERawFile::~ERawFile() { Close(); }

void ERawFile::SetGamePathResolver(platform::GamePathResolver* resolver) { g_resolver = resolver; }

int ERawFile::Open(std::string_view path, uint32_t flags) {
  std::lock_guard lock(lock_);
  Close();
  std::optional<std::string> real;
  if (platform::GamePathResolver* resolver = g_resolver.load()) {
    real = (flags & kCreate) != 0 ? resolver->ResolveForCreate(path) : resolver->Resolve(path);
  } else {
    real = std::string(path);
  }
  if (!real) return 1;
  return OpenReal(*real, flags);
}

std::string ERawFile::WhyNotReadable(std::string_view path) {
  std::optional<std::string> real;
  if (platform::GamePathResolver* resolver = g_resolver.load()) {
    real = resolver->Resolve(path);
  } else {
    real = std::string(path);
  }
  struct stat info {};
  if (!real || ::stat(real->c_str(), &info) != 0) return "not found";
  if (S_ISDIR(info.st_mode)) return "a folder, not a file";
  const int fd = ::open(real->c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::string("unreadable (") + std::strerror(errno) + ")";
  ::close(fd);
  return {};
}

int ERawFile::OpenReal(const std::string& realPath, uint32_t flags) {
  // Share modes have no counterpart in POSIX files: other openers are never locked out.
  int mode = (flags & kWrite) == 0 ? O_RDONLY : (flags & kRead) != 0 ? O_RDWR : O_WRONLY;
  if ((flags & kCreate) != 0) mode |= O_CREAT | O_TRUNC;
  int fd = ::open(realPath.c_str(), mode | O_CLOEXEC, 0666);
  if (fd < 0) return 1;
  struct stat info {};
  if (fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {  // a folder is no sound file
    ::close(fd);
    return 1;
  }
  fd_ = fd;
  flags_ = flags;
  std::error_code error;
  std::filesystem::path absolute = std::filesystem::absolute(realPath, error);
  fullPath_ = error ? realPath : absolute.lexically_normal().string();
  return 0;
}

void ERawFile::Close() {
  std::lock_guard lock(lock_);
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  flags_ = 0;
  fullPath_.clear();
}

std::unique_ptr<ESLFileObject> ERawFile::Duplicate() {
  std::lock_guard lock(lock_);
  if (fd_ < 0) return nullptr;
  auto copy = std::make_unique<ERawFile>();
  if ((flags_ & kRead) != 0) {
    // Reopened by path: the copy has a position of its own. Never re-created (that would empty
    // the file under the first object).
    if (copy->OpenReal(fullPath_, flags_ & ~kCreate) != 0) return nullptr;
    copy->flags_ = flags_;
    return copy;
  }
  int fd = fcntl(fd_, F_DUPFD_CLOEXEC, 0);  // shares the position, like a duplicated handle
  if (fd < 0) return nullptr;
  copy->fd_ = fd;
  copy->flags_ = flags_;
  copy->fullPath_ = fullPath_;
  return copy;
}

size_t ERawFile::Read(void* buffer, size_t bytes) {
  std::lock_guard lock(lock_);
  size_t done = 0;
  while (fd_ >= 0 && done < bytes) {
    ssize_t got = ::read(fd_, static_cast<char*>(buffer) + done, bytes - done);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    done += static_cast<size_t>(got);
  }
  return done;
}

size_t ERawFile::Write(const void* data, size_t bytes) {
  std::lock_guard lock(lock_);
  size_t done = 0;
  while (fd_ >= 0 && done < bytes) {
    ssize_t put = ::write(fd_, static_cast<const char*>(data) + done, bytes - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) break;
    done += static_cast<size_t>(put);
  }
  return done;
}

uint64_t ERawFile::GetLength() {
  std::lock_guard lock(lock_);
  struct stat info {};
  if (fd_ < 0 || fstat(fd_, &info) != 0) return 0;
  return static_cast<uint64_t>(info.st_size);
}

uint64_t ERawFile::Seek(int64_t offset, int origin) {
  std::lock_guard lock(lock_);
  if (fd_ < 0) return 0;
  int whence = origin == kFromCurrent ? SEEK_CUR : origin == kFromEnd ? SEEK_END : SEEK_SET;
  off_t position = lseek(fd_, offset, whence);
  if (position < 0) position = lseek(fd_, 0, SEEK_CUR);
  return position < 0 ? 0 : static_cast<uint64_t>(position);
}

uint64_t ERawFile::GetPosition() { return Seek(0, kFromCurrent); }

bool ERawFile::SetEndOfFile() {
  std::lock_guard lock(lock_);
  if (fd_ < 0) return false;
  off_t position = lseek(fd_, 0, SEEK_CUR);
  return position >= 0 && ftruncate(fd_, position) == 0;
}

}  // namespace tav::medialib
