#pragma once
// A fresh machine in a temporary folder, chosen as the machine of the test process, with helpers
// to move files between the host and the machine.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "platform/Files.h"
#include "platform/sim/Machine.h"

namespace systest {

class FreshMachine {
 public:
  explicit FreshMachine(bool family9x = false) {
    std::string pattern = (std::filesystem::temp_directory_path() / "systest-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    dir_ = pattern + "/m";
    plat::sim::MachineOptions options;
    options.family9x = family9x;
    plat::sim::NewMachine(dir_, options);
    plat::sim::UseMachine(dir_);
  }
  ~FreshMachine() {
    std::error_code ec;
    std::filesystem::remove_all(std::filesystem::path(dir_).parent_path(), ec);
  }
  FreshMachine(const FreshMachine&) = delete;
  FreshMachine& operator=(const FreshMachine&) = delete;

  const std::string& Dir() const { return dir_; }

 private:
  std::string dir_;
};

// Creates a Windows folder and the folders above it.
inline void MakeDirs(const std::string& path) {
  if (plat::DirectoryExists(path)) return;
  const size_t slash = path.find_last_of('\\');
  if (slash != std::string::npos && slash > 2) MakeDirs(path.substr(0, slash));
  ASSERT_TRUE(plat::CreateDir(path)) << path;
}

inline void WriteMachineFile(const std::string& windowsPath, const std::string& bytes) {
  const std::string host = plat::sim::HostPathOf(windowsPath);
  ASSERT_FALSE(host.empty()) << windowsPath;
  std::ofstream(host, std::ios::binary | std::ios::trunc) << bytes;
}

inline void CopyIntoMachine(const std::string& hostFile, const std::string& windowsPath) {
  const std::string host = plat::sim::HostPathOf(windowsPath);
  ASSERT_FALSE(host.empty()) << windowsPath;
  std::filesystem::copy_file(hostFile, host, std::filesystem::copy_options::overwrite_existing);
}

inline std::string ReadMachineFile(const std::string& windowsPath) {
  std::ifstream in(plat::sim::HostPathOf(windowsPath), std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// The "name=value" lines of a probe's report.
inline std::map<std::string, std::string> ReadReport(const std::string& windowsPath) {
  std::map<std::string, std::string> report;
  std::istringstream in(ReadMachineFile(windowsPath));
  std::string line;
  while (std::getline(in, line)) {
    const size_t eq = line.find('=', line.rfind("env:", 0) == 0 ? 4 : 0);
    if (eq != std::string::npos) report[line.substr(0, eq)] = line.substr(eq + 1);
  }
  return report;
}

}  // namespace systest
