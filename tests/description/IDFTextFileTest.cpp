#include "description/IDFTextFile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "description/IDFLineReader.h"
#include "platform/Exceptions.h"

namespace niv {
namespace {

const std::string kHead = "IDF-CPS-text\r\n\r\n";

// name=value of every parameter, "[name]" or "[name]-tree" for sections, in file order.
std::vector<std::string> Outline(const TIDFTextFile& file) {
  std::vector<std::string> out;
  auto params = [&out](const TIDFSection& s) {
    for (const auto& p : s.Params())
      out.push_back(p->Name + "=" + p->AsString() + "/" + std::to_string(p->ValueType));
  };
  params(file);
  for (const auto& s : file.Sections()) {
    out.push_back("[" + s->Name + (s->IsTree ? "]-tree" : "]"));
    params(*s);
  }
  return out;
}

std::vector<std::string> Lines(const std::string& bytes, int chunk) {
  size_t pos = 0;
  TIDFLineReader reader([&](char* buffer, int32_t count) {
    int32_t n = std::min<int32_t>({count, chunk, static_cast<int32_t>(bytes.size() - pos)});
    std::copy_n(bytes.data() + pos, n, buffer);
    pos += static_cast<size_t>(n);
    return n;
  });
  std::vector<std::string> lines;
  std::string line;
  while (reader.ReadLine(line)) lines.push_back(line);
  return lines;
}

TEST(IDFLineReader, LineEndsAndTrimmingHoldAcrossAnyChunkBoundary) {
  struct Case {
    std::string bytes;
    std::vector<std::string> lines;
  };
  const std::vector<Case> cases = {
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\rb\r", {"a", "b"}},
      {"a\r\rb", {"a", "", "b"}},
      {"a\r\n\r\nb", {"a", "", "b"}},
      {"a\nb\n", {"a\nb"}},  // a lone LF belongs to the line; the trailing one is trimmed
      {"a\n\rb", {"a", "b"}},
      {"\r", {""}},
      {"", {}},
      {std::string(" \t\x01x\0y \x1f\r\n", 10), {std::string("x\0y", 3)}},
      {"\xE0\xFF \r", {"\xE0\xFF"}},  // bytes above the blank are kept
  };
  for (const Case& c : cases) {
    for (int chunk : {1, 2, 3, 1 << 20}) {
      EXPECT_EQ(Lines(c.bytes, chunk), c.lines) << "chunk " << chunk << " of " << c.bytes;
    }
    std::vector<std::string> whole;
    TIDFLineReader reader{std::string_view(c.bytes)};
    std::string line;
    while (reader.ReadLine(line)) whole.push_back(line);
    EXPECT_EQ(whole, c.lines);
  }
}

TEST(IDFTextFile, FirstTwoLinesDecideWhetherTheFileLoads) {
  const std::vector<std::pair<std::string, bool>> cases = {
      {"IDF-CPS-text\r\n\r\n", true},
      {"IDF-FPS-text\r\n\r\n", true},
      {"IDF-CPS-text and more\r\n\r\n", true},
      {"  IDF-CPS-text\r\n \t \r\n", true},
      {"IDF-CPS-text\r\r", true},
      {"idf-cps-text\r\n\r\n", false},
      {"IDF-CPS-tex\r\n\r\n", false},
      {"IDF-CPS-text\r\nx\r\n", false},
      {"IDF-CPS-text\r\n", false},  // the second line must exist
      {"IDF-CPS-text\n\n", false},  // lone LFs: one line only
      {"", false},
      {std::string("\0\0\0", 3), false},
  };
  for (const auto& [bytes, loads] : cases) {
    TIDFTextFile file;
    EXPECT_EQ(file.LoadFromText(bytes), loads) << bytes;
  }
}

TEST(IDFTextFile, AFileThatDoesNotLoadLeavesThePreviousContent) {
  TIDFTextFile file;
  ASSERT_TRUE(file.LoadFromText(kHead + "r=1\r\n[A]\r\nk=v\r\n"));
  const auto before = Outline(file);
  EXPECT_FALSE(file.LoadFromText("IDF-CPS-text\r\nnot empty\r\n[B]\r\n"));
  EXPECT_FALSE(file.LoadFromText("idf-cps-text\r\n\r\n[B]\r\n"));
  EXPECT_EQ(Outline(file), before);
  ASSERT_TRUE(file.LoadFromText(kHead + "[C]\r\n"));
  EXPECT_EQ(Outline(file), (std::vector<std::string>{"[C]"}));
}

TEST(IDFTextFile, LineRules) {
  struct Case {
    const char* body;
    std::vector<std::string> outline;
  };
  const std::vector<Case> cases = {
      {"r=1\r\n[S]\r\nk=v\r\n", {"r=1/0", "[S]", "k=v/0"}},
      {"  // comment\r\n\t[S]  \r\n   k=v\r\n//k=w\r\n", {"[S]", "k=v/0"}},
      {"[S]\r\nk=v // not a comment\r\n", {"[S]", "k=v // not a comment/0"}},
      {"[S]\r\n a = b \r\n", {"[S]", "a = b/0"}},  // the line is trimmed, its halves are not
      {"[S]\r\nflag\r\n=only value\r\n", {"[S]", "flag=/0", "=only value/0"}},
      {"[S]\r\nk=a=b\r\n", {"[S]", "k=a=b/0"}},
      {"[]\r\n[a]b]\r\n[open\r\n[x]-TREE\r\n", {"[]", "[a]b]", "[open=/0", "[x]-TREE=/0"}},
      {"[]-tree\r\n[t]-tree\r\n", {"[]-tree", "[t]-tree"}},
      {"[S]\nk=v\r\n", {"[S]\nk=v/0"}},        // a lone LF keeps the line whole
      {"r=INTEGER=5\r\n", {"r=INTEGER=5/0"}},  // no type word before the first section
  };
  for (const Case& c : cases) {
    TIDFTextFile file;
    ASSERT_TRUE(file.LoadFromText(kHead + c.body)) << c.body;
    EXPECT_EQ(Outline(file), c.outline) << c.body;
  }
}

TEST(IDFTextFile, TypeWordsCarryOverLinesAndTreeSections) {
  TIDFTextFile file;
  ASSERT_TRUE(file.LoadFromText(kHead + "[T]-tree\r\n"
                                        "x=INTEGER=5\r\n"
                                        "y=6\r\n"
                                        "[P]\r\n"
                                        "z=DOUBLE=1\r\n"
                                        "[U]-tree\r\n"
                                        "w=7\r\n"
                                        "b=boolean=TrUe\r\n"
                                        "c=yes\r\n"
                                        "d=Binary=ff\r\n"
                                        "e=Double=2.5\r\n"
                                        "f=word=text\r\n"
                                        "g==empty word\r\n"));
  EXPECT_EQ(Outline(file),
            (std::vector<std::string>{"[T]-tree", "x=5/1", "y=6/1", "[P]", "z=DOUBLE=1/0",
                                      "[U]-tree", "w=7/1", "b=1/2", "c=0/2", "d=ff/4", "e=2.5/3",
                                      "f=text/0", "g=empty word/0"}));
}

TEST(IDFTextFile, WritesTheLayoutWithTheMagicOfItsRootList) {
  TIDFTextFile file;
  EXPECT_EQ(file.SaveToText(), "IDF-CPS-text\r\n\r\n");
  TIDFSection& tree = file.AddSection("T");
  tree.IsTree = true;
  tree.AddParam("a").SetAsInteger(-12);
  TIDFParam& binary = tree.AddParam("bin");
  binary.ValueType = idfBinary;
  binary.SetAsString("00ff");
  tree.AddParam("b").SetAsBoolean(true);
  file.AddSection("P").AddParam("k").SetAsString("x=y");
  EXPECT_EQ(file.SaveToText(), "IDF-CPS-text\r\n\r\n[T]-tree\r\na=-12\r\nb=1\r\n[P]\r\nk=x=y\r\n");
  file.AddParam("root").SetAsString(" v ");
  EXPECT_EQ(file.SaveToText().substr(0, 29), "IDF-FPS-text\r\n\r\nroot= v \r\n[T]");
}

TEST(IDFTextFile, ReadAndWrittenBackIsByteIdentical) {
  const std::string text =
      "IDF-FPS-text\r\n\r\nSystem=NIV\r\nname with blank =x\r\n[Params]\r\n"
      "Default dir=C:\\NIVSystems\r\nflag=\r\n=v\r\n[]\r\n[T]-tree\r\nn=1\r\n[a]b]\r\n"
      "\xD1\xE8\xF1\xF2\xE5\xEC\xE0=\xC8\xEC\xFF\r\n";
  TIDFTextFile file;
  ASSERT_TRUE(file.LoadFromText(text));
  EXPECT_EQ(file.SaveToText(), text);
}

TEST(IDFTextFile, TreeValueWithEqualsSignDoesNotSurviveARoundTrip) {
  TIDFTextFile file;
  TIDFSection& tree = file.AddSection("T");
  tree.IsTree = true;
  tree.AddParam("k").SetAsString("a=b");
  TIDFTextFile again;
  ASSERT_TRUE(again.LoadFromText(file.SaveToText()));
  EXPECT_EQ(again.GetSection(0).GetParam(0)->AsString(), "b");
}

TEST(IDFTextFile, ParametersByIndexAndName) {
  TIDFSection s("S");
  s.AddParam("one");
  s.AddParam("Two");
  TIDFParam* zero = s.InsertParam("zero", 0);
  EXPECT_EQ(s.GetParam(0), zero);
  EXPECT_EQ(s.InsertParam("neg", -1), nullptr);
  TIDFParam* last = s.InsertParam("last", 99);  // past the end: appended
  EXPECT_EQ(s.GetParam(3), last);
  EXPECT_EQ(s.ParamCount(), 4);
  EXPECT_EQ(s.GetParam(-1), nullptr);
  EXPECT_EQ(s.GetParam(4), nullptr);
  EXPECT_EQ(s.FindParam("tWO"), s.GetParam(2));
  EXPECT_EQ(s.FindParam("tw"), nullptr);
  s.DeleteParam(7);
  s.DeleteParam(-1);
  s.DeleteParam(0);
  EXPECT_EQ(s.GetParam(0)->Name, "one");
  s.ClearParams();
  EXPECT_EQ(s.ParamCount(), 0);
}

TEST(IDFTextFile, SectionsByIndexAndName) {
  TIDFTextFile file;
  TIDFSection& first = file.AddSection("Dup");
  TIDFSection& second = file.AddSection("Dup");
  file.AddSection("\xC0\xE1");  // Cyrillic capital and small letters
  EXPECT_FALSE(second.IsTree);
  EXPECT_EQ(file.FindSection("dUP"), &first);
  EXPECT_EQ(file.FindSection("\xC0\xE1"), &file.GetSection(2));
  EXPECT_EQ(file.FindSection("\xE0\xE1"), nullptr);  // only ASCII letters ignore case
  EXPECT_THROW(file.GetSection(3), plat::EListError);
  EXPECT_THROW(file.GetSection(-1), plat::EListError);
  file.DeleteSectionNamed("dup");  // exact comparison: nothing
  EXPECT_EQ(file.SectionCount(), 3);
  file.DeleteSectionNamed("Dup");
  EXPECT_EQ(&file.GetSection(0), &second);
  file.DeleteSection(5);
  file.DeleteSection(0);
  EXPECT_EQ(file.SectionCount(), 1);
  file.ClearSections();
  EXPECT_EQ(file.SectionCount(), 0);
}

TEST(IDFParam, AsIntegerAcceptsOnlyDecimalIntegersOf32Bits) {
  TIDFParam p;
  for (auto [text, value] :
       std::vector<std::pair<const char*, int32_t>>{{"0", 0},
                                                    {"42", 42},
                                                    {"-7", -7},
                                                    {"2147483647", 2147483647},
                                                    {"-2147483648", -2147483647 - 1}}) {
    p.SetAsString(text);
    EXPECT_EQ(p.AsInteger(), value) << text;
  }
  for (const char* bad : {"", "abc", "12a", "2147483648", "-2147483649", "4294967296", "1.5",
                          "99999999999999999999"}) {
    p.SetAsString(bad);
    EXPECT_THROW(p.AsInteger(), plat::EConvertError) << bad;
  }
  p.SetAsInteger(-2147483648LL);
  EXPECT_EQ(p.AsString(), "-2147483648");
}

TEST(IDFTextFile, HostileInputLoadsWithoutHarm) {
  TIDFTextFile file;
  const std::string longLine(10 * 1024 * 1024, 'x');
  ASSERT_TRUE(file.LoadFromText(kHead + "[S]\r\n" + longLine));
  EXPECT_EQ(file.GetSection(0).GetParam(0)->Name.size(), longLine.size());
  const std::string nul = kHead + std::string("[S\0]\r\nk\0=v\0w\r\n", 14);
  ASSERT_TRUE(file.LoadFromText(nul));
  EXPECT_EQ(file.GetSection(0).Name, std::string("S\0", 2));
  EXPECT_EQ(file.GetSection(0).GetParam(0)->AsString(), std::string("v\0w", 3));
  std::string garbage;
  for (int i = 0; i < 4096; ++i) garbage += static_cast<char>((i * 7919) & 0xFF);
  file.LoadFromText(garbage);
  file.LoadFromText(kHead + garbage);
  file.SaveToText();
}

}  // namespace
}  // namespace niv
