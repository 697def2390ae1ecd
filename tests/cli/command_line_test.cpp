#include "cli/command_line.h"

#include <gtest/gtest.h>

namespace cli {
namespace {

const std::vector<OptionSpec> kSpecs = {
    {"tempo", true}, {"quiet", false, 'q'}, {"stagger", false}, {"no-stagger", false}};

CommandLine parse(std::vector<const char*> words) {
  words.insert(words.begin(), "tool");
  return parseCommandLine(static_cast<int>(words.size()), words.data(), kSpecs);
}

TEST(CommandLine, TakesValuesAsTheyStand) {
  const auto line = parse({"--tempo", "-120", "--tempo=120/120500", "--tempo=", "-q", "a.dat"});
  ASSERT_EQ(line.error, "");
  ASSERT_EQ(line.options.size(), 4u);
  EXPECT_EQ(line.options[0].second, "-120");
  EXPECT_EQ(line.options[1].second, "120/120500");
  EXPECT_EQ(line.options[2].second, "");
  EXPECT_EQ(line.options[3].first, "quiet");
  EXPECT_EQ(line.arguments, std::vector<std::string>{"a.dat"});
}

TEST(CommandLine, KeepsOrderAndEndsOptionsAtDoubleDash) {
  const auto line = parse({"--stagger", "--no-stagger", "--", "--quiet", "-"});
  ASSERT_EQ(line.error, "");
  ASSERT_EQ(line.options.size(), 2u);
  EXPECT_EQ(line.options[1].first, "no-stagger");
  EXPECT_EQ(line.arguments, (std::vector<std::string>{"--quiet", "-"}));
}

TEST(CommandLine, ReportsMalformedWords) {
  EXPECT_NE(parse({"--unknown"}).error, "");
  EXPECT_NE(parse({"-x"}).error, "");
  EXPECT_NE(parse({"--tempo"}).error, "");
  EXPECT_NE(parse({"--quiet=yes"}).error, "");
}

}  // namespace
}  // namespace cli
