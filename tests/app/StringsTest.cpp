#include "app/Strings.h"

#include <gtest/gtest.h>

#include "app/Language.h"
#include "app/LogFile.h"

namespace niv {
namespace {

TEST(JoinParams, RebuildsTheParameterTextOfTheCommandLine) {
  struct Case {
    std::vector<std::string> params;
    std::string joined;
  };
  const std::vector<Case> cases = {
      {{}, ""},
      {{"uninstall"}, "uninstall"},
      {{"UNINSTALL", "x"}, "UNINSTALL x"},
      {{"C:\\Program", "Files\\NIV", "temp.inf"}, "C:\\Program Files\\NIV temp.inf"},
      {{"", "a"}, "a"},    // no blank while the text so far is empty
      {{" ", "a"}, " a"},  // nor while it is blank only
      {{"a", "", "b"}, "a  b"},
  };
  for (const Case& c : cases) EXPECT_EQ(JoinParams(c.params), c.joined);
}

TEST(Split, TokensAtFirstOrLastSeparator) {
  struct Case {
    const char* text;
    const char* token;
    const char* rest;
  };
  auto run = [](auto split, const std::vector<Case>& cases) {
    for (const Case& c : cases) {
      std::string text = c.text, token = "old";
      split(text, token);
      EXPECT_EQ(token, c.token) << c.text;
      EXPECT_EQ(text, c.rest) << c.text;
    }
  };
  run([](std::string& t, std::string& k) { SplitToken(t, '|', k); },
      {{"", "", ""}, {"a|b|c", "a", "b|c"}, {"abc", "abc", ""}, {"|x", "", "x"}, {"x|", "x", ""}});
  run([](std::string& t, std::string& k) { SplitTokenAtLast(t, '\\', k); },
      {{"", "", ""}, {"C:\\A\\b.txt", "b.txt", "C:\\A"}, {"name", "name", ""}});
  run([](std::string& t, std::string& k) { SplitAt(t, "::", k); },
      {{"", "", ""}, {"a::b::c", "a", "b::c"}, {"a:b", "a:b", ""}, {"::", "", ""}});
  run([](std::string& t, std::string& k) { SplitAt(t, "", k); }, {{"abc", "abc", ""}});
}

TEST(Paths, TrailingBackslashes) {
  struct Case {
    const char* path;
    const char* stripped;
    const char* dir;
  };
  for (const Case& c : std::vector<Case>{{"", "", ""},
                                         {"C:\\", "C:", "C:\\"},
                                         {"C:\\NIV\\", "C:\\NIV", "C:\\NIV"},
                                         {"C:\\NIV", "C:\\NIV", "C:\\NIV"},
                                         {"C:\\NIV\\\\", "C:\\NIV\\", "C:\\NIV\\"},
                                         {"\\", "", ""}}) {
    EXPECT_EQ(StripTrailingBackslash(c.path), c.stripped) << c.path;
    EXPECT_EQ(DirWithoutBackslash(c.path), c.dir) << c.path;
  }
}

TEST(DecideLanguage, EnglishOnlyForTheWordEnglish) {
  const std::vector<std::pair<std::string, TLanguage>> cases = {
      {"[Language]\r\nLanguage= english \r\n", lgEnglish},
      {"[LANGUAGE]\r\nlanguage=ENGLISH\r\n", lgEnglish},
      {"[Language]\r\nLanguage=English\r\nLanguage=Russian\r\n", lgEnglish},
      {"[Language]\r\nLanguage=russian\r\n", lgRussian},
      {"[Language]\r\nLanguage=englishman\r\n", lgRussian},
      {"[Language]\r\nLang=english\r\n", lgRussian},
      {"[Params]\r\nLanguage=english\r\n", lgRussian},
      {"Language=english\r\n", lgRussian},
  };
  for (const auto& [body, language] : cases) {
    TIDFTextFile file;
    ASSERT_TRUE(file.LoadFromText("IDF-CPS-text\r\n\r\n" + body));
    EXPECT_EQ(DecideLanguage(file), language) << body;
  }
}

TEST(TimeStamp, RoundsToTenThousandthsUpToTheEndOfTheDay) {
  struct Case {
    plat::TLocalTime time;
    const char* stamp;
  };
  const std::vector<Case> cases = {
      {{2004, 3, 5, 14, 22, 5, 123400}, "05.03.2004 14:22:05.1234"},
      {{2004, 3, 5, 14, 22, 5, 123449}, "05.03.2004 14:22:05.1234"},
      {{2004, 3, 5, 14, 22, 5, 123450}, "05.03.2004 14:22:05.1235"},
      {{2004, 3, 5, 9, 59, 59, 999950}, "05.03.2004 10:00:00.0000"},
      {{1999, 12, 31, 23, 59, 59, 999949}, "31.12.1999 23:59:59.9999"},
      {{1999, 12, 31, 23, 59, 59, 999950}, "31.12.1999 24:00:00.0000"},
      {{10000, 1, 2, 0, 0, 0, 0}, "02.01.10000 00:00:00.0000"},
  };
  for (const Case& c : cases) EXPECT_EQ(FormatTimeStamp(c.time), c.stamp);
}

TEST(TLogFile, LinesAndHeaderAsFormatted) {
  TLogFile log;
  log.Clock = [] { return plat::TLocalTime{2004, 3, 5, 14, 22, 5, 123400}; };
  EXPECT_EQ(log.FormatLine(""), "[05.03.2004 14:22:05.1234]:");
  EXPECT_EQ(log.FormatLine(" IN procedure UNINSTALL"),
            "[05.03.2004 14:22:05.1234]: IN procedure UNINSTALL");
  log.SetHeader("Setup");
  EXPECT_EQ(log.HeaderLine(), "Setup-----------[05.03.2004 14:22:05.1234]");
  log.FormatString = false;
  log.FormatHeader = false;
  EXPECT_EQ(log.FormatLine("text"), "text");
  EXPECT_EQ(log.HeaderLine(), "Setup");
}

TEST(TLogFile, HeaderComesBackOnlyForANewNameOrAnyHeader) {
  TLogFile log;
  EXPECT_TRUE(log.HeaderPending);
  log.HeaderPending = false;
  log.SetFileName("");
  EXPECT_FALSE(log.HeaderPending);
  log.SetFileName("C:\\a.log");
  EXPECT_TRUE(log.HeaderPending);
  log.HeaderPending = false;
  log.SetFileName("C:\\a.log");
  EXPECT_FALSE(log.HeaderPending);
  log.SetFileName("C:\\A.log");  // exact comparison
  EXPECT_TRUE(log.HeaderPending);
  log.HeaderPending = false;
  log.SetHeader("");
  EXPECT_TRUE(log.HeaderPending);
  log.SetFileName("");
  log.HeaderPending = false;
  log.WriteLine("nothing happens");  // an empty name writes nothing
  EXPECT_FALSE(log.HeaderPending);
}

}  // namespace
}  // namespace niv
