// The registry editor's text format: reading both versions, rejecting damage with its line,
// and writing what reads back the same.
#include <gtest/gtest.h>

#include "platform/Exceptions.h"
#include "platform/Text.h"
#include "platform/sim/RegFile.h"

using namespace plat;
using namespace plat::sim;

namespace {

const std::string kV5 = "Windows Registry Editor Version 5.00\r\n\r\n";
const std::string kV4 = "REGEDIT4\r\n\r\n";

std::string Utf16File(const std::string& utf8) {
  return "\xFF\xFE" + Utf8ToUtf16Le(utf8);
}

struct ValueCase {
  const char* what;
  std::string file;
  uint32_t type;
  std::string data;  // ANSI side
};

class RegFileValues : public testing::TestWithParam<ValueCase> {};

TEST_P(RegFileValues, ReadsValueOfKey) {
  const ValueCase& c = GetParam();
  RegTree tree;
  ApplyRegFile(ParseRegFile(c.file, "x.reg"), tree);
  const RegKey* key = tree.Find(HKEY_LOCAL_MACHINE, "Software\\Test");
  ASSERT_NE(key, nullptr);
  const RegValue* v = key->FindValue("V");
  ASSERT_NE(v, nullptr);
  EXPECT_EQ(v->type, c.type);
  EXPECT_EQ(v->data, c.data);
}

// "Путь" is "\xCF\xF3\xF2\xFC" in code page 1251.
INSTANTIATE_TEST_SUITE_P(
    Kinds, RegFileValues,
    testing::Values(
        ValueCase{"string with escapes",
                  kV5 + "[HKEY_LOCAL_MACHINE\\Software\\Test]\r\n\"V\"=\"C:\\\\a \\\"b\\\"\"\r\n",
                  REG_SZ, "C:\\a \"b\""},
        ValueCase{"utf16 file with cyrillic",
                  Utf16File(kV5 + "[HKEY_LOCAL_MACHINE\\Software\\Test]\r\n\"V\"=\"Путь\"\r\n"),
                  REG_SZ, "\xCF\xF3\xF2\xFC"},
        ValueCase{"ansi regedit4 file with cyrillic",
                  kV4 + "[HKEY_LOCAL_MACHINE\\Software\\Test]\r\n\"V\"=\"\xCF\xF3\xF2\xFC\"\r\n",
                  REG_SZ, "\xCF\xF3\xF2\xFC"},
        ValueCase{"dword", kV5 + "[HKEY_LOCAL_MACHINE\\Software\\Test]\n\"V\"=dword:0000ff01\n",
                  REG_DWORD, std::string("\x01\xff\x00\x00", 4)},
        ValueCase{"binary over continuation lines",
                  kV5 + "[HKEY_LOCAL_MACHINE\\Software\\Test]\n\"V\"=hex:01,02,\\\n  03,\\\n  04\n",
                  REG_BINARY, "\x01\x02\x03\x04"},
        ValueCase{"expandable string, version 5 (UTF-16LE)",
                  kV5 + "[HKEY_LOCAL_MACHINE\\Software\\Test]\n"
                        "\"V\"=hex(2):25,00,41,00,25,00,00,00\n",
                  REG_EXPAND_SZ, "%A%"},
        ValueCase{"expandable string, REGEDIT4 (ANSI)",
                  kV4 + "[HKEY_LOCAL_MACHINE\\Software\\Test]\n\"V\"=hex(2):25,41,25,00\n",
                  REG_EXPAND_SZ, "%A%"},
        ValueCase{"multi-string, version 5",
                  kV5 + "[HKEY_LOCAL_MACHINE\\Software\\Test]\n"
                        "\"V\"=hex(7):61,00,00,00,62,00,00,00,00,00\n",
                  REG_MULTI_SZ, std::string("a\0b\0\0", 5)},
        ValueCase{"short root name, key line case", kV5 + "[hklm\\SOFTWARE\\test]\n\"v\"=\"x\"\n",
                  REG_SZ, "x"}),
    [](const auto& info) { return "Case" + std::to_string(info.index); });

TEST(RegFile, DeletesKeysAndValuesAndSetsDefault) {
  RegTree tree;
  ApplyRegFile(
      ParseRegFile(kV5 + "[HKEY_CURRENT_USER\\A\\B\\C]\n\"x\"=\"1\"\n"
                         "[HKEY_CURRENT_USER\\A\\D]\n@=\"default\"\n\"y\"=\"2\"\n\"z\"=\"3\"\n",
                   "a.reg"),
      tree);
  ApplyRegFile(
      ParseRegFile(kV5 + "[-HKEY_CURRENT_USER\\A\\B]\n[HKEY_CURRENT_USER\\A\\D]\n\"y\"=-\n",
                   "b.reg"),
      tree);
  EXPECT_EQ(tree.Find(HKEY_CURRENT_USER, "A\\B"), nullptr);
  const RegKey* d = tree.Find(HKEY_CURRENT_USER, "A\\D");
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->FindValue("y"), nullptr);
  ASSERT_NE(d->FindValue(""), nullptr);
  EXPECT_EQ(d->FindValue("")->data, "default");
  EXPECT_NE(d->FindValue("z"), nullptr);
}

struct DamageCase {
  std::string file;
  int line;
};

class RegFileDamage : public testing::TestWithParam<DamageCase> {};

