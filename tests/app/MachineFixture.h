#pragma once
// A fresh simulated machine per test, chosen for the whole test process.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/sim/Machine.h"

namespace niv::testing {

class MachineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "niv_app_XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    machine_ = root_ + "/m";
    plat::sim::NewMachine(machine_, {});
    plat::sim::UseMachine(machine_);
  }
  void TearDown() override { std::filesystem::remove_all(root_); }

  static std::string HostBytes(const std::string& windowsPath) {
    std::ifstream in(plat::sim::HostPathOf(windowsPath), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
  }

  std::string root_;
  std::string machine_;
};

}  // namespace niv::testing
