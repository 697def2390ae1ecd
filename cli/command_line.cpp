#include "cli/command_line.h"

namespace cli {
namespace {

const OptionSpec* findByName(const std::vector<OptionSpec>& specs, const std::string& name) {
  for (const auto& option : specs)
    if (option.name == name) return &option;
  return nullptr;
}

const OptionSpec* findByAlias(const std::vector<OptionSpec>& specs, char alias) {
  for (const auto& option : specs)
    if (option.alias != 0 && option.alias == alias) return &option;
  return nullptr;
}

}  // namespace

CommandLine parseCommandLine(int argc, const char* const* argv,
                             const std::vector<OptionSpec>& specs) {
  CommandLine result;
  bool optionsEnded = false;
  for (int i = 1; i < argc; ++i) {
    const std::string word = argv[i];
    if (optionsEnded || word.size() < 2 || word[0] != '-') {
      result.arguments.push_back(word);
      continue;
    }
    if (word == "--") {
      optionsEnded = true;
      continue;
    }
    const OptionSpec* option = nullptr;
    std::string value;
    bool valueInline = false;
    if (word.rfind("--", 0) == 0) {
      const auto equals = word.find('=');
      option = findByName(specs, word.substr(2, equals == std::string::npos ? equals : equals - 2));
      if (equals != std::string::npos) {
        value = word.substr(equals + 1);
        valueInline = true;
      }
    } else if (word.size() == 2) {
      option = findByAlias(specs, word[1]);
    }
    if (option == nullptr) {
      result.error = "unknown option " + word;
      return result;
    }
    if (!option->takesValue && valueInline) {
      result.error = "option --" + option->name + " takes no value";
      return result;
    }
    if (option->takesValue && !valueInline) {
      if (i + 1 >= argc) {
        result.error = "option --" + option->name + " needs a value";
        return result;
      }
      value = argv[++i];
    }
    result.options.emplace_back(option->name, value);
  }
  return result;
}

}  // namespace cli
