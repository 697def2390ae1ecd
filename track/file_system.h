#pragma once
// The small layer between the whole-file routines and the operating system:
// exclusive opening, reading and an all-or-nothing replacement of a file.
// Everything POSIX lives behind this header.

#include <cstddef>
#include <cstdint>
#include <string>

namespace track::fs {

// Paths of this many bytes or more are never opened.
inline constexpr std::size_t kMaxPathBytes = 260;

enum class OpenStatus { ok, notFound, failed };

// A regular file opened for reading and locked against our other processes.
class InputFile {
 public:
  InputFile() = default;
  ~InputFile();
  InputFile(const InputFile&) = delete;
  InputFile& operator=(const InputFile&) = delete;

  OpenStatus open(const std::string& path);
  std::uint64_t size() const { return size_; }
  // Reads up to `count` bytes; returns how many arrived before the end of the
  // file or an error.
  std::size_t read(void* into, std::size_t count);

 private:
  int fd_ = -1;
  std::uint64_t size_ = 0;
};

// Writes a new file under a temporary name beside `path` and renames it over
// `path` in commit(). Destroyed without commit(), it leaves no trace.
class ReplacementFile {
 public:
  ReplacementFile() = default;
  ~ReplacementFile();
  ReplacementFile(const ReplacementFile&) = delete;
  ReplacementFile& operator=(const ReplacementFile&) = delete;

  bool create(const std::string& path);
  bool write(const void* data, std::size_t count);
  bool commit();

 private:
  void abandon();
  std::string target_;
  std::string temporary_;
  int fd_ = -1;
  int targetLock_ = -1;
};

// True when standard error goes to a terminal, where a progress line makes sense.
bool standardErrorIsTerminal();

}  // namespace track::fs
