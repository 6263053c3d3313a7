#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "ModelTestUtil.h"
#include "model/NumberList.h"
#include "model/Selection.h"
#include "model/TreeCommand.h"

namespace niv::test {
namespace {

std::string ReadHostFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(DemoDistribution, DescriptionLoadsWithEveryArchivePresent) {
  const std::string demo = std::string(NIV_SOURCE_DIR) + "/demo";
  TIDFTextFile description;
  ASSERT_TRUE(description.LoadFromText(ReadHostFile(demo + "/setup.idf")));
  ASSERT_NE(description.FindSection("Params"), nullptr);
  TSysTree tree;
  std::vector<std::string> messages;
  ASSERT_TRUE(
      LoadTree(tree, &description, [&](const std::string& t, uint32_t) { messages.push_back(t); }));
  EXPECT_TRUE(messages.empty());
  // Top-level subsystems with children, a dependency, a view-only group, links and a check file.
  EXPECT_EQ(Shape(tree), "-1,-2(-3,-4),-5(-6),-7,-8,-9,-10");
  EXPECT_EQ(tree.FindNode(1)->Info.Dependents, "4,5,8");
  EXPECT_TRUE(tree.FindNode(7)->Info.ViewOnly);
  EXPECT_EQ(tree.ViewChildrenOf(7), "8,9");
  EXPECT_NE(tree.FindNode(1)->Info.Links.find("?desktop"), std::string::npos);
  EXPECT_FALSE(tree.FindNode(1)->Info.CheckFiles.empty());
  for (TSysNode* node : tree.AllNodes()) {
    for (const std::string& archive : SplitList(node->Info.Archives)) {
      const std::string folder = demo + "/content/" + archive.substr(0, archive.size() - 4);
      EXPECT_TRUE(archive.ends_with(".zip") && std::filesystem::is_directory(folder)) << archive;
    }
  }
  ASSERT_FALSE(ReadHostFile(demo + "/licence.txt").empty());
}

TEST(TreeReport, ShowsEverySubsystemIndentedThenTheMessages) {
  auto description = Description(
      "[SubSystems]\nA=1\nB=2\nC=3\n[A]\nShort name=Alpha\nArchive=a.zip\n"
      "[B]\nParent=1\nDepend=1,x\n[C]\nViewParent=-1\nViewOnly=true");
  int result = -1;
  std::string report = TreeReport(*description, result);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(report,
            "1 [A] \"Alpha\" parent=0 depend= dependents=2 viewparent=0 viewonly=no library= "
            "archives=a.zip links= check= req=\n"
            "  2 [B] \"\" parent=1 depend=1,x dependents= viewparent=0 viewonly=no library= "
            "archives= links= check= req=\n"
            "3 [C] \"\" parent=0 depend= dependents= viewparent=-1 viewonly=yes library= "
            "archives= links= check= req=\n"
            "3 subsystems\n"
            "message: Invalid 'depend' string in setup.idf. Section - B\n"
            "loaded\n");

  auto duplicates = Description("[SubSystems]\nA=1\nB=1");
  report = TreeReport(*duplicates, result);
  EXPECT_EQ(result, 1);
  EXPECT_NE(report.find("message: Найдены системы с одинаковыми номерами\nnot loaded\n"),
            std::string::npos);
  auto notANumber = Description("[SubSystems]\nA=one");
  report = TreeReport(*notANumber, result);
  EXPECT_EQ(result, 1);
  EXPECT_NE(report.find("error: EConvertError: 'one' is not a valid integer value"),
            std::string::npos);
}

}  // namespace
}  // namespace niv::test
