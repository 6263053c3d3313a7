#pragma once
// A fresh machine (folders and machine.ini only) per test, chosen for the whole process.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/Exceptions.h"
#include "platform/Files.h"
#include "platform/Stream.h"
#include "platform/sim/Machine.h"
#include "platform/sim/MachineConfig.h"

namespace niv::testing {

class FilesMachine : public ::testing::Test {
 protected:
  void SetUp() override { MakeMachine({}); }
  void TearDown() override {
    plat::sim::UseMachine("");
    std::filesystem::remove_all(root_);
  }

  void MakeMachine(const plat::sim::MachineOptions& options) {
    if (!root_.empty()) std::filesystem::remove_all(root_);
    std::string pattern = (std::filesystem::temp_directory_path() / "niv_files_XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    machine_ = root_ + "/m";
    plat::sim::CreateMachineLayout(machine_, options);
    plat::sim::UseMachine(machine_);
  }

  // Changes machine.ini of the current machine.
  template <class Change>
  void EditConfig(Change&& change) {
    plat::sim::MachineConfig config = plat::sim::LoadMachineConfig(machine_);
    change(config);
    plat::sim::SaveMachineConfig(machine_, config);
  }

  static void Write(const std::string& path, const std::string& bytes,
                    uint16_t mode = plat::fmCreate) {
    plat::TFileStream f(path, mode);
    f.WriteBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
  }
  static std::string Read(const std::string& path) {
    plat::TFileStream f(path, plat::fmOpenRead | plat::fmShareDenyNone);
    std::string bytes(static_cast<size_t>(f.Size()), '\0');
    f.ReadBuffer(bytes.data(), static_cast<int32_t>(bytes.size()));
    return bytes;
  }
  std::string Drive(char letter) const { return machine_ + "/drives/" + std::string(1, letter); }

  std::string root_;
  std::string machine_;
};

}  // namespace niv::testing
