#include "track/file_system.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

namespace track::fs {
namespace {

bool usablePath(const std::string& path) {
  return !path.empty() && path.size() < kMaxPathBytes && path.find('\0') == std::string::npos;
}

std::string folderOf(const std::string& path) {
  const auto slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

bool isFolder(const std::string& path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Takes the lock without waiting: a file another of our processes holds is
// treated like a file held open elsewhere.
bool lockExclusively(int fd) {
  return ::flock(fd, LOCK_EX | LOCK_NB) == 0;
}

void closeQuietly(int& fd) {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

}  // namespace

InputFile::~InputFile() {
  closeQuietly(fd_);
}

OpenStatus InputFile::open(const std::string& path) {
  closeQuietly(fd_);
  if (!usablePath(path)) return OpenStatus::failed;
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd_ < 0) {
    // A missing file in an existing folder is "not found"; a missing folder is not.
    return errno == ENOENT && isFolder(folderOf(path)) ? OpenStatus::notFound : OpenStatus::failed;
  }
  struct stat info {};
  if (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode) || !lockExclusively(fd_)) {
    closeQuietly(fd_);
    return OpenStatus::failed;
  }
  size_ = static_cast<std::uint64_t>(info.st_size);
  return OpenStatus::ok;
}

std::size_t InputFile::read(void* into, std::size_t count) {
  auto* bytes = static_cast<unsigned char*>(into);
  std::size_t done = 0;
  while (done < count) {
    const ssize_t got = ::read(fd_, bytes + done, count - done);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    done += static_cast<std::size_t>(got);
  }
  return done;
}

ReplacementFile::~ReplacementFile() {
  abandon();
  closeQuietly(targetLock_);
}

bool ReplacementFile::create(const std::string& path) {
  if (!usablePath(path)) return false;
  target_ = path;
  mode_t mode = 0666;
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0) {
    // A read-only or special file is not replaced, even for the superuser.
    if (!S_ISREG(info.st_mode) || (info.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0)
      return false;
    targetLock_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (targetLock_ < 0 || !lockExclusively(targetLock_)) return false;
    mode = info.st_mode & 07777;
  } else {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode &= ~mask;
  }
  const auto slash = path.find_last_of('/');
  const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  std::string pattern = folder + "." + name + ".XXXXXX";
  fd_ = ::mkstemp(pattern.data());
  if (fd_ < 0) return false;
  temporary_ = pattern;
  if (::fchmod(fd_, mode) != 0 || !lockExclusively(fd_)) {
    abandon();
    return false;
  }
  return true;
}

bool ReplacementFile::write(const void* data, std::size_t count) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  while (count > 0) {
    const ssize_t put = ::write(fd_, bytes, count);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    bytes += put;
    count -= static_cast<std::size_t>(put);
  }
  return true;
}

bool ReplacementFile::commit() {
  if (fd_ < 0) return false;
  if (::fsync(fd_) != 0 || ::rename(temporary_.c_str(), target_.c_str()) != 0) {
    abandon();
    return false;
  }
  temporary_.clear();
  const bool closed = ::close(fd_) == 0;
  fd_ = -1;
  closeQuietly(targetLock_);
  return closed;
}

void ReplacementFile::abandon() {
  closeQuietly(fd_);
  if (!temporary_.empty()) ::unlink(temporary_.c_str());
  temporary_.clear();
}

bool standardErrorIsTerminal() {
  return ::isatty(STDERR_FILENO) == 1;
}

}  // namespace track::fs
