#pragma once
// A small long-option parser for the command-line tools: "--name",
// "--name VALUE", "--name=VALUE", one-letter aliases such as "-q", and "--"
// to end the options. A value is taken as it stands, even when it begins
// with "-", so "--compensation -1" passes -1 on to the checks.

#include <string>
#include <utility>
#include <vector>

namespace cli {

struct OptionSpec {
  std::string name;  // without the leading "--"
  bool takesValue = false;
  char alias = 0;  // "-x" form, 0 for none
};

struct CommandLine {
  // Options in the order given, so that a later "--no-x" overrides "--x".
  std::vector<std::pair<std::string, std::string>> options;
  std::vector<std::string> arguments;
  std::string error;  // empty when the command line is well formed
};

CommandLine parseCommandLine(int argc, const char* const* argv,
                             const std::vector<OptionSpec>& specs);

}  // namespace cli
