#pragma once
// A fresh simulated machine per test, with helpers to put archives on its drives and to run the
// host's archivers.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "archive/ZipReader.h"
#include "platform/Files.h"
#include "platform/sim/Machine.h"

namespace ziptest {

namespace fs = std::filesystem;

// Incompressible bytes, the same for the same size.
inline std::string Noise(size_t size) {
  std::string out(size, '\0');
  uint64_t x = 0x9E3779B97F4A7C15ull;
  for (char& c : out) {
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
    c = static_cast<char>(x >> 32);
  }
  return out;
}

class ReaderTest : public ::testing::Test {
 public:
  void SetUp() override {
    char pattern[] = "/tmp/nivzipreader-XXXXXX";
    root_ = mkdtemp(pattern);
    machine_ = root_ / "machine";
    plat::sim::MachineOptions options = MachineOptionsForTest();
    plat::sim::CreateMachineLayout(machine_.string(), options);
    plat::sim::UseMachine(machine_.string());
    fs::create_directories(HostC() / "arc");
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(root_, ec);
  }
  virtual plat::sim::MachineOptions MachineOptionsForTest() { return {}; }

  fs::path HostC() const { return machine_ / "drives" / "C"; }
  fs::path Work() const { return root_; }  // host scratch space outside the machine
  // Writes bytes as C:\arc\NAME and gives the Windows path.
  std::string PutArchive(const std::string& name, const std::string& bytes) {
    std::ofstream(HostC() / "arc" / name, std::ios::binary) << bytes;
    return "C:\\arc\\" + name;
  }
  static std::string ReadHost(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  static void WriteHost(const fs::path& p, const std::string& bytes) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << bytes;
  }
  // Runs a shell command in a host directory; fails the test when it fails.
  static void Sh(const fs::path& dir, const std::string& command) {
    std::string line = "cd '" + dir.string() + "' && " + command + " >/dev/null 2>&1";
    ASSERT_EQ(std::system(line.c_str()), 0) << line;
  }

  fs::path root_, machine_;
};

}  // namespace ziptest
