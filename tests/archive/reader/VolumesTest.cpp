// Multi-volume sets: split into numbered parts and spanned over removable disks.
#include "ReaderFixture.h"
#include "archive/ZipReader.h"
#include "forms/Agent.h"
#include "platform/sim/MachineConfig.h"

namespace ziptest {
namespace {

using niv::TZipReader;

// Makes a split set of about 200 KB of incompressible data in parts of 64 KB with zip -s and
// gives the number of parts; the parts are left in dir as set.z01 ... set.zip.
int MakeSplitSet(const fs::path& dir, std::string& content) {
  fs::path src = dir / "src";
  content = Noise(200000);
  ReaderTest::WriteHost(src / "big.bin", content);
  ReaderTest::WriteHost(src / "small.txt", "small");
  ReaderTest::Sh(src, "zip -q -s 64k " + (dir / "set.zip").string() + " big.bin small.txt");
  int parts = 1;
  while (fs::exists(dir / ("set.z0" + std::to_string(parts)))) ++parts;
  return parts;
}

class SplitTest : public ReaderTest {};

TEST_F(SplitTest, NumberedPartsAreReadAcrossVolumeBoundaries) {
  std::string content;
  int parts = MakeSplitSet(Work(), content);
  ASSERT_GE(parts, 3);
  for (int k = 1; k < parts; ++k)
    fs::copy_file(Work() / ("set.z0" + std::to_string(k)),
                  HostC() / "arc" / ("DATA.00" + std::to_string(k)));
  fs::copy_file(Work() / "set.zip", HostC() / "arc" / "DATA.ZIP");
  TZipReader reader;
  reader.SetZipName("C:\\arc\\DATA.ZIP");
  reader.SetDestDir("C:\\out");
  reader.DoAll = true;
  std::vector<int> asked;
  reader.OnGetNextDisk = [&](TZipReader& r, int n, std::string& f) {
    asked.push_back(n);
    r.DefaultGetNextDisk(r, n, f);
  };
  reader.ReadZipDirectory();
  EXPECT_EQ(reader.MultiVolumeMode(), niv::mvSplit);
  EXPECT_EQ(reader.VolumeCount(), parts);
  ASSERT_EQ(reader.EntryCount(), 2);
  EXPECT_EQ(reader.ExtractFiles(), 2);
  EXPECT_EQ(ReadHost(HostC() / "out" / "big.bin"), content);
  EXPECT_EQ(ReadHost(HostC() / "out" / "small.txt"), "small");
  EXPECT_NE(std::find(asked.begin(), asked.end(), 2), asked.end());  // data went on to part 2

  // A part that is missing refuses the volume.
  fs::remove(HostC() / "arc" / "DATA.002");
  fs::remove_all(HostC() / "out");
  TZipReader again;
  again.SetZipName("C:\\arc\\DATA.ZIP");
  again.SetDestDir("C:\\out");
  again.DoAll = true;
  try {
    again.ExtractFiles();
    FAIL();
  } catch (const niv::EUserCanceled& e) {
    EXPECT_EQ(e.Message(), "User canceled loading new disk.");
  }
}

class SpannedTest : public ReaderTest {
 protected:
  plat::sim::MachineOptions MachineOptionsForTest() override {
    fs::create_directories(root_ / "disk");
    plat::sim::MachineOptions options;
    options.drives.push_back({'A', plat::DRIVE_REMOVABLE, "", -1, (root_ / "disk").string()});
    return options;
  }
  // Puts disk `number` (1-based) into drive A: with the given label.
  void Insert(int number, const std::string& label) {
    auto config = plat::sim::LoadMachineConfig(machine_.string());
    for (auto& d : config.drives)
      if (d.letter == 'A') {
        d.hostDir = (root_ / ("disk" + std::to_string(number))).string();
        d.label = label;
      }
    plat::sim::SaveMachineConfig(machine_.string(), config);
  }
};

TEST_F(SpannedTest, DisksAreAskedForAndTheirLabelsChecked) {
  std::string content;
  int parts = MakeSplitSet(Work(), content);
  for (int k = 1; k <= parts; ++k) {
    fs::path disk = root_ / ("disk" + std::to_string(k));
    fs::create_directories(disk);
    fs::copy_file(Work() / (k < parts ? "set.z0" + std::to_string(k) : std::string("set.zip")),
                  disk / "DATA.ZIP");
  }
  char label[32];
  snprintf(label, sizeof label, "PKBACK# %03d", parts);
  Insert(parts, label);
  TZipReader reader;
  reader.SetZipName("A:\\DATA.ZIP");
  reader.SetDestDir("C:\\out");
  reader.DoAll = true;
  std::vector<int> asked;
  bool wrongFirst = true;
  reader.OnGetNextDisk = [&](TZipReader&, int n, std::string& f) {
    asked.push_back(n);
    char l[32];
    // The first time a wrong disk goes in; the label check asks again.
    snprintf(l, sizeof l, "PKBACK# %03d", wrongFirst ? n + 1 : n);
    wrongFirst = false;
    Insert(n, l);
  };
  reader.ReadZipDirectory();
  EXPECT_EQ(reader.MultiVolumeMode(), niv::mvSpanned);
  EXPECT_EQ(reader.ExtractFiles(), 2);
  EXPECT_EQ(ReadHost(HostC() / "out" / "big.bin"), content);
  ASSERT_GE(asked.size(), 3u);
  EXPECT_EQ(asked[0], 1);
  EXPECT_EQ(asked[1], 1);  // asked again after the wrong label
}

TEST_F(SpannedTest, DefaultHandlerAsksForTheDiskAndCancelRefusesIt) {
  std::string content;
  int parts = MakeSplitSet(Work(), content);
  for (int k = 1; k <= parts; ++k) {
    fs::path disk = root_ / ("disk" + std::to_string(k));
    fs::create_directories(disk);
    fs::copy_file(Work() / (k < parts ? "set.z0" + std::to_string(k) : std::string("set.zip")),
                  disk / "DATA.ZIP");
  }
  auto label = [](int n) {
    char l[32];
    snprintf(l, sizeof l, "DISK%03d", n);
    return std::string(l);
  };
  Insert(parts, label(parts));
  forms::RecordingAgent agent;
  std::vector<std::string> texts;
  bool cancelOnSecond = false;
  agent.OnBox = [&](const forms::MessageBoxInfo& box) {
    texts.push_back(box.Text);
    int n = std::stoi(box.Text.substr(std::string("Please insert disk ").size()));
    if (cancelOnSecond && n == 2) return forms::IDCANCEL;
    Insert(n, label(n));  // the user puts the disk in and presses OK
    return forms::IDOK;
  };
  forms::ScopedAgent scope(agent);
  niv::TZipReader reader;
  reader.SetZipName("A:\\DATA.ZIP");
  reader.SetDestDir("C:\\out");
  reader.DoAll = true;
  EXPECT_EQ(reader.ExtractFiles(), 2);
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts[0], "Please insert disk 1 of the multi-disk set.");
  EXPECT_EQ(agent.Boxes()[0].Buttons(), (std::vector<int>{forms::IDOK, forms::IDCANCEL}));
  EXPECT_EQ(ReadHost(HostC() / "out" / "big.bin"), content);

  cancelOnSecond = true;
  Insert(parts, label(parts));
  niv::TZipReader refused;
  refused.SetZipName("A:\\DATA.ZIP");
  refused.SetDestDir("C:\\out2");
  refused.DoAll = true;
  try {
    refused.ExtractFiles();
    FAIL();
  } catch (const niv::EUserCanceled& e) {
    EXPECT_EQ(e.Message(), "User canceled loading new disk.");
  }
}

}  // namespace
}  // namespace ziptest
