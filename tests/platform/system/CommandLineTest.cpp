// How command lines are taken apart: the program token, argv as the C runtime splits it, and
// ParamStr as the window framework gives it.
#include <gtest/gtest.h>

#include "platform/sim/Process.h"

using plat::sim::ProgramToken;
using plat::sim::SplitArgv;
using plat::sim::SplitParams;
using Words = std::vector<std::string>;

TEST(CommandLine, ParamsAreBlankSeparatedAndQuotesGroupAndVanish) {
  const struct {
    const char* line;
    Words params;
  } cases[] = {
      {"setup.exe", {"setup.exe"}},
      {"setup.exe UNINSTALL", {"setup.exe", "UNINSTALL"}},
      {"  setup.exe\t a   b  ", {"setup.exe", "a", "b"}},
      {"\"C:\\Program Files\\setup.exe\" x", {"C:\\Program Files\\setup.exe", "x"}},
      {"s \"C:\\NIV Systems\\temp.inf\"", {"s", "C:\\NIV Systems\\temp.inf"}},
      {"s a\"b c\"d", {"s", "ab cd"}},  // quotes inside a word group and are removed
      {"s \"\" x", {"s", "x"}},         // an empty quoted pair is no parameter
      {"s \"unclosed text", {"s", "unclosed text"}},
      {"s C:\\DIR\\ \"q\\\"", {"s", "C:\\DIR\\", "q\\"}},  // backslashes are plain characters
      {"s \xCF\xF0\xE8\xE2\xE5\xF2", {"s", "\xCF\xF0\xE8\xE2\xE5\xF2"}},  // 8-bit letters
  };
  for (const auto& c : cases) EXPECT_EQ(SplitParams(c.line), c.params) << c.line;
}

TEST(CommandLine, ArgvFollowsTheCRuntimeRules) {
  const struct {
    const char* line;
    Words argv;
  } cases[] = {
      {"reg.exe IMPORT X.reg", {"reg.exe", "IMPORT", "X.reg"}},
      {"\"C:\\A B\\reg.exe\" \"x y\"", {"C:\\A B\\reg.exe", "x y"}},
      {"p a\\\\b", {"p", "a\\\\b"}},         // backslashes without a quote stay
      {"p \"a\\\"b\"", {"p", "a\"b"}},       // \" is a quote
      {"p \"a\\\\\" b", {"p", "a\\", "b"}},  // \\" is a backslash, then the quote closes
      {"p \"\"", {"p", ""}},                 // an empty argument
      {"p \"a\"\"b\"", {"p", "a\"b"}},       // "" inside quotes is a quote
  };
  for (const auto& c : cases) EXPECT_EQ(SplitArgv(c.line), c.argv) << c.line;
}

TEST(CommandLine, ProgramTokenIsQuotedOrUpToTheFirstBlank) {
  std::string rest;
  EXPECT_EQ(ProgramToken("\"C:\\A B\\p.exe\" x y", &rest), "C:\\A B\\p.exe");
  EXPECT_EQ(rest, " x y");
  EXPECT_EQ(ProgramToken("  C:\\A\\p.exe x", &rest), "C:\\A\\p.exe");
  EXPECT_EQ(rest, " x");
  EXPECT_EQ(ProgramToken("", &rest), "");
}
