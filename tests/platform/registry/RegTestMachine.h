#pragma once
// A temporary machine directory for the registry tests, chosen as the machine of the process.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/sim/Machine.h"

namespace regtest {

class TempMachine {
 public:
  TempMachine() {
    std::string pattern = (std::filesystem::temp_directory_path() / "regtest-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    dir_ = pattern;
    plat::sim::UseMachine(dir_);
  }
  ~TempMachine() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  TempMachine(const TempMachine&) = delete;
  TempMachine& operator=(const TempMachine&) = delete;

  const std::string& Dir() const { return dir_; }
  std::string RegistryFile() const { return dir_ + "/registry.reg"; }

 private:
  std::string dir_;
};

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

}  // namespace regtest
