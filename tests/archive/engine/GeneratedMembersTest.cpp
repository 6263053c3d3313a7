// Members made at test time by Info-ZIP zip and 7-Zip from inputs of several kinds decode to the
// input bytes with the stored CRC.
#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "EngineTestSupport.h"

namespace niv::test {
namespace {

struct TInput {
  const char* name;
  std::string data;
};

class GeneratedMembers : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = std::make_unique<TTempDir>();
    std::string repetitive;
    while (repetitive.size() < 600000) repetitive += std::string(3000, 'a') + "abcabcabd";
    inputs_ = {{"empty.txt", ""},
               {"text.txt", TextInput(300000)},
               {"binary.bin", BinaryInput(150000)},
               {"random.bin", RandomInput(70000)},
               {"repetitive.txt", repetitive},
               {"tiny.txt", "x"}};
    for (auto& in : inputs_) WriteFile(dir_->Path() / in.name, in.data);
  }
  static void TearDownTestSuite() { dir_.reset(); }

  // Makes an archive of all inputs with command (run in the input directory) and checks that
  // every member decodes to its input.
  void CheckArchive(const std::string& archive, const std::string& command) {
    std::string files;
    for (auto& in : inputs_) files += std::string(" ") + in.name;
    auto zip = dir_->Path() / archive;
    ASSERT_TRUE(test::Run("cd '" + dir_->Path().string() + "' && " + command + " '" + zip.string() +
                          "'" + files))
        << command;
    auto members = ReadZipMembers(zip);
    ASSERT_EQ(members.size(), inputs_.size()) << archive;
    for (auto& m : members) {
      const std::string* expected = nullptr;
      for (auto& in : inputs_)
        if (m.name == in.name) expected = &in.data;
      ASSERT_NE(expected, nullptr) << m.name;
      TDecodeOutcome r = Decode(m, "secret");
      EXPECT_TRUE(r.decoded) << archive << " " << m.name << " " << r.error << " " << r.message;
      EXPECT_TRUE(r.output == *expected)
          << archive << " " << m.name << " method " << m.info.CompressionMethod;
      EXPECT_EQ(r.crc, m.info.CRC32) << archive << " " << m.name;
      for (size_t i = 0; i + 1 < r.pieces.size(); ++i) EXPECT_EQ(r.pieces[i], 16000u);
    }
  }

  static std::unique_ptr<TTempDir> dir_;
  static std::vector<TInput> inputs_;
};

std::unique_ptr<TTempDir> GeneratedMembers::dir_;
std::vector<TInput> GeneratedMembers::inputs_;

TEST_F(GeneratedMembers, InfoZipEveryLevel) {
  for (int level = 0; level <= 9; ++level)
    CheckArchive("zip" + std::to_string(level) + ".zip", "zip -q -X -" + std::to_string(level));
}

TEST_F(GeneratedMembers, SevenZipDeflateLevels) {
  for (int level : {1, 3, 5, 7, 9})
    CheckArchive("7z" + std::to_string(level) + ".zip",
                 "7zz a -bd -tzip -mm=Deflate -mx=" + std::to_string(level));
}

TEST_F(GeneratedMembers, EncryptedMembersDecryptWithTheirPassword) {
  CheckArchive("enc.zip", "zip -q -X -6 -P secret");
  CheckArchive("enc0.zip", "zip -q -X -0 -P secret");
}

}  // namespace
}  // namespace niv::test
