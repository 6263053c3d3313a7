// Creates, writes and closes 10,000 small files in one folder through the file layer (Windows
// names, case-insensitive lookup, share modes, short names) and with plain POSIX calls, in the
// same run and on the same drive, and prints the times and their ratio.
//   bench_platform_files [FILES] [ROUNDS] [8.3]
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/Files.h"
#include "platform/Stream.h"
#include "platform/sim/Machine.h"

namespace {

using Clock = std::chrono::steady_clock;

const std::string kPayload(200, 'x');

bool shortNames = false;  // 8.3 names only: no short name to store

std::string Name(int i) {
  char buf[32];
  // A long name gets a short name too.
  std::snprintf(buf, sizeof buf, shortNames ? "F%05d.TXT" : "File%05d.txt", i);
  return buf;
}

double LayerRun(const std::string& dir, int files) {
  plat::CreateDir(dir);
  auto start = Clock::now();
  for (int i = 0; i < files; ++i) {
    plat::TFileStream f(dir + "\\" + Name(i), plat::fmCreate);
    f.WriteBuffer(kPayload.data(), static_cast<int32_t>(kPayload.size()));
  }
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double PosixRun(const std::string& dir, int files) {
  std::filesystem::create_directory(dir);
  auto start = Clock::now();
  for (int i = 0; i < files; ++i) {
    std::string path = dir + "/" + Name(i);
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0 || ::write(fd, kPayload.data(), kPayload.size()) < 0) std::abort();
    ::close(fd);
  }
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  int files = argc > 1 ? std::atoi(argv[1]) : 10000;
  int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
  shortNames = argc > 3 && std::string(argv[3]) == "8.3";
  std::string root = (std::filesystem::temp_directory_path() / "niv_bench_XXXXXX").string();
  if (!mkdtemp(root.data())) return 1;
  std::string machine = root + "/m";
  plat::sim::CreateMachineLayout(machine, {});
  plat::sim::UseMachine(machine);
  std::vector<double> layer, posix;
  for (int r = 0; r < rounds; ++r) {
    std::string n = std::to_string(r);
    // The order alternates, so that neither side always runs on a fresher file system.
    if (r % 2 == 0) posix.push_back(PosixRun(machine + "/drives/C/posix" + n, files));
    layer.push_back(LayerRun("C:\\Layer" + n, files));
    if (r % 2 == 1) posix.push_back(PosixRun(machine + "/drives/C/posix" + n, files));
  }
  double l = Median(layer), p = Median(posix);
  std::printf("files per run: %d, rounds: %d\n", files, rounds);
  std::printf("layer: %.3f s (%.1f us a file)\n", l, l * 1e6 / files);
  std::printf("posix: %.3f s (%.1f us a file)\n", p, p * 1e6 / files);
  std::printf("ratio layer/posix: %.2f\n", l / p);
  std::filesystem::remove_all(root);
  return 0;
}
