#pragma once
// Runs a built command-line tool as a user would: in a folder of its own,
// with its standard output and error caught in files there.

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "support/temp_dir.h"

namespace testing_support {

struct ToolResult {
  int exitStatus = -1;  // -1 when the tool did not exit normally
  std::string out;
  std::string err;
};

inline std::string readText(const std::string& path) {
  const auto bytes = readBytes(path);
  return {bytes.begin(), bytes.end()};
}

// Starts `tool` in `dir`; finish it with finishTool.
inline pid_t startTool(const char* tool, const TempDir& dir, const std::vector<std::string>& args) {
  const pid_t pid = ::fork();
  if (pid == 0) {
    if (::chdir(dir.path().c_str()) != 0) ::_exit(126);
    const int out = ::open("stdout.log", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = ::open("stderr.log", O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ::dup2(out, 1);
    ::dup2(err, 2);
    std::vector<char*> argv{const_cast<char*>(tool)};
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    ::execv(tool, argv.data());
    ::_exit(127);
  }
  return pid;
}

inline ToolResult finishTool(const TempDir& dir, pid_t pid) {
  int status = 0;
  ::waitpid(pid, &status, 0);
  ToolResult result;
  result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  result.out = readText(dir.file("stdout.log"));
  result.err = readText(dir.file("stderr.log"));
  return result;
}

inline ToolResult runTool(const char* tool, const TempDir& dir,
                          const std::vector<std::string>& args) {
  return finishTool(dir, startTool(tool, dir, args));
}

}  // namespace testing_support
