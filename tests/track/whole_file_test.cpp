#include "track/whole_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include "support/temp_dir.h"
#include "track/file_messages.h"

namespace track {
namespace {

using testing_support::readBytes;
using testing_support::TempDir;
using testing_support::writeBytes;

// Holds a lock on a file the way another of our processes would.
class ForeignLock {
 public:
  explicit ForeignLock(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY)) {
    EXPECT_EQ(::flock(fd_, LOCK_EX), 0);
  }
  ~ForeignLock() { ::close(fd_); }

 private:
  int fd_;
};

TEST(ReadWholeFile, ReadsContentsFollowedByZeroSlack) {
  TempDir dir;
  writeBytes(dir.file("a.bin"), {1, 2, 3});
  BlockList blocks;
  FileBuffer buffer;
  EXPECT_EQ(readWholeFile(blocks, dir.file("a.bin"), 4096, buffer), "");
  ASSERT_EQ(buffer.length, 3u);
  EXPECT_EQ(buffer.data[0], 1);
  EXPECT_EQ(buffer.data[2], 3);
  for (int i = 3; i < 3 + 4096; ++i) ASSERT_EQ(buffer.data[i], 0) << i;
  EXPECT_EQ(blocks.count(), 1);
}

TEST(ReadWholeFile, EmptyFileGivesOnlySlack) {
  TempDir dir;
  writeBytes(dir.file("empty"), {});
  BlockList blocks;
  FileBuffer buffer;
  EXPECT_EQ(readWholeFile(blocks, dir.file("empty"), 4096, buffer), "");
  EXPECT_EQ(buffer.length, 0u);
  ASSERT_NE(buffer.data, nullptr);
  EXPECT_EQ(buffer.data[4095], 0);
}

TEST(ReadWholeFile, TellsOpenFailuresApart) {
  TempDir dir;
  std::filesystem::create_directory(dir.file("folder"));
  writeBytes(dir.file("held"), {1});
  ForeignLock lock(dir.file("held"));
  const struct {
    std::string path;
    const char* text;
  } cases[] = {
      {dir.file("missing.wav"), kFileNotFound},
      {dir.file("no-such-folder/a.wav"), kCannotOpenFile},
      {dir.file("folder"), kCannotOpenFile},
      {dir.file("held"), kCannotOpenFile},
      {dir.file(std::string(300, 'x')), kCannotOpenFile},
      {"", kCannotOpenFile},
  };
  for (const auto& c : cases) {
    BlockList blocks;
    FileBuffer buffer;
    EXPECT_EQ(readWholeFile(blocks, c.path, 4096, buffer), c.text) << c.path;
    EXPECT_EQ(blocks.count(), 0);
  }
}

TEST(ReadWholeFile, PathOf260BytesIsNotOpened) {
  TempDir dir;
  const std::string prefix = dir.file("");
  const std::string fits = prefix + std::string(259 - prefix.size(), 'a');
  const std::string tooLong = prefix + std::string(260 - prefix.size(), 'b');
  writeBytes(fits, {7});
  writeBytes(tooLong, {7});
  BlockList blocks;
  FileBuffer buffer;
  EXPECT_EQ(readWholeFile(blocks, fits, 4096, buffer), "");
  EXPECT_EQ(readWholeFile(blocks, tooLong, 4096, buffer), kCannotOpenFile);
}

TEST(ReadWholeFile, NoMemoryForTheBlock) {
  TempDir dir;
  writeBytes(dir.file("a"), std::vector<unsigned char>(100, 1));
  BlockList blocks(4000);
  FileBuffer buffer;
  EXPECT_EQ(readWholeFile(blocks, dir.file("a"), 4096, buffer), kCannotAllocate);
  EXPECT_EQ(buffer.data, nullptr);
  EXPECT_EQ(buffer.length, 100u);
}

TEST(WriteWholeFile, CreatesAndReplaces) {
  TempDir dir;
  const std::string path = dir.file("out.dat");
  const unsigned char first[] = {1, 2, 3, 4};
  const unsigned char second[] = {9};
  EXPECT_EQ(writeWholeFile(path, first, sizeof first), "");
  EXPECT_EQ(readBytes(path), std::vector<unsigned char>(first, first + 4));
  EXPECT_EQ(writeWholeFile(path, second, sizeof second), "");
  EXPECT_EQ(readBytes(path), std::vector<unsigned char>{9});
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(WriteWholeFile, FailureLeavesTheOldFileAndNoTemporary) {
  TempDir dir;
  const std::string path = dir.file("out.dat");
  writeBytes(path, {5, 5});
  const unsigned char data[] = {1};
  {
    ForeignLock lock(path);
    EXPECT_EQ(writeWholeFile(path, data, 1), kCannotCreateFile);
  }
  std::filesystem::permissions(path, std::filesystem::perms::owner_read);
  EXPECT_EQ(writeWholeFile(path, data, 1), kCannotCreateFile);
  EXPECT_EQ(readBytes(path), (std::vector<unsigned char>{5, 5}));
  EXPECT_EQ(writeWholeFile(dir.file("missing/out.dat"), data, 1), kCannotCreateFile);
  EXPECT_EQ(writeWholeFile(dir.file(std::string(300, 'x')), data, 1), kCannotCreateFile);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(WriteWholeFile, WriteThatFailsHalfWayKeepsTheOldFile) {
  // A file-size limit makes the write fail part-way, as a full disk would.
  TempDir dir;
  const std::string path = dir.file("out.dat");
  writeBytes(path, {5, 6});
  const std::vector<unsigned char> big(1 << 20, 1);
  struct rlimit saved {};
  ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  auto* previous = std::signal(SIGXFSZ, SIG_IGN);
  struct rlimit small = saved;
  small.rlim_cur = 4096;
  ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
  const std::string text = writeWholeFile(path, big.data(), big.size());
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, previous);
  EXPECT_EQ(text, kCannotCreateFile);
  EXPECT_EQ(readBytes(path), (std::vector<unsigned char>{5, 6}));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
}

TEST(WriteWholeFile, NewFileGetsTheUsualPermissions) {
  TempDir dir;
  const mode_t mask = ::umask(022);
  const unsigned char data[] = {1};
  EXPECT_EQ(writeWholeFile(dir.file("new.txt"), data, 1), "");
  ::umask(mask);
  const auto perms = std::filesystem::status(dir.file("new.txt")).permissions();
  EXPECT_EQ(perms, std::filesystem::perms(0644));
}

}  // namespace
}  // namespace track