TEST_P(RegFileDamage, NamesTheLine) {
  const DamageCase& c = GetParam();
  try {
    ParseRegFile(c.file, "C:\\x.reg");
    FAIL() << "accepted";
  } catch (const ERegistryException& e) {
    EXPECT_NE(e.Message().find("C:\\x.reg, line " + std::to_string(c.line) + ":"),
              std::string::npos)
        << e.Message();
  }
}

const std::string kKey = "[HKEY_LOCAL_MACHINE\\S]\n";  // line 3 after kV5's two lines

INSTANTIATE_TEST_SUITE_P(
    Files, RegFileDamage,
    testing::Values(
        DamageCase{"Windows Registry Editor 5\n", 1}, DamageCase{"", 1},
        DamageCase{kV5 + "\"v\"=\"x\"\n", 3},                   // no key yet
        DamageCase{kV5 + kKey + "\"v\"=\"x\n", 4},              // open quote
        DamageCase{kV5 + kKey + "\"v\"=dword:123456789\n", 4},  // 9 digits
        DamageCase{kV5 + kKey + "\"a\"=\"1\"\n\"v\"=hex:01,zz\n", 5},
        DamageCase{kV5 + kKey + "\"v\"=\"a\\tb\"\n", 4},  // escape
        DamageCase{kV5 + kKey + "\"v\"=hex:01,\\\n", 4},  // ends in '\'
        DamageCase{kV5 + "[HKEY_NOWHERE\\S]\n", 3}, DamageCase{kV5 + "[HKEY_LOCAL_MACHINE\\S\n", 3},
        DamageCase{kV5 + kKey + "\"v\"=\"x\" y\n", 4}, DamageCase{kV5 + kKey + "\"v\"=str:x\n", 4},
        DamageCase{kV5 + kKey + "garbage\n", 4}, DamageCase{kV5 + "[-HKEY_CURRENT_USER]\n", 3},
        DamageCase{kV5 + "[HKEY_CURRENT_USER\\a\rb]\n", 3},
        DamageCase{kV5 + kKey + "\"a\rb\"=\"1\"\n", 4}));

TEST(RegFile, WritesWhatReadsBackTheSame) {
  RegTree tree;
  RegKey* key = tree.Create(HKEY_LOCAL_MACHINE, "Software\\\xCF\xF3\xF2\xFC \"q\"");
  key->SetValue("", REG_SZ, "default");
  key->SetValue("quote\"back\\slash", REG_SZ, "C:\\dir \"x\"");
  key->SetValue("lines", REG_SZ, "one\r\ntwo");  // kept as hex(1) so the text stays one line
  key->SetValue("cyr", REG_SZ, "\xCF\xF3\xF2\xFC");
  key->SetValue("exp", REG_EXPAND_SZ, "%SystemRoot%\\system32;\xCF\xF3\xF2\xFC");
  key->SetValue("dw", REG_DWORD, std::string("\xff\xff\xff\xff", 4));
  key->SetValue("bin", REG_BINARY, std::string(100, '\x5A'));
  key->SetValue("multi", REG_MULTI_SZ, std::string("a\0\xCF\0\0", 5));
  key->SetValue("qword", 11, std::string("\x01\x02\x03\x04\x05\x06\x07\x08", 8));
  tree.Create(HKEY_CURRENT_USER, "Software\\Empty");

  for (const std::string& file : {FormatRegTree(tree, "\r\n"), FormatRegTree(tree, "\n")}) {
    RegTree back;
    ApplyRegFile(ParseRegFile(file, "t.reg"), back);
    EXPECT_EQ(FormatRegTree(back, "\n"), FormatRegTree(tree, "\n"));
    const RegKey* k = back.Find(HKEY_LOCAL_MACHINE, "Software\\\xCF\xF3\xF2\xFC \"q\"");
    ASSERT_NE(k, nullptr);
    ASSERT_EQ(k->Values().size(), key->Values().size());
    for (size_t i = 0; i < k->Values().size(); ++i) {
      EXPECT_EQ(k->Values()[i].name, key->Values()[i].name);
      EXPECT_EQ(k->Values()[i].type, key->Values()[i].type);
      EXPECT_EQ(k->Values()[i].data, key->Values()[i].data) << k->Values()[i].name;
    }
    EXPECT_NE(back.Find(HKEY_CURRENT_USER, "software\\EMPTY"), nullptr);
  }
  const std::string text = FormatRegTree(tree, "\n");
  EXPECT_NE(text.find("\"dw\"=dword:ffffffff\n"), std::string::npos);
  EXPECT_NE(text.find("\"cyr\"=\"" + AnsiToUtf8("\xCF\xF3\xF2\xFC") + "\""), std::string::npos);
  for (size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
    EXPECT_LE(end - start, 80u) << "hex lines are wrapped";
}

TEST(RegFile, SubKeysEnumerateByNameIgnoringCase) {
  RegTree tree;
  for (const char* name : {"beta", "Alpha", "GAMMA", "alpha"})
    tree.Create(HKEY_CURRENT_USER, std::string("K\\") + name);
  std::vector<std::string> names;
  for (const auto& sub : tree.Find(HKEY_CURRENT_USER, "k")->SubKeys()) names.push_back(sub->Name());
  EXPECT_EQ(names, (std::vector<std::string>{"Alpha", "beta", "GAMMA"}));
}

}  // namespace
