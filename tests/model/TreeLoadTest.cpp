#include <gtest/gtest.h>

#include "ModelTestUtil.h"
#include "model/TreeLoad.h"
#include "platform/Exceptions.h"

namespace niv::test {
namespace {

const char kFamily[] = R"([SubSystems]
Base=1
Tools=2
Editor=3
Viewer=4
[Base]
Short name=Base
Full name=The base
Archive=base.zip,common.zip
Library=base.dll
Parameter=p1
MenuLink1=EXE\base.exe||||Base
DesktopLink1=EXE\base.exe||||Base on desktop
MenuLink2=EXE\help.exe||||Help
CheckFile=base.dll
[Tools]
Short name=Tools
Depend=1
ViewParent=-1
[Editor]
Parent=2
Short name=Editor
Depend=1, 2
ReqFile=a.dll
ReqFile1=b.dll
REQFILE_2=c.dll
Req=d.dll
[Viewer]
Parent=3
Short name=Viewer
Depend=3
ViewOnly= true )";

TEST(LoadTree, ReadsRecordsShapeAndDependents) {
  Loaded t = Load(kFamily);
  ASSERT_TRUE(t.ok);
  EXPECT_TRUE(t.messages.empty());
  EXPECT_EQ(Shape(*t.tree), "-1,-2(-3(-4))");
  EXPECT_EQ(t.tree->AllNodesCount(), 4);
  EXPECT_EQ(SelectedOf(*t.tree) + FullOf(*t.tree), "");

  const TSubsystemInfo& base = t.Node(1).Info;
  EXPECT_EQ(base.SectionName, "Base");
  EXPECT_EQ(base.FullName, "The base");
  EXPECT_EQ(base.Archives, "base.zip,common.zip");
  EXPECT_EQ(base.LibraryName, "base.dll");
  EXPECT_EQ(base.Parameter, "p1");
  EXPECT_EQ(base.Links,
            "EXE\\base.exe||||Base?menu*EXE\\base.exe||||Base on desktop?desktop*"
            "EXE\\help.exe||||Help?menu");
  EXPECT_EQ(base.CheckFiles, "base.dll");
  EXPECT_EQ(base.Dependents, "2,3");  // Tools and Editor name it, Editor with a blank
  EXPECT_EQ(t.Node(2).Info.Dependents, "3");
  EXPECT_EQ(t.Node(2).Info.ViewParent, -1);
  EXPECT_EQ(t.Node(3).Info.ParentNumber, 2);
  EXPECT_EQ(t.Node(3).Info.ReqFiles, "a.dll,b.dll,c.dll");
  EXPECT_TRUE(t.Node(4).Info.ViewOnly);
}

TEST(LoadTree, ViewOnlyIsTrueOnlyForTrue) {
  for (auto [value, expected] :
       {std::pair{"TRUE", true}, {"tRuE  ", true}, {"yes", false}, {"", false}, {"1", false}}) {
    Loaded t = Load(std::string("[SubSystems]\nA=1\n[A]\nViewOnly=") + value);
    EXPECT_EQ(t.Node(1).Info.ViewOnly, expected) << value;
  }
}

TEST(LoadTree, SameNamedKeysContributeTheFirstValue) {
  Loaded t = Load(
      "[SubSystems]\nA=1\n[A]\nMenuLink1=first\nmenulink1=second\nCheckFile=x\n"
      "CheckFile2=y");
  EXPECT_EQ(t.Node(1).Info.Links, "first?menu*first?menu");
  EXPECT_EQ(t.Node(1).Info.CheckFiles, "x,y");
}

// Descriptions the loader must survive, with what it makes of them.
struct BadCase {
  const char* name;
  const char* body;
  bool ok;
  const char* shape;
  int messages;
};

class LoadTreeBadInput : public testing::TestWithParam<BadCase> {};

TEST_P(LoadTreeBadInput, EndsAsDescribed) {
  const BadCase& c = GetParam();
  Loaded t = Load(c.body);
  EXPECT_EQ(t.ok, c.ok);
  EXPECT_EQ(Shape(*t.tree), c.shape);
  EXPECT_EQ(static_cast<int>(t.messages.size()), c.messages);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LoadTreeBadInput,
    testing::Values(
        BadCase{"NoSubSystems", "[Params]\nSystem name=X", true, "", 0},
        BadCase{"SameNumbers", "[SubSystems]\nA=1\nB=2\nC=1\n[A]\n[B]\n[C]", false, "", 1},
        BadCase{"TwoZeros", "[SubSystems]\nA=0\nB=0\n[A]\n[B]", false, "", 1},
        BadCase{"MissingSectionSkipped", "[SubSystems]\nA=1\nB=2\n[B]", true, "-2", 0},
        BadCase{"ZeroIsNeverTopLevel", "[SubSystems]\nA=0\nB=2\n[A]\n[B]", true, "-2", 0},
        BadCase{"ZeroLoadsAsAChild", "[SubSystems]\nA=0\nB=2\n[A]\nParent=2\n[B]", true, "-2(-0)",
                0},
        // The child's header is spelled differently: found, but numbered 0.
        BadCase{"HeaderCaseGivesZero", "[SubSystems]\nA=1\nKid=2\n[A]\n[KID]\nParent=1", true,
                "-1(-0)", 0},
        BadCase{"ParentMissing", "[SubSystems]\nA=1\nB=2\nC=3\n[A]\n[B]\nParent=9\n[C]\nParent=2",
                true, "-1", 0},
        BadCase{"ParentCycle", "[SubSystems]\nA=1\nB=2\nC=3\n[A]\n[B]\nParent=3\n[C]\nParent=2",
                true, "-1", 0},
        BadCase{"ParentIsItself", "[SubSystems]\nA=1\nB=2\n[A]\n[B]\nParent=2", true, "-1", 0},
        // Keys that differ only in case find one section: it is loaded once under its parent.
        BadCase{"CaseTwinsLoadOnce",
                "[SubSystems]\nA=1\nB=2\nb=3\nC=4\nc=5\n[A]\n[B]\nParent=1\n[C]\nParent=2", true,
                "-1(-2(-4))", 0},
        // A bad key leaves out only the subsystem concerned and what hangs under it.
        BadCase{"ParentNotAnInteger",
                "[SubSystems]\nA=1\nB=2\nC=3\nD=4\n[A]\n[B]\nParent=x\n[C]\nParent=1\n"
                "[D]\nParent=2",
                true, "-1(-3)", 0},
        BadCase{"ViewParentNotAnInteger",
                "[SubSystems]\nA=1\nB=2\nC=3\nD=4\nE=5\n[A]\n[B]\nParent=1\nViewParent=?\n"
                "[C]\nParent=2\n[D]\nParent=1\n[E]\nViewParent=1.5",
                true, "-1(-4)", 0},
        // "x" is reported for every other loaded subsystem whose scan reaches it.
        BadCase{"BadDependItem", "[SubSystems]\nA=1\nB=2\nC=3\n[A]\n[B]\nDepend=3,x\n[C]\nParent=1",
                true, "-1(-3),-2", 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(LoadTree, BadDependMessageNamesTheSectionInEnglish) {
  Loaded t = Load("[SubSystems]\nA=1\nB=2\nC=3\n[A]\n[b]\nDepend=x,1\n[C]");
  ASSERT_EQ(t.messages.size(), 2u);  // for A and for C; B's own scan is not made
  EXPECT_EQ(t.messages[0], "Invalid 'depend' string in setup.idf. Section - b");
  EXPECT_EQ(t.Node(1).Info.Dependents, "");  // the bad item comes first
}

TEST(LoadTree, DuplicateMessageIsRussianErrorBox) {
  std::vector<uint32_t> flags;
  auto description = Description("[SubSystems]\nA=1\nB=1");
  TSysTree tree;
  std::string text;
  EXPECT_FALSE(LoadTree(tree, description.get(), [&](const std::string& t, uint32_t f) {
    text = t;
    flags.push_back(f);
  }));
  EXPECT_EQ(plat::AnsiToUtf8(text), "Найдены системы с одинаковыми номерами");
  ASSERT_EQ(flags.size(), 1u);
  EXPECT_EQ(flags[0] & 0xF0u, 0x10u);  // the error icon
}

TEST(LoadTree, NonIntegerNumberRaisesWithTheTreeEmpty) {
  auto description = Description("[SubSystems]\nA=1\nB=two\n[A]\n[B]");
  TSysTree tree;
  auto first = Description("[SubSystems]\nA=1\n[A]");
  ASSERT_TRUE(LoadTree(tree, first.get(), [](auto&&...) {}));
  EXPECT_THROW(LoadTree(tree, description.get(), [](auto&&...) {}), plat::EConvertError);
  EXPECT_EQ(tree.Count(), 0);
  EXPECT_EQ(tree.AllNodesCount(), 0);
  EXPECT_FALSE(LoadTree(tree, nullptr, [](auto&&...) {}));
}

TEST(LoadTree, HelpersReadKeys) {
  auto d = Description("[SubSystems]\nA=x\nA=7\nB=8\n[S]\nParent=\nViewParent=3\nBad=q");
  const TIDFSection& s = *d->FindSection("S");
  EXPECT_EQ(ReadIntKey(s, "Parent"), 0);
  EXPECT_EQ(ReadIntKey(s, "Missing"), 0);
  EXPECT_EQ(ReadIntKey(s, "viewparent"), 3);
  EXPECT_THROW(ReadIntKey(s, "Bad"), plat::EConvertError);
  EXPECT_EQ(ReadTextKey(s, "bad"), "q");
  const TIDFSection& subsystems = *d->FindSection("SubSystems");
  EXPECT_EQ(NumberOfSection(subsystems, "A"), 7);  // the non-integer entry is passed over
  EXPECT_EQ(NumberOfSection(subsystems, "b"), 0);  // exact spelling only
}

TEST(LoadTree, DeepAndWideDescriptions) {
  // 10,000 levels of parents, then a top level 10,000 wide, each depending on the first.
  constexpr int kDepth = 10000;
  std::string entries = "[SubSystems]\n";
  std::string sections;
  for (int i = 1; i <= kDepth; ++i) {
    entries += "S" + std::to_string(i) + "=" + std::to_string(i) + "\n";
    sections += "[S" + std::to_string(i) + "]\n";
    if (i > 1) sections += "Parent=" + std::to_string(i - 1) + "\n";
  }
  for (int i = kDepth + 1; i <= 2 * kDepth; ++i) {
    entries += "W" + std::to_string(i) + "=" + std::to_string(i) + "\n";
    sections += "[W" + std::to_string(i) + "]\nDepend=1\n";
  }
  Loaded t = Load(entries + sections);
  ASSERT_TRUE(t.ok);
  EXPECT_EQ(t.tree->AllNodesCount(), 2 * kDepth);
  EXPECT_EQ(t.tree->Count(), kDepth + 1);
  EXPECT_EQ(t.Node(kDepth).Info.ParentNumber, kDepth - 1);
  EXPECT_EQ(t.Node(1).Info.Dependents.size(), 10000u * 6 - 1);

  TIDFTextFile saved;
  ASSERT_TRUE(SaveTree(*t.tree, saved));
  TSysTree again;
  ASSERT_TRUE(LoadTree(again, &saved, [](auto&&...) {}));
  EXPECT_EQ(again.AllNodesCount(), 2 * kDepth);
  t.tree.reset();  // destroyed without recursing; the sanitizer build checks for leaks
}

TEST(SaveTree, LoadsBackTheSameTree) {
  Loaded t = Load(std::string(kFamily) + "\n[Tools]\nShort name=Shadowed");
  TIDFTextFile saved;
  ASSERT_TRUE(SaveTree(*t.tree, saved));
  EXPECT_EQ(saved.SectionCount(), 5);
  const TIDFSection& base = *saved.FindSection("Base");
  ASSERT_NE(base.FindParam("MenuLink3"), nullptr);
  EXPECT_EQ(base.FindParam("MenuLink3")->AsString(), "EXE\\help.exe||||Help");
  EXPECT_EQ(base.FindParam("DesktopLink2")->AsString(), "EXE\\base.exe||||Base on desktop");

  Loaded back;
  back.description = std::make_unique<TIDFTextFile>();
  ASSERT_TRUE(back.description->LoadFromText(saved.SaveToText()));
  ASSERT_TRUE(LoadTree(*back.tree, back.description.get(), [](auto&&...) {}));
  EXPECT_EQ(Shape(*back.tree), Shape(*t.tree));
  std::vector<TSysNode*> before = t.tree->AllNodes(), after = back.tree->AllNodes();
  ASSERT_EQ(before.size(), after.size());
  for (size_t i = 0; i < before.size(); ++i) {
    TSubsystemInfo expected = before[i]->Info;
    expected.ViewParent = 0;
    expected.ViewOnly = false;
    const TSubsystemInfo& got = after[i]->Info;
    EXPECT_EQ(got.Number, expected.Number);
    EXPECT_EQ(got.SectionName, expected.SectionName);
    EXPECT_EQ(got.ParentNumber, expected.ParentNumber);
    EXPECT_EQ(got.Depend, expected.Depend);
    EXPECT_EQ(got.Dependents, expected.Dependents);
    EXPECT_EQ(got.LibraryName, expected.LibraryName);
    EXPECT_EQ(got.Parameter, expected.Parameter);
    EXPECT_EQ(got.Archives, expected.Archives);
    EXPECT_EQ(got.ShortName, expected.ShortName);
    EXPECT_EQ(got.FullName, expected.FullName);
    EXPECT_EQ(got.Links, expected.Links);
    EXPECT_EQ(got.CheckFiles, expected.CheckFiles);
    EXPECT_EQ(got.ReqFiles, expected.ReqFiles);
    EXPECT_EQ(got.ViewParent, 0);
    EXPECT_FALSE(got.ViewOnly);
  }
}

}  // namespace
}  // namespace niv::test
